// The call trace window: one line per field access, routine call and form update.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "cflrt_res.h"
#include "gdi.hpp"
#include "runtime.hpp"
#include "text.hpp"

namespace flrt {
namespace {

constexpr const char *kClassName = "FLTracer";
constexpr const char *kFontFace = "Ms Sans Serif";
constexpr int kFontPoints = 8;

enum TraceCommand : WPARAM {
    kCmdClose = 100,
    kCmdClear = 101,
    kCmdAbout = 102,
    kCmdTopmost = 103,
    kCmdFonts = 104,
};

HWND g_list = nullptr;
bool g_topmost = true;

// Fonts chosen by the user stay alive while the list box may still use them.
std::vector<FontHandle> &chosen_fonts()
{
    static std::vector<FontHandle> fonts;
    return fonts;
}

void apply_topmost(HWND window)
{
    SetWindowPos(window, g_topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    CheckMenuItem(GetSystemMenu(window, FALSE), kCmdTopmost, MF_BYCOMMAND | (g_topmost ? MF_CHECKED : MF_UNCHECKED));
}

void choose_font()
{
    LOGFONTA font = flrt_font_description(kFontFace, kFontPoints, 0);
    CHOOSEFONTA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = g_list;
    request.lpLogFont = &font;
    request.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    if (!ChooseFontA(&request))
        return;
    FontHandle chosen(CreateFontIndirectA(&font));
    if (!chosen)
        return;
    PostMessageA(g_list, WM_SETFONT, reinterpret_cast<WPARAM>(chosen.get()), TRUE);
    chosen_fonts().push_back(std::move(chosen));
}

bool on_system_command(HWND window, WPARAM command)
{
    switch (command) {
    case kCmdClear: SendMessageA(g_list, LB_RESETCONTENT, 0, 0); return true;
    case kCmdAbout:
        show_box(window, "Formloom Tracer window\nThis window displays all QUILL calls.", "About", MB_ICONINFORMATION);
        return true;
    case kCmdTopmost:
        g_topmost = !g_topmost;
        apply_topmost(window);
        return true;
    case kCmdFonts: choose_font(); return true;
    case kCmdClose: DestroyWindow(window); return true;
    }
    return false;
}

LRESULT CALLBACK trace_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        g_list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", 0x502019C1, 0, 0, 0, 0, window, nullptr,
                                 module_instance(), nullptr);
        flrt_set_window_font(g_list, kFontFace, kFontPoints, 0);
        return 0;
    case WM_SIZE: MoveWindow(g_list, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_SYSCOMMAND:
        if (on_system_command(window, wparam))
            return 0;
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void extend_system_menu(HWND window)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kCmdClear, "&Clear");
    AppendMenuA(menu, MF_STRING | (g_topmost ? MF_CHECKED : MF_UNCHECKED), kCmdTopmost, "Always on &top");
    AppendMenuA(menu, MF_STRING, kCmdFonts, "&Fonts...");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kCmdAbout, "&About...");
}

HWND make_trace_window(HINSTANCE instance)
{
    WNDCLASSA window_class{};
    window_class.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    window_class.lpfnWndProc = trace_window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(FLRT_ICON_TRACE));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = kClassName;
    if (!RegisterClassA(&window_class))
        return nullptr;
    const int screen_width = GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = GetSystemMetrics(SM_CYSCREEN);
    const int x = screen_width / 2;
    const int y = screen_height - screen_height / 3;
    HWND window = CreateWindowExA(0, kClassName, "Formloom QUILL Trace", WS_OVERLAPPEDWINDOW, x, y, screen_width - x,
                                  screen_height / 3, nullptr, nullptr, instance, nullptr);
    if (!window)
        return nullptr;
    extend_system_menu(window);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    apply_topmost(window);
    return window;
}

class CFLRT_Tracer {
public:
    explicit CFLRT_Tracer(HINSTANCE instance) : instance_(instance) {}

    void SetSwitch(bool on) { on_ = on; }

    void Line(const char *text)
    {
        if (!on_ || !EnsureWindow())
            return;
        copy_cut(line_, sizeof line_, text);
        AddLine();
    }

    void Call(const char *label, const char *class_name, const char *feature)
    {
        if (!on_ || !EnsureWindow())
            return;
        std::snprintf(line_, sizeof line_, "%s: %s. %s", label, class_name, feature);
        AddLine();
    }

private:
    bool EnsureWindow()
    {
        if (pending_) {
            pending_ = false;
            window_ = make_trace_window(instance_);
            ready_ = window_ != nullptr;
        }
        return ready_;
    }

    void AddLine()
    {
        SendMessageA(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line_));
        const LRESULT count = SendMessageA(g_list, LB_GETCOUNT, 0, 0);
        SendMessageA(g_list, LB_SETTOPINDEX, count - 1, 0);
    }

    HINSTANCE instance_;
    bool pending_ = true;
    bool ready_ = false;
    bool on_ = false;
    HWND window_ = nullptr;
    char line_[256] = "";
};

std::unique_ptr<CFLRT_Tracer> g_tracer;

CFLRT_Tracer &tracer()
{
    if (!g_tracer)
        trace_object_create();
    return *g_tracer;
}

} // namespace

void trace_object_create()
{
    if (!g_tracer)
        g_tracer = std::make_unique<CFLRT_Tracer>(module_instance());
}

void trace_object_destroy()
{
    g_tracer.reset();
}

} // namespace flrt

extern "C" {

FLRT_API void FLRT_CALL flrt_trace_set_switch(int on)
{
    flrt::tracer().SetSwitch(on != 0);
}

FLRT_API void FLRT_CALL flrt_trace_line(const char *text)
{
    flrt::tracer().Line(text ? text : "");
}

FLRT_API void FLRT_CALL flrt_trace_call(const char *label, const char *class_name, const char *feature)
{
    flrt::tracer().Call(label, class_name ? class_name : "", feature ? feature : "");
}

} // extern "C"
