#include "user.hpp"

#include <cstring>

namespace fltest {
namespace {

// The text a control copies into the buffer of an item structure.
template <class Item>
std::string item_text(HWND control, UINT message, WPARAM which, Item item)
{
    char text[256] = "";
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(control, message, which, reinterpret_cast<LPARAM>(&item));
    return text;
}

void post_mouse(HWND window, UINT message, WPARAM keys, POINT point)
{
    PostMessageA(window, message, keys, MAKELPARAM(point.x, point.y));
}

} // namespace

std::function<HWND()> in(const HWND &form, int index)
{
    return [&form, index] { return Script::control(form, index); };
}

std::function<HWND()> the(const HWND &window)
{
    return [&window] { return window; };
}

std::function<bool()> active(const HWND &form)
{
    return [&form] { return GetActiveWindow() == form && GetFocus() && IsChild(form, GetFocus()); };
}

void type(const std::string &text)
{
    HWND focus = GetFocus();
    for (char character : text)
        PostMessageA(focus, WM_CHAR, static_cast<unsigned char>(character), 1);
}

void select_all()
{
    PostMessageA(GetFocus(), EM_SETSEL, 0, -1);
}

POINT middle(const RECT &area)
{
    return POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
}

void click_at(HWND window, POINT point, bool right)
{
    post_mouse(window, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, point);
    post_mouse(window, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, point);
}

void double_click_at(HWND window, POINT point)
{
    click_at(window, point);
    post_mouse(window, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    post_mouse(window, WM_LBUTTONUP, 0, point);
}

void click_item(HWND list, int item)
{
    RECT area;
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&area));
    click_at(list, middle(area));
}

std::string shown(HWND control)
{
    char text[256] = "";
    GetWindowTextA(control, text, sizeof text);
    return text;
}

std::string message_of(const Box &box)
{
    return box.text.substr(0, box.text.find(" \n\n(File"));
}

std::string all_of(Script &script)
{
    std::string texts;
    for (const Box &box : script.boxes().boxes())
        texts += "[" + box.caption + ": " + box.text + "] ";
    return texts;
}

RECT list_view_row(HWND list, int row)
{
    RECT area{};
    area.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&area));
    return area;
}

std::string list_view_cell(HWND list, int row, int column)
{
    LVITEMA item{};
    item.iSubItem = column;
    return item_text(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), item);
}

HTREEITEM tree_item(HWND tree, HTREEITEM from, UINT relation)
{
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from)));
}

std::string tree_label(HWND tree, HTREEITEM item)
{
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    return item_text(tree, TVM_GETITEMA, 0, data);
}

RECT tree_label_rect(HWND tree, HTREEITEM item)
{
    // The message takes the item in the rectangle's first bytes.
    RECT area{};
    std::memcpy(&area, &item, sizeof item);
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&area));
    return area;
}

RECT tab_rect(HWND tabs, int index)
{
    RECT area{};
    SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&area));
    return area;
}

std::string tab_caption(HWND tabs, int index)
{
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    return item_text(tabs, TCM_GETITEMA, static_cast<WPARAM>(index), item);
}

HWND trace_window()
{
    for (HWND window = FindWindowA("FLTracer", nullptr); window;
         window = FindWindowExA(nullptr, window, "FLTracer", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            return window;
    }
    return nullptr;
}

HWND trace_list()
{
    HWND window = trace_window();
    return window ? FindWindowExA(window, nullptr, "LISTBOX", nullptr) : nullptr;
}

} // namespace fltest
