// Draws a Tangram scene double-buffered: a cached backdrop (board and
// whatever a world shows behind the pieces), the pieces, then an overlay.
#pragma once
#include "surface.hpp"
#include "geometry.hpp"
#include "viewport.hpp"

#include <array>
#include <span>

namespace tangram {

struct PieceDrawing {
    const Outline *outline; // model coordinates
    int colour;             // index into the piece palette
    bool selected;
};

// What a world adds to the common board and pieces.
class SceneLayers {
public:
    virtual ~SceneLayers() = default;
    virtual void draw_backdrop(HDC dc, const Viewport &view) = 0;
    virtual void draw_overlay(HDC dc, const Viewport &view) = 0;
};

constexpr int palette_size = 7;

class SceneRenderer {
public:
    // pulse runs from 0 to 1 while the selection animates, else 0.
    void paint(HDC target, const RECT &bounds, Vec world, std::span<const PieceDrawing> pieces, double pulse,
               SceneLayers &layers);
    void backdrop_changed() { backdrop_valid_ = false; }
    HDC buffer() const { return frame_.dc(); }

    // Fills polygons (model coordinates) in one colour, edges included.
    static void fill_polygons(HDC dc, const Viewport &view, std::span<const Outline> polygons, COLORREF colour);
    // A line of text centred on the board at model height y.
    void draw_caption(HDC dc, const Viewport &view, const wchar_t *text, COLORREF colour, double y);
    // A band across the board at model height y, one unit high, with a line of text on it.
    void draw_banner(HDC dc, const Viewport &view, const wchar_t *text, COLORREF fill, COLORREF colour, double y);

private:
    struct PieceStyle {
        GdiObject<HBRUSH> fill, lit_fill;
        GdiObject<HPEN> edge;
    };
    void prepare_styles(double scale);
    void draw_backdrop(const Viewport &view, SceneLayers &layers);
    void draw_piece(HDC dc, const Viewport &view, const PieceDrawing &piece, double pulse);

    Surface frame_, backdrop_;
    bool backdrop_valid_ = false;
    int styled_pen_width_ = 0;
    std::array<PieceStyle, palette_size> styles_;
    GdiObject<HBRUSH> shadow_;
    GdiObject<HPEN> highlight_;
    GdiObject<HFONT> font_;
    int font_height_ = 0;
};

} // namespace tangram
