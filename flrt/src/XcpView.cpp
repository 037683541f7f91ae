// The exception-file viewer: shows an exception file (".xcp") chosen by the user.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "cflrt_res.h"
#include "runtime.hpp"

namespace flrt {
namespace {

constexpr int kReadChars = 254;

struct FileCloser {
    void operator()(FILE *file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

bool ask_xcp_file(HWND owner, char (&path)[MAX_PATH])
{
    char title[MAX_PATH] = "";
    path[0] = '\0';
    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = "Exception files (*.xcp)\0*.xcp\0";
    request.nFilterIndex = 1;
    request.lpstrFile = path;
    request.nMaxFile = MAX_PATH;
    request.lpstrFileTitle = title;
    request.nMaxFileTitle = MAX_PATH;
    request.lpstrTitle = "Open xcp file";
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    request.lpstrDefExt = "xcp";
    return GetOpenFileNameA(&request) != FALSE;
}

// Reads at most 254 characters at a time; a line longer than that fills
// several entries. Only the line break itself is dropped, never a character
// of the text.
void fill_list(HWND list, FILE *file)
{
    char chunk[kReadChars + 1];
    bool line_continues = false;
    while (std::fgets(chunk, sizeof chunk, file)) {
        size_t length = std::strlen(chunk);
        const bool ends_line = length > 0 && chunk[length - 1] == '\n';
        if (ends_line)
            chunk[--length] = '\0';
        // A break right after a full chunk ends that chunk's line; it is no empty line.
        if (!(line_continues && length == 0))
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(chunk));
        line_continues = !ends_line;
    }
}

void load_xcp_file(HWND dialog)
{
    char path[MAX_PATH];
    // The dialog has no owner; the file request is owned by nobody either.
    if (!ask_xcp_file(nullptr, path))
        return;
    File file(std::fopen(path, "r"));
    if (!file)
        return;
    HWND list = GetDlgItem(dialog, FLRT_XCP_LIST);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    fill_list(list, file.get());
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

INT_PTR CALLBACK xcp_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        load_xcp_file(dialog);
        flrt_center_window(dialog, nullptr);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wparam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace
} // namespace flrt

extern "C" FLRT_API void FLRT_CALL flrt_show_xcp_viewer(void)
{
    flrt::QuitMessageKeeper keeper;
    DialogBoxParamA(flrt::module_instance(), MAKEINTRESOURCEA(FLRT_DLG_XCP), nullptr, flrt::xcp_dialog_proc, 0);
}
