// The list of open resource files, the form lookup, and window utilities
// shared by forms and controls.
#include <atomic>
#include <cstring>
#include <memory>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "gdi.hpp"
#include "runtime.hpp"

extern "C" {
extern int __argc;
extern char **__argv;
}

namespace flrt {
namespace {

constexpr const char *kModule = "Reslib";
constexpr const char *kDefaultFile = "FL.FLF";

std::string upper_ascii(const char *text)
{
    std::string upper(text);
    for (char &c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

struct FindCloser {
    void operator()(HANDLE find) const { FindClose(find); }
};

bool file_exists(const std::string &path)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    std::unique_ptr<void, FindCloser> closer(find);
    return true;
}

bool has_directory_part(const char *name)
{
    const size_t length = std::strlen(name);
    return (length > 2 && name[1] == ':') || (length > 1 && std::strchr(name + 1, '\\'));
}

// The directory of the running program, with its final backslash; empty when
// the program path holds no backslash after its first character.
std::string program_directory()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char *last = std::strrchr(path + 1, '\\');
    return last ? std::string(path, static_cast<size_t>(last + 1 - path)) : std::string();
}

// Where the file is: the name itself, else the program's directory for a
// name without a directory part; empty when it is nowhere.
std::string locate(const char *name)
{
    if (file_exists(name))
        return name;
    if (has_directory_part(name))
        return {};
    const std::string directory = program_directory();
    if (directory.empty())
        return {};
    const std::string beside_program = directory + name;
    return file_exists(beside_program) ? beside_program : std::string();
}

// The default file: "FL.FLF", or the rest of the last argument "-=name" or "/=name".
std::string default_file_name()
{
    std::string name = kDefaultFile;
    for (int i = 1; i < __argc; ++i) {
        const char *argument = __argv[i];
        if (std::strlen(argument) > 2 && (argument[0] == '-' || argument[0] == '/') && argument[1] == '=')
            name = argument + 2;
    }
    return name;
}

class CFLRT_ResourceList {
public:
    CFLRT_ResourceList()
    {
        entries_.reserve(5);
        Add(default_file_name().c_str(), true);
    }

    void Add(const char *name, bool is_default)
    {
        CloseUnusedRetired();
        if (!name) {
            flrt_assert_msg("Empty resource file name.", kModule, __LINE__);
            return;
        }
        std::string key = upper_ascii(name);
        if (Find(key) != entries_.rend())
            return;
        const std::string path = locate(name);
        if (path.empty()) {
            if (!is_default)
                flrt_assert_name("Cannot find resource file\n", name, kModule, __LINE__);
            return;
        }
        FLF_BASE base = flf_open_base(path.c_str());
        if (!base) {
            flrt_assert_name("Error reading resource file\n", path.c_str(), kModule, __LINE__);
            return;
        }
        entries_.push_back(Entry{std::move(key), base, !is_default});
    }

    void Remove(const char *name)
    {
        if (!name) {
            flrt_assert_msg("Empty resource file name.", kModule, __LINE__);
            return;
        }
        const auto found = Find(upper_ascii(name));
        if (found == entries_.rend()) {
            flrt_assert_name("Remove unknown resource file\n", name, kModule, __LINE__);
            return;
        }
        if (!found->removable) {
            flrt_assert_msg("You cannot remove default resource file!", kModule, __LINE__);
            return;
        }
        // An open form reads its description from the database for as long
        // as it lives: such a database is closed once no form uses it.
        retired_.push_back(found->base);
        entries_.erase(std::next(found).base());
        CloseUnusedRetired();
    }

    bool IsEmpty() const { return entries_.empty(); }

    FLF_ITEM FindForm(const char *class_name, int form_number) const
    {
        for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry)
            if (FLF_ITEM form = flf_get_form(entry->base, class_name, form_number))
                return form;
        return nullptr;
    }

private:
    struct Entry {
        std::string name;
        FLF_BASE base;
        bool removable;
    };

    std::vector<Entry>::reverse_iterator Find(const std::string &key)
    {
        for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry)
            if (entry->name == key)
                return entry;
        return entries_.rend();
    }

    void CloseUnusedRetired()
    {
        std::erase_if(retired_, [](FLF_BASE base) {
            if (form_described_in(flf_get_form_root(base)))
                return false;
            flf_close_base(base);
            return true;
        });
    }

    std::vector<Entry> entries_;
    // Removed from the list, closed when no open form is described in them.
    std::vector<FLF_BASE> retired_;
};

} // namespace

// Made on first use and kept to the end of the process.
CFLRT_ResourceList &resource_list()
{
    static CFLRT_ResourceList *list = new CFLRT_ResourceList;
    return *list;
}

} // namespace flrt

namespace {
// Only the window thread makes and frees GDI handles, but a diagnostic may be
// read from any thread.
std::atomic<int> g_live_gdi_handles{0};
} // namespace

void flrt::count_gdi_handles(int change) noexcept
{
    g_live_gdi_handles += change;
}

int flrt::live_gdi_handles() noexcept
{
    return g_live_gdi_handles;
}

extern "C" {

FLRT_API void FLRT_CALL flrt_add_res_file(const char *file_name)
{
    flrt::resource_list().Add(file_name, false);
}

FLRT_API void FLRT_CALL flrt_remove_res_file(const char *file_name)
{
    flrt::resource_list().Remove(file_name);
}

FLRT_API int FLRT_CALL flrt_res_list_is_empty(void)
{
    return flrt::resource_list().IsEmpty();
}

FLRT_API FLF_ITEM FLRT_CALL flrt_find_form(const char *class_name, int form_number)
{
    return flrt::resource_list().FindForm(class_name, form_number);
}

FLRT_API RECT FLRT_CALL flrt_rect_from_size(int x, int y, int width, int height)
{
    return RECT{x, y, x + width, y + height};
}

FLRT_API void FLRT_CALL flrt_grow_rect(RECT *rect, int dx, int dy)
{
    InflateRect(rect, dx, dy);
}

FLRT_API int FLRT_CALL flrt_live_gdi_handles(void)
{
    return flrt::live_gdi_handles();
}

FLRT_API LOGFONTA FLRT_CALL flrt_font_description(const char *face, int points, int style)
{
    LOGFONTA font{};
    font.lfHeight = -MulDiv(points, GetDeviceCaps(flrt::WindowDC(nullptr).get(), LOGPIXELSY), 72);
    font.lfWeight = (style & 1) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (style & 2) ? TRUE : FALSE;
    font.lfUnderline = (style & 4) ? TRUE : FALSE;
    font.lfStrikeOut = (style & 8) ? TRUE : FALSE;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

FLRT_API void FLRT_CALL flrt_set_window_font(HWND window, const char *face, int points, int style)
{
    // Windows keep using their font for their whole life, so fonts are shared
    // by description and kept: a form opened many times makes no new ones.
    static std::map<std::tuple<std::string, int, int>, flrt::FontHandle> fonts;
    auto &font = fonts[{face ? face : "", points, style}];
    if (!font) {
        const LOGFONTA description = flrt_font_description(face ? face : "", points, style);
        font.reset(CreateFontIndirectA(&description));
    }
    if (font)
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

FLRT_API POINT FLRT_CALL flrt_pixels_to_dialog_units(int x, int y)
{
    const LONG units = GetDialogBaseUnits();
    return POINT{x * 4 / LOWORD(units), y * 8 / HIWORD(units)};
}

FLRT_API void FLRT_CALL flrt_center_window(HWND window, HWND owner)
{
    RECT own;
    GetWindowRect(window, &own);
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT owner_rect{};
    const bool has_owner = owner && GetWindowRect(owner, &owner_rect);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const bool by_owner_x = has_owner && owner_rect.right - owner_rect.left > width;
    const bool by_owner_y = has_owner && owner_rect.bottom - owner_rect.top > height;
    const RECT &horizontal = by_owner_x ? owner_rect : area;
    const RECT &vertical = by_owner_y ? owner_rect : area;
    const int x = horizontal.left + (horizontal.right - horizontal.left - width) / 2;
    const int y = vertical.top + (vertical.bottom - vertical.top - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

FLRT_API int FLRT_CALL flrt_fit_text_ellipsis(HDC dc, char *text, int buffer_size, int width)
{
    auto text_width = [dc](const std::string &candidate) {
        SIZE size{};
        GetTextExtentPoint32A(dc, candidate.c_str(), static_cast<int>(candidate.size()), &size);
        return size.cx;
    };
    std::string shortened(text);
    const int room = width - 4;
    if (text_width(shortened) <= room)
        return FALSE;
    while (!shortened.empty()) {
        shortened.pop_back();
        const std::string candidate = shortened + "...";
        if (text_width(candidate) <= room && static_cast<int>(candidate.size()) < buffer_size) {
            std::memcpy(text, candidate.c_str(), candidate.size() + 1);
            return TRUE;
        }
    }
    return FALSE;
}

} // extern "C"
