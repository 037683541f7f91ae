// flpreview FILE.flf CLASS ID [OUT.png]: shows a form of a resource file as
// the runtime builds it, bound to a stand-in object. With OUT.png it writes a
// picture of the form's window once it is painted, prints its caption and
// sizes and ends; without, the form stays on the display until the user
// closes it.
// The line printed is "caption<TAB>width<TAB>height<TAB>client width<TAB>client height".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cflrt.h"
#include "png.hpp"
#include "stand_in.hpp"

namespace {

std::string g_output;
int g_ticks = 0;

// A message box of the runtime (an assertion) in place of the form.
BOOL CALLBACK report_box(HWND window, LPARAM)
{
    char class_name[16] = "";
    GetClassNameA(window, class_name, sizeof class_name);
    if (IsWindowVisible(window) && std::string(class_name) == "#32770" && !GetPropA(window, "Resp")) {
        char text[512] = "";
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        std::fprintf(stderr, "flpreview: the runtime reports: %s\n", text);
    }
    return TRUE;
}

BOOL CALLBACK find_form_window(HWND window, LPARAM found)
{
    if (IsWindowVisible(window) && GetPropA(window, "Resp")) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND form_window()
{
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_form_window, reinterpret_cast<LPARAM>(&window));
    return window;
}

bool write_picture(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    const auto *bgra = static_cast<const unsigned char *>(bits);
    for (size_t i = 0; bits && i < static_cast<size_t>(width) * height; ++i) {
        rgb[i * 3] = bgra[i * 4 + 2];
        rgb[i * 3 + 1] = bgra[i * 4 + 1];
        rgb[i * 3 + 2] = bgra[i * 4];
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    char caption[256] = "";
    GetWindowTextA(window, caption, sizeof caption);
    RECT client;
    GetClientRect(window, &client);
    std::printf("%s\t%d\t%d\t%ld\t%ld\n", caption, width, height, client.right, client.bottom);
    std::fflush(stdout);
    return bits && flpreview::write_png(g_output, width, height, rgb);
}

// Waits until the form has been shown and painted for a while, then takes
// its picture and ends the program.
void CALLBACK take_picture(HWND, UINT, UINT_PTR, DWORD)
{
    HWND window = form_window();
    if (!window) {
        if (++g_ticks > 60) {
            EnumThreadWindows(GetCurrentThreadId(), report_box, 0);
            std::fprintf(stderr, "flpreview: the form did not open\n");
            ExitProcess(3);
        }
        return;
    }
    if (++g_ticks < 4)
        return;
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    ExitProcess(write_picture(window) ? 0 : 4);
}

// The stand-in's routines do nothing, so a button that would close the form
// in the application does not close the preview; the window's close box does.
LRESULT CALLBACK end_on_close(int code, WPARAM wparam, LPARAM lparam)
{
    const auto *message = reinterpret_cast<const CWPSTRUCT *>(lparam);
    if (code == HC_ACTION && GetPropA(message->hwnd, "Resp") &&
        ((message->message == WM_SYSCOMMAND && (message->wParam & 0xFFF0) == SC_CLOSE) || message->message == WM_CLOSE))
        ExitProcess(0);
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: flpreview FILE.flf CLASS ID [OUT.png]\n");
        return 2;
    }
    const std::string file = argv[1];
    std::string class_name = argv[2];
    for (char &c : class_name)
        if (c == '.')
            c = '/';
    const int form_id = std::atoi(argv[3]);
    FLF_BASE base = flf_open_base(file.c_str());
    if (!base) {
        std::fprintf(stderr, "flpreview: cannot read %s\n", file.c_str());
        return 1;
    }
    flpreview::StandIn stand_in;
    jobject object = stand_in.build(base, class_name, form_id);
    flf_close_base(base);
    if (!object) {
        std::fprintf(stderr, "flpreview: %s has no form %s %d\n", file.c_str(), class_name.c_str(), form_id);
        return 1;
    }
    set_ni_table(stand_in.env());
    flrt_add_res_file(file.c_str());
    if (argc == 5) {
        g_output = argv[4];
        SetTimer(nullptr, 0, 500, take_picture);
    } else {
        SetWindowsHookExA(WH_CALLWNDPROC, end_on_close, nullptr, GetCurrentThreadId());
    }
    flrt_display_form(object, class_name.data(), form_id);
    // Separate forms and MDI children live on in this loop, while they are open.
    while (form_window()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}
