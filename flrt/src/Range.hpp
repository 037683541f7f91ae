// Bounds of the controls that show an integer within a range read from the
// object: the progress bar, the trackbar and the up-down control.
#ifndef FLRT_RANGE_HPP
#define FLRT_RANGE_HPP

#include "Widgets.hpp"
#include "fl_constants.h"

namespace flrt {

// The tag of the first element of an access path; 0 without a path or a tag.
inline char first_tag(FLF_ITEM path)
{
    return PropertyServer::Char(PropertyServer::Prop(path, FL_tag));
}

// A range is read at every load unless both bounds are literals; without
// both tags it is read once.
inline bool range_is_variable(FLF_ITEM lower, FLF_ITEM upper)
{
    const char lower_tag = first_tag(lower);
    const char upper_tag = first_tag(upper);
    return lower_tag && upper_tag && !(lower_tag == 'L' && upper_tag == 'L');
}

// A bound's value; a missing bound (already reported) reads as 0.
inline int bound_value(jobject object, FLF_ITEM path)
{
    return path ? javaapi_get_int(object, path) : 0;
}

} // namespace flrt

// A control that shows an integer of the object within a range read from the
// object. The range is read at the first load and, when it is variable, at
// every load; the position at every load.
class CFLRT_RangeControl : public CFLRT_EditableControl {
public:
    bool LoadValue(CFLRT_AbstractWidget *) override
    {
        // Steps that follow the range see the bounds of this load (0 and 0 when it was not read).
        int lower = 0;
        int upper = 0;
        if (first_load_ || range_variable_)
            LoadRange(lower, upper);
        LoadBesideRange(lower, upper);
        current_ = javaapi_get_int(object_, value_path_);
        if (!ShowsPosition(current_))
            SetPosition(current_);
        first_load_ = false;
        return true;
    }

protected:
    using CFLRT_EditableControl::CFLRT_EditableControl;

    // Reads the bound paths of the range in the control's group; a missing
    // one is reported with its message when it has one (the module and line
    // are the caller's).
    void ReadRangePaths(int group, const char *module, int line, const char *lower_missing, const char *upper_missing)
    {
        lower_path_ = AccessPath(description_, {FL_properties, group, FL_range, FL_lower});
        if (!lower_path_ && lower_missing)
            flrt_assert_msg(lower_missing, module, line);
        upper_path_ = AccessPath(description_, {FL_properties, group, FL_range, FL_upper});
        if (!upper_path_ && upper_missing)
            flrt_assert_msg(upper_missing, module, line);
        range_variable_ = flrt::range_is_variable(lower_path_, upper_path_);
    }
    // Reads the bounds from the object, upper first; answers whether they
    // span at least least_span (a missing bound reads as 0).
    bool ReadBounds(int &lower, int &upper, int least_span)
    {
        upper = flrt::bound_value(object_, upper_path_);
        lower = flrt::bound_value(object_, lower_path_);
        return static_cast<long long>(upper) - lower >= least_span;
    }

    // Reads the bounds from the object and gives them to the window; answers them.
    virtual void LoadRange(int &lower, int &upper) = 0;
    // What else a load reads once or while it is variable (the trackbar's selection).
    virtual void LoadBesideRange(int, int) {}
    // Whether the window shows the position already.
    virtual bool ShowsPosition(int position) = 0;
    virtual void SetPosition(int position) = 0;

    FLF_ITEM lower_path_ = nullptr;
    FLF_ITEM upper_path_ = nullptr;
    bool first_load_ = true;
    bool range_variable_ = false;
    // The position of the last load.
    int current_ = 0;
};

#endif
