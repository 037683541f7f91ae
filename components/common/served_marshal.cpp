#include "served_marshal.hpp"

namespace tangram {
namespace {

// Makes the owner answer no IMarshal for the scope's duration.
class StandardScope {
public:
    explicit StandardScope(bool &flag) : flag_(flag) { flag_ = true; }
    StandardScope(const StandardScope &) = delete;
    StandardScope &operator=(const StandardScope &) = delete;
    ~StandardScope() { flag_ = false; }

private:
    bool &flag_;
};

} // namespace

HRESULT model_packet_size(DWORD *size, REFIID riid, IUnknown *target, const MarshalContext &how)
{
    if (!size)
        return E_POINTER;
    DWORD standard = 0;
    const HRESULT hr = CoGetMarshalSizeMax(&standard, riid, target, how.context, how.context_data, how.flags);
    *size = standard + sizeof(DWORD);
    return hr;
}

HRESULT write_model_packet(IStream *stream, DWORD server_process, REFIID riid, IUnknown *target,
                           const MarshalContext &how)
{
    if (!stream)
        return E_POINTER;
    HRESULT hr = stream->Write(&server_process, sizeof(server_process), nullptr);
    if (SUCCEEDED(hr))
        hr = CoMarshalInterface(stream, riid, target, how.context, how.context_data, how.flags);
    return hr;
}

HRESULT read_server_process(IStream *stream, DWORD *server_process)
{
    if (!stream || !server_process)
        return E_POINTER;
    ULONG read = 0;
    const HRESULT hr = stream->Read(server_process, sizeof(*server_process), &read);
    if (FAILED(hr))
        return hr;
    return read == sizeof(*server_process) ? S_OK : STG_E_READFAULT;
}

STDMETHODIMP ServedMarshal::GetUnmarshalClass(REFIID, void *, DWORD, void *, DWORD, CLSID *clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_TangramModelProxy;
    return S_OK;
}

STDMETHODIMP ServedMarshal::GetMarshalSizeMax(REFIID riid, void *, DWORD context, void *context_data, DWORD flags,
                                              DWORD *size)
{
    StandardScope standard(marshaling_);
    return model_packet_size(size, riid, &owner_, {context, context_data, flags});
}

STDMETHODIMP ServedMarshal::MarshalInterface(IStream *stream, REFIID riid, void *, DWORD context, void *context_data,
                                             DWORD flags)
{
    StandardScope standard(marshaling_);
    return write_model_packet(stream, GetCurrentProcessId(), riid, &owner_, {context, context_data, flags});
}

} // namespace tangram
