// Generated inputs of several megabytes: children, classes and names in every
// order open in near-linear time with the order one-by-one insertion gives,
// and hostile counts and nesting cannot make a reader reserve memory the
// input does not hold.
#include "test_support.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace fltest;

namespace {

enum class Order { Ascending, Descending, Equal };

int32_t key_at(Order order, int i, int n)
{
    switch (order) {
    case Order::Ascending: return i + 1;
    case Order::Descending: return n - i;
    default: return 7;
    }
}

// One form (MAIN 1) holding n integers whose value is their place in the file.
ByteVector form_of_integers(Order order, int n)
{
    ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
    one_form_index(image).i32(1).child(FLF_TAG_SORTED, 10001).i32(n);
    for (int i = 0; i < n; ++i)
        image.child(FLF_TAG_INTEGER, key_at(order, i, n)).i32(i);
    return image.bytes();
}

// n classes of one form each; class names ordered by the key.
ByteVector many_classes(Order order, int n)
{
    ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
    image.i32(10001 + n).i32(n);
    for (int i = 0; i < n; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "C%09d", key_at(order, i, n));
        image.i32(1).str(name).i32(1).i32(10001 + i).str("");
    }
    return image.i32(0).bytes();
}

ByteVector many_names(Order order, int n)
{
    ByteWriter image;
    image.str(kNameHeader).i32(0).i32(n + 1).i32(n);
    for (int i = 0; i < n; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "n%09d", key_at(order, i, n));
        image.str(name).i32(key_at(order, i, n));
    }
    return image.bytes();
}

double seconds_of(const std::function<void()> &work)
{
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Reading in descending or equal order may cost a few times the ascending
// order (a sort), never the hundreds of times of one insertion per element
// at the front. The benchmark flf_bench measures the ratio itself.
void expect_near_linear(double ascending, double other, const char *what)
{
    EXPECT_LT(other, 10 * ascending + 1.0) << what << ": " << other << " s against " << ascending << " s ascending";
}

class LargeInputs : public ::testing::Test {
protected:
    TempDir dir;
};

} // namespace

TEST_F(LargeInputs, ChildrenInAnyOrderOpenInNearLinearTimeLaterEqualSignFirst)
{
    constexpr int n = 300000; // 2.7 MB
    double ascending = 1e9;
    for (Order order : {Order::Ascending, Order::Ascending, Order::Descending, Order::Equal}) {
        const std::string file = dir.write("children.flf", form_of_integers(order, n));
        std::vector<int> signs, values;
        double took = seconds_of([&] {
            BasePtr base = open_base(file);
            ASSERT_NE(base, nullptr);
            FLF_ITEM form = flf_get_form(base.get(), "MAIN", 1);
            ASSERT_EQ(flf_get_children_count(form), n);
            signs = child_signs(form);
            values = child_ints(form);
        });
        ASSERT_EQ(signs.size(), size_t(n));
        EXPECT_TRUE(std::is_sorted(signs.begin(), signs.end()));
        if (order == Order::Ascending) {
            ascending = std::min(ascending, took);
            continue;
        }
        // Descending: the last read is the smallest sign; equal: the last read comes first.
        EXPECT_EQ(values.front(), n - 1);
        EXPECT_EQ(values.back(), 0);
        EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));
        expect_near_linear(ascending, took, order == Order::Descending ? "descending signs" : "equal signs");
    }
}

TEST_F(LargeInputs, FormsClassesAndNamesInAnyOrderOpenInNearLinearTime)
{
    constexpr int n = 100000; // classes 3.1 MB, names 1.8 MB
    double classes_ascending = 1e9, names_ascending = 1e9;
    for (Order order : {Order::Ascending, Order::Ascending, Order::Descending, Order::Equal}) {
        const std::string classes = dir.write("classes.flf", many_classes(order, n));
        double took = seconds_of([&] {
            BasePtr base = open_base(classes);
            ASSERT_NE(base, nullptr);
            ASSERT_EQ(flf_get_class_count(base.get()), n);
            // Equal names: the class read last comes first.
            int first_sign = flf_class_form_item_sign(flf_class_form_item(flf_class_item(base.get(), 1), 1));
            EXPECT_EQ(first_sign, order == Order::Ascending ? 10001 : 10001 + n - 1);
        });
        if (order == Order::Ascending)
            classes_ascending = std::min(classes_ascending, took);
        else
            expect_near_linear(classes_ascending, took, "classes");

        const std::string names = dir.write("names.nam", many_names(order, n));
        took = seconds_of([&] {
            FLF_NAMES base = flf_open_name_base(names.c_str());
            ASSERT_EQ(flf_name_server_item_sign(base, 1), order == Order::Equal ? 7 : 1);
            ASSERT_EQ(flf_name_server_item_sign(base, n), order == Order::Equal ? 7 : n);
        });
        if (order == Order::Ascending)
            names_ascending = std::min(names_ascending, took);
        else
            expect_near_linear(names_ascending, took, "names");
    }
}

// A single-property record of 250 nested compounds, each claiming as many
// children as the bytes left could hold, around 2 MB of booleans. Read as it
// comes, every level would reserve room for its claim before the inner ones
// are read: about 700 MB natively for 2 MB of data.
ByteVector nested_claims(int depth, int booleans)
{
    ByteWriter inner;
    inner.i32(booleans);
    for (int i = 0; i < booleans; ++i)
        inner.child(FLF_TAG_BOOLEAN, i).byte(1);
    ByteVector record = inner.bytes();
    for (int level = depth; level >= 1; --level) {
        ByteWriter wrapper;
        int32_t claim = static_cast<int32_t>((record.size() + 5) / 6);
        wrapper.i32(claim).child(FLF_TAG_ORDERED, level).append(record);
        record = wrapper.bytes();
    }
    return record;
}

TEST_F(LargeInputs, HostileRecordFailsWithAStreamErrorWithinMemoryBoundedByItsSize)
{
    const ByteVector record = nested_claims(250, 350000);
    FixedBlock block(record);
    CMemoryFile stream(block.handle(), static_cast<int32_t>(record.size()));
    AllocationPeak peak;
    EXPECT_EQ(catch_error([&] { ItemPtr item(flf_read_prop(&stream)); }), Caught::file(3));
    if (AllocationPeak::available()) {
        EXPECT_LT(peak.bytes(), 50 * record.size()) << "for a record of " << record.size() << " bytes";
    }
}

TEST_F(LargeInputs, OutOfMemoryLeavesTheLibraryOnlyAsItsStreamError)
{
    if (!AllocationPeak::available())
        GTEST_SKIP() << "allocations of the library are not counted here";
    ByteWriter names;
    names.str(kNameHeader).i32(0).i32(100001).i32(100000);
    for (int i = 0; i < 100000; ++i)
        names.str("a name long enough to need memory of its own " + std::to_string(i)).i32(i + 1);
    const std::string name_file = dir.write("names.nam", names.bytes());
    const std::string form_file = dir.write("children.flf", form_of_integers(Order::Descending, 100000));
    const ByteVector record = nested_claims(3, 100000);
    FixedBlock block(record);
    CMemoryFile stream(block.handle(), static_cast<int32_t>(record.size()));

    Caught from_names, from_record;
    FLF_BASE opened = nullptr;
    {
        AllocationLimit limit(1 << 20);
        from_names = catch_error([&] { flf_open_name_base(name_file.c_str()); });
        from_record = catch_error([&] { ItemPtr item(flf_read_prop(&stream)); });
        opened = flf_open_base(form_file.c_str());
    }
    EXPECT_EQ(kind_only(from_names), Caught::file(5));
    EXPECT_EQ(kind_only(from_record), Caught::file(5));
    EXPECT_EQ(opened, nullptr);
    flf_close_base(opened);
}

TEST_F(LargeInputs, AFormThatCannotBeReadForLackOfMemoryStaysWholeForLater)
{
    if (!AllocationPeak::available())
        GTEST_SKIP() << "allocations of the library are not counted here";
    const ByteVector image = form_of_integers(Order::Ascending, 100000); // kept unread when opened
    const std::string file = dir.write("children.flf", image);
    BasePtr base = open_base(file);
    ASSERT_NE(base, nullptr);
    FLF_ITEM form = flf_get_form(base.get(), "MAIN", 1);
    FLF_ITEM text = flf_add_property(flf_get_form_root(base.get()), FLF_TAG_STRING, 5, "short");
    const std::string long_text(100000, 'x');
    Caught counting, setting;
    {
        AllocationLimit limit(64 * 1024);
        counting = catch_error([&] { flf_get_children_count(form); });
        setting = catch_error([&] { flf_set_prop_str(text, long_text.c_str()); });
    }
    EXPECT_EQ(kind_only(counting), Caught::file(5));
    EXPECT_EQ(kind_only(setting), Caught::file(5));
    EXPECT_STREQ(flf_get_prop_str(text), "short");
    EXPECT_EQ(flf_get_children_count(form), 100000);
    flf_delete_property(text);
    flf_saveas_base(base.get(), dir.file("copy.flf").c_str());
    EXPECT_EQ(dir.read("copy.flf"), image);
}
