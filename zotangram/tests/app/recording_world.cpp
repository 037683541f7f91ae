// A Tangram world for the tests: it shows the classic world, which it wraps,
// and after every paint it reads each piece back through the piece's own
// transform interface into a block of shared memory that the test reads.
#include <windows.h>

#include <vector>

#include "com_object.hpp"
#include "com_ptr.hpp"
#include "recording.hpp"
#include "tangram.h"

using com::ComPtr;

namespace {

LONG g_objects = 0;
HANDLE g_block = nullptr;
apptest::Recording *g_recording = nullptr;

void open_recording()
{
    g_block = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(apptest::Recording),
                                 apptest::kRecordingBlock);
    if (g_block)
        g_recording = static_cast<apptest::Recording *>(MapViewOfFile(g_block, FILE_MAP_WRITE, 0, 0, 0));
}

class RecordingWorld final : public ITangramWorld, public ITangramCanvas {
public:
    explicit RecordingWorld(HRESULT &created)
    {
        InterlockedIncrement(&g_objects);
        const bool chosen = g_recording && g_recording->shown != GUID_NULL;
        created = CoCreateInstance(chosen ? g_recording->shown : apptest::kClassicWorld, nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(ITangramWorld), world_.put_void());
        if (SUCCEEDED(created))
            canvas_ = world_.as<ITangramCanvas>(&created);
        if (SUCCEEDED(created))
            silhouette_ = world_.as<ITangramSilhouette>();
    }
    ~RecordingWorld()
    {
        if (g_recording)
            g_recording->world_released = 1;
        InterlockedDecrement(&g_objects);
    }
    RecordingWorld(const RecordingWorld &) = delete;
    RecordingWorld &operator=(const RecordingWorld &) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == __uuidof(ITangramWorld))
            *object = static_cast<ITangramWorld *>(this);
        else if (riid == __uuidof(ITangramCanvas))
            *object = static_cast<ITangramCanvas *>(this);
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    STDMETHODIMP Initialize(HWND window, double width, double height) override
    {
        return world_->Initialize(window, width, height);
    }
    STDMETHODIMP DeviceToModel(POINT device, point2d *model) override { return world_->DeviceToModel(device, model); }
    STDMETHODIMP VisualFromPoint(POINT device, REFIID riid, void **visual) override
    {
        return world_->VisualFromPoint(device, riid, visual);
    }
    STDMETHODIMP CreateVisualForModel(ITangramModel *model) override
    {
        if (model) {
            ComPtr<ITangramModel> held;
            model->QueryInterface(__uuidof(ITangramModel), held.put_void());
            pieces_.push_back(held.as<ITangramTransform>());
        }
        return world_->CreateVisualForModel(model);
    }
    STDMETHODIMP SelectVisual(ITangramVisual *visual, BOOL selected) override
    {
        return world_->SelectVisual(visual, selected);
    }
    STDMETHODIMP Animate() override
    {
        if (g_recording && g_recording->fail_animation)
            return E_FAIL;
        return world_->Animate();
    }

    STDMETHODIMP Initialize(HWND window) override { return canvas_->Initialize(window); }
    STDMETHODIMP Paint(HDC dc, RECT bounds) override
    {
        const HRESULT painted = canvas_->Paint(dc, bounds);
        publish();
        return painted;
    }
    STDMETHODIMP Update(RECT bounds) override { return canvas_->Update(bounds); }
    STDMETHODIMP GetHDC(HDC *dc) override { return canvas_->GetHDC(dc); }
    STDMETHODIMP SetPalette(HPALETTE palette) override { return canvas_->SetPalette(palette); }
    STDMETHODIMP OnQueryNewPalette(HWND window) override { return canvas_->OnQueryNewPalette(window); }

private:
    void publish()
    {
        if (!g_recording)
            return;
        const std::size_t count = std::min<std::size_t>(pieces_.size(), 7);
        for (std::size_t i = 0; i < count; ++i) {
            apptest::PieceRecord &record = g_recording->piece[i];
            point2d at{};
            if (pieces_[i] && SUCCEEDED(pieces_[i]->GetTranslation(&at)) &&
                SUCCEEDED(pieces_[i]->GetRotation(&record.degrees))) {
                record.x = at.x;
                record.y = at.y;
            }
        }
        if (silhouette_) {
            long placed = 0, milliseconds = -1;
            BOOL solved = FALSE;
            silhouette_->GetPlacedCount(&placed);
            silhouette_->IsCovered(&solved);
            silhouette_->GetSolvedTime(&milliseconds);
            g_recording->silhouette = 1;
            g_recording->placed = placed;
            g_recording->solved = solved ? 1 : 0;
            g_recording->solved_ms = milliseconds;
        }
        g_recording->pieces = static_cast<LONG>(pieces_.size());
        ++g_recording->paints;
    }

    LONG references_ = 1;
    ComPtr<ITangramWorld> world_;
    ComPtr<ITangramCanvas> canvas_;
    ComPtr<ITangramSilhouette> silhouette_;
    std::vector<ComPtr<ITangramTransform>> pieces_;
};

class Factory final : public tangram::Permanent<IClassFactory> {
public:
    STDMETHODIMP CreateInstance(IUnknown *outer, REFIID riid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        HRESULT created = E_FAIL;
        auto *world = new RecordingWorld(created);
        if (SUCCEEDED(created))
            created = world->QueryInterface(riid, object);
        world->Release();
        return created;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

} // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void **object)
{
    if (clsid != apptest::kRecordingWorld)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, object);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return g_objects == 0 ? S_OK : S_FALSE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        open_recording();
    // Unloaded while the process goes on: COM let the DLL go when it was uninitialised.
    if (reason == DLL_PROCESS_DETACH && !reserved && g_recording)
        g_recording->unloaded = 1;
    return TRUE;
}
