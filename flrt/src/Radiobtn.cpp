// The radio button: stands for one value of an integer of the object. Buttons
// bound to the same integer form one choice: a click stores the button's own
// value, and the refresh that follows checks exactly the buttons that hold it.
#include "Widgets.hpp"
#include "Range.hpp"

namespace {
constexpr const char *kModule = "Radiobtn";
} // namespace

// A click commits as it does for a check box.
class CFLRT_RadioBtnControl : public CFLRT_Cloneable<CFLRT_RadioBtnControl, CFLRT_CheckboxControl> {
public:
    bool ReadProperties() override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;
    void StoreValue() override;

private:
    FLF_ITEM own_value_path_ = nullptr;
    bool first_load_ = true;
    bool own_value_variable_ = false;
    int own_value_ = 0;
};

bool CFLRT_RadioBtnControl::ReadProperties()
{
    if (!CFLRT_EditableControl::ReadProperties())
        return false;
    own_value_path_ = AccessPath(description_, {FL_properties, FL_radio_button, FL_value});
    if (!own_value_path_)
        flrt_assert_msg("Radio Button value is not set!", kModule, __LINE__);
    const char tag = flrt::first_tag(own_value_path_);
    own_value_variable_ = tag && tag != 'L';
    return true;
}

bool CFLRT_RadioBtnControl::LoadValue(CFLRT_AbstractWidget *)
{
    if (first_load_ || own_value_variable_)
        own_value_ = flrt::bound_value(object_, own_value_path_);
    const WPARAM state = javaapi_get_int(object_, value_path_) == own_value_ ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(SendMessageA(window_, BM_GETCHECK, 0, 0)) != state)
        SendMessageA(window_, BM_SETCHECK, state, 0);
    first_load_ = false;
    return true;
}

void CFLRT_RadioBtnControl::StoreValue()
{
    javaapi_set_int(object_, value_path_, own_value_);
}

namespace {
flrt::RegisterWidget<CFLRT_RadioBtnControl> g_radio_button(FL_kind_radio_button, "Button");
} // namespace
