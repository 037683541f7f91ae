// The list view: an array of objects shown as the rows of an owner-drawn
// report list, one column per access path evaluated on each row's object.
// The window holds no items of its own (it is virtual): it asks for the rows
// it paints, and they are fetched from the array then, so an array of any
// length loads in the same time.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "Listbox.hpp"
#include "fl_constants.h"
#include "gdi.hpp"
#include "jni_rows.hpp"
#include "runtime.hpp"
#include "text.hpp"

namespace {

constexpr const char *kModule = "Listview";
constexpr size_t kCellBuffer = 256;
constexpr size_t kHeaderLength = 63;
constexpr char kStringClass[] = "java/lang/String";
// Rows searched for the letters the user types, so that a letter no row
// starts with does not walk an array of millions.
constexpr int kTypeAheadRows = 10000;

// The text the user typed into a virtual list, from either form of the request.
std::string typed_text(NMHDR *header)
{
    if (header->code == LVN_ODFINDITEMA) {
        const auto *find = reinterpret_cast<NMLVFINDITEMA *>(header);
        return (find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) && find->lvfi.psz ? find->lvfi.psz : "";
    }
    const auto *find = reinterpret_cast<NMLVFINDITEMW *>(header);
    if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz)
        return "";
    char text[kCellBuffer] = "";
    WideCharToMultiByte(CP_ACP, 0, find->lvfi.psz, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

} // namespace

class CFLRT_ListViewControl : public CFLRT_Cloneable<CFLRT_ListViewControl, CFLRT_ArrayControl> {
public:
    CFLRT_ListViewControl() : CFLRT_Cloneable("SysListView32", FL_list_view, nullptr)
    {
        clicks_from_button_up_ = false;
    }
    bool ReadProperties() override;
    bool Create(HWND parent, int id) override;
    LRESULT OnNotify(WPARAM wparam, NMHDR *header) override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;
    void DrawItem(int id, DRAWITEMSTRUCT *item) override;
    LRESULT MeasureItem(int id, MEASUREITEMSTRUCT *item) override;
    int GetCurSel() override;
    void SetCurSel(int index) override;
    jvalue GetSelectedItem() override;

private:
    struct Column {
        FLF_ITEM item;
        const char *type;
        int alignment;
        int width;
        // The type code the value is read with: strings of a virtual machine
        // carry their class in the type string.
        char Code() const { return std::strstr(type, kStringClass) ? 'S' : type[0]; }
    };

    bool ReadColumns();
    void InsertColumns();
    bool SameRows(jobject array) const;
    // Shows the array's rows from the top; takes over the array's reference.
    void Rebuild(jobject array);
    void DrawCell(HDC dc, RECT cell, const Column &column, jobject row);
    void FillDisplayInfo(NMLVDISPINFOA *info);
    // The row whose first cell starts with the text the user typed, or -1.
    int FindTyped(int start, const std::string &typed);
    jobject RowObject(int index);

    std::vector<Column> columns_;
    flrt::ArrayRows rows_;
    // Loading selects rows itself; the object must not hear of that.
    bool loading_ = false;
};

bool CFLRT_ListViewControl::ReadProperties()
{
    if (!CFLRT_ArrayControl::ReadProperties())
        return false;
    style_ = (style_ & ~LVS_EDITLABELS) | LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_OWNERDATA;
    return ReadColumns();
}

bool CFLRT_ListViewControl::ReadColumns()
{
    columns_.clear();
    FLF_ITEM list = Path(description_, {FL_properties, FL_list_view, FL_columns});
    const int count = list ? flf_get_children_count(list) : 0;
    for (int position = count ? flf_get_first_prop_position(list) : 0; position;
         position = flf_get_next_prop_position(list, position)) {
        FLF_ITEM item = flf_item_by_position(list, position);
        const char *type = String(Prop(item, FL_type));
        if (!type) {
            flrt_assert(kModule, __LINE__);
            type = "";
        }
        FLF_ITEM width = Prop(item, FL_width);
        if (!width)
            flrt_assert(kModule, __LINE__);
        const int alignment = Int(Prop(item, FL_alignment));
        // Told once here rather than at every painted cell, which would bring
        // the box back with every repaint it causes.
        if (alignment < 0 || alignment > 2)
            flrt_assert_msg("Bad alignmet tag", kModule, __LINE__);
        columns_.push_back(Column{item, type, alignment, Int(width)});
    }
    if (static_cast<int>(columns_.size()) < count)
        flrt_assert(kModule, __LINE__);
    return true;
}

bool CFLRT_ListViewControl::Create(HWND parent, int id)
{
    if (!CFLRT_ArrayControl::Create(parent, id))
        return false;
    SendMessageA(window_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
    InsertColumns();
    return true;
}

void CFLRT_ListViewControl::InsertColumns()
{
    for (size_t index = 0; index < columns_.size(); ++index) {
        FLF_ITEM header_path = AccessPath(columns_[index].item, {FL_caption});
        const char *header = header_path ? javaapi_get_string(object_, header_path) : nullptr;
        char text[kHeaderLength + 1];
        flrt::copy_cut(text, sizeof text, header ? header : "");
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns_[index].width;
        column.pszText = text;
        column.iSubItem = static_cast<int>(index);
        if (SendMessageA(window_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)) == -1)
            flrt_assert(kModule, __LINE__);
    }
}

bool CFLRT_ListViewControl::SameRows(jobject array) const
{
    const bool shown = SendMessageA(window_, LVM_GETITEMCOUNT, 0, 0) == rows_.Count();
    return shown && (array ? rows_.Shows(array, count_) : rows_.Count() == 0);
}

void CFLRT_ListViewControl::Rebuild(jobject array)
{
    SendMessageA(window_, WM_SETREDRAW, FALSE, 0);
    // No rows first: the selection goes and the list scrolls back to the top
    // (deleting all items would walk every row).
    SendMessageA(window_, LVM_SETITEMCOUNT, 0, 0);
    // The rows of the first page are fetched now, as the window will ask for them at once.
    const int page = static_cast<int>(SendMessageA(window_, LVM_GETCOUNTPERPAGE, 0, 0)) + 1;
    rows_.Reset(array, array ? count_ : 0, page);
    SendMessageA(window_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows_.Count()), 0);
    SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
}

bool CFLRT_ListViewControl::LoadValue(CFLRT_AbstractWidget *)
{
    loading_ = true;
    const int previous = GetCurSel();
    jobject array = Array();
    if (array)
        MeasureArray(array);
    const bool loaded = array != nullptr;
    if (SameRows(array)) {
        // The same objects in the same order: only their values may have changed.
        InvalidateRect(window_, nullptr, FALSE);
        flrt::delete_local(array);
    } else {
        Rebuild(array);
    }
    if (loaded)
        SelectItem(LoadSelection() ? current_selection_ : previous);
    loading_ = false;
    return loaded;
}

int CFLRT_ListViewControl::GetCurSel()
{
    // The search for the selected row may walk every row: asked only when a
    // row is selected and it is not the row the selection was last made at.
    if (SendMessageA(window_, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
        return -1;
    const int mark = static_cast<int>(SendMessageA(window_, LVM_GETSELECTIONMARK, 0, 0));
    if (mark >= 0 && SendMessageA(window_, LVM_GETITEMSTATE, static_cast<WPARAM>(mark), LVIS_SELECTED))
        return mark;
    return static_cast<int>(SendMessageA(window_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CFLRT_ListViewControl::SetCurSel(int index)
{
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (index < 0) {
        // No selection: every row loses it, as the list boxes do.
        SendMessageA(window_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
        return;
    }
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    item.stateMask = 15;
    SendMessageA(window_, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    SendMessageA(window_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

jobject CFLRT_ListViewControl::RowObject(int index)
{
    return rows_.Row(index);
}

jvalue CFLRT_ListViewControl::GetSelectedItem()
{
    const int index = GetCurSel();
    if (index == -1)
        return flrt::object_value();
    current_selection_ = index;
    return flrt::object_value(RowObject(index));
}

void CFLRT_ListViewControl::FillDisplayInfo(NMLVDISPINFOA *info)
{
    if (!(info->item.mask & LVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0)
        return;
    const int column = info->item.iSubItem;
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return;
    jobject row = RowObject(info->item.iItem);
    const char code[2] = {columns_[static_cast<size_t>(column)].Code(), '\0'};
    const char *text = javaapi_value_text(row, columns_[static_cast<size_t>(column)].item, code);
    flrt::copy_cut(info->item.pszText, static_cast<size_t>(info->item.cchTextMax), text ? text : "");
}

int CFLRT_ListViewControl::FindTyped(int start, const std::string &typed)
{
    const int count = rows_.Count();
    if (typed.empty() || columns_.empty() || count <= 0)
        return -1;
    const char code[2] = {columns_[0].Code(), '\0'};
    for (int step = 0; step < count && step < kTypeAheadRows; ++step) {
        const int index = ((start < 0 ? 0 : start) + step) % count;
        const char *text = javaapi_value_text(RowObject(index), columns_[0].item, code);
        if (text && CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text,
                                   static_cast<int>(std::min(std::strlen(text), typed.size())), typed.c_str(),
                                   static_cast<int>(typed.size())) == CSTR_EQUAL)
            return index;
    }
    return -1;
}

LRESULT CFLRT_ListViewControl::OnNotify(WPARAM, NMHDR *header)
{
    switch (header->code) {
    case LVN_GETDISPINFOA: FillDisplayInfo(reinterpret_cast<NMLVDISPINFOA *>(header)); break;
    // No notification for each row when all go at once.
    case LVN_DELETEALLITEMS: return TRUE;
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW: return FindTyped(reinterpret_cast<NMLVFINDITEMA *>(header)->iStart, typed_text(header));
    // A click stores the selection, also one the keyboard made before it;
    // the selection changes a click makes on its way store nothing by themselves.
    case NM_CLICK:
    case NM_RCLICK:
        StoreSelection();
        if (GetCurSel() != -1)
            RunRoutines({FL_routines, FL_mouse, FL_on_click});
        break;
    default: break;
    }
    return 0;
}

LRESULT CFLRT_ListViewControl::MeasureItem(int, MEASUREITEMSTRUCT *item)
{
    if (item->CtlType != ODT_LISTVIEW)
        return 0;
    flrt::FontHandle own_font;
    auto font = reinterpret_cast<HFONT>(SendMessageA(parent_window_, WM_GETFONT, 0, 0));
    if (!font) {
        const LOGFONTA description = OwnFont();
        own_font.reset(CreateFontIndirectA(&description));
        font = own_font.get();
    }
    TEXTMETRICA metrics{};
    {
        flrt::WindowDC dc(parent_window_);
        gdi::Selection use_font(dc.get(), font);
        GetTextMetricsA(dc.get(), &metrics);
    }
    item->itemHeight = static_cast<UINT>(metrics.tmHeight + 2);
    return 1;
}

void CFLRT_ListViewControl::DrawItem(int, DRAWITEMSTRUCT *item)
{
    if (item->CtlType != ODT_LISTVIEW || !(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS)))
        return;
    HDC dc = item->hDC;
    const int saved = SaveDC(dc);
    if (item->itemState & ODS_SELECTED) {
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    } else {
        if (IsColor(background_color_))
            SetBkColor(dc, ResolveColor(background_color_));
        if (IsColor(TextColor()))
            SetTextColor(dc, ResolveColor(TextColor()));
    }
    RECT cell{item->rcItem.left, item->rcItem.top, item->rcItem.left, item->rcItem.bottom - 2};
    jobject row = RowObject(static_cast<int>(item->itemID));
    for (size_t index = 0; index < columns_.size(); ++index) {
        cell.right = cell.left + static_cast<int>(SendMessageA(window_, LVM_GETCOLUMNWIDTH, index, 0));
        DrawCell(dc, cell, columns_[index], row);
        cell.left = cell.right;
    }
    RestoreDC(dc, saved);
}

void CFLRT_ListViewControl::DrawCell(HDC dc, RECT cell, const Column &column, jobject row)
{
    int x = cell.left + 2;
    UINT align = TA_LEFT;
    switch (column.alignment) {
    case 0: break;
    case 1: x = (cell.left + cell.right) / 2, align = TA_CENTER; break;
    case 2: x = cell.right - 2, align = TA_RIGHT; break;
    default: x = cell.left; break;
    }
    SetTextAlign(dc, align);
    const char code[2] = {column.Code(), '\0'};
    const char *value = javaapi_value_text(row, column.item, code);
    char text[kCellBuffer];
    flrt::copy_cut(text, sizeof text, value ? value : "");
    flrt_fit_text_ellipsis(dc, text, sizeof text, cell.right - cell.left);
    ExtTextOutA(dc, x, cell.top, ETO_CLIPPED | ETO_OPAQUE, &cell, text, static_cast<UINT>(std::strlen(text)), nullptr);
}

namespace {
flrt::RegisterWidget<CFLRT_ListViewControl> g_list_view(FL_kind_list_view);
} // namespace
