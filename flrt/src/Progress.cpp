// The progress bar: shows an integer of the object within a range; never stores.
#include <windows.h>

#include <commctrl.h>

#include "Range.hpp"

namespace {
constexpr const char *kModule = "Progress";
} // namespace

class CFLRT_ProgressControl : public CFLRT_Cloneable<CFLRT_ProgressControl, CFLRT_RangeControl> {
public:
    bool ReadProperties() override;

private:
    void LoadRange(int &lower, int &upper) override;
    bool ShowsPosition(int position) override { return SendMessageA(window_, PBM_GETPOS, 0, 0) == position; }
    void SetPosition(int position) override { SendMessageA(window_, PBM_SETPOS, static_cast<WPARAM>(position), 0); }
};

bool CFLRT_ProgressControl::ReadProperties()
{
    if (!CFLRT_EditableControl::ReadProperties())
        return false;
    ReadRangePaths(FL_progress, kModule, __LINE__, "Progress range missed (min)", "Progress range missed (max)");
    return true;
}

void CFLRT_ProgressControl::LoadRange(int &lower, int &upper)
{
    if (!ReadBounds(lower, upper, 0))
        flrt_assert_msg("Progress range is empty", kModule, __LINE__);
    SendMessageA(window_, PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
    SendMessageA(window_, PBM_SETSTEP, 1, 0);
}

namespace {
flrt::RegisterWidget<CFLRT_ProgressControl> g_progress(FL_kind_progress, PROGRESS_CLASSA);
} // namespace
