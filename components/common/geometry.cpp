#include "geometry.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tangram {
namespace {

Vec rotate(Vec v, double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}

struct Box {
    Vec low{1e300, 1e300};
    Vec high{-1e300, -1e300};
    void add(Vec v) {
        low = {std::min(low.x, v.x), std::min(low.y, v.y)};
        high = {std::max(high.x, v.x), std::max(high.y, v.y)};
    }
};

// The stretch of x a convex outline covers on the line at height y.
struct Span {
    double low;
    double high;
};

std::vector<Span> spans_at(const std::vector<Outline>& outlines, double y) {
    std::vector<Span> spans;
    for (const auto& outline : outlines) {
        Span span{1e300, -1e300};
        for (size_t i = 0, n = outline.size(); i < n; ++i) {
            const Vec a = outline[i], b = outline[(i + 1) % n];
            if ((a.y > y) == (b.y > y)) continue;
            const double x = a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y);
            span = {std::min(span.low, x), std::max(span.high, x)};
        }
        if (span.low < span.high) spans.push_back(span);
    }
    return spans;
}

std::vector<Span> merged(std::vector<Span> spans) {
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.low < b.low; });
    std::vector<Span> result;
    for (const Span& span : spans) {
        if (!result.empty() && span.low <= result.back().high) result.back().high = std::max(result.back().high, span.high);
        else result.push_back(span);
    }
    return result;
}

double total_length(const std::vector<Span>& spans) {
    double length = 0;
    for (const Span& span : spans) length += span.high - span.low;
    return length;
}

// Length of the intersection of two sets of disjoint spans.
double overlap_length(const std::vector<Span>& a, const std::vector<Span>& b) {
    double length = 0;
    for (const Span& x : a)
        for (const Span& y : b) length += std::max(0.0, std::min(x.high, y.high) - std::max(x.low, y.low));
    return length;
}

} // namespace

Vec vertex_centre(std::span<const Vec> shape) {
    Vec sum;
    for (Vec v : shape) sum = {sum.x + v.x, sum.y + v.y};
    const double n = shape.empty() ? 1.0 : static_cast<double>(shape.size());
    return {sum.x / n, sum.y / n};
}

Outline place(std::span<const Vec> shape, const Pose& pose) {
    const Vec centre = vertex_centre(shape);
    Outline placed;
    placed.reserve(shape.size());
    for (Vec v : shape) {
        const Vec turned = rotate({v.x - centre.x, v.y - centre.y}, pose.degrees);
        placed.push_back({centre.x + turned.x + pose.translation.x, centre.y + turned.y + pose.translation.y});
    }
    return placed;
}

double area(std::span<const Vec> polygon) {
    double twice = 0;
    for (size_t i = 0, n = polygon.size(); i < n; ++i) {
        const Vec a = polygon[i], b = polygon[(i + 1) % n];
        twice += a.x * b.y - b.x * a.y;
    }
    return std::abs(twice) / 2;
}

bool contains(std::span<const Vec> polygon, Vec point) {
    bool inside = false;
    for (size_t i = 0, n = polygon.size(), j = n - 1; i < n; j = i++) {
        const Vec a = polygon[i], b = polygon[j];
        if ((a.y > point.y) != (b.y > point.y) &&
            point.x < (b.x - a.x) * (point.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

Vec translation_for_anchor(std::span<const Vec> shape, double degrees, Vec anchor) {
    const Vec first = place(shape, Pose{{0, 0}, degrees}).front();
    return {anchor.x - first.x, anchor.y - first.y};
}

const std::array<PieceShape, piece_count>& standard_pieces() {
    static const std::array<PieceShape, piece_count> pieces{{
        {4, {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}},
        {3, {{{0, 0}, {1, 0}, {0, 1}, {9.9, 9.9}}}},
        {3, {{{0, 0}, {1, 0}, {0, 1}, {9.9, 9.9}}}},
        {3, {{{0, 0}, {2, 0}, {1, 1}, {9.9, 9.9}}}},
        {3, {{{0, 0}, {2, 0}, {0, 2}, {9.9, 9.9}}}},
        {3, {{{0, 0}, {2, 0}, {0, 2}, {9.9, 9.9}}}},
        {4, {{{0, 0}, {1, 0}, {2, 1}, {1, 1}}}},
    }};
    return pieces;
}

// Anchors are given relative to the figure's corner and shifted into the
// lower middle of the 20 by 20 world, clear of the pieces' start row.
std::span<const Figure> figures() {
    static const std::array<Figure, 3> all{{
        {L"Square", {{{0, {10, 9}}, {90, {10, 9}}, {0, {11, 9}}, {0, {9, 10}},
                      {180, {10, 9}}, {270, {10, 9}}, {0, {8, 9}}}}},
        {L"Rectangle", {{{0, {10, 10}}, {90, {10, 10}}, {0, {11, 10}}, {0, {9, 11}},
                         {180, {12, 12}}, {270, {8, 12}}, {0, {8, 10}}}}},
        {L"Parallelogram", {{{0, {11, 10}}, {90, {11, 10}}, {0, {12, 10}}, {0, {10, 11}},
                             {270, {9, 12}}, {180, {9, 12}}, {0, {9, 10}}}}},
    }};
    return all;
}

std::array<Pose, piece_count> solution_poses(const Figure& figure) {
    std::array<Pose, piece_count> poses;
    for (int i = 0; i < piece_count; ++i) {
        const Placement& p = figure.pieces[i];
        poses[i] = {translation_for_anchor(standard_pieces()[i].points(), p.degrees, p.anchor), p.degrees};
    }
    return poses;
}

std::vector<Outline> figure_polygons(const Figure& figure) {
    const auto poses = solution_poses(figure);
    std::vector<Outline> polygons;
    for (int i = 0; i < piece_count; ++i) polygons.push_back(place(standard_pieces()[i].points(), poses[i]));
    return polygons;
}

Coverage measure_coverage(const std::vector<Outline>& target, const std::vector<Outline>& pieces) {
    constexpr double step = 0.02;
    Box bounds;
    for (const auto& outline : target) for (Vec v : outline) bounds.add(v);
    Coverage result;
    double piece_area_inside = 0;
    for (double y = bounds.low.y + step / 2; y < bounds.high.y; y += step) {
        const auto covered_row = merged(spans_at(target, y));
        const auto pieces_row = merged(spans_at(pieces, y));
        result.target_area += step * total_length(covered_row);
        result.uncovered_area += step * (total_length(covered_row) - overlap_length(covered_row, pieces_row));
        for (const Span& piece : spans_at(pieces, y)) piece_area_inside += step * overlap_length(covered_row, {piece});
    }
    double piece_area = 0;
    for (const auto& piece : pieces) piece_area += area(piece);
    result.outside_area = std::max(0.0, piece_area - piece_area_inside);
    return result;
}

} // namespace tangram
