// The progress bar: shows an integer of the object within a range; never stores.
#include <windows.h>

#include <commctrl.h>

#include "Range.hpp"

namespace {
constexpr const char *kModule = "Progress";
} // namespace

class CFLRT_ProgressControl : public CFLRT_EditableControl {
public:
    CFLRT_ProgressControl() : CFLRT_EditableControl(PROGRESS_CLASSA) {}
    CFLRT_AbstractWidget *Clone() const override { return new CFLRT_ProgressControl; }
    bool ReadProperties() override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;

private:
    int current_ = 0;
    FLF_ITEM lower_path_ = nullptr;
    FLF_ITEM upper_path_ = nullptr;
    bool first_load_ = true;
    bool range_variable_ = false;
};

bool CFLRT_ProgressControl::ReadProperties()
{
    if (!CFLRT_EditableControl::ReadProperties())
        return false;
    lower_path_ =
        flrt::required_bound(description_, FL_progress, FL_lower, "Progress range missed (min)", kModule, __LINE__);
    upper_path_ =
        flrt::required_bound(description_, FL_progress, FL_upper, "Progress range missed (max)", kModule, __LINE__);
    range_variable_ = flrt::range_is_variable(lower_path_, upper_path_);
    return true;
}

bool CFLRT_ProgressControl::LoadValue(CFLRT_AbstractWidget *)
{
    if (first_load_ || range_variable_) {
        const int upper = flrt::bound_value(object_, upper_path_);
        const int lower = flrt::bound_value(object_, lower_path_);
        if (upper < lower)
            flrt_assert_msg("Progress range is empty", kModule, __LINE__);
        SendMessageA(window_, PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
        SendMessageA(window_, PBM_SETSTEP, 1, 0);
    }
    current_ = javaapi_get_int(object_, value_path_);
    if (SendMessageA(window_, PBM_GETPOS, 0, 0) != current_)
        SendMessageA(window_, PBM_SETPOS, static_cast<WPARAM>(current_), 0);
    first_load_ = false;
    return true;
}

namespace {
flrt::RegisterWidget<CFLRT_ProgressControl> g_progress(21);
} // namespace
