// Resource files: the byte layout, the format versions, byte-identical round
// trips, malformed and truncated files, failed saves and project paths.
#include "test_support.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>

using namespace fltest;
namespace fs = std::filesystem;

namespace {

// A resource file with every kind of value, both compound kinds, empty and
// none strings, a boolean byte 0xFF and several classes, written in the order
// a save produces, so that saving it again gives the same bytes.
ByteVector rich_resource_file()
{
    ByteWriter image = resource_header(kCurrentVersion, "C:\\proj\\name", 5);
    image.i32(10005).i32(2);
    image.i32(2).str("Alpha").i32(1).i32(10001).str("One").i32(7).i32(10003).str("");
    image.i32(1).str("Beta").i32(-2).i32(10002).str("neg");
    image.i32(3).child(FLF_TAG_SORTED, 10001).i32(7);
    image.child(FLF_TAG_INTEGER, 1).i32(-5).child(FLF_TAG_STRING, 2).str("").child(FLF_TAG_STRING, 3).no_str();
    image.child(FLF_TAG_BOOLEAN, 4).byte(0xFF).child(FLF_TAG_CHARACTER, 5).byte('z');
    image.child(FLF_TAG_DOUBLE, 6).f64(-2.75).child(FLF_TAG_ORDERED, 8).i32(3);
    image.child(FLF_TAG_INTEGER, 30).i32(1).child(FLF_TAG_INTEGER, 10).i32(2).child(FLF_TAG_BOOLEAN, 20).byte(0);
    image.child(FLF_TAG_SORTED, 10002).i32(0);
    image.child(FLF_TAG_ORDERED, 10003).i32(2).child(FLF_TAG_DOUBLE, 2).f64(1e300);
    image.child(FLF_TAG_SORTED, 1).i32(1).child(FLF_TAG_STRING, 1).str("deep");
    return image.bytes();
}

// The example file up to the root child list, followed by the given list.
ByteVector with_root(const ByteWriter &root)
{
    ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
    one_form_index(image).append(root.bytes());
    return image.bytes();
}

// One form holding a single string child whose length field is given.
ByteVector with_string_length(int32_t length)
{
    ByteWriter root;
    root.i32(1).child(FLF_TAG_SORTED, 10001).i32(1).child(FLF_TAG_STRING, 1).i32(length);
    for (int32_t i = 0; i < length; ++i)
        root.byte('s');
    return with_root(root);
}

// A chain of nested ordered compounds `depth` levels below the forms root.
ByteVector nested(int depth)
{
    ByteWriter root;
    root.i32(1);
    for (int level = 1; level <= depth; ++level)
        root.child(FLF_TAG_ORDERED, level).i32(level == depth ? 0 : 1);
    return with_root(root);
}

std::string stored_project_string(const ByteVector &file)
{
    int32_t length;
    std::memcpy(&length, file.data() + 31, 4);
    return std::string(file.begin() + 35, file.begin() + 35 + length);
}

class ResourceFile : public ::testing::Test {
protected:
    TempDir dir;
};

} // namespace

TEST_F(ResourceFile, BuildingTheExampleSavesItsDocumentedBytes)
{
    EXPECT_EQ(example_resource_file(),
              from_hex("17 00 00 00 46 6F 72 6D 6C 6F 6F 6D 20 72 65 73 6F 75 72 63 65 20 66 69 6C 65 0A"
                       "04 00 FE EF 03 00 00 00 70 72 6A 00 00 00 00 12 27 00 00 01 00 00 00"
                       "01 00 00 00 04 00 00 00 4D 41 49 4E 01 00 00 00 11 27 00 00 04 00 00 00 4D 61 69 6E"
                       "01 00 00 00 02 11 27 00 00 02 00 00 00 0A 07 00 00 00 05 00 00 00"
                       "0B 0C 00 00 00 02 00 00 00 48 69"));
    BasePtr base(flf_new_base("prj", FLF_PROJECT_ABSOLUTE));
    EXPECT_EQ(flf_get_resource_version(base.get()), 0);
    FLF_ITEM form = flf_add_form(base.get(), "MAIN", 1, "Main");
    flf_add_property(form, FLF_TAG_STRING, 12, "Hi");
    flf_add_property(form, FLF_TAG_INTEGER, 7, "5");
    flf_saveas_base(base.get(), dir.file("example.flf").c_str());
    EXPECT_EQ(dir.read("example.flf").size(), 111u);
    EXPECT_EQ(dir.read("example.flf"), example_resource_file());
}

TEST_F(ResourceFile, SavingWhatWasOpenedReproducesTheBytes)
{
    for (const ByteVector &image : {example_resource_file(), rich_resource_file()}) {
        const std::string source = dir.write("source.flf", image);
        BasePtr base = open_base(source);
        ASSERT_NE(base, nullptr);
        flf_saveas_base(base.get(), dir.file("copy.flf").c_str());
        EXPECT_EQ(dir.read("copy.flf"), image);
        flf_save_base(base.get());
        EXPECT_EQ(dir.read("copy.flf"), image);
        EXPECT_EQ(dir.read("source.flf"), image);
    }
}

TEST_F(ResourceFile, OpeningGivesTheHeaderIndexAndEveryKindOfValue)
{
    BasePtr base = open_base(dir.write("rich.flf", rich_resource_file()));
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(flf_get_project_type(base.get()), FLF_PROJECT_ABSOLUTE);
    EXPECT_STREQ(flf_get_project_name(base.get()), "C:\\proj\\name");
    EXPECT_EQ(flf_get_resource_version(base.get()), kCurrentVersion);
    EXPECT_STREQ(flf_get_form_alias(base.get(), "Beta", -2), "neg");
    FLF_ITEM form = flf_get_form(base.get(), "Alpha", 1);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(flf_get_parent_prop(form), flf_get_form_root(base.get()));
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(form, 1)), -5);
    EXPECT_STREQ(flf_get_prop_str(flf_get_prop(form, 2)), "");
    EXPECT_EQ(flf_get_prop_str(flf_get_prop(form, 3)), nullptr);
    EXPECT_EQ(flf_get_prop_boo(flf_get_prop(form, 4)), -1);
    EXPECT_EQ(flf_get_prop_char(flf_get_prop(form, 5)), 'z');
    EXPECT_EQ(flf_get_prop_double(flf_get_prop(form, 6)), -2.75);
    EXPECT_EQ(child_signs(flf_get_prop(form, 8)), (std::vector<int>{30, 10, 20})); // file order kept
    EXPECT_EQ(flf_get_custom_flag(base.get(), 4), 1);
    EXPECT_EQ(flf_get_custom_flag(base.get(), 2), 0);
    const int deep_path[] = {1, 1};
    EXPECT_STREQ(flf_get_prop_str(flf_get_sub_prop(flf_get_form(base.get(), "Alpha", 7), deep_path, 2)), "deep");
}

TEST_F(ResourceFile, SortedReadPutsTheLaterOfEqualSignsFirst)
{
    ByteWriter root;
    root.i32(1).child(FLF_TAG_SORTED, 10001).i32(2);
    root.child(FLF_TAG_STRING, 7).str("A").child(FLF_TAG_STRING, 7).str("B");
    BasePtr base = open_base(dir.write("dup.flf", with_root(root)));
    ASSERT_NE(base, nullptr);
    FLF_ITEM form = flf_get_form(base.get(), "MAIN", 1);
    EXPECT_STREQ(flf_get_prop_str(flf_get_prop(form, 7)), "B");
    flf_saveas_base(base.get(), dir.file("out.flf").c_str());
    ByteWriter expected_root;
    expected_root.i32(1).child(FLF_TAG_SORTED, 10001).i32(2);
    expected_root.child(FLF_TAG_STRING, 7).str("B").child(FLF_TAG_STRING, 7).str("A");
    EXPECT_EQ(dir.read("out.flf"), with_root(expected_root));
}

namespace {

// Form 10001 with integers that test the old rule: 75 = 0, 76 = 0, and
// nested compounds holding 76 = 5 and 76 = 0. old_zero is what 76 = 0 reads as.
ByteWriter versioned_root(int32_t old_zero)
{
    ByteWriter root;
    root.i32(1).child(FLF_TAG_SORTED, 10001).i32(4);
    root.child(FLF_TAG_INTEGER, 75).i32(0).child(FLF_TAG_INTEGER, 76).i32(old_zero);
    root.child(FLF_TAG_SORTED, 77).i32(1).child(FLF_TAG_INTEGER, 76).i32(5);
    root.child(FLF_TAG_SORTED, 78).i32(1).child(FLF_TAG_INTEGER, 76).i32(old_zero);
    return root;
}

ByteVector versioned_file(int32_t word)
{
    const int format = word & 0xFFFF;
    ByteWriter image;
    image.str("any header at all").i32(word);
    if (format >= 1)
        image.str("prj");
    if (format >= 2)
        image.i32(6);
    one_form_index(image).append(versioned_root(0).bytes());
    return image.bytes();
}

struct VersionCase {
    int32_t word;
    const char *project;
    int flags;
    bool old_rule;
};

} // namespace

TEST_F(ResourceFile, EveryFormatVersionOpensWithItsOwnFields)
{
    const VersionCase cases[] = {
        {version_word(0, 0), "C:\\FL", 0, true},
        {version_word(0x7777, 0), "C:\\FL", 0, true},
        {version_word(FLF_PROJECT_RELATIVE, 1), "prj", 0, true}, // stored verbatim, type ignored
        {version_word(0x1234, 2), "prj", 6, true},
        {version_word(0, 3), "prj", 6, false},
        {version_word(FLF_PROJECT_ABSOLUTE, 4), "prj", 6, false},
        {version_word(FLF_PROJECT_ABSOLUTE, 9), "prj", 6, false},
    };
    for (const VersionCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "version word " << std::hex << c.word);
        BasePtr base = open_base(dir.write("v.flf", versioned_file(c.word)));
        ASSERT_NE(base, nullptr);
        EXPECT_EQ(flf_get_resource_version(base.get()), c.word);
        EXPECT_EQ(flf_get_project_type(base.get()), FLF_PROJECT_ABSOLUTE);
        EXPECT_STREQ(flf_get_project_name(base.get()), c.project);
        EXPECT_EQ(flf_get_custom_flag(base.get(), 2), c.flags ? 1 : 0);
        EXPECT_EQ(flf_get_custom_flag(base.get(), 1), 0);
        FLF_ITEM form = flf_get_form(base.get(), "MAIN", 1);
        ASSERT_NE(form, nullptr);
        const int converted = c.old_rule ? 0x40000000 : 0;
        const int nested_zero[] = {78, 76}, nested_five[] = {77, 76};
        EXPECT_EQ(flf_get_prop_int(flf_get_prop(form, 75)), 0);
        EXPECT_EQ(flf_get_prop_int(flf_get_prop(form, 76)), converted);
        EXPECT_EQ(flf_get_prop_int(flf_get_sub_prop(form, nested_zero, 2)), converted);
        EXPECT_EQ(flf_get_prop_int(flf_get_sub_prop(form, nested_five, 2)), 5);
    }
}

TEST_F(ResourceFile, SavingAnOldVersionWritesVersion4)
{
    BasePtr base = open_base(dir.write("old.flf", versioned_file(version_word(0x1234, 2))));
    ASSERT_NE(base, nullptr);
    flf_saveas_base(base.get(), dir.file("new.flf").c_str());
    EXPECT_EQ(flf_get_resource_version(base.get()), version_word(0x1234, 2));
    ByteWriter expected = resource_header(kCurrentVersion, "prj", 6);
    one_form_index(expected).append(versioned_root(0x40000000).bytes());
    EXPECT_EQ(dir.read("new.flf"), expected.bytes());
    BasePtr reopened = open_base(dir.file("new.flf"));
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(flf_get_resource_version(reopened.get()), kCurrentVersion);
}

TEST_F(ResourceFile, StringAndHeaderLengthsAboveTheLimitOrBelowNoneGiveNone)
{
    BasePtr longest = open_base(dir.write("s.flf", with_string_length(4095)));
    ASSERT_NE(longest, nullptr);
    const char *text = flf_get_prop_str(flf_get_prop(flf_get_form(longest.get(), "MAIN", 1), 1));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::strlen(text), 4095u);

    BasePtr none = open_base(dir.write("s.flf", with_string_length(-1)));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(flf_get_prop_str(flf_get_prop(flf_get_form(none.get(), "MAIN", 1), 1)), nullptr);

    for (int32_t length : {4096, 100000, -2, -2147483647 - 1})
        EXPECT_EQ(open_base(dir.write("s.flf", with_string_length(length))), nullptr) << length;

    for (size_t length : {0u, 4095u, 4096u}) { // the header text is ignored, but bounded too
        ByteWriter image;
        image.str(std::string(length, 'h')).i32(kCurrentVersion).str("prj").i32(0);
        one_form_index(image).i32(0);
        EXPECT_EQ(open_base(dir.write("header.flf", image.bytes())) != nullptr, length <= 4095) << length;
    }
}

TEST_F(ResourceFile, EmptyAndNoneStringsDifferOnDisk)
{
    BasePtr base(flf_new_base("prj", FLF_PROJECT_ABSOLUTE));
    FLF_ITEM form = flf_add_form(base.get(), "MAIN", 1, "Main");
    flf_set_prop_str(flf_add_property(form, FLF_TAG_STRING, 1, nullptr), "");
    flf_add_property(form, FLF_TAG_STRING, 2, nullptr);
    flf_saveas_base(base.get(), dir.file("strings.flf").c_str());
    ByteWriter root;
    root.i32(1).child(FLF_TAG_SORTED, 10001).i32(2).child(FLF_TAG_STRING, 1).str("").child(FLF_TAG_STRING, 2).no_str();
    EXPECT_EQ(dir.read("strings.flf"), with_root(root));
}

TEST_F(ResourceFile, MissingOrMalformedFilesOpenAsNoneWithoutRaising)
{
    EXPECT_EQ(open_base(dir.file("missing.flf")), nullptr);
    EXPECT_EQ(open_base(dir.path().string()), nullptr); // a folder
    EXPECT_EQ(open_base(dir.write("empty.flf", {})), nullptr);
    flf_close_base(nullptr);
    for (int bad_tag : {0, 3, 9, 15, 0xFF}) {
        ByteVector image = example_resource_file();
        image[91] = static_cast<unsigned char>(bad_tag);
        EXPECT_EQ(catch_error([&] { EXPECT_EQ(open_base(dir.write("tag.flf", image)), nullptr) << bad_tag; }),
                  Caught{});
    }
}

TEST_F(ResourceFile, EveryTruncationGivesNone)
{
    for (const ByteVector &image : {example_resource_file(), rich_resource_file()}) {
        for (size_t length = 0; length < image.size(); ++length) {
            const ByteVector prefix(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_EQ(open_base(dir.write("cut.flf", prefix)), nullptr) << "cut at " << length;
        }
    }
}

TEST_F(ResourceFile, ImpossibleCountsFailBeforeAnythingIsAllocated)
{
    // Opening allocates the image of the file and small fixed things, never
    // room for what a count claims.
    const auto fails_without_allocating = [&](const ByteVector &image) {
        const std::string file = dir.write("count.flf", image);
        AllocationPeak peak;
        BasePtr base = open_base(file);
        const size_t held = peak.bytes();
        EXPECT_EQ(base, nullptr);
        if (AllocationPeak::available()) {
            EXPECT_LT(held, 16 * 1024 + 2 * image.size());
        }
    };
    const int32_t huge = 0x7FFFFFFF, negative = -1, lowest = -2147483647 - 1;
    for (int32_t count : {huge, 100000, negative, lowest}) {
        SCOPED_TRACE(count);
        ByteWriter root_count, form_count;
        root_count.i32(count).child(FLF_TAG_BOOLEAN, 1).byte(1);
        form_count.i32(1).child(FLF_TAG_SORTED, 10001).i32(count).child(FLF_TAG_BOOLEAN, 1).byte(1);
        fails_without_allocating(with_root(root_count));
        fails_without_allocating(with_root(form_count));
    }
    for (int32_t count : {huge, 100000}) {
        ByteWriter classes = resource_header(kCurrentVersion, "prj", 0);
        classes.i32(10001).i32(count).i32(0).str("C");
        fails_without_allocating(classes.i32(0).bytes());
        ByteWriter forms = resource_header(kCurrentVersion, "prj", 0);
        forms.i32(10001).i32(1).i32(count).str("C").i32(1).i32(10001).str("a");
        fails_without_allocating(forms.i32(0).bytes());
    }
}

TEST_F(ResourceFile, ChildCountThatTheRemainingBytesCanHoldIsAccepted)
{
    ByteWriter root;
    root.i32(50);
    for (int i = 0; i < 50; ++i)
        root.child(i % 2 ? FLF_TAG_BOOLEAN : FLF_TAG_CHARACTER, i).byte(1); // six bytes each
    BasePtr base = open_base(dir.write("smallest.flf", with_root(root)));
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(flf_get_children_count(flf_get_form_root(base.get())), 50);
}

TEST_F(ResourceFile, DeepNestingOpensWithinTheLimitAndAbsurdNestingFails)
{
    BasePtr base = open_base(dir.write("deep.flf", nested(250)));
    ASSERT_NE(base, nullptr);
    FLF_ITEM item = flf_get_form_root(base.get());
    for (int level = 1; level <= 250 && item != nullptr; ++level)
        item = flf_get_prop(item, level);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(flf_get_children_count(item), 0);
    EXPECT_EQ(open_base(dir.write("absurd.flf", nested(100000))), nullptr);
}

TEST_F(ResourceFile, SaveWithoutAFileItCanOpenRaisesTheSystemError)
{
    BasePtr base(flf_new_base("prj", FLF_PROJECT_ABSOLUTE));
    EXPECT_EQ(catch_error([&] { flf_save_base(base.get()); }).what, Caught::System); // no name yet
    const Caught caught = catch_error([&] { flf_saveas_base(base.get(), dir.file("no/such/x.flf").c_str()); });
    EXPECT_EQ(caught.what, Caught::System);
    EXPECT_NE(caught.code, 0);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
}

TEST_F(ResourceFile, SaveAsTakesTheNewNameForLaterSaves)
{
    BasePtr base(flf_new_base("prj", FLF_PROJECT_ABSOLUTE));
    flf_saveas_base(base.get(), dir.file("a.flf").c_str());
    flf_add_form(base.get(), "MAIN", 1, "Main");
    flf_save_base(base.get());
    const ByteVector first = dir.read("a.flf");
    flf_saveas_base(base.get(), dir.file("b.flf").c_str());
    flf_add_form(base.get(), "MAIN", 2, "Two");
    flf_save_base(base.get());
    EXPECT_EQ(dir.read("a.flf"), first);
    BasePtr reopened = open_base(dir.file("b.flf"));
    ASSERT_NE(reopened, nullptr);
    EXPECT_NE(flf_get_form(reopened.get(), "MAIN", 2), nullptr);

    // No new name: the save fails as one without name does, and the base
    // keeps saving to the name it has.
    EXPECT_EQ(catch_error([&] { flf_saveas_base(base.get(), nullptr); }).what, Caught::System);
    flf_add_form(base.get(), "MAIN", 3, "Three");
    EXPECT_EQ(catch_error([&] { flf_save_base(base.get()); }), Caught{});
    BasePtr third = open_base(dir.file("b.flf"));
    ASSERT_NE(third, nullptr);
    EXPECT_NE(flf_get_form(third.get(), "MAIN", 3), nullptr);
}

TEST_F(ResourceFile, FailedSaveLeavesTheOldFileByteForByteAndNoTemporaryFile)
{
    const std::string target = dir.write("keep.flf", example_resource_file());
    BasePtr base = open_base(target);
    ASSERT_NE(base, nullptr);
    flf_add_property(flf_get_form(base.get(), "MAIN", 1), FLF_TAG_STRING, 99, "new value");
    Caught caught;
    {
        SaveBlocker blocker(target);
        caught = catch_error([&] { flf_save_base(base.get()); });
    }
    EXPECT_TRUE(caught.what == Caught::File || caught.what == Caught::System) << caught;
    EXPECT_EQ(dir.read("keep.flf"), example_resource_file());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"keep.flf"});

    flf_save_base(base.get()); // the base is unchanged and saves once the cause is gone
    BasePtr reopened = open_base(target);
    ASSERT_NE(reopened, nullptr);
    EXPECT_STREQ(flf_get_prop_str(flf_get_prop(flf_get_form(reopened.get(), "MAIN", 1), 99)), "new value");
}

TEST_F(ResourceFile, SaveOverAFolderFailsAndLeavesNoTemporaryFile)
{
    fs::create_directory(dir.path() / "folder.flf");
    BasePtr base = open_base(dir.write("source.flf", example_resource_file()));
    ASSERT_NE(base, nullptr);
    const auto before = dir.entries();
    const Caught caught = catch_error([&] { flf_saveas_base(base.get(), dir.file("folder.flf").c_str()); });
    EXPECT_TRUE(caught.what == Caught::File || caught.what == Caught::System) << caught;
    EXPECT_EQ(dir.entries(), before);
    EXPECT_TRUE(fs::is_directory(dir.path() / "folder.flf"));
}

TEST_F(ResourceFile, SaveRefusesAReadOnlyTargetAndKeepsTheTargetsPermissions)
{
    const std::string target = dir.write("perm.flf", example_resource_file());
    BasePtr base = open_base(target);
    ASSERT_NE(base, nullptr);
    flf_add_property(flf_get_form(base.get(), "MAIN", 1), FLF_TAG_STRING, 99, "new value");
    const fs::perms read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(target, read_only);
    EXPECT_EQ(catch_error([&] { flf_save_base(base.get()); }).what, Caught::System);
    EXPECT_EQ(dir.read("perm.flf"), example_resource_file());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"perm.flf"});

    const fs::perms owner_and_group = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, owner_and_group);
    flf_save_base(base.get());
    EXPECT_NE(dir.read("perm.flf"), example_resource_file());
#if !defined(_WIN32)
    EXPECT_EQ(fs::status(target).permissions(), owner_and_group);
    const std::string names = dir.write("names.nam", name_file(1, {}));
    fs::permissions(names, fs::perms::owner_read | fs::perms::owner_write);
    flf_save_name_base(flf_open_name_base(names.c_str()), names.c_str());
    EXPECT_EQ(fs::status(names).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
}

TEST_F(ResourceFile, SaveNeverWritesThroughAFileWhereItsTemporaryFileWouldGo)
{
    const std::string target = dir.write("app.flf", example_resource_file());
    dir.write("app.flf.saving", {'n', 'o', 't', ' ', 'o', 'u', 'r', 's'});
#if !defined(_WIN32)
    const std::string victim = dir.write("victim.txt", {'k', 'e', 'e', 'p'});
    fs::create_symlink(victim, dir.file("app.flf.saving2"));
#endif
    BasePtr base = open_base(target);
    ASSERT_NE(base, nullptr);
    flf_add_property(flf_get_form(base.get(), "MAIN", 1), FLF_TAG_STRING, 99, "new value");
    flf_save_base(base.get());
    EXPECT_EQ(text_of(dir.read("app.flf.saving")), "not ours");
#if !defined(_WIN32)
    EXPECT_EQ(text_of(dir.read("victim.txt")), "keep");
    EXPECT_TRUE(fs::is_symlink(dir.file("app.flf.saving2")));
    EXPECT_FALSE(fs::is_symlink(target));
#endif
    BasePtr reopened = open_base(target);
    ASSERT_NE(reopened, nullptr);
    EXPECT_STREQ(flf_get_prop_str(flf_get_prop(flf_get_form(reopened.get(), "MAIN", 1), 99)), "new value");
}

// A power failure after the rename must not leave an empty or partial file:
// the new file's bytes reach the disk before it replaces the old one.
TEST_F(ResourceFile, SaveHasTheBytesOnTheDiskBeforeTheRename)
{
    if (!FileEvents::available())
        GTEST_SKIP() << "system calls are not watched here";
    const std::string target = dir.write("app.flf", example_resource_file());
    BasePtr base = open_base(target);
    ASSERT_NE(base, nullptr);
    FileEvents events;
    flf_save_base(base.get());
    const std::vector<std::string> seen = events.seen();
    const std::string temporary = target + ".saving";
    const auto rename = std::find(seen.begin(), seen.end(), "rename " + temporary + " -> " + target);
    ASSERT_NE(rename, seen.end()) << testing::PrintToString(seen);
    EXPECT_NE(std::find(seen.begin(), rename, "sync " + temporary), rename) << testing::PrintToString(seen);
}

TEST_F(ResourceFile, SaveNeverWritesAFileThatCannotBeOpenedAgain)
{
    // A string longer than a reader accepts and nesting deeper than it
    // accepts: the save must either refuse or write something readable.
    const auto too_long = [](FLF_ITEM form) {
        flf_add_property(form, FLF_TAG_STRING, 1, std::string(5000, 'x').c_str());
    };
    const auto too_deep = [](FLF_ITEM form) {
        for (int level = 0; level < 300; ++level)
            form = flf_add_property(form, FLF_TAG_SORTED, 1, nullptr);
    };
    for (const auto &spoil : {+too_long, +too_deep}) {
        const std::string target = dir.write("good.flf", example_resource_file());
        BasePtr base = open_base(target);
        ASSERT_NE(base, nullptr);
        spoil(flf_get_form(base.get(), "MAIN", 1));
        const Caught caught = catch_error([&] { flf_save_base(base.get()); });
        if (caught.what == Caught::Nothing) {
            EXPECT_NE(open_base(target), nullptr) << "saved a file that does not open";
        } else {
            EXPECT_EQ(dir.read("good.flf"), example_resource_file());
        }
    }
}

TEST_F(ResourceFile, RelativeProjectIsStoredAgainstTheFileFolderAndResolvedBack)
{
    fs::create_directories(dir.path() / "work" / "forms" / "sub");
    std::string upper = dir.file("work/src/app");
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    const std::string src_app = backslashed(dir.file("work/src/app"));
    const struct {
        const char *file;
        std::string project;
        const char *stored;
        std::string opened;
    } cases[] = {
        {"work/forms/app.flf", dir.file("work/src/app"), "..\\src\\app", src_app},
        {"work/forms/app.flf", dir.file("work/forms/lib"), ".\\lib", backslashed(dir.file("work/forms/lib"))},
        {"work/forms/sub/app.flf", dir.file("work/src/app"), "..\\..\\src\\app", src_app},
        {"work/forms/app.flf", dir.file("work/forms"), ".\\", backslashed(dir.file("work/forms")) + "\\"},
        // A folder above the file's: steps up only.
        {"work/forms/app.flf", dir.file("work"), "..\\", backslashed(dir.file("work"))},
        {"work/forms/sub/app.flf", dir.file("work"), "..\\..\\", backslashed(dir.file("work"))},
        // Letters compare ignoring case; the project keeps its own letters.
        {"work/forms/app.flf", upper, "..\\SRC\\APP", backslashed(dir.file("work")) + "\\SRC\\APP"},
        // No relative form reaches another drive: the name is stored as it
        // stands (storing the file's folder instead lost it).
        {"work/forms/app.flf", "Q:\\elsewhere\\app", "Q:\\elsewhere\\app", "Q:\\elsewhere\\app"},
        {"work/forms/app.flf", "", "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.file) + " with " + c.project);
        BasePtr base(flf_new_base(c.project.c_str(), FLF_PROJECT_RELATIVE));
        flf_saveas_base(base.get(), dir.file(c.file).c_str());
        EXPECT_EQ(stored_project_string(dir.read(c.file)), c.stored);
        EXPECT_EQ(flf_get_project_name(base.get()), c.project);
        BasePtr reopened = open_base(dir.file(c.file));
        ASSERT_NE(reopened, nullptr);
        EXPECT_EQ(flf_get_project_type(reopened.get()), FLF_PROJECT_RELATIVE);
        EXPECT_EQ(flf_get_project_name(reopened.get()), c.opened);
    }
}

// The file a ten-minute fuzz run found: its project name "/..\\srcapp" (type
// 0xCAFE) came back as other steps up after every save into its own folder.
ByteVector drifting_project_name_file()
{
    return from_hex("17000000466f726d6c6f6f6db6f04108a57f0000652066696c650a0400feca0a0000002f2e2e5c737263617070060000"
                    "021500000007000000010000000500000041424f55544d41494e23000000000000000000000000000000000000000000"
                    "000000000000000000000000000000000000000000000000000001000000000000000000000000000000000000000000"
                    "0000000000000000000000000e05020000ffff0000020000000b02007648");
}

TEST_F(ResourceFile, ProjectStringsKeepTheirTextAcrossSavesInTheSameFolder)
{
    std::vector<std::pair<int, std::string>> cases = {
        {FLF_PROJECT_RELATIVE, "/..\\srcapp"},
        {FLF_PROJECT_RELATIVE, "../src/app"},
        {FLF_PROJECT_RELATIVE, "..\\..\\src\\app"},
        {FLF_PROJECT_RELATIVE, ".\\.\\lib"},
        {FLF_PROJECT_RELATIVE, "\\\\server\\app"},
        {FLF_PROJECT_RELATIVE, "..\\"},
        {FLF_PROJECT_RELATIVE, "."},
        {FLF_PROJECT_RELATIVE, "Q:\\elsewhere\\app"},
        {FLF_PROJECT_RELATIVE, ""},
        {0x1234, ".\\lib"},
        {0x1234, "..\\src"},
    };
    std::vector<std::pair<std::string, ByteVector>> images = {{"/..\\srcapp", drifting_project_name_file()}};
    for (const auto &[type, stored] : cases) {
        ByteWriter image = resource_header(version_word(type, 4), stored, 0);
        images.emplace_back(stored, one_form_index(image).i32(0).bytes());
    }
    for (const auto &[stored, image] : images) {
        SCOPED_TRACE(stored);
        BasePtr base = open_base(dir.write("input.flf", image));
        ASSERT_NE(base, nullptr);
        const std::string opened_name = flf_get_project_name(base.get());
        flf_saveas_base(base.get(), dir.file("first.flf").c_str());
        EXPECT_EQ(stored_project_string(dir.read("first.flf")), stored);
        base = open_base(dir.file("first.flf"));
        ASSERT_NE(base, nullptr);
        EXPECT_EQ(flf_get_project_name(base.get()), opened_name);
        flf_saveas_base(base.get(), dir.file("second.flf").c_str());
        flf_save_base(base.get());
        EXPECT_EQ(stored_project_string(dir.read("second.flf")), stored);
    }
}

TEST_F(ResourceFile, ProjectNameIsStoredAfreshWhenItChangesOrTheFolderDoes)
{
    fs::create_directories(dir.path() / "work" / "forms" / "sub");
    ByteWriter image = resource_header(version_word(FLF_PROJECT_RELATIVE, 4), "../src/app", 0);
    BasePtr base = open_base(dir.write("work/forms/app.flf", one_form_index(image).i32(0).bytes()));
    ASSERT_NE(base, nullptr);
    flf_saveas_base(base.get(), dir.file("work/forms/sub/app.flf").c_str());
    EXPECT_EQ(stored_project_string(dir.read("work/forms/sub/app.flf")), "..\\..\\src\\app");
    flf_saveas_base(base.get(), dir.file("work/forms/app.flf").c_str());
    EXPECT_EQ(stored_project_string(dir.read("work/forms/app.flf")), "..\\src\\app");
    flf_set_project_name(base.get(), dir.file("work/forms/lib").c_str());
    flf_save_base(base.get());
    EXPECT_EQ(stored_project_string(dir.read("work/forms/app.flf")), ".\\lib");
}

TEST_F(ResourceFile, StoredProjectStringsResolveAgainstTheFileFolder)
{
    const std::string forms = backslashed(dir.file("work/forms"));
    const std::string work = backslashed(dir.file("work"));
    const struct {
        int type;
        const char *file;
        const char *stored;
        std::string expected;
    } cases[] = {
        {FLF_PROJECT_RELATIVE, "work/forms/app.flf", ".\\lib", forms + "\\lib"},
        {FLF_PROJECT_RELATIVE, "work/forms/app.flf", ".", forms},
        {FLF_PROJECT_RELATIVE, "work/forms/app.flf", "..\\src\\app", work + "\\src\\app"},
        {FLF_PROJECT_RELATIVE, "work/forms/sub/app.flf", "..\\..\\src\\app", work + "\\src\\app"},
        {FLF_PROJECT_RELATIVE, "work/forms/app.flf", "../src/app", work + "\\src\\app"},
        {FLF_PROJECT_ABSOLUTE, "work/forms/app.flf", "..\\src\\app", "..\\src\\app"},
        {0x1234, "work/forms/app.flf", ".\\lib", forms + "\\lib"}, // any other type resolves too
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored);
        ByteWriter image = resource_header(version_word(c.type, 4), c.stored, 0);
        one_form_index(image).i32(0);
        BasePtr base = open_base(dir.write(c.file, image.bytes()));
        ASSERT_NE(base, nullptr);
        EXPECT_EQ(flf_get_project_name(base.get()), c.expected);
        EXPECT_EQ(flf_get_project_type(base.get()), c.type);
    }
}
