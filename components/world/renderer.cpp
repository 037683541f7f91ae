#include "renderer.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace tangram {
namespace {

constexpr std::array<COLORREF, palette_size> piece_colours{
    RGB(0xF2, 0xB7, 0x2E), // amber
    RGB(0xEF, 0x6F, 0x4E), // coral
    RGB(0x2A, 0x9D, 0x8F), // teal
    RGB(0xB4, 0x43, 0x6C), // raspberry
    RGB(0x5F, 0xAD, 0x56), // leaf green
    RGB(0x3D, 0x5A, 0x80), // navy
    RGB(0x9C, 0x89, 0xB8), // lavender
};
constexpr COLORREF margin_colour = RGB(0x3A, 0x3F, 0x4B);
constexpr COLORREF board_colour = RGB(0xF6, 0xF1, 0xE7);
constexpr COLORREF grid_colour = RGB(0xE9, 0xE1, 0xD2);
constexpr COLORREF shadow_colour = RGB(0xB9, 0xB0, 0xA2);
constexpr COLORREF highlight_colour = RGB(0xFF, 0xFF, 0xFF);

COLORREF mix(COLORREF a, COLORREF b, double share_of_b)
{
    auto channel = [share_of_b](int x, int y) { return static_cast<int>(x + (y - x) * share_of_b + 0.5); };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

GdiObject<HPEN> round_pen(int width, COLORREF colour)
{
    LOGBRUSH brush{BS_SOLID, colour, 0};
    return GdiObject<HPEN>(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_JOIN_ROUND | PS_ENDCAP_ROUND,
                                        static_cast<DWORD>(width), &brush, 0, nullptr));
}

std::vector<POINT> device_points(const Viewport &view, std::span<const Vec> polygon, Vec offset = {})
{
    std::vector<POINT> points;
    points.reserve(polygon.size());
    for (Vec v : polygon) {
        POINT p = view.to_device(v);
        points.push_back({p.x + static_cast<LONG>(offset.x), p.y + static_cast<LONG>(offset.y)});
    }
    return points;
}

// The polygon grown about its centre by factor.
Outline scaled(std::span<const Vec> polygon, double factor)
{
    const Vec centre = vertex_centre(polygon);
    Outline result;
    for (Vec v : polygon)
        result.push_back({centre.x + (v.x - centre.x) * factor, centre.y + (v.y - centre.y) * factor});
    return result;
}

void draw_grid(HDC dc, const Viewport &view)
{
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, grid_colour));
    Selection use_pen(dc, pen.get());
    const RECT board = view.board();
    for (int i = 1; i < static_cast<int>(view.world.x); ++i) {
        const POINT p = view.to_device({static_cast<double>(i), 0});
        MoveToEx(dc, p.x, board.top, nullptr);
        LineTo(dc, p.x, board.bottom);
    }
    for (int i = 1; i < static_cast<int>(view.world.y); ++i) {
        const POINT p = view.to_device({0, static_cast<double>(i)});
        MoveToEx(dc, board.left, p.y, nullptr);
        LineTo(dc, board.right, p.y);
    }
}

void fill_rect(HDC dc, const RECT &rect, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

} // namespace

void SceneRenderer::prepare_styles(double scale)
{
    const int width = std::max(1, static_cast<int>(std::lround(scale / 18)));
    if (width == styled_pen_width_)
        return;
    styled_pen_width_ = width;
    for (int i = 0; i < palette_size; ++i) {
        styles_[i].fill.reset(CreateSolidBrush(piece_colours[i]));
        styles_[i].lit_fill.reset(CreateSolidBrush(mix(piece_colours[i], RGB(255, 255, 255), 0.35)));
        styles_[i].edge = round_pen(width, mix(piece_colours[i], RGB(0, 0, 0), 0.45));
    }
    shadow_.reset(CreateSolidBrush(shadow_colour));
    highlight_ = round_pen(width * 3, highlight_colour);
}

void SceneRenderer::fill_polygons(HDC dc, const Viewport &view, std::span<const Outline> polygons, COLORREF colour)
{
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    Selection use_brush(dc, brush.get()), use_pen(dc, pen.get());
    for (const Outline &polygon : polygons) {
        const auto points = device_points(view, polygon);
        ::Polygon(dc, points.data(), static_cast<int>(points.size()));
    }
}

void SceneRenderer::draw_caption(HDC dc, const Viewport &view, const wchar_t *text, COLORREF colour, double y)
{
    const int height = std::max(10, static_cast<int>(std::lround(view.scale * 0.5)));
    if (height != font_height_) {
        font_height_ = height;
        font_.reset(CreateFontW(-height, 0, 0, 0, FW_SEMIBOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
    }
    Selection use_font(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    RECT line = view.board();
    const POINT top = view.to_device({0, y - 0.5}), bottom = view.to_device({0, y + 0.5});
    line.top = top.y;
    line.bottom = bottom.y;
    DrawTextW(dc, text, -1, &line, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void SceneRenderer::draw_backdrop(const Viewport &view, SceneLayers &layers)
{
    HDC dc = backdrop_.dc();
    fill_rect(dc, {0, 0, backdrop_.width(), backdrop_.height()}, margin_colour);
    fill_rect(dc, view.board(), board_colour);
    draw_grid(dc, view);
    layers.draw_backdrop(dc, view);
    backdrop_valid_ = true;
}

void SceneRenderer::draw_piece(HDC dc, const Viewport &view, const PieceDrawing &piece, double pulse)
{
    const PieceStyle &style = styles_[static_cast<size_t>(piece.colour) % palette_size];
    const Outline outline =
        piece.selected ? scaled(*piece.outline, 1 + 0.12 * std::sin(pulse * std::numbers::pi)) : *piece.outline;
    const double lift = std::max(2.0, view.scale * (piece.selected ? 0.16 : 0.08));
    const auto shadow = device_points(view, outline, {lift, lift});
    {
        Selection use_brush(dc, shadow_.get()), use_pen(dc, GetStockObject(NULL_PEN));
        ::Polygon(dc, shadow.data(), static_cast<int>(shadow.size()));
    }
    const auto points = device_points(view, outline);
    if (piece.selected) {
        Selection use_pen(dc, highlight_.get()), use_brush(dc, GetStockObject(NULL_BRUSH));
        ::Polygon(dc, points.data(), static_cast<int>(points.size()));
    }
    Selection use_brush(dc, piece.selected ? style.lit_fill.get() : style.fill.get()), use_pen(dc, style.edge.get());
    ::Polygon(dc, points.data(), static_cast<int>(points.size()));
}

void SceneRenderer::paint(HDC target, const RECT &bounds, Vec world, std::span<const PieceDrawing> pieces, double pulse,
                          SceneLayers &layers)
{
    const int width = std::max(1, static_cast<int>(bounds.right - bounds.left));
    const int height = std::max(1, static_cast<int>(bounds.bottom - bounds.top));
    if (frame_.ensure(width, height) | backdrop_.ensure(width, height))
        backdrop_valid_ = false;
    if (!frame_.dc() || !backdrop_.dc())
        return;
    const Viewport view = Viewport::fit({0, 0, width, height}, world);
    prepare_styles(view.scale);
    if (!backdrop_valid_)
        draw_backdrop(view, layers);
    HDC dc = frame_.dc();
    BitBlt(dc, 0, 0, width, height, backdrop_.dc(), 0, 0, SRCCOPY);
    for (const PieceDrawing &piece : pieces)
        draw_piece(dc, view, piece, pulse);
    layers.draw_overlay(dc, view);
    BitBlt(target, bounds.left, bounds.top, width, height, dc, 0, 0, SRCCOPY);
}

void SceneRenderer::draw_banner(HDC dc, const Viewport &view, const wchar_t *text, COLORREF fill, COLORREF colour,
                                double y)
{
    RECT band = view.board();
    band.top = view.to_device({0, y - 0.6}).y;
    band.bottom = view.to_device({0, y + 0.6}).y;
    fill_rect(dc, band, fill);
    draw_caption(dc, view, text, colour, y);
}

bool Surface::ensure(int width, int height)
{
    if (dc_ && width == width_ && height == height_)
        return false;
    selection_.reset();
    bitmap_.reset();
    dc_.reset(CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap_)
        selection_.emplace(dc_.get(), bitmap_.get());
    width_ = width;
    height_ = height;
    return true;
}

} // namespace tangram
