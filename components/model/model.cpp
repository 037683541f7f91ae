// The model of one Tangram piece: up to four vertices, a translation and a
// rotation. Whoever draws the piece learns of changes through the model's
// connection point for ITangramModelEvent.
#include "model.hpp"

#include "com_object.hpp"
#include "com_ptr.hpp"

#include <olectl.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace tangram {
namespace {

constexpr long max_vertices = 4;

bool finite(double value) { return std::isfinite(value); }

struct Sink {
    DWORD cookie;
    ComPtr<ITangramModelEvent> events;
};

// The list of advised sinks; the model is its container.
class ChangeConnection final : public Implements<IConnectionPoint> {
public:
    explicit ChangeConnection(IConnectionPointContainer* container) : container_(container) {}

    void detach() { container_ = nullptr; sinks_.clear(); }

    void notify() {
        // A sink may unadvise while being called: call a snapshot.
        const std::vector<Sink> snapshot = sinks_;
        for (const Sink& sink : snapshot) sink.events->OnModelChanged();
    }

    STDMETHODIMP GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = IID_ITangramModelEvent;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override {
        if (!container) return E_POINTER;
        *container = container_;
        if (!container_) return E_UNEXPECTED;
        container_->AddRef();
        return S_OK;
    }
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
        if (!sink || !cookie) return E_POINTER;
        *cookie = 0;
        Sink entry{next_cookie_, {}};
        if (FAILED(sink->QueryInterface(IID_ITangramModelEvent, entry.events.put_void())))
            return CONNECT_E_CANNOTCONNECT;
        sinks_.push_back(entry);
        *cookie = next_cookie_++;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override {
        const auto found = std::find_if(sinks_.begin(), sinks_.end(),
                                        [cookie](const Sink& s) { return s.cookie == cookie; });
        if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
        sinks_.erase(found);
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override {
        if (connections) *connections = nullptr;
        return E_NOTIMPL;
    }

private:
    IConnectionPointContainer* container_; // the model, which owns this object
    std::vector<Sink> sinks_;
    DWORD next_cookie_ = 1;
};

class Model final : public Implements<ITangramModel, ITangramTransform, IConnectionPointContainer> {
public:
    Model() : connection_(ComPtr<ChangeConnection>::adopt(new ChangeConnection(this))) {}

    // ITangramModel
    STDMETHODIMP GetNumberOfVertices(long* count) override {
        if (!count) return E_POINTER;
        *count = count_;
        return S_OK;
    }
    // Copies as many vertices as fit; S_FALSE when the caller's room was too small.
    STDMETHODIMP GetVertices(long count, point2d* points) override {
        if (count < 0) return E_INVALIDARG;
        if (!points && count > 0) return E_POINTER;
        const long copied = std::min(count, count_);
        std::copy_n(vertices_.begin(), copied, points);
        return copied < count_ ? S_FALSE : S_OK;
    }
    STDMETHODIMP SetVertices(long count, point2d* points) override {
        if (count < 0 || count > max_vertices) return E_INVALIDARG;
        if (!points && count > 0) return E_POINTER;
        if (!std::all_of(points, points + count, [](const point2d& p) { return finite(p.x) && finite(p.y); }))
            return E_INVALIDARG;
        std::copy_n(points, count, vertices_.begin());
        count_ = count;
        connection_->notify();
        return S_OK;
    }

    // ITangramTransform: absolute values, not increments.
    STDMETHODIMP Translate(double x, double y) override {
        if (!finite(x) || !finite(y)) return E_INVALIDARG;
        translation_ = {x, y};
        connection_->notify();
        return S_OK;
    }
    STDMETHODIMP GetTranslation(point2d* translation) override {
        if (!translation) return E_POINTER;
        *translation = translation_;
        return S_OK;
    }
    STDMETHODIMP Rotate(double degrees) override {
        if (!finite(degrees)) return E_INVALIDARG;
        degrees_ = degrees;
        connection_->notify();
        return S_OK;
    }
    STDMETHODIMP GetRotation(double* degrees) override {
        if (!degrees) return E_POINTER;
        *degrees = degrees_;
        return S_OK;
    }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (points) *points = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (riid != IID_ITangramModelEvent) return CONNECT_E_NOCONNECTION;
        *point = connection_.get();
        (*point)->AddRef();
        return S_OK;
    }

private:
    ~Model() override { connection_->detach(); }

    ComPtr<ChangeConnection> connection_;
    std::array<point2d, max_vertices> vertices_{};
    long count_ = 0;
    point2d translation_{0, 0};
    double degrees_ = 0;
};

} // namespace

HRESULT create_model(REFIID riid, void** object) { return create_and_query<Model>(riid, object); }

} // namespace tangram
