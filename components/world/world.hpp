// The common part of every Tangram world: pieces, hit testing, selection,
// the pulse animation and double-buffered painting. A world kind adds what it
// shows behind and above the pieces.
#pragma once
#include "renderer.hpp"
#include "visual.hpp"

#include <vector>

namespace tangram {

class WorldBase : public Implements<ITangramWorld, ITangramCanvas>, public VisualOwner, public SceneLayers {
public:
    // ITangramWorld
    STDMETHODIMP Initialize(HWND window, double width, double height) override;
    STDMETHODIMP DeviceToModel(POINT device, point2d *model) override;
    STDMETHODIMP VisualFromPoint(POINT device, REFIID riid, void **visual) override;
    STDMETHODIMP CreateVisualForModel(ITangramModel *model) override;
    STDMETHODIMP SelectVisual(ITangramVisual *visual, BOOL selected) override;
    STDMETHODIMP Animate() override;

    // ITangramCanvas
    STDMETHODIMP Initialize(HWND window) override;
    STDMETHODIMP Paint(HDC dc, RECT bounds) override;
    STDMETHODIMP Update(RECT bounds) override;
    STDMETHODIMP GetHDC(HDC *dc) override;
    STDMETHODIMP SetPalette(HPALETTE palette) override;
    STDMETHODIMP OnQueryNewPalette(HWND window) override;

    // VisualOwner
    void visual_changed(Visual &visual) override;
    HRESULT select(Visual &visual, bool selected) override;

protected:
    ~WorldBase() override;
    // Called after any piece changed.
    virtual void scene_changed() {}
    // Called after a piece was picked up (selected) or dropped.
    virtual void selection_changed(Visual &, bool) {}
    std::vector<Outline> piece_outlines();
    std::vector<Visual *> visuals() const;
    void redraw() const;
    SceneRenderer &renderer() { return renderer_; }
    bool dragging() const { return static_cast<bool>(selected_); }
    HWND window() const { return window_; }

private:
    static void CALLBACK pulse_tick(HWND window, UINT message, UINT_PTR id, DWORD time);
    void stop_pulse();
    double pulse() const;
    Visual *find(ITangramVisual *visual) const;
    void raise(Visual &visual);
    Visual *topmost_at(Vec point);

    HWND window_ = nullptr;
    Vec world_{20, 20};
    std::vector<ComPtr<Visual>> visuals_; // in drawing order, topmost last
    ComPtr<Visual> selected_;
    DWORD pulse_start_ = 0;
    bool pulsing_ = false;
    HPALETTE palette_ = nullptr; // owned by whoever set it
    SceneRenderer renderer_;
};

HRESULT create_classic_world(REFIID riid, void **object);
// A silhouette world showing one of figures(); figure is its index there.
HRESULT create_silhouette_world(size_t figure, REFIID riid, void **object);

} // namespace tangram
