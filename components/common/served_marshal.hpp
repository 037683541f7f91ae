// How the local server marshals its models. A served model travels as a
// small guard object (the unmarshal class, in tangram_proxy.dll) wrapped
// around the standard proxy that the widl-generated proxy/stub code drives.
// Its packet is the server's process id, then the standard packet.
#pragma once
#include <windows.h>
#include <objidl.h>

namespace tangram {

// {A375E409-5553-4918-9C95-B56B53452727}
inline constexpr CLSID CLSID_TangramModelProxy = {
    0xa375e409, 0x5553, 0x4918, {0x9c, 0x95, 0xb5, 0x6b, 0x53, 0x45, 0x27, 0x27}};

struct MarshalContext {
    DWORD context;
    void *context_data;
    DWORD flags;
};

// The packet of target, which is marshaled the standard way, served by server_process.
HRESULT model_packet_size(DWORD *size, REFIID riid, IUnknown *target, const MarshalContext &how);
HRESULT write_model_packet(IStream *stream, DWORD server_process, REFIID riid, IUnknown *target,
                           const MarshalContext &how);
HRESULT read_server_process(IStream *stream, DWORD *server_process);

// IMarshal of a served model: a tear-off whose IUnknown is the model's.
class ServedMarshal final : public IMarshal {
public:
    explicit ServedMarshal(IUnknown &owner) : owner_(owner) {}
    ServedMarshal(const ServedMarshal &) = delete;
    ServedMarshal &operator=(const ServedMarshal &) = delete;

    // While the model's own standard packet is written, the model must not
    // answer IMarshal, or COM would come back here.
    bool marshaling() const { return marshaling_; }

    STDMETHODIMP QueryInterface(REFIID riid, void **object) override { return owner_.QueryInterface(riid, object); }
    STDMETHODIMP_(ULONG) AddRef() override { return owner_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_.Release(); }

    STDMETHODIMP GetUnmarshalClass(REFIID, void *, DWORD, void *, DWORD, CLSID *clsid) override;
    STDMETHODIMP GetMarshalSizeMax(REFIID riid, void *, DWORD context, void *context_data, DWORD flags,
                                   DWORD *size) override;
    STDMETHODIMP MarshalInterface(IStream *stream, REFIID riid, void *, DWORD context, void *context_data,
                                  DWORD flags) override;
    // Packets are unmarshaled and released by the unmarshal class only.
    STDMETHODIMP UnmarshalInterface(IStream *, REFIID, void **) override { return E_NOTIMPL; }
    STDMETHODIMP ReleaseMarshalData(IStream *) override { return E_NOTIMPL; }
    STDMETHODIMP DisconnectObject(DWORD) override { return S_OK; }

private:
    IUnknown &owner_;
    bool marshaling_ = false;
};

} // namespace tangram
