// The standard file dialogs and the paint-message pump of the entry points.
#include "runtime.hpp"

#include <commdlg.h>

#include <cstring>
#include <string>

namespace {

char g_path[MAX_PATH];
char g_file_title[MAX_PATH];

// The dialogs take a list of zero-terminated texts ending in an empty one.
// Callers write it either so, or with bars instead of zeros. A list with bars
// is converted in the caller's buffer when it can be written to (a literal
// cannot), and the dialog gets a copy that ends where the caller's text does,
// final bar or not. A list without bars is the caller's own list of texts and
// is handed on as it stands.
const char *FilterList(char *filter, std::string &copy)
{
    if (filter && *filter && !std::strchr(filter, '|'))
        return filter;
    copy = filter ? filter : "";
    if (!copy.empty() && flrt::is_writable(filter, copy.size())) {
        for (char *bar = std::strchr(filter, '|'); bar; bar = std::strchr(bar + 1, '|'))
            *bar = '\0';
    }
    for (char &c : copy)
        if (c == '|')
            c = '\0';
    copy.append(2, '\0');
    return copy.c_str();
}

OPENFILENAMEA DialogRequest(const char *filter, const char *title, const char *default_extension, int flags)
{
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = flrt::current_form_window();
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = g_path;
    request.nMaxFile = sizeof g_path;
    request.lpstrFileTitle = g_file_title;
    request.nMaxFileTitle = sizeof g_file_title;
    request.lpstrTitle = title;
    request.Flags = static_cast<DWORD>(flags);
    request.lpstrDefExt = default_extension;
    return request;
}

} // namespace

extern "C" {

FLRT_API char *FLRT_CALL flrt_get_open_fname(char *filter, const char *title, const char *default_extension, int flags)
{
    g_path[0] = g_file_title[0] = '\0';
    std::string copy;
    OPENFILENAMEA request = DialogRequest(FilterList(filter, copy), title, default_extension, flags);
    return GetOpenFileNameA(&request) ? g_path : nullptr;
}

FLRT_API char *FLRT_CALL flrt_get_save_fname(char *filter, const char *title, const char *initial_name,
                                             const char *default_extension, int flags)
{
    g_path[0] = g_file_title[0] = '\0';
    if (initial_name) {
        std::strncpy(g_path, initial_name, sizeof g_path - 1);
        g_path[sizeof g_path - 1] = '\0';
    }
    std::string copy;
    OPENFILENAMEA request = DialogRequest(FilterList(filter, copy), title, default_extension, flags);
    return GetSaveFileNameA(&request) ? g_path : nullptr;
}

FLRT_API void FLRT_CALL flrt_peek_messages(void)
{
    // A window that never validates would repaint forever: stop after a
    // generous number of rounds.
    MSG message;
    for (int round = 0; round < 10000 && PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++round)
        DispatchMessageA(&message);
}

} // extern "C"
