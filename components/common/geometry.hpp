// Plane geometry of the Tangram pieces, independent of COM and drawing.
#pragma once
#include <array>
#include <span>
#include <vector>

namespace tangram {

struct Vec {
    double x = 0;
    double y = 0;
};

// Where a piece lies: rotation in degrees about the centre of its vertices
// (their mean, which for every Tangram piece is its centroid), then translation.
struct Pose {
    Vec translation;
    double degrees = 0;
};

using Outline = std::vector<Vec>;

Outline place(std::span<const Vec> shape, const Pose &pose);
Vec vertex_centre(std::span<const Vec> shape);
double area(std::span<const Vec> polygon);
// Even-odd test; points on an edge may answer either way.
bool contains(std::span<const Vec> polygon, Vec point);

// The seven pieces as the puzzle builds them, in its order.
struct PieceShape {
    int count;
    std::array<Vec, 4> vertices;
    std::span<const Vec> points() const { return {vertices.data(), static_cast<size_t>(count)}; }
};
constexpr int piece_count = 7;
const std::array<PieceShape, piece_count> &standard_pieces();

} // namespace tangram
