#include "visual.hpp"

#include <ocidl.h>
#include <algorithm>
#include <array>
#include <new>

namespace tangram {

Visual::Visual(ITangramModel *model, VisualOwner &owner, int colour) : model_(model), owner_(&owner), colour_(colour) {}

HRESULT Visual::create(ITangramModel *model, VisualOwner &owner, int colour, ComPtr<Visual> &created)
{
    if (!model)
        return E_POINTER;
    auto visual = ComPtr<Visual>::adopt(new (std::nothrow) Visual(model, owner, colour));
    if (!visual)
        return E_OUTOFMEMORY;
    visual->transform_ = visual->model_.as<ITangramTransform>();
    if (!visual->transform_)
        return E_NOINTERFACE;
    visual->listen();
    created = visual;
    return S_OK;
}

// Without a connection point the outline is simply read again on every use.
void Visual::listen()
{
    auto container = model_.as<IConnectionPointContainer>();
    if (!container || FAILED(container->FindConnectionPoint(IID_ITangramModelEvent, connection_.put())))
        return;
    if (FAILED(connection_->Advise(static_cast<ITangramModelEvent *>(this), &cookie_)))
        connection_.reset();
}

void Visual::disconnect()
{
    if (connection_)
        connection_->Unadvise(cookie_);
    connection_.reset();
    owner_ = nullptr;
}

HRESULT Visual::read_outline()
{
    long count = 0;
    std::array<point2d, 4> points{};
    point2d translation{};
    double degrees = 0;
    HRESULT hr = model_->GetNumberOfVertices(&count);
    count = std::clamp(count, 0L, static_cast<long>(points.size()));
    if (SUCCEEDED(hr))
        hr = model_->GetVertices(count, points.data());
    if (SUCCEEDED(hr))
        hr = transform_->GetTranslation(&translation);
    if (SUCCEEDED(hr))
        hr = transform_->GetRotation(&degrees);
    if (FAILED(hr))
        return hr;
    Outline shape;
    for (long i = 0; i < count; ++i)
        shape.push_back({points[i].x, points[i].y});
    outline_ = place(shape, Pose{{translation.x, translation.y}, degrees});
    return S_OK;
}

const Outline &Visual::outline()
{
    if (stale_ || !connection_) {
        if (FAILED(read_outline()))
            outline_.clear();
        stale_ = false;
    }
    return outline_;
}

STDMETHODIMP Visual::GetModel(REFIID riid, void **model)
{
    if (!model)
        return E_POINTER;
    return model_->QueryInterface(riid, model);
}

STDMETHODIMP Visual::SetSelected(BOOL selected)
{
    return owner_ ? owner_->select(*this, selected != FALSE) : E_UNEXPECTED;
}

STDMETHODIMP Visual::OnModelChanged()
{
    stale_ = true;
    if (owner_)
        owner_->visual_changed(*this);
    return S_OK;
}

} // namespace tangram
