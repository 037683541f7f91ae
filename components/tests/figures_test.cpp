// The figures and the rules of the game on them: every figure is made of the
// seven pieces, and dropped pieces snap into free places exactly.
#include "figures.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>

using namespace tangram;

namespace {

double cross(Vec o, Vec a, Vec b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double signed_area(const Outline &polygon)
{
    double twice = 0;
    for (size_t i = 0, n = polygon.size(); i < n; ++i)
        twice += polygon[i].x * polygon[(i + 1) % n].y - polygon[(i + 1) % n].x * polygon[i].y;
    return twice / 2;
}

// The common part of two convex polygons (Sutherland-Hodgman).
Outline intersection(const Outline &subject, Outline clip)
{
    if (signed_area(clip) < 0)
        std::reverse(clip.begin(), clip.end());
    Outline result = subject;
    for (size_t i = 0; i < clip.size() && !result.empty(); ++i) {
        const Vec a = clip[i], b = clip[(i + 1) % clip.size()];
        const Outline input = result;
        result.clear();
        for (size_t j = 0; j < input.size(); ++j) {
            const Vec p = input[j], q = input[(j + 1) % input.size()];
            const double dp = cross(a, b, p), dq = cross(a, b, q);
            if (dp > 1e-12)
                result.push_back(p);
            if ((dp > 1e-12) != (dq > 1e-12)) {
                const double t = dp / (dp - dq);
                result.push_back({p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)});
            }
        }
    }
    return result;
}

double distance_to_segment(Vec p, Vec a, Vec b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// Two pieces touch when a corner of one lies on the outline of the other.
bool touch(const Outline &a, const Outline &b)
{
    auto corner_on = [](const Outline &corners, const Outline &edges) {
        for (Vec v : corners)
            for (size_t i = 0; i < edges.size(); ++i)
                if (distance_to_segment(v, edges[i], edges[(i + 1) % edges.size()]) < 1e-9)
                    return true;
        return false;
    };
    return corner_on(a, b) || corner_on(b, a);
}

bool connected(const std::vector<Place> &places)
{
    std::vector<bool> reached(places.size(), false);
    std::vector<size_t> open{0};
    reached[0] = true;
    while (!open.empty()) {
        const size_t at = open.back();
        open.pop_back();
        for (size_t next = 0; next < places.size(); ++next)
            if (!reached[next] && touch(places[at].outline, places[next].outline)) {
                reached[next] = true;
                open.push_back(next);
            }
    }
    return std::all_of(reached.begin(), reached.end(), [](bool r) { return r; });
}

const Figure &figure_named(const std::wstring &name)
{
    for (const Figure &figure : figures())
        if (figure.name == name)
            return figure;
    throw std::runtime_error("no such figure");
}

int place_of_kind(const Figure &figure, PieceKind kind, int skip = 0)
{
    for (size_t i = 0; i < figure.places.size(); ++i)
        if (figure.places[i].kind == kind && skip-- == 0)
            return static_cast<int>(i);
    return -1;
}

PieceState on(const Place &place, Vec off = {}, double turn = 0)
{
    return {place.kind, place.mirrored, {place.centre.x + off.x, place.centre.y + off.y}, place.degrees + turn};
}

std::vector<Outline> solved_outlines(const Figure &figure)
{
    std::vector<Outline> outlines;
    const auto poses = solution(figure);
    for (int i = 0; i < piece_count; ++i) {
        const auto points = standard_pieces()[i].points();
        const Outline shape = poses[i].mirrored ? mirrored(points) : Outline(points.begin(), points.end());
        outlines.push_back(place(shape, poses[i].pose));
    }
    return outlines;
}

TEST(Figures, EveryFigureIsTiledByTheSevenPiecesEachUsedOnce)
{
    ASSERT_GE(figures().size(), 12u);
    std::set<std::wstring> names;
    bool some_mirrored = false, some_plain = false;
    for (const Figure &figure : figures()) {
        SCOPED_TRACE(std::string(figure.name, figure.name + std::wcslen(figure.name)));
        EXPECT_TRUE(names.insert(figure.name).second) << "names are unique";
        ASSERT_EQ(figure.places.size(), 7u) << "every outline is one of the pieces";
        std::map<PieceKind, int> kinds;
        for (const Place &place : figure.places)
            ++kinds[place.kind];
        EXPECT_EQ(kinds[PieceKind::square], 1);
        EXPECT_EQ(kinds[PieceKind::small_triangle], 2);
        EXPECT_EQ(kinds[PieceKind::middle_triangle], 1);
        EXPECT_EQ(kinds[PieceKind::large_triangle], 2);
        EXPECT_EQ(kinds[PieceKind::parallelogram], 1);
        double total = 0;
        for (size_t i = 0; i < figure.places.size(); ++i) {
            total += area(figure.places[i].outline);
            for (size_t j = i + 1; j < figure.places.size(); ++j) {
                const Outline common = intersection(figure.places[i].outline, figure.places[j].outline);
                EXPECT_LT(common.size() < 3 ? 0.0 : area(common), 1e-9) << "places " << i << " and " << j << " overlap";
            }
            for (Vec v : figure.places[i].outline) {
                EXPECT_GT(v.y, 3.5) << "clear of the start row";
                EXPECT_LT(v.y, 18.2) << "clear of the caption";
                EXPECT_GT(v.x, 0.5);
                EXPECT_LT(v.x, 19.5);
            }
        }
        EXPECT_NEAR(total, 8.0, 1e-9);
        EXPECT_TRUE(connected(figure.places)) << "one figure, not pieces apart";
        const Place &parallelogram =
            figure.places[static_cast<size_t>(place_of_kind(figure, PieceKind::parallelogram))];
        (parallelogram.mirrored ? some_mirrored : some_plain) = true;
        ASSERT_EQ(solution(figure).size(), 7u);
        const auto occupied = occupied_places(figure, solved_outlines(figure));
        EXPECT_EQ(std::count(occupied.begin(), occupied.end(), true), 7) << "the solution fills every place";
    }
    EXPECT_TRUE(some_mirrored && some_plain) << "figures ask for both hands of the parallelogram";
}

TEST(Figures, PiecesAreRecognisedFromTheirOwnVerticesWhereverTheyLie)
{
    for (int i = 0; i < piece_count; ++i) {
        Outline shifted;
        for (Vec v : standard_pieces()[i].points())
            shifted.push_back({v.x + 3.25, v.y - 7});
        const auto found = recognise(shifted);
        ASSERT_TRUE(found) << i;
        EXPECT_EQ(found->kind, kind_of_piece(i));
        EXPECT_FALSE(found->mirrored);
    }
    const auto flipped = recognise(mirrored(standard_pieces()[6].points()));
    ASSERT_TRUE(flipped);
    EXPECT_EQ(flipped->kind, PieceKind::parallelogram);
    EXPECT_TRUE(flipped->mirrored);
    EXPECT_FALSE(recognise(Outline{{0, 0}, {3, 0}, {0, 1}}));
    EXPECT_FALSE(recognise(Outline{{0, 0}, {1, 0}, {1, 2}, {0, 2}}));
}

TEST(Snapping, ANearbyPieceSnapsExactlyAFarOneOrAWronglyTurnedOneDoesNot)
{
    const Figure &cat = figure_named(L"Cat");
    const std::vector<bool> none(7, false);
    for (size_t i = 0; i < cat.places.size(); ++i) {
        SCOPED_TRACE(i);
        const Place &place = cat.places[i];
        const auto snap = find_snap(cat, on(place, {0.25, -0.2}, 4), none);
        ASSERT_TRUE(snap);
        EXPECT_EQ(cat.places[static_cast<size_t>(snap->place)].kind, place.kind);
        EXPECT_EQ(snap->centre.x, cat.places[static_cast<size_t>(snap->place)].centre.x);
        EXPECT_EQ(snap->centre.y, cat.places[static_cast<size_t>(snap->place)].centre.y);
        EXPECT_FALSE(snap->flip);
        EXPECT_FALSE(find_snap(cat, on(place, {0.5, 0}), none)) << "too far";
        EXPECT_FALSE(find_snap(cat, on(place, {0, 0}, 45), none)) << "turned the wrong way";
        EXPECT_FALSE(find_snap(cat, on(place, {0, 0}, -15), none)) << "beyond the angle tolerance";
    }
    // A piece turned round a whole number of times keeps its own count of turns.
    const Place &large = cat.places[static_cast<size_t>(place_of_kind(cat, PieceKind::large_triangle))];
    const auto round = find_snap(cat, on(large, {}, 360), none);
    ASSERT_TRUE(round);
    EXPECT_EQ(round->degrees, large.degrees + 360);
    // The square looks the same every quarter turn, the parallelogram every half turn.
    const Place &square = cat.places[static_cast<size_t>(place_of_kind(cat, PieceKind::square))];
    const auto quarter = find_snap(cat, on(square, {}, 90), none);
    ASSERT_TRUE(quarter);
    EXPECT_EQ(quarter->degrees, square.degrees + 90);
    const Place &parallelogram = cat.places[static_cast<size_t>(place_of_kind(cat, PieceKind::parallelogram))];
    EXPECT_TRUE(find_snap(cat, on(parallelogram, {}, 180), none));
    EXPECT_FALSE(find_snap(cat, on(parallelogram, {}, 90), none));
    // Another kind of piece never takes the place.
    PieceState other = on(square);
    other.kind = PieceKind::middle_triangle;
    EXPECT_FALSE(find_snap(cat, other, none));
}

TEST(Snapping, APieceTakesTheNearestFreePlaceOfItsKind)
{
    const Figure &bird = figure_named(L"Bird");
    const int first = place_of_kind(bird, PieceKind::small_triangle);
    const int second = place_of_kind(bird, PieceKind::small_triangle, 1);
    ASSERT_GE(second, 0);
    const Place &one = bird.places[static_cast<size_t>(first)];
    const Place &two = bird.places[static_cast<size_t>(second)];
    ASSERT_EQ(one.degrees, two.degrees) << "both small triangles of the bird point the same way";
    std::vector<bool> taken(7, false);
    auto snap = find_snap(bird, on(one, {0.1, 0}), taken);
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->place, first);
    taken[static_cast<size_t>(first)] = true;
    EXPECT_FALSE(find_snap(bird, on(one, {0.1, 0}), taken)) << "the other place is too far";
    snap = find_snap(bird, on(two, {-0.3, 0.1}), taken);
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->place, second);
}

TEST(Snapping, TheParallelogramTurnsOverIntoAPlaceOfTheOtherHand)
{
    for (const Figure &figure : figures()) {
        SCOPED_TRACE(std::string(figure.name, figure.name + std::wcslen(figure.name)));
        const int index = place_of_kind(figure, PieceKind::parallelogram);
        const Place &place = figure.places[static_cast<size_t>(index)];
        // The other hand with its long sides along the place's long sides: the
        // standard shape has them at 45 degrees, its mirror image at 135.
        PieceState other{PieceKind::parallelogram, !place.mirrored, {place.centre.x + 0.1, place.centre.y}, 0};
        other.degrees = place.degrees + (place.mirrored ? 90 : -90) + 360;
        const auto snap = find_snap(figure, other, std::vector<bool>(7, false));
        ASSERT_TRUE(snap);
        EXPECT_EQ(snap->place, index);
        EXPECT_TRUE(snap->flip);
        EXPECT_NEAR(std::remainder(snap->degrees - place.degrees, 180), 0, 1e-12);
        // Turned over and placed as the snap says, it lies exactly on the place.
        const Outline shape = kind_shape(PieceKind::parallelogram, place.mirrored);
        const Vec own = vertex_centre(shape);
        EXPECT_TRUE(
            lies_on(tangram::place(shape, {{snap->centre.x - own.x, snap->centre.y - own.y}, snap->degrees}), place));
        // With the short sides along the place's, it does not snap.
        other.degrees = place.degrees;
        EXPECT_FALSE(find_snap(figure, other, std::vector<bool>(7, false)));
    }
}

TEST(Solving, AFigureIsSolvedOnlyWhenEveryPlaceHoldsAPieceExactly)
{
    const Figure &swan = figure_named(L"Swan");
    auto outlines = solved_outlines(swan);
    auto count = [&] {
        const auto occupied = occupied_places(swan, outlines);
        return std::count(occupied.begin(), occupied.end(), true);
    };
    EXPECT_EQ(count(), 7);
    for (Vec &v : outlines[3])
        v.x += 1e-3; // a hair off is not on its place
    EXPECT_EQ(count(), 6);
    outlines = solved_outlines(swan);
    outlines[2] = outlines[1]; // both small triangles on one place
    EXPECT_EQ(count(), 6);
    outlines = solved_outlines(swan);
    outlines.pop_back();
    EXPECT_EQ(count(), 6);
    // Snapping a piece dropped near its place completes the figure.
    outlines = solved_outlines(swan);
    const auto poses = solution(swan);
    const Outline square(standard_pieces()[0].points().begin(), standard_pieces()[0].points().end());
    const Vec own = vertex_centre(square);
    const PieceState dropped{PieceKind::square,
                             false,
                             {own.x + poses[0].pose.translation.x + 0.3, own.y + poses[0].pose.translation.y - 0.1},
                             poses[0].pose.degrees + 5};
    std::vector<Outline> others(outlines.begin() + 1, outlines.end());
    const auto snap = find_snap(swan, dropped, occupied_places(swan, others));
    ASSERT_TRUE(snap);
    outlines[0] = place(square, {{snap->centre.x - own.x, snap->centre.y - own.y}, snap->degrees});
    EXPECT_EQ(count(), 7);
}

} // namespace
