// The trackbar: an integer of the object moved within a range, with ticks and
// an optional selection range; every scroll that moves it stores the position.
#include <windows.h>

#include <commctrl.h>

#include "Form.hpp"
#include "Range.hpp"

namespace {
constexpr const char *kModule = "Trackbar";
// Scroll codes up to TB_ENDTRACK carry no position in the high word.
constexpr WPARAM kLastPlainScrollCode = TB_ENDTRACK;
} // namespace

class CFLRT_TrackbarControl : public CFLRT_EditableControl {
public:
    CFLRT_TrackbarControl() : CFLRT_EditableControl(TRACKBAR_CLASSA) {}
    CFLRT_AbstractWidget *Clone() const override { return new CFLRT_TrackbarControl; }
    bool ReadProperties() override;
    LRESULT OnScroll(WPARAM wparam, LPARAM lparam) override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;

private:
    // Sets the range; answers the bounds it set.
    void LoadRange(int &lower, int &upper);
    void LoadSelectionRange(int lower, int upper);

    FLF_ITEM lower_path_ = nullptr;
    FLF_ITEM upper_path_ = nullptr;
    FLF_ITEM selection_start_path_ = nullptr;
    FLF_ITEM selection_end_path_ = nullptr;
    bool first_load_ = true;
    bool range_variable_ = false;
    bool selection_variable_ = false;
    int current_ = 0;
};

bool CFLRT_TrackbarControl::ReadProperties()
{
    if (!CFLRT_EditableControl::ReadProperties())
        return false;
    lower_path_ =
        flrt::required_bound(description_, FL_trackbar, FL_lower, "Trackbar range missed (min)", kModule, __LINE__);
    upper_path_ =
        flrt::required_bound(description_, FL_trackbar, FL_upper, "Trackbar range missed (max)", kModule, __LINE__);
    selection_start_path_ = AccessPath(description_, {FL_properties, FL_trackbar, FL_selection, FL_lower});
    selection_end_path_ = AccessPath(description_, {FL_properties, FL_trackbar, FL_selection, FL_upper});
    range_variable_ = flrt::range_is_variable(lower_path_, upper_path_);
    const auto variable = [](FLF_ITEM path) { return path && flrt::first_tag(path) != 'L'; };
    selection_variable_ = variable(selection_start_path_) || variable(selection_end_path_);
    return true;
}

void CFLRT_TrackbarControl::LoadRange(int &lower, int &upper)
{
    upper = flrt::bound_value(object_, upper_path_);
    lower = flrt::bound_value(object_, lower_path_);
    if (upper < lower)
        flrt_assert_msg("Trackbar range is empty", kModule, __LINE__);
    SendMessageA(window_, TBM_SETRANGEMAX, FALSE, upper);
    SendMessageA(window_, TBM_SETRANGEMIN, TRUE, lower);
    SendMessageA(window_, TBM_SETTICFREQ, static_cast<WPARAM>((upper - lower) / 10), 0);
}

void CFLRT_TrackbarControl::LoadSelectionRange(int lower, int upper)
{
    const int start = selection_start_path_ ? javaapi_get_int(object_, selection_start_path_) : lower;
    const int end = selection_end_path_ ? javaapi_get_int(object_, selection_end_path_) : upper;
    SendMessageA(window_, TBM_SETSELSTART, FALSE, start);
    SendMessageA(window_, TBM_SETSELEND, TRUE, end);
}

bool CFLRT_TrackbarControl::LoadValue(CFLRT_AbstractWidget *)
{
    // The selection defaults to the range set in this load (0 to 0 when the range was not read).
    int lower = 0;
    int upper = 0;
    if (first_load_ || range_variable_)
        LoadRange(lower, upper);
    if (first_load_ || selection_variable_)
        LoadSelectionRange(lower, upper);
    current_ = javaapi_get_int(object_, value_path_);
    if (SendMessageA(window_, TBM_GETPOS, 0, 0) != current_)
        SendMessageA(window_, TBM_SETPOS, TRUE, current_);
    first_load_ = false;
    return true;
}

LRESULT CFLRT_TrackbarControl::OnScroll(WPARAM wparam, LPARAM)
{
    // Thumb notifications carry the position and are skipped: the end of the drag stores.
    if (wparam > kLastPlainScrollCode)
        return 0;
    const int position = static_cast<int>(SendMessageA(window_, TBM_GETPOS, 0, 0));
    if (position == current_)
        return 0;
    javaapi_set_int(object_, value_path_, position);
    RunRoutines({FL_routines, FL_mouse, FL_on_click});
    owner_form_->LoadValue(this);
    return 0;
}

namespace {
flrt::RegisterWidget<CFLRT_TrackbarControl> g_trackbar(6);
} // namespace
