// The silhouette figures and the rules of the game played on them: where a
// dropped piece snaps to, and when a figure is solved. Plain geometry,
// independent of COM and drawing.
#pragma once
#include "geometry.hpp"

#include <optional>
#include <span>
#include <vector>

namespace tangram {

enum class PieceKind { square, small_triangle, middle_triangle, large_triangle, parallelogram };

PieceKind kind_of_piece(int standard_index);
// The standard outline of a kind at rotation 0, or its mirror image (left to
// right about its vertex centre; only the parallelogram has one of its own).
Outline kind_shape(PieceKind kind, bool mirrored);
Outline mirrored(std::span<const Vec> shape);

// Where one piece of a figure goes: the piece's standard shape (or its
// mirror image) turned by degrees about its vertex centre, that centre at centre.
struct Place {
    PieceKind kind;
    bool mirrored;
    double degrees;
    Vec centre;
    Outline outline;
};

struct Figure {
    const wchar_t *name;
    std::vector<Place> places; // seven, when the figure is sound
};

// The figures in the order the worlds are offered; each lies in the lower
// part of the 20 by 20 world, clear of the pieces' start row.
std::span<const Figure> figures();

// A piece as the world sees it: its kind and hand from its own vertices, its
// vertex centre and turn as its transform puts them.
struct PieceState {
    PieceKind kind;
    bool mirrored;
    Vec centre;
    double degrees;
};

// Recognises a standard piece (or the mirrored parallelogram) from the
// vertices its model was given, wherever those lie.
struct Recognised {
    PieceKind kind;
    bool mirrored;
};
std::optional<Recognised> recognise(std::span<const Vec> vertices);

// How far off a dropped piece may lie and still snap.
struct SnapTolerance {
    double distance = 0.4; // model units between the centres
    double degrees = 10;
};

struct Snap {
    int place;
    bool flip; // the parallelogram turns over into a mirrored place
    Vec centre;
    double degrees; // the place's turn, as close to the piece's own as the shape allows
};

// The free place (not marked in taken) nearest to the piece that it matches
// within the tolerance. The parallelogram matches by the direction of its long
// sides, so a place of either hand counts.
std::optional<Snap> find_snap(const Figure &figure, const PieceState &piece, const std::vector<bool> &taken,
                              SnapTolerance tolerance = {});

// Whether an outline lies exactly on a place (up to rounding).
bool lies_on(std::span<const Vec> outline, const Place &place);
// The places some piece lies exactly on; the figure is solved when all are.
std::vector<bool> occupied_places(const Figure &figure, const std::vector<Outline> &pieces);

// How each of the seven standard pieces, in the puzzle's order, lies when the figure is solved.
struct Solution {
    Pose pose; // of the piece's standard vertices (or their mirror image)
    bool mirrored;
};
std::vector<Solution> solution(const Figure &figure);

} // namespace tangram
