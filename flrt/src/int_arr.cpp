// The integer variants of the list and combo boxes: the items are the
// elements of an integer array as signed decimal texts, the selected item is
// the element's value.
#include "Listbox.hpp"
#include "fl_constants.h"
#include "jni_rows.hpp"
#include "runtime.hpp"

namespace {

constexpr const char *kModule = "int_arr";

} // namespace

void CFLRT_ArrayControl::ReadIntItems(jobject array, std::vector<std::string> &texts)
{
    texts = flrt::int_items(array, count_);
}

jvalue CFLRT_ArrayControl::SelectedInt()
{
    jvalue item = flrt::int_value(0);
    const int index = GetCurSel();
    if (index == -1)
        return item;
    if (jobject array = SelectedArray(kModule, __LINE__)) {
        flrt::table()->GetIntArrayRegion(static_cast<jintArray>(array), index, 1, &item.i);
        flrt::delete_local(array);
    }
    return item;
}

namespace {
flrt::RegisterWidget<CFLRT_ListboxIntControl> g_integer_list_box(FL_kind_integer_list_box);
flrt::RegisterWidget<CFLRT_ComboboxIntControl> g_integer_combo_box(FL_kind_integer_combo_box);
} // namespace
