// The client side of a model served by the local server: a guard around the
// standard proxy.
//
// Once the server process is gone the guard answers RPC_E_DISCONNECTED
// itself instead of calling through the proxy: such a call makes the RPC
// runtime raise a structured exception, and where those cannot be delivered
// (Wine on an emulated CPU) the exception ends the client. For the same
// reason proxies of a dead server are abandoned, not released.
//
// The guard keeps the model's connection point itself and tells its sinks of
// every change made through it: no call ever runs from the server back into
// the client, which keeps the client free of incoming calls and halves the
// round trips of a move. Changes made through another holder of the same
// model are therefore not reported here.
#include "model_proxy.hpp"

#include "change_connection.hpp"
#include "com_object.hpp"
#include "com_ptr.hpp"
#include "served_marshal.hpp"
#include "tangram.h"

#include <memory>

namespace tangram {
namespace {

class ServerProcess {
public:
    explicit ServerProcess(DWORD id) : handle_(OpenProcess(SYNCHRONIZE, FALSE, id)) {}
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;
    ~ServerProcess()
    {
        if (handle_)
            CloseHandle(handle_);
    }
    // A process that cannot be watched counts as running.
    bool gone() const { return handle_ && WaitForSingleObject(handle_, 0) != WAIT_TIMEOUT; }

private:
    HANDLE handle_;
};

class ModelProxy final : public Implements<ITangramModel, ITangramTransform, IConnectionPointContainer, IMarshal> {
public:
    ModelProxy() : connection_(ComPtr<ChangeConnection>::adopt(new ChangeConnection(this))) {}

    // ITangramModel
    STDMETHODIMP GetNumberOfVertices(long *count) override
    {
        return call(model_, &ITangramModel::GetNumberOfVertices, count);
    }
    STDMETHODIMP GetVertices(long count, point2d *points) override
    {
        return call(model_, &ITangramModel::GetVertices, count, points);
    }
    STDMETHODIMP SetVertices(long count, point2d *points) override
    {
        return changed(call(model_, &ITangramModel::SetVertices, count, points));
    }

    // ITangramTransform
    STDMETHODIMP Translate(double x, double y) override
    {
        return changed(call(transform_, &ITangramTransform::Translate, x, y));
    }
    STDMETHODIMP GetTranslation(point2d *translation) override
    {
        return call(transform_, &ITangramTransform::GetTranslation, translation);
    }
    STDMETHODIMP Rotate(double degrees) override
    {
        return changed(call(transform_, &ITangramTransform::Rotate, degrees));
    }
    STDMETHODIMP GetRotation(double *degrees) override
    {
        return call(transform_, &ITangramTransform::GetRotation, degrees);
    }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints **points) override
    {
        if (points)
            *points = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint **point) override
    {
        return connection_->hand_out(riid, point);
    }

    // IMarshal: the guard travels on as itself, around the same server's proxy.
    STDMETHODIMP GetUnmarshalClass(REFIID, void *, DWORD, void *, DWORD, CLSID *clsid) override
    {
        if (!clsid)
            return E_POINTER;
        *clsid = CLSID_TangramModelProxy;
        return S_OK;
    }
    STDMETHODIMP GetMarshalSizeMax(REFIID riid, void *, DWORD context, void *context_data, DWORD flags,
                                   DWORD *size) override
    {
        if (!server_)
            return E_UNEXPECTED;
        return model_packet_size(size, riid, remote_.get(), {context, context_data, flags});
    }
    STDMETHODIMP MarshalInterface(IStream *stream, REFIID riid, void *, DWORD context, void *context_data,
                                  DWORD flags) override
    {
        if (!server_)
            return E_UNEXPECTED;
        if (server_->gone())
            return RPC_E_DISCONNECTED;
        return write_model_packet(stream, server_id_, riid, remote_.get(), {context, context_data, flags});
    }
    STDMETHODIMP UnmarshalInterface(IStream *stream, REFIID riid, void **object) override;
    STDMETHODIMP ReleaseMarshalData(IStream *stream) override
    {
        DWORD id = 0;
        const HRESULT hr = read_server_process(stream, &id);
        return FAILED(hr) ? hr : CoReleaseMarshalData(stream);
    }
    STDMETHODIMP DisconnectObject(DWORD) override { return S_OK; }

private:
    ~ModelProxy() override
    {
        connection_->detach();
        if (server_ && server_->gone()) {
            remote_.detach();
            model_.detach();
            transform_.detach();
        }
    }

    // Calls method on the remote interface I, fetched on first use.
    template <class I, class... Parameters, class... Arguments>
    HRESULT call(ComPtr<I> &remote, HRESULT (STDMETHODCALLTYPE I::*method)(Parameters...), Arguments... arguments)
    {
        if (!server_ || !remote_)
            return E_UNEXPECTED;
        if (server_->gone())
            return RPC_E_DISCONNECTED;
        if (!remote) {
            // The query is a call to the server, and its wait dispatches
            // paints: a paint that calls this model meanwhile fetches the
            // interface too. The first fetch to return is kept; writing the
            // query straight into the member would lose the other's reference,
            // and the model would never see its last release.
            ComPtr<I> fetched;
            const HRESULT hr = remote_->QueryInterface(__uuidof(I), fetched.put_void());
            if (FAILED(hr))
                return hr;
            if (!remote)
                remote = std::move(fetched);
        }
        return (remote.get()->*method)(arguments...);
    }

    HRESULT changed(HRESULT hr)
    {
        if (SUCCEEDED(hr))
            connection_->notify();
        return hr;
    }

    ComPtr<ChangeConnection> connection_;
    DWORD server_id_ = 0;
    std::unique_ptr<const ServerProcess> server_;
    ComPtr<IUnknown> remote_;
    ComPtr<ITangramModel> model_;
    ComPtr<ITangramTransform> transform_;
};

STDMETHODIMP ModelProxy::UnmarshalInterface(IStream *stream, REFIID riid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (server_)
        return E_UNEXPECTED; // a guard stands for one model only
    DWORD id = 0;
    HRESULT hr = read_server_process(stream, &id);
    if (SUCCEEDED(hr))
        hr = CoUnmarshalInterface(stream, IID_IUnknown, remote_.put_void());
    if (FAILED(hr))
        return hr;
    server_id_ = id;
    server_ = std::make_unique<const ServerProcess>(id);
    return QueryInterface(riid, object);
}

} // namespace

HRESULT create_model_proxy(REFIID riid, void **object)
{
    return create_and_query<ModelProxy>(riid, object);
}

} // namespace tangram
