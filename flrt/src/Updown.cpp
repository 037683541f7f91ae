// The up-down control: an integer of the object stepped within a 16-bit
// range; every step stores the new position.
#include <windows.h>

#include <commctrl.h>

#include "Range.hpp"

namespace {
constexpr const char *kModule = "Updown";
constexpr int kLimit = 32767;
} // namespace

class CFLRT_UpDownControl : public CFLRT_Cloneable<CFLRT_UpDownControl, CFLRT_RangeControl> {
public:
    // Every step stores the new position.
    LRESULT OnScroll(WPARAM wparam, LPARAM lparam) override;
    bool ReadProperties() override;

private:
    void LoadRange(int &lower, int &upper) override;
    // The control holds the low 16 bits of a position.
    bool ShowsPosition(int position) override
    {
        return LOWORD(SendMessageA(window_, UDM_GETPOS, 0, 0)) == LOWORD(position);
    }
    void SetPosition(int position) override { SendMessageA(window_, UDM_SETPOS, 0, MAKELPARAM(position, 0)); }
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
    // Both bounds are optional.
    ReadRangePaths(FL_up_down, kModule, __LINE__, nullptr, nullptr);
    return true;
}

void CFLRT_UpDownControl::LoadRange(int &lower, int &upper)
{
    // Without both bounds the control keeps the range it has.
    if (!lower_path_ || !upper_path_)
        return;
    // Equal bounds leave the control nothing to step through.
    if (!ReadBounds(lower, upper, 1))
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
flrt::RegisterWidget<CFLRT_UpDownControl> g_up_down(FL_kind_up_down, UPDOWN_CLASSA);
} // namespace
