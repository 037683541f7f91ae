// The connection point through which a piece model tells advised
// ITangramModelEvent sinks of every change.
#pragma once
#include "com_object.hpp"
#include "com_ptr.hpp"
#include "tangram.h"

#include <ocidl.h>
#include <olectl.h>
#include <algorithm>
#include <vector>

namespace tangram {

struct AdvisedSink {
    DWORD cookie;
    ComPtr<ITangramModelEvent> events;
};

// The list of advised sinks; the model (or its proxy) is its container.
class ChangeConnection final : public Implements<IConnectionPoint> {
public:
    explicit ChangeConnection(IConnectionPointContainer *container) : container_(container) {}

    void detach()
    {
        container_ = nullptr;
        sinks_.clear();
    }

    // The container's FindConnectionPoint: this is its only connection point.
    HRESULT hand_out(REFIID riid, IConnectionPoint **point)
    {
        if (!point)
            return E_POINTER;
        *point = nullptr;
        if (riid != IID_ITangramModelEvent)
            return CONNECT_E_NOCONNECTION;
        *point = ComPtr<IConnectionPoint>(this).detach();
        return S_OK;
    }

    void notify()
    {
        // A sink may unadvise while being called: call a snapshot.
        const std::vector<AdvisedSink> snapshot = sinks_;
        for (const AdvisedSink &sink : snapshot)
            sink.events->OnModelChanged();
    }

    STDMETHODIMP GetConnectionInterface(IID *iid) override
    {
        if (!iid)
            return E_POINTER;
        *iid = IID_ITangramModelEvent;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer **container) override
    {
        if (!container)
            return E_POINTER;
        *container = container_;
        if (!container_)
            return E_UNEXPECTED;
        container_->AddRef();
        return S_OK;
    }
    STDMETHODIMP Advise(IUnknown *sink, DWORD *cookie) override
    {
        if (!sink || !cookie)
            return E_POINTER;
        *cookie = 0;
        AdvisedSink entry{next_cookie_, {}};
        if (FAILED(sink->QueryInterface(IID_ITangramModelEvent, entry.events.put_void())))
            return CONNECT_E_CANNOTCONNECT;
        sinks_.push_back(entry);
        *cookie = next_cookie_++;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD cookie) override
    {
        const auto found =
            std::find_if(sinks_.begin(), sinks_.end(), [cookie](const AdvisedSink &s) { return s.cookie == cookie; });
        if (found == sinks_.end())
            return CONNECT_E_NOCONNECTION;
        sinks_.erase(found);
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections **connections) override
    {
        if (connections)
            *connections = nullptr;
        return E_NOTIMPL;
    }

private:
    IConnectionPointContainer *container_; // the model, which owns this object
    std::vector<AdvisedSink> sinks_;
    DWORD next_cookie_ = 1;
};

} // namespace tangram
