// The integer variants of the list and combo boxes: the items are the
// elements of an integer array as signed decimal texts, the selected item is
// the element's value.
#include <cstdio>

#include "Listbox.hpp"
#include "runtime.hpp"

namespace {

constexpr const char *kModule = "int_arr";

// The elements of an integer array, taken once and given back unchanged.
class IntElements {
public:
    IntElements(JNIEnv *env, jintArray array)
        : env_(env), array_(array), elements_(env->GetIntArrayElements(array, nullptr))
    {
    }
    ~IntElements()
    {
        if (elements_)
            env_->ReleaseIntArrayElements(array_, elements_, JNI_ABORT);
    }
    IntElements(const IntElements &) = delete;
    IntElements &operator=(const IntElements &) = delete;

    const jint *get() const { return elements_; }

private:
    JNIEnv *env_;
    jintArray array_;
    jint *elements_;
};

} // namespace

void CFLRT_ArrayControl::ReadIntItems(jobject array, std::vector<std::string> &texts)
{
    const IntElements elements(flrt::table(), static_cast<jintArray>(array));
    if (!elements.get())
        return;
    for (int i = 0; i < count_; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(elements.get()[i]));
        texts.emplace_back(text);
    }
}

jvalue CFLRT_ArrayControl::SelectedInt()
{
    jvalue item = flrt::int_value(0);
    const int index = GetCurSel();
    if (index == -1)
        return item;
    if (jobject array = SelectedArray(kModule, __LINE__))
        flrt::table()->GetIntArrayRegion(static_cast<jintArray>(array), index, 1, &item.i);
    return item;
}

namespace {
flrt::RegisterWidget<CFLRT_ListboxIntControl> g_integer_list_box(18);
flrt::RegisterWidget<CFLRT_ComboboxIntControl> g_integer_combo_box(19);
} // namespace
