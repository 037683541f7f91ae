#include "test_support.hpp"

#include <comcat.h>
#include <algorithm>
#include <cmath>

namespace tangram::test {

std::wstring bin_path(const wchar_t *file)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L"\\/") + 1);
    return folder + file;
}

HRESULT call_registration(const wchar_t *dll, const char *entry)
{
    HMODULE module = LoadLibraryW(bin_path(dll).c_str());
    if (!module)
        return HRESULT_FROM_WIN32(GetLastError());
    using Entry = HRESULT(STDAPICALLTYPE *)();
    auto function = reinterpret_cast<Entry>(reinterpret_cast<void *>(GetProcAddress(module, entry)));
    const HRESULT hr = function ? function() : E_NOTIMPL;
    FreeLibrary(module);
    return hr;
}

DWORD run_command(std::wstring command)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

DWORD run_regsvr32(const std::wstring &arguments)
{
    return run_command(L"regsvr32.exe " + arguments);
}

static std::wstring clsid_text(const CLSID &clsid)
{
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

std::wstring registry_value(const std::wstring &key, const wchar_t *name)
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"";
    return value;
}

bool class_key_exists(const CLSID &clsid)
{
    HKEY key = nullptr;
    const std::wstring path = L"CLSID\\" + clsid_text(clsid);
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring friendly_name(const CLSID &clsid)
{
    HKEY classes = nullptr, key = nullptr;
    std::wstring name = L"{N/A}";
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &classes) != ERROR_SUCCESS)
        return name;
    if (RegOpenKeyExW(classes, clsid_text(clsid).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        wchar_t value[256] = {};
        LONG size = sizeof(value);
        if (RegQueryValueW(key, nullptr, value, &size) == ERROR_SUCCESS)
            name = value;
        RegCloseKey(key);
    }
    RegCloseKey(classes);
    return name;
}

std::vector<CLSID> world_classes()
{
    std::vector<CLSID> found;
    ComPtr<IUnknown> manager;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IUnknown, manager.put_void())))
        return found;
    auto information = manager.as<ICatInformation>();
    CATID category = CATID_TangramWorldCategory;
    ComPtr<IEnumCLSID> classes;
    if (!information || FAILED(information->EnumClassesOfCategories(1, &category, 0, nullptr, classes.put())))
        return found;
    CLSID clsid;
    while (classes->Next(1, &clsid, nullptr) == S_OK)
        found.push_back(clsid);
    return found;
}

// Wine's X11 driver must see a window's creation and destruction through
// before the next window comes and goes.
static void flush_messages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

TestWindow::TestWindow(int client_width, int client_height)
{
    static const bool registered = [] {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = &TestWindow::procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
        window_class.lpszClassName = L"TangramTestWindow";
        return RegisterClassW(&window_class) != 0;
    }();
    (void)registered;
    RECT frame{0, 0, client_width, client_height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    window_ = CreateWindowW(L"TangramTestWindow", L"Tangram", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                            GetModuleHandleW(nullptr), this);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    flush_messages();
}

TestWindow::~TestWindow()
{
    DestroyWindow(window_);
    flush_messages();
}

void TestWindow::resize_client(int width, int height)
{
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
    pump_until(
        [this, width, height] {
            RECT client{};
            GetClientRect(window_, &client);
            return client.right == width && client.bottom == height;
        },
        5000);
}

LRESULT CALLBACK TestWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto *self = reinterpret_cast<TestWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_PAINT && self) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        if (self->canvas_)
            self->canvas_->Paint(dc, client);
        EndPaint(window, &paint);
        ++self->paints_;
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

bool pump_until(const std::function<bool()> &done, DWORD timeout_ms)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeout_ms)
            return false;
        flush_messages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

POINT to_device(HWND window, Vec model)
{
    RECT client{};
    GetClientRect(window, &client);
    const double scale = std::min(client.right / 20.0, client.bottom / 20.0);
    const double left = (client.right - 20 * scale) / 2, top = (client.bottom - 20 * scale) / 2;
    return {std::lround(left + model.x * scale), std::lround(top + model.y * scale)};
}

HRESULT build_puzzle(const CLSID &world_class, HWND window, Puzzle &puzzle, DWORD model_context)
{
    HRESULT hr =
        CoCreateInstance(world_class, nullptr, CLSCTX_INPROC_SERVER, IID_ITangramWorld, puzzle.world.put_void());
    if (FAILED(hr))
        return hr;
    hr = puzzle.world->Initialize(window, 20.0, 20.0);
    if (FAILED(hr))
        return hr;
    double x = 0.0;
    for (const PieceShape &shape : standard_pieces()) {
        std::array<point2d, 4> slots;
        for (size_t i = 0; i < slots.size(); ++i)
            slots[i] = {shape.vertices[i].x, shape.vertices[i].y};
        ComPtr<IUnknown> created;
        hr = CoCreateInstance(CLSID_TangramModel, nullptr, model_context, IID_IUnknown, created.put_void());
        if (FAILED(hr))
            return hr;
        auto model = created.as<ITangramModel>();
        if (!model)
            return E_NOINTERFACE;
        model->SetVertices(shape.count, slots.data());
        puzzle.world->CreateVisualForModel(model.get());
        model.as<ITangramTransform>()->Translate(x, 1.0);
        puzzle.models.push_back(model);
        x += 2.0;
    }
    return S_OK;
}

ComPtr<IUnknown> identity(IUnknown *object)
{
    return ComPtr<IUnknown>(object).as<IUnknown>();
}

ComPtr<IUnknown> model_at(ITangramWorld *world, POINT device)
{
    ComPtr<ITangramVisual> visual;
    if (FAILED(world->VisualFromPoint(device, IID_ITangramVisual, visual.put_void())) || !visual)
        return nullptr;
    ComPtr<IUnknown> model;
    visual->GetModel(IID_IUnknown, model.put_void());
    return model;
}

} // namespace tangram::test
