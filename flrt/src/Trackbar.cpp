// The trackbar: an integer of the object moved within a range, with ticks and
// an optional selection range; every scroll that moves it stores the position.
#include <windows.h>

#include <commctrl.h>

#include "Range.hpp"

namespace {
constexpr const char *kModule = "Trackbar";
// Scroll codes up to TB_ENDTRACK carry no position in the high word.
constexpr WPARAM kLastPlainScrollCode = TB_ENDTRACK;
} // namespace

class CFLRT_TrackbarControl : public CFLRT_Cloneable<CFLRT_TrackbarControl, CFLRT_RangeControl> {
public:
    bool ReadProperties() override;
    LRESULT OnScroll(WPARAM wparam, LPARAM lparam) override;

private:
    void LoadRange(int &lower, int &upper) override;
    // The selection defaults to the range set in this load.
    void LoadBesideRange(int lower, int upper) override;
    bool ShowsPosition(int position) override { return SendMessageA(window_, TBM_GETPOS, 0, 0) == position; }
    void SetPosition(int position) override { SendMessageA(window_, TBM_SETPOS, TRUE, position); }

    FLF_ITEM selection_start_path_ = nullptr;
    FLF_ITEM selection_end_path_ = nullptr;
    bool selection_variable_ = false;
};

bool CFLRT_TrackbarControl::ReadProperties()
{
    if (!CFLRT_EditableControl::ReadProperties())
        return false;
    ReadRangePaths(FL_trackbar, kModule, __LINE__, "Trackbar range missed (min)", "Trackbar range missed (max)");
    selection_start_path_ = AccessPath(description_, {FL_properties, FL_trackbar, FL_selection, FL_lower});
    selection_end_path_ = AccessPath(description_, {FL_properties, FL_trackbar, FL_selection, FL_upper});
    const auto variable = [](FLF_ITEM path) { return path && flrt::first_tag(path) != 'L'; };
    selection_variable_ = variable(selection_start_path_) || variable(selection_end_path_);
    return true;
}

void CFLRT_TrackbarControl::LoadRange(int &lower, int &upper)
{
    if (!ReadBounds(lower, upper, 0))
        flrt_assert_msg("Trackbar range is empty", kModule, __LINE__);
    SendMessageA(window_, TBM_SETRANGEMAX, FALSE, upper);
    SendMessageA(window_, TBM_SETRANGEMIN, TRUE, lower);
    SendMessageA(window_, TBM_SETTICFREQ, static_cast<WPARAM>((upper - lower) / 10), 0);
}

void CFLRT_TrackbarControl::LoadBesideRange(int lower, int upper)
{
    if (!first_load_ && !selection_variable_)
        return;
    const int start = selection_start_path_ ? javaapi_get_int(object_, selection_start_path_) : lower;
    const int end = selection_end_path_ ? javaapi_get_int(object_, selection_end_path_) : upper;
    SendMessageA(window_, TBM_SETSELSTART, FALSE, start);
    SendMessageA(window_, TBM_SETSELEND, TRUE, end);
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
flrt::RegisterWidget<CFLRT_TrackbarControl> g_trackbar(FL_kind_trackbar, TRACKBAR_CLASSA);
} // namespace
