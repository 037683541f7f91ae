// The rows of list boxes, list views and tree views as the native interface
// table gives them: array elements and tree nodes, each local reference given
// back before the next is made, the objects that stay in a window kept.
#ifndef FLRT_JNI_ROWS_HPP
#define FLRT_JNI_ROWS_HPP

#include <string>
#include <vector>

#include "jni_runtime.hpp"

namespace flrt {

// The number of elements of an array.
FLRT_API int array_length(jobject array);
// The index of the first element: the application's arrays carry it in their
// field "lower", those of a virtual machine start at 0.
FLRT_API int array_lower_bound(jobject array);

// The texts of the first count elements of a string array ("Void" for a null element).
FLRT_API std::vector<std::string> string_items(jobject array, int count);
// The first count elements of an integer array as signed decimal texts.
FLRT_API std::vector<std::string> int_items(jobject array, int count);

// Whether the array holds exactly these objects, in this order.
FLRT_API bool holds_rows(jobject array, const std::vector<jobject> &rows);
// The first count elements of an object array, each kept while the rows are shown.
FLRT_API std::vector<jobject> keep_rows(jobject array, int count, KeptObjects &kept);

// A child of a tree node, kept while the tree shows it.
struct TreeChild {
    jobject node;
    std::string label;
    int children;
};

// The children of a node through its routines count, item and text: indexes
// from 1 under the application's table, from 0 under a virtual machine. Null
// children and children without a label are left out; a node without one of
// the routines is reported.
FLRT_API std::vector<TreeChild> tree_children(jobject node, KeptObjects &kept);

} // namespace flrt

#endif
