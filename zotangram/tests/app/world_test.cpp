// The puzzle widget against a world component that misbehaves: success
// answered without the interface asked for raises the failure's message.
#include <windows.h>

#include <gtest/gtest.h>

#include "zo/exception.hpp"
#include "zotangram/zotangram_world.hpp"

using namespace zotangram;

namespace {

// A world that answers every interface query with success and no interface.
class HollowWorld : public ITangramWorld {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override
    {
        if (riid == __uuidof(IUnknown) || riid == __uuidof(ITangramWorld)) {
            *object = this;
            AddRef();
        } else {
            *object = nullptr; // and yet success
        }
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE Initialize(HWND, double, double) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeviceToModel(POINT, point2d *model) override
    {
        *model = point2d{0.0, 0.0};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE VisualFromPoint(POINT, REFIID, void **visual) override
    {
        *visual = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateVisualForModel(ITangramModel *) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SelectVisual(ITangramVisual *, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Animate() override { return S_OK; }

    ULONG references = 1;
};

std::string failure_of(const std::function<void()> &action)
{
    try {
        action();
    } catch (const zo::Exception &e) {
        return e.message();
    }
    return "(no failure)";
}

TEST(WorldWithoutInterfaces, PaintingWithoutACanvasRaisesItsMessage)
{
    HollowWorld hollow;
    zo::Root<ZOTANGRAM_WORLD> world(zo::make<ZOTANGRAM_WORLD>());
    hollow.AddRef();
    *world->itangramworld.put() = &hollow;
    world->worldinitialized = true; // the pieces are not needed to paint
    HWND window = CreateWindowA("STATIC", "w", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    HDC dc = GetDC(window);
    const auto hwnd = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(window));
    const auto hdc = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(dc));
    EXPECT_EQ(failure_of([&] { world->on_paint(hwnd, hdc); }), "Failed to create iTangramCanvas.");
    EXPECT_EQ(failure_of([&] { world->on_query_new_palette(hwnd); }), "Failed to create iTangramCanvas.");
    ReleaseDC(window, dc);
    DestroyWindow(window);
    world->releaseinterfaces();
    EXPECT_EQ(hollow.references, 1u) << "the widget gave its reference back";
}

} // namespace
