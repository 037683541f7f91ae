// The rows of list boxes, list views and tree views as the native interface
// table gives them: array elements and tree nodes, each local reference given
// back before the next is made, the objects that stay in a window kept.
#ifndef FLRT_JNI_ROWS_HPP
#define FLRT_JNI_ROWS_HPP

#include <string>
#include <unordered_map>
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

// The rows of an object array, fetched one at a time as they are shown and
// kept while they may be: the array stays kept until every row is, so a long
// array costs only the rows asked for. Past a limit the rows kept so far are
// given back and fetched again when they are asked for once more.
class FLRT_API ArrayRows {
public:
    // Shows these rows of the array, whose local reference it takes over; the
    // first prefetch rows are fetched at once.
    void Reset(jobject array, int count, int prefetch);
    void Clear();
    // The object of a row, kept; null for a row the array does not have.
    jobject Row(int index);
    // Whether the array shows as these rows do: as long, and the same object at
    // every row fetched so far (and the same array while it is kept).
    bool Shows(jobject array, int count) const;
    int Count() const { return count_; }

    static constexpr size_t kKeptRowLimit = 1024;

private:
    jobject array_ = nullptr;
    int count_ = 0;
    std::unordered_map<int, jobject> rows_;
    KeptObjects kept_array_;
    KeptObjects kept_rows_;
};

// A child of a tree node, kept while the tree shows it.
struct TreeChild {
    jobject node;
    std::string label;
    int children;
};

// The children of a node through its routines count, item and text: indexes
// from 1 under the application's table, from 0 under a virtual machine. Null
// children and children without a label are left out; a node without one of
// the routines is reported, in the name of the caller's module and at the
// line of its call.
FLRT_API std::vector<TreeChild> tree_children(jobject node, KeptObjects &kept, const char *module = "Treeview",
                                              int line = __builtin_LINE());

} // namespace flrt

#endif
