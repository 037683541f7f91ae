// The world's view of one piece: it listens to its model and keeps the
// piece's outline in model coordinates.
#pragma once
#include "com_object.hpp"
#include "com_ptr.hpp"
#include "geometry.hpp"
#include "tangram.h"

#include <ocidl.h>

namespace tangram {

class Visual;

class VisualOwner {
public:
    virtual ~VisualOwner() = default;
    virtual void visual_changed(Visual &visual) = 0;
    virtual HRESULT select(Visual &visual, bool selected) = 0;
};

class Visual final : public Implements<ITangramVisual, ITangramModelEvent> {
public:
    static HRESULT create(ITangramModel *model, VisualOwner &owner, int colour, ComPtr<Visual> &created);

    // Stops listening to the model and forgets the owner; the world calls it
    // when it lets go of its pieces, which breaks the model-visual cycle.
    void disconnect();
    const Outline &outline();
    int colour() const { return colour_; }
    ITangramModel *model() const { return model_.get(); }
    ITangramTransform *transform() const { return transform_.get(); }

    STDMETHODIMP GetModel(REFIID riid, void **model) override;
    STDMETHODIMP SetSelected(BOOL selected) override;
    STDMETHODIMP OnModelChanged() override;

private:
    Visual(ITangramModel *model, VisualOwner &owner, int colour);
    void listen();
    HRESULT read_outline();

    ComPtr<ITangramModel> model_;
    ComPtr<ITangramTransform> transform_;
    ComPtr<IConnectionPoint> connection_;
    DWORD cookie_ = 0;
    VisualOwner *owner_;
    int colour_;
    Outline outline_;
    bool stale_ = true;
};

} // namespace tangram
