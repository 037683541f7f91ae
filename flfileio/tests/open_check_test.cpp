// The check an open makes of the whole tree before it hands out a base, on
// forms long enough that it runs through lists of thousands of values and
// files large enough to be read while they are checked: what it lets
// through, what it refuses and where, and which forms it leaves unread.
#include "test_support.hpp"

#include <functional>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace {
using namespace fltest;

constexpr int kValues = 6000; // about a megabyte a form
// Text lengths the strings of a long list go through, none (-1) included.
constexpr int kLengths[] = {0, 1, 16, FLF_MAX_STRING, -1, 80, FLF_MAX_STRING - 1};

// n values with the signs first, first + 1, ..., the kinds in turn.
ByteWriter &values(ByteWriter &image, int first, int n)
{
    for (int i = 0; i < n; ++i) {
        const int sign = first + i;
        switch (i % 5) {
        case 0: image.child(FLF_TAG_INTEGER, sign).i32(i); break;
        case 1: {
            const int length = kLengths[i / 5 % std::size(kLengths)];
            image.child(FLF_TAG_STRING, sign);
            if (length < 0)
                image.no_str();
            else
                image.str(std::string(length, char('a' + i % 26)));
            break;
        }
        case 2: image.child(FLF_TAG_BOOLEAN, sign).byte(i & 1); break;
        case 3: image.child(FLF_TAG_CHARACTER, sign).byte('a' + i % 26); break;
        default: image.child(FLF_TAG_DOUBLE, sign).f64(i / 4.0); break;
        }
    }
    return image;
}

struct LongFile {
    ByteVector bytes;
    int last_at; // where the children that `last` wrote begin
};

// Forms MAIN 1 and MAIN 2 of kValues values each; MAIN 1 ends with what last
// writes (last_children children), far from the end of the file.
LongFile two_long_forms(const std::function<void(ByteWriter &)> &last, int last_children)
{
    ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
    image.i32(10003).i32(1).i32(2).str("MAIN").i32(1).i32(10001).str("a").i32(2).i32(10002).str("b");
    image.i32(2).child(FLF_TAG_SORTED, 10001).i32(kValues + last_children);
    values(image, 1, kValues);
    const int last_at = static_cast<int>(image.bytes().size());
    last(image);
    image.child(FLF_TAG_SORTED, 10002).i32(kValues);
    values(image, 1, kValues);
    return {image.bytes(), last_at};
}

class OpenCheck : public ::testing::Test {
protected:
    // Saves an untouched and a used (read) base of the file: both must give
    // the same bytes, however the open kept the forms.
    ByteVector SavedBothWays(const ByteVector &original)
    {
        const std::string file = dir.write("long.flf", original);
        BasePtr untouched = open_base(file);
        BasePtr used = open_base(file);
        if (!untouched || !used)
            return {};
        for (int id : {1, 2})
            flf_get_prop(flf_get_form(used.get(), "MAIN", id), 1);
        const std::string first = dir.file("untouched.flf"), second = dir.file("used.flf");
        flf_saveas_base(untouched.get(), first.c_str());
        flf_saveas_base(used.get(), second.c_str());
        EXPECT_EQ(read_file(first), read_file(second));
        return read_file(first);
    }

    void ExpectRefused(const ByteVector &image, int kind, int offset, const std::string &check)
    {
        CaughtErrors mode;
        const std::string file = dir.write("bad.flf", image);
        EXPECT_EQ(flf_open_base(file.c_str()), nullptr);
        const flf_error error = last_error();
        EXPECT_EQ(error.type, FLF_ERROR_FILE);
        EXPECT_EQ(error.code, kind);
        EXPECT_EQ(error.detail, offset);
        const std::string expected = " is malformed at byte " + std::to_string(offset) + " (forms): " + check + ".";
        EXPECT_NE(std::string(error.message).find(expected), std::string::npos) << error.message;
    }

    TempDir dir;
};

TEST_F(OpenCheck, LongListsOfEveryKindAndLengthOpenAndReadBack)
{
    // Nested compounds of both kinds after the values, then one more value.
    const LongFile file = two_long_forms(
        [](ByteWriter &image) {
            image.child(FLF_TAG_ORDERED, kValues + 1).i32(3);
            for (int row = 0; row < 3; ++row)
                values(image.child(FLF_TAG_SORTED, 7 - row).i32(50), 1, 50);
            image.child(FLF_TAG_INTEGER, kValues + 2).i32(-5);
        },
        2);
    EXPECT_EQ(SavedBothWays(file.bytes), file.bytes);

    BasePtr base = open_base(dir.write("long.flf", file.bytes));
    ASSERT_NE(base, nullptr);
    FLF_ITEM form = flf_get_form(base.get(), "MAIN", 1);
    EXPECT_EQ(flf_get_children_count(form), kValues + 2);
    EXPECT_STREQ(flf_get_prop_str(flf_get_prop(form, 2)), "");                      // length 0
    EXPECT_EQ(std::string(flf_get_prop_str(flf_get_prop(form, 17))).size(), 4095u); // the longest
    EXPECT_EQ(flf_get_prop_str(flf_get_prop(form, 22)), nullptr);                   // none
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(form, kValues - 4)), kValues - 5);
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(form, kValues + 2)), -5);
    const int path[] = {kValues + 1, 5, 50};
    EXPECT_DOUBLE_EQ(flf_get_prop_double(flf_get_sub_prop(form, path, 3)), 49 / 4.0);
    EXPECT_EQ(flf_get_children_count(flf_get_form(base.get(), "MAIN", 2)), kValues);
}

TEST_F(OpenCheck, RefusesAFaultInALongListAtItsPlace)
{
    const int sign = kValues + 1;
    const struct {
        const char *what;
        std::function<void(ByteWriter &)> child;
        int offset; // from the child
        int kind;
        const char *check;
    } cases[] = {
        {"tag 7", [&](ByteWriter &w) { w.child(7, sign).i32(0); }, 0, 3, "a tag that names no kind of stored object"},
        {"tag 0", [&](ByteWriter &w) { w.child(0, sign).i32(0); }, 0, 3, "a tag that names no kind of stored object"},
        {"tag 255", [&](ByteWriter &w) { w.child(255, sign).i32(0); }, 0, 3,
         "a tag that names no kind of stored object"},
        {"length 4096", [&](ByteWriter &w) { w.child(FLF_TAG_STRING, sign).str(std::string(4096, 'x')); }, 5, 4,
         "a string length below -1 or above 4095"},
        {"length -2", [&](ByteWriter &w) { w.child(FLF_TAG_STRING, sign).i32(-2).i32(0); }, 5, 4,
         "a string length below -1 or above 4095"},
        {"lowest length", [&](ByteWriter &w) { w.child(FLF_TAG_STRING, sign).i32(INT32_MIN).i32(0); }, 5, 4,
         "a string length below -1 or above 4095"},
        {"bad tag in a compound",
         [&](ByteWriter &w) {
             w.child(FLF_TAG_ORDERED, sign).i32(3).child(FLF_TAG_INTEGER, 1).i32(1);
             w.child(FLF_TAG_STRING, 2).str("x").child(3, 3).i32(0);
         },
         5 + 4 + 9 + 10, 3, "a tag that names no kind of stored object"},
        {"count beyond the bytes", [&](ByteWriter &w) { w.child(FLF_TAG_SORTED, sign).i32(INT32_MAX); }, 5, 3,
         "a child count below 0 or larger than the bytes left can hold"},
        {"negative count", [&](ByteWriter &w) { w.child(FLF_TAG_ORDERED, sign).i32(-1); }, 5, 3,
         "a child count below 0 or larger than the bytes left can hold"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const LongFile file = two_long_forms(c.child, 1);
        ExpectRefused(file.bytes, c.kind, file.last_at + c.offset, c.check);
    }
}

TEST_F(OpenCheck, RefusesALongFileCutShortWhereItEnds)
{
    // One form of kValues values whose last child is a string of the longest
    // length, or a double; the file ends inside that child.
    const auto form_ending_in = [](bool string) {
        ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
        one_form_index(image).i32(1).child(FLF_TAG_SORTED, 10001).i32(kValues + 1);
        values(image, 1, kValues);
        const int last_at = static_cast<int>(image.bytes().size());
        if (string)
            image.child(FLF_TAG_STRING, kValues + 1).str(std::string(FLF_MAX_STRING, 's'));
        else
            image.child(FLF_TAG_DOUBLE, kValues + 1).f64(0.5);
        return LongFile{image.bytes(), last_at};
    };
    const struct {
        bool string;
        int kept; // bytes of the last child left
        int offset;
        const char *check;
    } cases[] = {
        {true, 3, 0, "the data ends inside a child's tag and sign"},
        {true, 7, 5, "the data ends inside a string length"},
        {true, 9 + 4000, 5, "the data ends inside a string"},
        {true, 9 + FLF_MAX_STRING - 1, 5, "the data ends inside a string"},
        {false, 12, 5, "the data ends inside a value"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kept);
        LongFile file = form_ending_in(c.string);
        file.bytes.resize(file.last_at + c.kept);
        ExpectRefused(file.bytes, 3, file.last_at + c.offset, c.check);
    }
}

TEST_F(OpenCheck, ALongFormThatReadingWouldReorderIsSavedAsRead)
{
    const std::function<void(ByteWriter &)> disorders[] = {
        // The last sign again: reading puts the later child first.
        [](ByteWriter &image) { image.child(FLF_TAG_INTEGER, kValues).i32(-1); },
        // Deep inside: a sorted compound with descending signs.
        [](ByteWriter &image) {
            image.child(FLF_TAG_ORDERED, kValues + 1).i32(1).child(FLF_TAG_SORTED, 1).i32(2);
            image.child(FLF_TAG_INTEGER, 9).i32(9).child(FLF_TAG_INTEGER, 8).i32(8);
        },
    };
    for (const auto &disorder : disorders) {
        const LongFile file = two_long_forms(disorder, 1);
        const ByteVector saved = SavedBothWays(file.bytes);
        ASSERT_FALSE(saved.empty());
        EXPECT_NE(saved, file.bytes);
        EXPECT_EQ(saved.size(), file.bytes.size());
    }
}

// A file of many forms is checked by two walks at once, the second from a
// form it guesses about halfway; every form here ends with a text that looks
// like the start of a later one. Opened again and again, it gives the same
// base or the same refusal as one walk would.
TEST_F(OpenCheck, AFileOfManyFormsOpensAlikeWhereverItsSecondCheckBegins)
{
    constexpr int kForms = 12;
    const auto many_forms = [&](int faulty) {
        ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
        image.i32(10001 + kForms).i32(1).i32(kForms).str("MAIN");
        for (int i = 0; i < kForms; ++i)
            image.i32(i + 1).i32(10001 + i).str("f");
        image.i32(kForms);
        int fault_at = 0;
        for (int i = 0; i < kForms; ++i) {
            values(image.child(FLF_TAG_SORTED, 10001 + i).i32(1501), 1, 1500);
            ByteWriter fake;
            fake.child(FLF_TAG_SORTED, 10001 + (i + 2) % kForms).i32(0);
            if (i == faulty)
                fault_at = static_cast<int>(image.bytes().size());
            image.child(i == faulty ? 7 : FLF_TAG_STRING, 1501).str(text_of(fake.bytes()));
        }
        return LongFile{image.bytes(), fault_at};
    };
    const LongFile valid = many_forms(-1);
    ASSERT_GT(valid.bytes.size(), 2u << 20) << "large enough to be read by a thread of its own";
    for (int round = 0; round < 5; ++round)
        EXPECT_EQ(SavedBothWays(valid.bytes), valid.bytes);
    for (int faulty : {1, kForms - 2, kForms - 1}) {
        SCOPED_TRACE(faulty);
        const LongFile bad = many_forms(faulty);
        for (int round = 0; round < 5; ++round)
            ExpectRefused(bad.bytes, 3, bad.last_at, "a tag that names no kind of stored object");
    }
}

// The memory of a large file's image serves the next one when the base is
// closed: each base still holds exactly its own file's bytes, whether the
// next file is smaller (the region is cut down) or larger (a new one).
TEST_F(OpenCheck, LargeFilesOpenedOneAfterAnotherHoldTheirOwnBytes)
{
    const auto file_of = [](int forms_values, char letter) {
        ByteWriter image = resource_header(kCurrentVersion, "prj", 0);
        one_form_index(image).i32(1).child(FLF_TAG_SORTED, 10001).i32(forms_values);
        for (int sign = 1; sign <= forms_values; ++sign)
            image.child(FLF_TAG_STRING, sign).str(std::string(1000, letter));
        return image.bytes();
    };
    const ByteVector files[] = {file_of(9000, 'a'), file_of(3000, 'b'), file_of(6000, 'c'), file_of(2500, 'd')};
    for (const ByteVector &file : files) {
        ASSERT_GT(file.size(), 2u << 20);
        const std::string name = dir.write("next.flf", file);
        BasePtr base = open_base(name);
        ASSERT_NE(base, nullptr);
        const std::string saved = dir.file("saved.flf");
        flf_saveas_base(base.get(), saved.c_str());
        EXPECT_EQ(read_file(saved), file);
    }
}

// Texts hold what the file gave, zero bytes included: callers see a text up
// to its first zero byte, and saving writes it whole whether or not it was
// read. (Reading used to cut it at the zero, and saving lost the rest.)
TEST_F(OpenCheck, TextsWithZeroBytesAreKeptWholeTouchedOrNot)
{
    const std::string texts[] = {std::string("a\0b", 3), std::string(90, 'l') + '\0' + std::string(30, 'm')};
    for (const std::string &text : texts) {
        SCOPED_TRACE(text.size());
        ByteWriter small = resource_header(kCurrentVersion, "prj", 0);
        one_form_index(small).i32(1).child(FLF_TAG_SORTED, 10001).i32(1).child(FLF_TAG_STRING, 1).str(text);
        const LongFile large =
            two_long_forms([&](ByteWriter &image) { image.child(FLF_TAG_STRING, kValues + 1).str(text); }, 1);
        for (const auto &[file, sign] : {std::pair{small.bytes(), 1}, std::pair{large.bytes, kValues + 1}}) {
            EXPECT_EQ(SavedBothWays(file), file);
            BasePtr base = open_base(dir.write("zero.flf", file));
            ASSERT_NE(base, nullptr);
            FLF_ITEM item = flf_get_prop(flf_get_form(base.get(), "MAIN", 1), sign);
            EXPECT_EQ(std::string(flf_get_prop_str(item)), text.substr(0, text.find('\0')));
        }
    }
}

} // namespace
