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

// The bound path of sign (FL_lower or FL_upper) in the control group's range;
// reports the message when it is missing.
inline FLF_ITEM required_bound(FLF_ITEM description, int group, int sign, const char *message, const char *module,
                               int line)
{
    FLF_ITEM path = PropertyServer::AccessPath(description, {FL_properties, group, FL_range, sign});
    if (!path)
        flrt_assert_msg(message, module, line);
    return path;
}

} // namespace flrt

#endif
