// Forms of an opened file are read on first use and written back as their
// own bytes while untouched: none of that may show through the interface.
#include "test_support.hpp"

#include <gtest/gtest.h>

namespace {
using namespace fltest;

class UnreadForms : public ::testing::Test {
protected:
    // Two classes, three forms: nested compounds of both kinds, every tag.
    std::string SaveSample(const std::string &name)
    {
        BasePtr base(flf_new_base("sample", FLF_PROJECT_ABSOLUTE));
        FLF_ITEM main = flf_add_form(base.get(), "MAIN", 1, "Main");
        flf_add_property(main, FLF_TAG_STRING, 7, "Caption");
        FLF_ITEM list = flf_add_property(main, FLF_TAG_ORDERED, 20, nullptr);
        for (int i = 0; i < 5; ++i) {
            FLF_ITEM row = flf_add_property(list, FLF_TAG_SORTED, 30 + i, nullptr);
            flf_add_property(row, FLF_TAG_INTEGER, 1, std::to_string(i * 11).c_str());
            flf_add_property(row, FLF_TAG_DOUBLE, 2, "2.5");
            flf_add_property(row, FLF_TAG_CHARACTER, 3, "x");
            flf_add_property(row, FLF_TAG_BOOLEAN, 4, "false");
        }
        FLF_ITEM other = flf_add_form(base.get(), "OTHER", 3, "Other");
        flf_add_property(other, FLF_TAG_INTEGER, 5, "42");
        flf_add_form(base.get(), "OTHER", 4, "Empty");
        std::string file = dir.file(name);
        flf_saveas_base(base.get(), file.c_str());
        return file;
    }

    static int RowValue(FLF_BASE base, int row)
    {
        const int path[] = {20, 30 + row, 1};
        return flf_get_prop_int(flf_get_sub_prop(flf_get_form(base, "MAIN", 1), path, 3));
    }

    TempDir dir;
};

TEST_F(UnreadForms, SavingWhatWasOpenedGivesTheSameBytesTouchedOrNot)
{
    const std::string file = SaveSample("sample.flf");
    const ByteVector original = read_file(file);

    BasePtr untouched = open_base(file);
    ASSERT_NE(untouched, nullptr);
    const std::string copy = dir.file("copy.flf");
    flf_saveas_base(untouched.get(), copy.c_str());
    EXPECT_EQ(read_file(copy), original);

    BasePtr touched = open_base(file);
    EXPECT_EQ(RowValue(touched.get(), 3), 33);
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(flf_get_form(touched.get(), "OTHER", 3), 5)), 42);
    flf_saveas_base(touched.get(), copy.c_str());
    EXPECT_EQ(read_file(copy), original);
}

TEST_F(UnreadForms, EditsInOneFormLeaveTheOthersIntactAcrossSavesOverTheOpenedFile)
{
    const std::string file = SaveSample("edit.flf");
    {
        BasePtr base = open_base(file);
        flf_set_prop_int(flf_get_prop(flf_get_form(base.get(), "OTHER", 3), 5), 43);
        flf_save_base(base.get()); // replaces the very file the base was opened from
        flf_add_property(flf_get_form(base.get(), "OTHER", 4), FLF_TAG_STRING, 9, "late");
        flf_save_base(base.get());
    }
    BasePtr again = open_base(file);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(flf_get_form(again.get(), "OTHER", 3), 5)), 43);
    EXPECT_STREQ(flf_get_prop_str(flf_get_prop(flf_get_form(again.get(), "OTHER", 4), 9)), "late");
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(RowValue(again.get(), row), row * 11);
}

TEST_F(UnreadForms, ACloneOfAnUnreadFormOutlivesItsBase)
{
    const std::string file = SaveSample("clone.flf");
    ItemPtr copy;
    {
        BasePtr base = open_base(file);
        copy.reset(flf_clone_prop(flf_get_form(base.get(), "MAIN", 1)));
        flf_remove_form(base.get(), flf_get_form(base.get(), "OTHER", 3)); // deleted unread
        EXPECT_EQ(flf_get_form(base.get(), "OTHER", 3), nullptr);
    }
    ASSERT_NE(copy, nullptr);
    const int path[] = {20, 34, 1};
    EXPECT_EQ(flf_get_prop_int(flf_get_sub_prop(copy.get(), path, 3)), 44);
    EXPECT_STREQ(flf_get_prop_str(flf_get_prop(copy.get(), 7)), "Caption");
}

// A file of two forms: MAIN 1 with n integers (value = first + position),
// and OTHER 2 with one.
ByteVector form_of_children(int first, int n)
{
    ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
    image.i32(10003).i32(2).i32(1).str("MAIN").i32(1).i32(10001).str("m");
    image.i32(1).str("OTHER").i32(2).i32(10002).str("o");
    image.i32(2).child(FLF_TAG_SORTED, 10001).i32(n);
    for (int i = 0; i < n; ++i)
        image.child(FLF_TAG_INTEGER, i + 1).i32(first + i);
    image.child(FLF_TAG_SORTED, 10002).i32(1).child(FLF_TAG_INTEGER, 1).i32(first);
    return image.bytes();
}

ByteVector three_thousand_children(int first)
{
    return form_of_children(first, 3000);
}

// An open base is a snapshot of the file as it was opened: rewriting the file
// in place (a copy over it, an editor saving in place) changes nothing of it.
TEST_F(UnreadForms, AnOpenBaseKeepsTheFileAsItWasOpenedWhateverHappensToIt)
{
    const ByteVector original = three_thousand_children(0);
    std::vector<int> expected(3000);
    for (int i = 0; i < 3000; ++i)
        expected[i] = i;
    const ByteVector same_length = three_thousand_children(5000);
    ASSERT_EQ(same_length.size(), original.size());
    ByteWriter shorter = resource_header(kCurrentVersion, "prj", 0);
    const ByteVector rewrites[] = {same_length, one_form_index(shorter).i32(0).bytes(), ByteVector{}};
    for (const ByteVector &rewrite : rewrites) {
        SCOPED_TRACE(rewrite.size());
        const std::string file = dir.write("app.flf", original);
        BasePtr base = open_base(file);
        ASSERT_NE(base, nullptr);
        write_file(file, rewrite); // in place: the same file, truncated and written
        EXPECT_EQ(child_ints(flf_get_form(base.get(), "MAIN", 1)), expected);
        const std::string copy = dir.file("copy.flf");
        flf_saveas_base(base.get(), copy.c_str());
        EXPECT_EQ(read_file(copy), original);
    }
}

// Files of some megabytes are held in memory taken from the system apart
// from the heap; they are snapshots all the same, and give it back on close.
TEST_F(UnreadForms, ALargeFileIsASnapshotToo)
{
    constexpr int n = 400000; // about 3.6 MB
    const ByteVector original = form_of_children(7, n);
    const std::string file = dir.write("large.flf", original);
    for (int round = 0; round < 3; ++round) {
        BasePtr base = open_base(file);
        ASSERT_NE(base, nullptr);
        write_file(file, ByteVector{});
        const std::vector<int> values = child_ints(flf_get_form(base.get(), "MAIN", 1));
        ASSERT_EQ(values.size(), size_t(n));
        EXPECT_EQ(values.front(), 7);
        EXPECT_EQ(values.back(), 7 + n - 1);
        const std::string copy = dir.file("copy.flf");
        flf_saveas_base(base.get(), copy.c_str());
        EXPECT_EQ(read_file(copy), original);
        write_file(file, original);
    }
}

TEST_F(UnreadForms, AFormThatWouldNotReadBackExactlyIsReadAtOnceAndSavedAsReading)
{
    // Two children of sign 7 in a sorted form: reading puts the later first.
    ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
    one_form_index(image);
    image.i32(1).child(FLF_TAG_SORTED, 10001).i32(2);
    image.child(FLF_TAG_INTEGER, 7).i32(1);
    image.child(FLF_TAG_INTEGER, 7).i32(2);
    const std::string file = dir.write("dup.flf", image.bytes());

    BasePtr base = open_base(file);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(child_ints(flf_get_form(base.get(), "MAIN", 1)), (std::vector<int>{2, 1}));
    const std::string copy = dir.file("dup2.flf");
    flf_saveas_base(base.get(), copy.c_str());
    BasePtr again = open_base(copy);
    EXPECT_EQ(child_ints(flf_get_form(again.get(), "MAIN", 1)), (std::vector<int>{1, 2}));
}

} // namespace

namespace {
using namespace fltest;

TEST(RelativeProject, SurvivesRepeatedOpenAndSaveWithNativeSeparators)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "forms");
    const std::string file = (dir.path() / "forms" / "app.flf").string();
    const std::string project = (dir.path() / "src" / "app").string();
    BasePtr base(flf_new_base(project.c_str(), FLF_PROJECT_RELATIVE));
    flf_saveas_base(base.get(), file.c_str());
    for (int round = 0; round < 3; ++round) {
        BasePtr again = open_base(file);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(std::string(flf_get_project_name(again.get())), backslashed(project)) << "round " << round;
        flf_save_base(again.get());
    }
}

} // namespace
