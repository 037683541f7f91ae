// The up-down control: an integer of the object stepped within a 16-bit
// range; every step stores the new position.
#include <windows.h>

#include <commctrl.h>

#include "Form.hpp"
#include "Range.hpp"

namespace {
constexpr const char *kModule = "Updown";
constexpr int kLimit = 32767;
} // namespace

class CFLRT_UpDownControl : public CFLRT_EditableControl {
public:
    CFLRT_UpDownControl() : CFLRT_EditableControl(UPDOWN_CLASSA) {}
    CFLRT_AbstractWidget *Clone() const override { return new CFLRT_UpDownControl; }
    bool ReadProperties() override;
    LRESULT OnScroll(WPARAM wparam, LPARAM lparam) override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;

private:
    void LoadRange();

    int current_ = 0;
    FLF_ITEM lower_path_ = nullptr;
    FLF_ITEM upper_path_ = nullptr;
    bool first_load_ = true;
    bool range_variable_ = false;
};

bool CFLRT_UpDownControl::ReadProperties()
{
    if (!CFLRT_EditableControl::ReadProperties())
        return false;
    // The window style is read above; the control is a tab stop and, when it
    // sits beside another control, takes that control as its buddy.
    style_ |= WS_TABSTOP;
    if (style_ & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))
        style_ |= UDS_AUTOBUDDY;
    lower_path_ = AccessPath(description_, {FL_properties, FL_up_down, FL_range, FL_lower});
    upper_path_ = AccessPath(description_, {FL_properties, FL_up_down, FL_range, FL_upper});
    range_variable_ = flrt::range_is_variable(lower_path_, upper_path_);
    return true;
}

void CFLRT_UpDownControl::LoadRange()
{
    // Without both bounds the control keeps the range it has.
    if (!lower_path_ || !upper_path_)
        return;
    int upper = javaapi_get_int(object_, upper_path_);
    int lower = javaapi_get_int(object_, lower_path_);
    if (static_cast<long long>(upper) - lower < 1)
        flrt_assert_msg("Progress range is empty", kModule, __LINE__);
    // The control holds 16-bit positions.
    if (upper > kLimit)
        upper = kLimit;
    if (lower < -kLimit)
        lower = -kLimit;
    if (upper - lower > kLimit)
        upper = lower + kLimit;
    SendMessageA(window_, UDM_SETRANGE, 0, MAKELPARAM(upper, lower));
}

bool CFLRT_UpDownControl::LoadValue(CFLRT_AbstractWidget *)
{
    if (first_load_ || range_variable_)
        LoadRange();
    current_ = javaapi_get_int(object_, value_path_);
    if (LOWORD(SendMessageA(window_, UDM_GETPOS, 0, 0)) != LOWORD(current_))
        SendMessageA(window_, UDM_SETPOS, 0, MAKELPARAM(current_, 0));
    first_load_ = false;
    return true;
}

LRESULT CFLRT_UpDownControl::OnScroll(WPARAM wparam, LPARAM)
{
    const int position = static_cast<short>(HIWORD(wparam));
    if (position == current_)
        return 0;
    SetFocus(window_);
    current_ = position;
    javaapi_set_int(object_, value_path_, position);
    owner_form_->LoadValue(this);
    return 0;
}

namespace {
flrt::RegisterWidget<CFLRT_UpDownControl> g_up_down(7);
} // namespace
