// The array controls: list and combo boxes over an array of strings, with the
// selection bound to an index field, to an element field, or to both.
#include "Listbox.hpp"

#include "fl_constants.h"
#include "jni_rows.hpp"
#include "runtime.hpp"

namespace {

constexpr const char *kModule = "Listbox";
constexpr int kHorizontalExtent = 1536;
constexpr WORD kSelectionChanged = 1; // LBN_SELCHANGE and CBN_SELCHANGE

const FLRT_ItemMessages kListMessages{LB_RESETCONTENT, LB_ADDSTRING, LB_SETHORIZONTALEXTENT, LB_GETCURSEL, LB_SETCURSEL,
                                      LB_GETCOUNT,     LBS_SORT};
const FLRT_ItemMessages kComboMessages{
    CB_RESETCONTENT, CB_ADDSTRING, CB_SETHORIZONTALEXTENT, CB_GETCURSEL, CB_SETCURSEL, CB_GETCOUNT, CBS_SORT};

} // namespace

bool CFLRT_ArrayControl::ReadProperties()
{
    if (!CFLRT_EditableControl::ReadProperties())
        return false;
    // Item i stands for element i: a window that sorted its items would store the wrong element.
    if (messages_)
        style_ &= ~messages_->sort_style;
    selection_index_path_ = AccessPath(description_, {FL_properties, group_sign_, FL_selection});
    selected_item_path_ = AccessPath(description_, {FL_properties, group_sign_, FL_selected});
    current_selection_ = -1;
    return true;
}

LRESULT CFLRT_ArrayControl::OnCommand(WPARAM wparam, LPARAM)
{
    if (HIWORD(wparam) == kSelectionChanged)
        StoreSelection();
    return 0;
}

jobject CFLRT_ArrayControl::Array()
{
    return javaapi_get_value(object_, value_path_).l;
}

void CFLRT_ArrayControl::MeasureArray(jobject array)
{
    count_ = flrt::array_length(array);
    lower_bound_ = flrt::array_lower_bound(array);
}

void CFLRT_ArrayControl::ReadItems(jobject array, std::vector<std::string> &texts)
{
    texts = flrt::string_items(array, count_);
}

void CFLRT_ArrayControl::ShowItems(const std::vector<std::string> &texts)
{
    // Rebuilding the same items would only cost a repaint.
    if (texts == items_ && SendMessageA(window_, messages_->get_count, 0, 0) == static_cast<LRESULT>(texts.size()))
        return;
    SendMessageA(window_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(window_, messages_->reset_content, 0, 0);
    // The items go straight to the window's own procedure: the widget hook has nothing to do for them.
    for (const std::string &text : texts)
        CallPrevious(window_, messages_->add_string, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
    items_ = texts;
}

void CFLRT_ArrayControl::SelectItem(int index)
{
    if (GetCurSel() != index)
        SetCurSel(index);
}

bool CFLRT_ArrayControl::LoadValue(CFLRT_AbstractWidget *)
{
    const int previous = GetCurSel();
    jobject array = Array();
    std::vector<std::string> texts;
    if (array) {
        MeasureArray(array);
        texts.reserve(static_cast<size_t>(count_ > 0 ? count_ : 0));
        ReadItems(array, texts);
    }
    // A void array leaves the window empty.
    ShowItems(texts);
    // Without a selection path the window keeps the position it had before the reload.
    if (array)
        SelectItem(LoadSelection() ? current_selection_ : previous);
    if (style_ & WS_HSCROLL)
        SendMessageA(window_, messages_->set_horizontal_extent, kHorizontalExtent, 0);
    const bool loaded = array != nullptr;
    flrt::delete_local(array);
    return loaded;
}

bool CFLRT_ArrayControl::LoadSelection()
{
    if (!selection_index_path_)
        return false;
    current_selection_ = -1;
    const int index = javaapi_get_int(object_, selection_index_path_) - lower_bound_;
    if (index >= 0 && index < count_)
        current_selection_ = index;
    return true;
}

bool CFLRT_ArrayControl::StoreSelection()
{
    bool changed = false;
    if (selection_index_path_ && !javaapi_is_literal(selection_index_path_)) {
        const int index = GetCurSel();
        if (index != current_selection_) {
            current_selection_ = index;
            // No selection stores the index just below the first element.
            javaapi_set_int(object_, selection_index_path_, lower_bound_ + index);
            changed = true;
        }
    }
    if (selected_item_path_) {
        javaapi_set_value(object_, selected_item_path_, GetSelectedItem());
        changed = true;
    }
    if (changed)
        owner_form_->LoadValue(this);
    return changed;
}

int CFLRT_ArrayControl::GetCurSel()
{
    return static_cast<int>(SendMessageA(window_, messages_->get_cur_sel, 0, 0));
}

void CFLRT_ArrayControl::SetCurSel(int index)
{
    SendMessageA(window_, messages_->set_cur_sel, static_cast<WPARAM>(index), 0);
}

jobject CFLRT_ArrayControl::SelectedArray(const char *module, int line)
{
    jobject array = Array();
    if (!array)
        flrt_assert_msg("Array object is Void", module, line);
    return array;
}

jvalue CFLRT_ArrayControl::GetSelectedItem()
{
    jvalue item = flrt::object_value();
    const int index = GetCurSel();
    if (index == -1)
        return item;
    if (jobject array = SelectedArray(kModule, __LINE__)) {
        item.l = flrt::table()->GetObjectArrayElement(static_cast<jobjectArray>(array), index);
        flrt::delete_local(array);
    }
    return item;
}

CFLRT_ListboxControl::CFLRT_ListboxControl() : CFLRT_Cloneable("ListBox", FL_list_box, &kListMessages) {}

CFLRT_ComboboxControl::CFLRT_ComboboxControl() : CFLRT_Cloneable("ComboBox", FL_combo_box, &kComboMessages) {}

namespace {
flrt::RegisterWidget<CFLRT_ListboxControl> g_list_box(FL_kind_list_box);
flrt::RegisterWidget<CFLRT_ComboboxControl> g_combo_box(FL_kind_combo_box);
} // namespace
