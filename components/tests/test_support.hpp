// Helpers for driving the Tangram components the way the puzzle does.
#pragma once
#include "com_object.hpp"
#include "com_ptr.hpp"
#include "geometry.hpp"
#include "tangram.h"

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace tangram::test {

std::wstring bin_path(const wchar_t *file);
HRESULT call_registration(const wchar_t *dll, const char *entry);
DWORD run_command(std::wstring command); // waits up to a minute; answers the exit code
DWORD run_regsvr32(const std::wstring &arguments);
bool class_key_exists(const CLSID &clsid);
std::wstring friendly_name(const CLSID &clsid); // as the puzzle reads it
std::wstring registry_value(const std::wstring &key, const wchar_t *name);
std::vector<CLSID> world_classes(); // the Tangram world category, in order

// Counts the change events a model sends it.
class CountingSink final : public Implements<ITangramModelEvent> {
public:
    STDMETHODIMP OnModelChanged() override
    {
        ++calls;
        return S_OK;
    }
    int calls = 0;
};

// A top-level window whose client area the world paints on WM_PAINT.
class TestWindow {
public:
    TestWindow(int client_width, int client_height);
    TestWindow(const TestWindow &) = delete;
    TestWindow &operator=(const TestWindow &) = delete;
    ~TestWindow();
    HWND handle() const { return window_; }
    void set_canvas(ITangramCanvas *canvas) { canvas_ = canvas; }
    void resize_client(int width, int height);
    int paints() const { return paints_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    HWND window_ = nullptr;
    ITangramCanvas *canvas_ = nullptr;
    int paints_ = 0;
};

// Dispatches messages until done() holds or timeout_ms passed; answers done().
bool pump_until(const std::function<bool()> &done, DWORD timeout_ms);

// The aspect-keeping mapping of the 20 by 20 world onto the window's client area.
POINT to_device(HWND window, Vec model);

// The puzzle's seven pieces on a world, built as the puzzle builds them.
struct Puzzle {
    ComPtr<ITangramWorld> world;
    std::vector<ComPtr<ITangramModel>> models;
    ComPtr<ITangramTransform> transform(int piece) const { return models[piece].as<ITangramTransform>(); }
};
// The models are created in the given class context, the world always in process.
HRESULT build_puzzle(const CLSID &world_class, HWND window, Puzzle &puzzle, DWORD model_context = CLSCTX_INPROC_SERVER);

// The identity of the piece under a device point, or null.
ComPtr<IUnknown> model_at(ITangramWorld *world, POINT device);
ComPtr<IUnknown> identity(IUnknown *object);

} // namespace tangram::test
