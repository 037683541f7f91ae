#include "figures.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace tangram {
namespace {

// Figures are drawn on a grid whose unit is half the diagonal of the square
// piece, so every piece turned by an odd multiple of 45 degrees has whole
// grid corners.
constexpr double grid_unit = std::numbers::sqrt2 / 2;
constexpr Vec figure_middle{10, 11.25};
constexpr double rounding = 1e-6;

struct GridPolygon {
    int count;
    std::array<int, 8> xy;
};
constexpr GridPolygon tri(int ax, int ay, int bx, int by, int cx, int cy)
{
    return {3, {ax, ay, bx, by, cx, cy, 0, 0}};
}
constexpr GridPolygon quad(int ax, int ay, int bx, int by, int cx, int cy, int dx, int dy)
{
    return {4, {ax, ay, bx, by, cx, cy, dx, dy}};
}
struct GridFigure {
    const wchar_t *name;
    std::array<GridPolygon, piece_count> pieces;
};

// y grows downwards, as on the screen.
const std::array<GridFigure, 12> grid_figures{{
    {L"Square",
     {tri(0, 0, 4, 0, 2, 2), tri(0, 0, 2, 2, 0, 4), tri(4, 2, 4, 4, 2, 4), tri(4, 0, 4, 2, 3, 1),
      quad(2, 2, 3, 1, 4, 2, 3, 3), tri(2, 2, 3, 3, 1, 3), quad(0, 4, 1, 3, 3, 3, 2, 4)}},
    {L"Cat",
     {tri(2, 2, 2, 6, 4, 4), tri(2, 6, 6, 6, 4, 4), quad(2, 0, 3, 1, 2, 2, 1, 1), tri(2, 0, 1, 1, 1, -1),
      tri(2, 0, 3, 1, 3, -1), quad(7, 5, 9, 5, 8, 6, 6, 6), tri(2, 4, 2, 6, 0, 6)}},
    {L"Rabbit",
     {tri(2, 2, 2, 6, 4, 4), tri(2, 6, 6, 6, 4, 4), quad(2, 0, 3, 1, 2, 2, 1, 1), quad(2, -2, 2, 0, 1, 1, 1, -1),
      tri(2, 0, 3, 1, 3, -1), tri(5, 5, 6, 4, 6, 6), tri(2, 4, 2, 6, 0, 6)}},
    {L"Swan",
     {tri(0, 2, 0, 6, 2, 4), tri(0, 6, 4, 6, 2, 4), tri(2, 4, 4, 6, 4, 4), quad(5, 3, 5, 5, 4, 6, 4, 4),
      quad(4, 2, 5, 3, 4, 4, 3, 3), tri(4, 2, 6, 2, 5, 3), tri(0, 0, 1, 1, 0, 2)}},
    {L"Fish",
     {tri(0, 2, 4, 2, 2, 0), tri(0, 2, 4, 2, 2, 4), tri(5, 1, 5, 3, 4, 2), quad(6, 0, 6, 2, 5, 3, 5, 1),
      tri(2, 0, 4, 0, 4, 2), quad(0, 2, 1, 3, 0, 4, -1, 3), tri(2, 4, 4, 4, 3, 3)}},
    {L"Bird",
     {tri(0, 0, 4, 0, 2, 2), tri(4, 0, 8, 0, 6, 2), quad(4, 0, 5, 1, 4, 2, 3, 1), tri(2, 2, 4, 2, 3, 1),
      tri(4, 2, 6, 2, 5, 1), tri(3, 2, 5, 2, 3, 4), quad(2, -1, 4, -1, 5, 0, 3, 0)}},
    {L"Parrot",
     {quad(1, 0, 2, 1, 1, 2, 0, 1), tri(1, 2, 1, 6, 3, 4), tri(1, 6, 5, 6, 3, 4), tri(3, 6, 5, 6, 5, 8),
      quad(2, 0, 3, 1, 3, 3, 2, 2), tri(5, 8, 7, 8, 6, 7), tri(1, 0, 2, 1, 2, -1)}},
    {L"Dancer",
     {quad(1, 0, 2, 1, 1, 2, 0, 1), tri(-1, 2, 3, 2, 1, 4), tri(-1, 6, 3, 6, 1, 4), tri(-1, 6, 1, 6, 0, 7),
      tri(1, 6, 3, 6, 2, 7), quad(3, 2, 5, 2, 4, 3, 2, 3), tri(-1, 2, 1, 4, -1, 4)}},
    {L"House",
     {tri(0, 2, 4, 2, 2, 0), tri(0, 2, 4, 2, 2, 4), tri(0, 2, 0, 4, 2, 4), tri(4, 2, 4, 4, 3, 3), tri(2, 4, 4, 4, 3, 3),
      quad(3, -1, 4, 0, 4, 2, 3, 1), quad(4, -2, 5, -1, 4, 0, 3, -1)}},
    {L"Sailboat",
     {tri(2, 0, 2, 4, 4, 2), tri(2, 4, 6, 4, 4, 2), tri(2, 2, 2, 4, 0, 4), tri(1, 4, 3, 4, 2, 5),
      quad(3, 4, 5, 4, 4, 5, 2, 5), tri(4, 5, 6, 5, 5, 4), quad(2, -2, 3, -1, 2, 0, 1, -1)}},
    {L"Candlestick",
     {quad(1, 0, 2, 1, 1, 2, 0, 1), tri(0, 2, 2, 2, 0, 4), tri(2, 2, 2, 4, 1, 3), tri(0, 4, 2, 4, 1, 3),
      tri(-1, 4, 3, 4, 1, 6), tri(-1, 8, 3, 8, 1, 6), quad(0, 8, 2, 8, 3, 9, 1, 9)}},
    {L"Kite",
     {tri(0, 2, 4, 2, 2, 0), tri(0, 2, 4, 2, 2, 4), quad(2, 4, 3, 5, 2, 6, 1, 5), tri(1, 7, 3, 7, 2, 6),
      tri(1, 7, 3, 7, 2, 8), tri(2, 8, 4, 8, 2, 10), quad(2, 10, 3, 11, 3, 13, 2, 12)}},
}};

constexpr std::array<PieceKind, 5> all_kinds{PieceKind::square, PieceKind::small_triangle, PieceKind::middle_triangle,
                                             PieceKind::large_triangle, PieceKind::parallelogram};

// The turn after which a kind looks the same again.
double period(PieceKind kind)
{
    switch (kind) {
    case PieceKind::square: return 90;
    case PieceKind::parallelogram: return 180;
    default: return 360;
    }
}

double angle_gap(double a, double b, double period)
{
    return std::abs(std::remainder(a - b, period));
}

// Direction of the parallelogram's long sides: its standard shape has them at
// 45 degrees, its mirror image at 135.
double long_sides(bool mirrored, double degrees)
{
    return degrees + (mirrored ? 135 : 45);
}

double distance(Vec a, Vec b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

bool same_corners(std::span<const Vec> a, std::span<const Vec> b, double tolerance)
{
    if (a.size() != b.size())
        return false;
    return std::all_of(a.begin(), a.end(), [&](Vec v) {
        return std::any_of(b.begin(), b.end(), [&](Vec w) { return distance(v, w) <= tolerance; });
    });
}

Outline centred(std::span<const Vec> shape)
{
    const Vec centre = vertex_centre(shape);
    Outline result;
    for (Vec v : shape)
        result.push_back({v.x - centre.x, v.y - centre.y});
    return result;
}

Outline shape_at(PieceKind kind, bool mirror, double degrees, Vec centre)
{
    const Outline shape = kind_shape(kind, mirror);
    const Vec own = vertex_centre(shape);
    return place(shape, Pose{{centre.x - own.x, centre.y - own.y}, degrees});
}

std::optional<Place> place_for(const Outline &outline)
{
    const Vec centre = vertex_centre(outline);
    for (PieceKind kind : all_kinds)
        for (bool mirror : {false, true}) {
            if (mirror && kind != PieceKind::parallelogram)
                continue;
            for (int step = 0; step < 8; ++step) {
                Outline placed = shape_at(kind, mirror, 45.0 * step, centre);
                if (same_corners(placed, outline, rounding))
                    return Place{kind, mirror, 45.0 * step, centre, placed};
            }
        }
    return std::nullopt;
}

Figure build_figure(const GridFigure &grid)
{
    int low_x = 1 << 20, low_y = 1 << 20, high_x = -(1 << 20), high_y = -(1 << 20);
    for (const GridPolygon &polygon : grid.pieces)
        for (int i = 0; i < polygon.count; ++i) {
            low_x = std::min(low_x, polygon.xy[2 * i]);
            high_x = std::max(high_x, polygon.xy[2 * i]);
            low_y = std::min(low_y, polygon.xy[2 * i + 1]);
            high_y = std::max(high_y, polygon.xy[2 * i + 1]);
        }
    const Vec offset{figure_middle.x - (low_x + high_x) * grid_unit / 2,
                     figure_middle.y - (low_y + high_y) * grid_unit / 2};
    Figure figure{grid.name, {}};
    for (const GridPolygon &polygon : grid.pieces) {
        Outline outline;
        for (int i = 0; i < polygon.count; ++i)
            outline.push_back({offset.x + polygon.xy[2 * i] * grid_unit, offset.y + polygon.xy[2 * i + 1] * grid_unit});
        if (auto found = place_for(outline))
            figure.places.push_back(*found);
    }
    return figure;
}

} // namespace

PieceKind kind_of_piece(int standard_index)
{
    static constexpr std::array<PieceKind, piece_count> kinds{
        PieceKind::square,         PieceKind::small_triangle, PieceKind::small_triangle, PieceKind::middle_triangle,
        PieceKind::large_triangle, PieceKind::large_triangle, PieceKind::parallelogram};
    return kinds[static_cast<size_t>(standard_index)];
}

Outline mirrored(std::span<const Vec> shape)
{
    const Vec centre = vertex_centre(shape);
    Outline result;
    for (Vec v : shape)
        result.push_back({2 * centre.x - v.x, v.y});
    return result;
}

Outline kind_shape(PieceKind kind, bool mirror)
{
    for (int i = 0; i < piece_count; ++i)
        if (kind_of_piece(i) == kind) {
            const auto points = standard_pieces()[i].points();
            return mirror ? mirrored(points) : Outline(points.begin(), points.end());
        }
    return {};
}

std::span<const Figure> figures()
{
    static const std::vector<Figure> all = [] {
        std::vector<Figure> built;
        for (const GridFigure &grid : grid_figures)
            built.push_back(build_figure(grid));
        return built;
    }();
    return all;
}

std::optional<Recognised> recognise(std::span<const Vec> vertices)
{
    const Outline own = centred(vertices);
    for (PieceKind kind : all_kinds)
        for (bool mirror : {false, true}) {
            if (mirror && kind != PieceKind::parallelogram)
                continue;
            if (same_corners(own, centred(kind_shape(kind, mirror)), rounding))
                return Recognised{kind, mirror};
        }
    return std::nullopt;
}

std::optional<Snap> find_snap(const Figure &figure, const PieceState &piece, const std::vector<bool> &taken,
                              SnapTolerance tolerance)
{
    std::optional<Snap> best;
    double best_distance = tolerance.distance;
    for (size_t i = 0; i < figure.places.size(); ++i) {
        const Place &place = figure.places[i];
        if ((i < taken.size() && taken[i]) || place.kind != piece.kind)
            continue;
        const double off = distance(piece.centre, place.centre);
        if (off > best_distance)
            continue;
        const double turn = period(piece.kind);
        const double gap =
            piece.kind == PieceKind::parallelogram
                ? angle_gap(long_sides(piece.mirrored, piece.degrees), long_sides(place.mirrored, place.degrees), turn)
                : angle_gap(piece.degrees, place.degrees, turn);
        if (gap > tolerance.degrees)
            continue;
        const double degrees = place.degrees + turn * std::round((piece.degrees - place.degrees) / turn);
        best = Snap{static_cast<int>(i), piece.mirrored != place.mirrored, place.centre, degrees};
        best_distance = off;
    }
    return best;
}

bool lies_on(std::span<const Vec> outline, const Place &place)
{
    return same_corners(outline, place.outline, rounding);
}

std::vector<bool> occupied_places(const Figure &figure, const std::vector<Outline> &pieces)
{
    std::vector<bool> occupied;
    for (const Place &place : figure.places)
        occupied.push_back(
            std::any_of(pieces.begin(), pieces.end(), [&](const Outline &piece) { return lies_on(piece, place); }));
    return occupied;
}

std::vector<Solution> solution(const Figure &figure)
{
    std::vector<Solution> result;
    std::vector<bool> used(figure.places.size(), false);
    for (int i = 0; i < piece_count; ++i) {
        const PieceKind kind = kind_of_piece(i);
        for (size_t p = 0; p < figure.places.size(); ++p) {
            const Place &place = figure.places[p];
            if (used[p] || place.kind != kind)
                continue;
            used[p] = true;
            const Vec own = vertex_centre(standard_pieces()[i].points());
            result.push_back({Pose{{place.centre.x - own.x, place.centre.y - own.y}, place.degrees}, place.mirrored});
            break;
        }
    }
    return result;
}

} // namespace tangram
