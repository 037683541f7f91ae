#include "world.hpp"

#include <algorithm>
#include <cmath>

namespace tangram {
namespace {

constexpr DWORD pulse_length_ms = 420;
constexpr UINT pulse_interval_ms = 25;

bool usable_size(double value)
{
    return std::isfinite(value) && value > 0;
}

} // namespace

WorldBase::~WorldBase()
{
    stop_pulse();
    for (auto &visual : visuals_)
        visual->disconnect();
}

STDMETHODIMP WorldBase::Initialize(HWND window, double width, double height)
{
    if (!IsWindow(window) || !usable_size(width) || !usable_size(height))
        return E_INVALIDARG;
    stop_pulse();
    window_ = window;
    world_ = {width, height};
    renderer_.backdrop_changed();
    redraw();
    return S_OK;
}

STDMETHODIMP WorldBase::Initialize(HWND window)
{
    if (!IsWindow(window))
        return E_INVALIDARG;
    stop_pulse();
    window_ = window;
    redraw();
    return S_OK;
}

// Uses the window's client rectangle as it is now, so resizing keeps working.
STDMETHODIMP WorldBase::DeviceToModel(POINT device, point2d *model)
{
    if (!model)
        return E_POINTER;
    RECT client{};
    if (!window_ || !GetClientRect(window_, &client))
        return E_UNEXPECTED;
    const Vec m = Viewport::fit(client, world_).to_model(device);
    *model = {m.x, m.y};
    return S_OK;
}

Visual *WorldBase::topmost_at(Vec point)
{
    if (selected_ && contains(selected_->outline(), point))
        return selected_.get();
    for (auto it = visuals_.rbegin(); it != visuals_.rend(); ++it)
        if (contains((*it)->outline(), point))
            return it->get();
    return nullptr;
}

STDMETHODIMP WorldBase::VisualFromPoint(POINT device, REFIID riid, void **visual)
{
    if (!visual)
        return E_POINTER;
    *visual = nullptr;
    point2d model{};
    const HRESULT hr = DeviceToModel(device, &model);
    if (FAILED(hr))
        return hr;
    Visual *hit = topmost_at({model.x, model.y});
    return hit ? hit->QueryInterface(riid, visual) : S_OK;
}

STDMETHODIMP WorldBase::CreateVisualForModel(ITangramModel *model)
{
    ComPtr<Visual> visual;
    const HRESULT hr = Visual::create(model, *this, static_cast<int>(visuals_.size()) % palette_size, visual);
    if (FAILED(hr))
        return hr;
    visuals_.push_back(visual);
    scene_changed();
    redraw();
    return S_OK;
}

Visual *WorldBase::find(ITangramVisual *visual) const
{
    for (const auto &candidate : visuals_)
        if (same_object(static_cast<ITangramVisual *>(candidate.get()), visual))
            return candidate.get();
    return nullptr;
}

STDMETHODIMP WorldBase::SelectVisual(ITangramVisual *visual, BOOL selected)
{
    if (!visual)
        return E_POINTER;
    Visual *own = find(visual);
    return own ? select(*own, selected != FALSE) : E_INVALIDARG;
}

HRESULT WorldBase::select(Visual &visual, bool selected)
{
    if (selected) {
        if (selected_.get() != &visual)
            stop_pulse();
        selected_ = ComPtr<Visual>(&visual);
        raise(visual);
    } else if (selected_.get() == &visual) {
        stop_pulse();
        selected_.reset();
    } else {
        return S_OK;
    }
    selection_changed(visual, selected);
    redraw();
    return S_OK;
}

STDMETHODIMP WorldBase::Animate()
{
    if (!selected_ || !window_)
        return S_FALSE;
    pulse_start_ = GetTickCount();
    pulsing_ = SetTimer(window_, reinterpret_cast<UINT_PTR>(this), pulse_interval_ms, &WorldBase::pulse_tick) != 0;
    redraw();
    return S_OK;
}

// The timer's id is the world itself; the timer is killed before the world goes.
void CALLBACK WorldBase::pulse_tick(HWND, UINT, UINT_PTR id, DWORD)
{
    auto *world = reinterpret_cast<WorldBase *>(id);
    if (GetTickCount() - world->pulse_start_ >= pulse_length_ms)
        world->stop_pulse();
    world->redraw();
}

void WorldBase::stop_pulse()
{
    if (pulsing_ && window_)
        KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
    pulsing_ = false;
}

double WorldBase::pulse() const
{
    if (!pulsing_)
        return 0;
    return std::min(1.0, static_cast<double>(GetTickCount() - pulse_start_) / pulse_length_ms);
}

void WorldBase::raise(Visual &visual)
{
    const auto found = std::find_if(visuals_.begin(), visuals_.end(),
                                    [&visual](const ComPtr<Visual> &v) { return v.get() == &visual; });
    if (found != visuals_.end())
        std::rotate(found, found + 1, visuals_.end());
}

void WorldBase::visual_changed(Visual &visual)
{
    raise(visual);
    scene_changed();
    redraw();
}

std::vector<Visual *> WorldBase::visuals() const
{
    std::vector<Visual *> all;
    for (const auto &visual : visuals_)
        all.push_back(visual.get());
    return all;
}

void WorldBase::redraw() const
{
    if (window_)
        InvalidateRect(window_, nullptr, FALSE);
}

std::vector<Outline> WorldBase::piece_outlines()
{
    std::vector<Outline> outlines;
    for (auto &visual : visuals_)
        outlines.push_back(visual->outline());
    return outlines;
}

STDMETHODIMP WorldBase::Paint(HDC dc, RECT bounds)
{
    if (!dc)
        return E_INVALIDARG;
    std::vector<PieceDrawing> pieces;
    pieces.reserve(visuals_.size());
    for (auto &visual : visuals_)
        if (visual.get() != selected_.get())
            pieces.push_back({&visual->outline(), visual->colour(), false});
    if (selected_)
        pieces.push_back({&selected_->outline(), selected_->colour(), true});
    if (palette_) {
        SelectPalette(dc, palette_, FALSE);
        RealizePalette(dc);
    }
    renderer_.paint(dc, bounds, world_, pieces, pulse(), *this);
    return S_OK;
}

STDMETHODIMP WorldBase::Update(RECT bounds)
{
    if (!window_)
        return E_UNEXPECTED;
    InvalidateRect(window_, &bounds, FALSE);
    return S_OK;
}

STDMETHODIMP WorldBase::GetHDC(HDC *dc)
{
    if (!dc)
        return E_POINTER;
    *dc = renderer_.buffer();
    return *dc ? S_OK : E_UNEXPECTED;
}

STDMETHODIMP WorldBase::SetPalette(HPALETTE palette)
{
    palette_ = palette;
    redraw();
    return S_OK;
}

// On a true-colour display there is nothing to realise: S_FALSE.
STDMETHODIMP WorldBase::OnQueryNewPalette(HWND window)
{
    if (!IsWindow(window))
        return E_INVALIDARG;
    UINT changed = 0;
    {
        gdi::WindowDc dc(window);
        const bool palette_device = (GetDeviceCaps(dc.get(), RASTERCAPS) & RC_PALETTE) != 0;
        if (palette_device && palette_) {
            const HPALETTE previous = SelectPalette(dc.get(), palette_, FALSE);
            changed = RealizePalette(dc.get());
            SelectPalette(dc.get(), previous, TRUE);
        }
    }
    if (changed)
        InvalidateRect(window, nullptr, FALSE);
    return changed ? S_OK : S_FALSE;
}

} // namespace tangram
