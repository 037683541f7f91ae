#include "app_driver.hpp"

#include <comcat.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "zotangram/com_support.hpp"

namespace apptest {
namespace {

std::string class_of(HWND window)
{
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string text_of(HWND window)
{
    char text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    return text;
}

struct WindowSearch {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_top_window(HWND window, LPARAM search_address)
{
    auto *search = reinterpret_cast<WindowSearch *>(search_address);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK collect_child(HWND window, LPARAM found_address)
{
    reinterpret_cast<std::vector<HWND> *>(found_address)->push_back(window);
    return TRUE;
}

std::vector<HWND> children_of(HWND parent)
{
    std::vector<HWND> found;
    EnumChildWindows(parent, &collect_child, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

std::string program_directory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

bool testing_installed_copy()
{
    const char *folder = std::getenv("ZOTANGRAM_INSTALLED");
    return folder && *folder;
}

std::string installed_directory()
{
    if (!testing_installed_copy())
        return program_directory();
    std::string folder = std::getenv("ZOTANGRAM_INSTALLED");
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

HRESULT call_registration(const char *dll, const char *entry)
{
    HMODULE module = LoadLibraryA((program_directory() + dll).c_str());
    if (!module)
        return HRESULT_FROM_WIN32(GetLastError());
    using Entry = HRESULT(STDAPICALLTYPE *)();
    auto function = reinterpret_cast<Entry>(reinterpret_cast<void *>(GetProcAddress(module, entry)));
    const HRESULT result = function ? function() : E_NOTIMPL;
    FreeLibrary(module);
    return result;
}

HRESULT register_components()
{
    for (const char *dll : {"tangram_model.dll", "tangram_worlds.dll", "tangram_proxy.dll"})
        if (const HRESULT result = call_registration(dll, "DllRegisterServer"); FAILED(result))
            return result;
    return S_OK;
}

bool pump_until(const std::function<bool()> &condition, DWORD timeout_ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeout_ms)
            return false;
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }
}

// ---- The program ----

ZotangramRun::ZotangramRun(bool start_now)
{
    if (start_now)
        start();
}

bool ZotangramRun::start()
{
    if (started())
        return true;
    const std::string folder = installed_directory();
    std::string command = "\"" + folder + "zotangram.exe\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process_))
        process_ = {};
    return started();
}

ZotangramRun::~ZotangramRun()
{
    if (!started())
        return;
    if (!ended_within(0)) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

std::vector<HWND> ZotangramRun::top_windows() const
{
    WindowSearch search{process_.dwProcessId, {}};
    EnumWindows(&collect_top_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void ZotangramRun::note_classes()
{
    for (HWND top : top_windows()) {
        std::vector<HWND> windows = children_of(top);
        windows.push_back(top);
        for (HWND window : windows)
            if (std::string name = class_of(window);
                std::find(seen_classes_.begin(), seen_classes_.end(), name) == seen_classes_.end())
                seen_classes_.push_back(name);
    }
}

bool ZotangramRun::saw_class(const char *window_class) const
{
    return std::find(seen_classes_.begin(), seen_classes_.end(), window_class) != seen_classes_.end();
}

HWND ZotangramRun::window(const char *caption, const char *child_class, DWORD timeout_ms)
{
    HWND found = nullptr;
    pump_until(
        [&] {
            note_classes();
            for (HWND top : top_windows())
                if (text_of(top) == caption && child(top, child_class))
                    found = top;
            return found != nullptr || ended_within(0);
        },
        timeout_ms);
    return found;
}

bool ZotangramRun::ended_within(DWORD timeout_ms)
{
    return started() && pump_until(
                            [this] {
                                note_classes();
                                return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
                            },
                            timeout_ms);
}

DWORD ZotangramRun::exit_code() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

bool ZotangramRun::has_module(const char *name) const
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_.dwProcessId);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Module32First(snapshot, &entry); more && !found; more = Module32Next(snapshot, &entry))
        found = lstrcmpiA(entry.szModule, name) == 0;
    CloseHandle(snapshot);
    return found;
}

std::vector<DWORD> processes_of(const char *program)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, program) == 0)
            found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

std::string ZotangramRun::visible_windows() const
{
    std::string description;
    for (HWND top : top_windows()) {
        description += "[" + class_of(top) + " \"" + text_of(top) + "\"";
        for (HWND window : children_of(top))
            description += " " + class_of(window) + " \"" + text_of(window) + "\"";
        description += "] ";
    }
    return description.empty() ? "no visible window" : description;
}

// ---- Windows and input ----

HWND child(HWND parent, const char *window_class, const char *caption)
{
    for (HWND window : children_of(parent))
        if (class_of(window) == window_class && (!caption || text_of(window) == caption))
            return window;
    return nullptr;
}

HWND control(HWND window, const char *window_class, const char *caption, DWORD timeout_ms)
{
    HWND found = nullptr;
    pump_until([&] { return (found = child(window, window_class, caption)) != nullptr; }, timeout_ms);
    return found;
}

std::vector<std::string> list_items(HWND list_box)
{
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(list_box, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Wide: across processes Wine hands list box texts over as they are stored.
        wchar_t text[256] = {};
        SendMessageW(list_box, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        std::string item;
        for (const wchar_t *c = text; *c; ++c)
            item += static_cast<char>(*c);
        items.push_back(item);
    }
    return items;
}

int list_selection(HWND list_box)
{
    return static_cast<int>(SendMessageA(list_box, LB_GETCURSEL, 0, 0));
}

bool choose_line(HWND list_box, const std::string &text)
{
    const std::vector<std::string> items = list_items(list_box);
    const auto found = std::find(items.begin(), items.end(), text);
    if (found == items.end())
        return false;
    const int index = static_cast<int>(found - items.begin());
    const auto height = static_cast<int>(SendMessageA(list_box, LB_GETITEMHEIGHT, 0, 0));
    const POINT middle{20, height * index + height / 2};
    post_mouse(list_box, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    post_mouse(list_box, WM_LBUTTONUP, 0, middle);
    return pump_until([&] { return list_selection(list_box) == index; }, 20000);
}

void post_mouse(HWND window, UINT message, WPARAM keys, POINT at)
{
    const auto x = static_cast<std::uint16_t>(at.x);
    const auto y = static_cast<std::uint16_t>(at.y);
    PostMessageA(window, message, keys, MAKELPARAM(x, y));
}

POINT client_middle(HWND window)
{
    RECT area{};
    GetClientRect(window, &area);
    return {area.right / 2, area.bottom / 2};
}

void click(HWND control)
{
    const POINT middle = client_middle(control);
    post_mouse(control, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    post_mouse(control, WM_LBUTTONUP, 0, middle);
}

void drag(HWND window, POINT from, POINT to, bool right_button, int steps)
{
    const WPARAM held = right_button ? MK_RBUTTON : MK_LBUTTON;
    post_mouse(window, right_button ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, held, from);
    for (int i = 1; i <= steps; ++i)
        post_mouse(window, WM_MOUSEMOVE, held,
                   {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    post_mouse(window, right_button ? WM_RBUTTONUP : WM_LBUTTONUP, 0, to);
}

// Wine starts a Unix program given to CreateProcess, though it hands back no
// handle to wait on: the shell leaves the exit status in a marker file.
bool x_input(const std::string &xdotool_arguments, DWORD timeout_ms)
{
    static int calls = 0;
    const std::string marker =
        "/tmp/zotangram-x-input-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++calls);
    std::string command = "/bin/sh -c \"xdotool " + xdotool_arguments + "; echo $? > " + marker + ".part; mv " +
                          marker + ".part " + marker + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA("Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);
    std::string windows_marker = "Z:" + marker;
    std::replace(windows_marker.begin(), windows_marker.end(), '/', '\\');
    if (!pump_until([&] { return GetFileAttributesA(windows_marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeout_ms))
        return false;
    std::ifstream result(windows_marker);
    int status = -1;
    result >> status;
    result.close();
    DeleteFileA(windows_marker.c_str());
    return status == 0;
}

std::string on_screen(HWND window, POINT client)
{
    ClientToScreen(window, &client);
    return std::to_string(client.x) + " " + std::to_string(client.y);
}

void screenshot(HWND window, const std::string &folder, const std::string &name)
{
    if (folder.empty())
        return;
    RECT place{};
    GetWindowRect(window, &place);
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    const int row = (width * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<std::size_t>(row) * height);
    GetDIBits(memory, picture, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO *>(&header), DIB_RGB_COLORS);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(folder + "\\" + name + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char *>(&file), sizeof file);
    out.write(reinterpret_cast<const char *>(&header), sizeof header);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

// ---- The recording world ----

RecordingView::RecordingView()
    : block_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Recording), kRecordingBlock))
{
    if (block_)
        recording_ = static_cast<Recording *>(MapViewOfFile(block_, FILE_MAP_WRITE, 0, 0, 0));
    if (recording_)
        *recording_ = Recording{};
}

RecordingView::~RecordingView()
{
    if (recording_)
        UnmapViewOfFile(recording_);
    if (block_)
        CloseHandle(block_);
}

namespace {

std::string class_key()
{
    return "CLSID\\" + zotangram::registry_text(kRecordingWorld);
}

bool set_value(const std::string &key, const char *name, const std::string &value)
{
    return RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

} // namespace

HRESULT join_world_category(const CLSID &clsid, bool join)
{
    ComPtr<ICatRegister> manager;
    HRESULT result = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                      manager.put_void());
    CATID category = CATID_TangramWorldCategory;
    if (SUCCEEDED(result))
        result = join ? manager->RegisterClassImplCategories(clsid, 1, &category)
                      : manager->UnRegisterClassImplCategories(clsid, 1, &category);
    return result;
}

RecordingWorldInstalled::RecordingWorldInstalled()
{
    const std::string server = class_key() + "\\InprocServer32";
    const bool written = set_value(class_key(), nullptr, kRecordingName) &&
                         set_value(server, nullptr, program_directory() + "zotangram_recording_world.dll") &&
                         set_value(server, "ThreadingModel", "Apartment");
    result_ = written ? join_world_category(kRecordingWorld, true) : E_FAIL;
}

RecordingWorldInstalled::~RecordingWorldInstalled()
{
    join_world_category(kRecordingWorld, false);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, class_key().c_str());
}

} // namespace apptest
