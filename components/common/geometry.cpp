#include "geometry.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tangram {
namespace {

Vec rotate(Vec v, double degrees)
{
    const double radians = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians), s = std::sin(radians);
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}

} // namespace

Vec vertex_centre(std::span<const Vec> shape)
{
    Vec sum;
    for (Vec v : shape)
        sum = {sum.x + v.x, sum.y + v.y};
    const double n = shape.empty() ? 1.0 : static_cast<double>(shape.size());
    return {sum.x / n, sum.y / n};
}

Outline place(std::span<const Vec> shape, const Pose &pose)
{
    const Vec centre = vertex_centre(shape);
    Outline placed;
    placed.reserve(shape.size());
    for (Vec v : shape) {
        const Vec turned = rotate({v.x - centre.x, v.y - centre.y}, pose.degrees);
        placed.push_back({centre.x + turned.x + pose.translation.x, centre.y + turned.y + pose.translation.y});
    }
    return placed;
}

double area(std::span<const Vec> polygon)
{
    double twice = 0;
    for (size_t i = 0, n = polygon.size(); i < n; ++i) {
        const Vec a = polygon[i], b = polygon[(i + 1) % n];
        twice += a.x * b.y - b.x * a.y;
    }
    return std::abs(twice) / 2;
}

bool contains(std::span<const Vec> polygon, Vec point)
{
    bool inside = false;
    for (size_t i = 0, n = polygon.size(), j = n - 1; i < n; j = i++) {
        const Vec a = polygon[i], b = polygon[j];
        if ((a.y > point.y) != (b.y > point.y) && point.x < (b.x - a.x) * (point.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

const std::array<PieceShape, piece_count> &standard_pieces()
{
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

} // namespace tangram
