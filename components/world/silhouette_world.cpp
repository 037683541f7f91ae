// A world that shows a classic Tangram figure behind the pieces and tells
// the player when the seven pieces cover it.
#include "world.hpp"

#include <string>

namespace tangram {
namespace {

// Share of the figure's area that may stay uncovered, and that the pieces may
// stick out of it, and still count as covered: a careful hand on the mouse
// reaches it, a piece left clearly off does not (the smallest is 6% of the figure).
constexpr double coverage_tolerance = 0.05;
constexpr COLORREF silhouette_colour = RGB(0x4A, 0x4E, 0x69);

long figure_for_new_game() {
    const auto count = static_cast<long>(figures().size());
    return static_cast<long>((GetTickCount() / 7 + GetCurrentProcessId()) % static_cast<DWORD>(count));
}

class SilhouetteWorld final : public WorldBase, public ITangramSilhouette {
public:
    SilhouetteWorld() { show_figure(figure_for_new_game()); }

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override { return WorldBase::QueryInterface(riid, object); }
    STDMETHODIMP_(ULONG) AddRef() override { return WorldBase::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return WorldBase::Release(); }

    STDMETHODIMP GetFigureCount(long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<long>(figures().size());
        return S_OK;
    }
    STDMETHODIMP GetFigure(long* index) override {
        if (!index) return E_POINTER;
        *index = figure_;
        return S_OK;
    }
    STDMETHODIMP SetFigure(long index) override {
        if (index < 0 || index >= static_cast<long>(figures().size())) return E_INVALIDARG;
        show_figure(index);
        redraw();
        return S_OK;
    }
    STDMETHODIMP IsCovered(BOOL* covered) override {
        if (!covered) return E_POINTER;
        *covered = is_covered();
        return S_OK;
    }

    void draw_backdrop(HDC dc, const Viewport& view) override {
        SceneRenderer::fill_polygons(dc, view, target_, silhouette_colour);
    }
    void draw_overlay(HDC dc, const Viewport& view) override {
        const std::wstring name = figures()[figure_].name;
        // While a piece is carried the caption keeps its last state; measuring
        // the coverage on every mouse move would slow the drag.
        const bool solved = dragging() && !coverage_known_ ? covered_ : is_covered();
        if (solved)
            renderer().draw_caption(dc, view, (L"Solved! The pieces cover the " + name + L".").c_str(),
                                          RGB(0x2E, 0x8B, 0x57), view.world.y - 1);
        else
            renderer().draw_caption(dc, view, (L"Cover the " + name + L" with all seven pieces.").c_str(),
                                          RGB(0x8A, 0x80, 0x70), view.world.y - 1);
    }

protected:
    HRESULT query_more(REFIID riid, void** object) override {
        if (riid != IID_ITangramSilhouette) return E_NOINTERFACE;
        *object = static_cast<ITangramSilhouette*>(this);
        return S_OK;
    }
    void scene_changed() override { coverage_known_ = false; }

private:
    void show_figure(long index) {
        figure_ = index;
        target_ = figure_polygons(figures()[index]);
        coverage_known_ = false;
        renderer().backdrop_changed();
    }
    bool is_covered() {
        if (!coverage_known_) {
            const auto pieces = piece_outlines();
            covered_ = pieces.size() == piece_count &&
                       measure_coverage(target_, pieces).covered(coverage_tolerance);
            coverage_known_ = true;
        }
        return covered_;
    }

    long figure_ = 0;
    std::vector<Outline> target_;
    bool coverage_known_ = false;
    bool covered_ = false;
};

} // namespace

HRESULT create_silhouette_world(REFIID riid, void** object) {
    return create_and_query<SilhouetteWorld>(riid, object);
}

} // namespace tangram
