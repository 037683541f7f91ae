// Name bases: the name file, handing out and looking up signs, and the two
// generated constant files.
#include "test_support.hpp"

#include <climits>

using namespace fltest;

namespace {

using Pairs = std::vector<std::pair<std::string, int>>;

const std::string kCHead =
    "// Formloom properties constvalues\r\n#ifndef FL_CONSTANTS_H\r\n#define FL_CONSTANTS_H\r\n\r\n";
const std::string kCTail = "\r\n#endif // FL_CONSTANTS_H";
const std::string kClassHead = "class FL_CONSTANTS\r\n   feature -- FL name server constants\r\n\r\n";
const std::string kClassTail = "\r\nend -- FL_CONSTANTS";

class NameBase : public ::testing::Test {
protected:
    TempDir dir;

    FLF_NAMES open(int32_t next_sign, const Pairs &entries)
    {
        FLF_NAMES names = flf_open_name_base(dir.write("names.fln", name_file(next_sign, entries)).c_str());
        EXPECT_NE(names, nullptr);
        return names;
    }

    ByteVector saved(FLF_NAMES names)
    {
        flf_save_name_base(names, dir.file("saved.fln").c_str());
        return dir.read("saved.fln");
    }

    std::string generated(void (*generate)(FLF_NAMES, const char *), FLF_NAMES names)
    {
        generate(names, dir.file("constants.txt").c_str());
        return text_of(dir.read("constants.txt"));
    }

    static Pairs pairs(FLF_NAMES names)
    {
        Pairs result;
        for (int p = flf_name_server_get_first(names); p != 0; p = flf_name_server_get_next(names, p))
            result.emplace_back(flf_name_server_item_name(names, p), flf_name_server_item_sign(names, p));
        return result;
    }
};

} // namespace

TEST_F(NameBase, ExampleFileHasTheDocumentedBytes)
{
    EXPECT_EQ(name_file(8, {{"caption", 7}}),
              from_hex("1A 00 00 00 46 6F 72 6D 6C 6F 6F 6D 20 73 74 72 69 6E 67 20 72 65 73 6F 75 72 63 65 73 0A"
                       "00 00 00 00 08 00 00 00 01 00 00 00 07 00 00 00 63 61 70 74 69 6F 6E 07 00 00 00"));
    FLF_NAMES names = open(7, {});
    EXPECT_EQ(flf_add_name_to_server(names, "caption"), 7);
    EXPECT_EQ(saved(names), name_file(8, {{"caption", 7}}));
    EXPECT_EQ(saved(names).size(), 57u);
}

TEST_F(NameBase, AddingAPresentNameAnswersItsSignAndChangesNothing)
{
    FLF_NAMES names = open(8, {{"caption", 7}});
    EXPECT_EQ(flf_add_name_to_server(names, "caption"), 7);
    EXPECT_EQ(saved(names), name_file(8, {{"caption", 7}}));
    EXPECT_STREQ(flf_get_name_by_sign(names, 7), "caption");
    EXPECT_EQ(flf_name_server_get_next(names, 1), 0);
}

TEST_F(NameBase, SignsComeFromTheNextSignAndAreNeverReused)
{
    FLF_NAMES names = open(6, {});
    EXPECT_EQ(flf_add_name_to_server(names, "first"), 6);
    EXPECT_EQ(flf_add_name_to_server(names, "second"), 7);
    flf_remove_name_from_server(names, 6);
    EXPECT_EQ(flf_add_name_to_server(names, "third"), 8);
    EXPECT_EQ(saved(names), name_file(9, {{"second", 7}, {"third", 8}}));

    // A file whose next sign lags behind its names: a new name never shares
    // the sign of a present one.
    FLF_NAMES behind = open(3, {{"a", 3}, {"b", 5}});
    EXPECT_EQ(flf_add_name_to_server(behind, "c"), 6);
    EXPECT_STREQ(flf_get_name_by_sign(behind, 3), "a");
}

TEST_F(NameBase, NamesSortByteByByte)
{
    FLF_NAMES names = open(1, {});
    for (const char *name : {"alpha", "Zeta", "\xE4rger", "Alpha", "_x"})
        flf_add_name_to_server(names, name);
    EXPECT_EQ(pairs(names), (Pairs{{"Alpha", 4}, {"Zeta", 2}, {"_x", 5}, {"alpha", 1}, {"\xE4rger", 3}}));
    EXPECT_STREQ(flf_get_name_by_sign(names, 3), "\xE4rger");
    EXPECT_EQ(flf_get_sign_by_name(names, "\xE4rger"), 3);
}

TEST_F(NameBase, RemovedNamesAreGoneInBothDirections)
{
    FLF_NAMES names = open(4, {{"a", 1}, {"b", 2}, {"c", 3}});
    flf_remove_name_from_server(names, 2);
    EXPECT_EQ(flf_get_sign_by_name(names, "b"), 0);
    EXPECT_EQ(flf_get_name_by_sign(names, 2), nullptr);
    EXPECT_EQ(pairs(names), (Pairs{{"a", 1}, {"c", 3}}));
    EXPECT_STREQ(flf_get_name_by_sign(names, 3), "c");
}

TEST_F(NameBase, MissingNamesSignsAndPositionsAnswerNone)
{
    FLF_NAMES empty = open(1, {});
    EXPECT_EQ(flf_name_server_get_first(empty), 0);
    EXPECT_EQ(flf_name_server_get_next(empty, 0), 0);
    FLF_NAMES names = open(3, {{"a", 1}, {"b", 2}});
    EXPECT_EQ(flf_name_server_get_next(names, 0), 1);
    EXPECT_EQ(flf_name_server_get_next(names, -1), 0);
    EXPECT_EQ(flf_get_sign_by_name(names, "nope"), 0);
    EXPECT_EQ(flf_get_name_by_sign(names, 99), nullptr);
    flf_remove_name_from_server(names, 99);
    for (int outside : {0, -1, 3}) {
        EXPECT_EQ(flf_name_server_item_name(names, outside), nullptr) << outside;
        EXPECT_EQ(flf_name_server_item_sign(names, outside), 0) << outside;
    }
    EXPECT_EQ(pairs(names), (Pairs{{"a", 1}, {"b", 2}}));
}

TEST_F(NameBase, FileDuplicatesAreAllKeptLaterFirst)
{
    FLF_NAMES names = open(5, {{"x", 3}, {"x", 4}, {"a", 1}});
    EXPECT_EQ(pairs(names), (Pairs{{"a", 1}, {"x", 4}, {"x", 3}}));
    EXPECT_STREQ(flf_get_name_by_sign(names, 3), "x");
    EXPECT_STREQ(flf_get_name_by_sign(names, 4), "x");
}

TEST_F(NameBase, SavingWritesNameOrderAndAZeroReservedWord)
{
    ByteWriter image;
    image.str("other header").i32(77).i32(10).i32(3).str("m").i32(2).str("b").i32(9).str("z").i32(1);
    FLF_NAMES names = flf_open_name_base(dir.write("odd.fln", image.bytes()).c_str());
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(saved(names), name_file(10, {{"b", 9}, {"m", 2}, {"z", 1}}));
}

TEST_F(NameBase, ConstantFilesOfTheExample)
{
    FLF_NAMES names = open(8, {{"caption", 7}});
    EXPECT_EQ(generated(flf_gen_c_const_file, names),
              kCHead + "#define FL_caption" + std::string(23, ' ') + " 7\r\n" + kCTail);
    EXPECT_EQ(generated(flf_gen_qev_const_file, names),
              kClassHead + "      FL_caption" + std::string(43, ' ') + " : INTEGER is 7\r\n" + kClassTail);
}

TEST_F(NameBase, ConstantFilesOfAnEmptyServerHoldOnlyTheFrame)
{
    FLF_NAMES names = open(1, {});
    EXPECT_EQ(generated(flf_gen_c_const_file, names), kCHead + kCTail);
    EXPECT_EQ(generated(flf_gen_qev_const_file, names), kClassHead + kClassTail);
}

TEST_F(NameBase, LongNamesAreCutOnlyInTheCHeaderAndOrderIsByBytes)
{
    const std::string long_name = "abcdefghij0123456789ABCDEFGHIJklmnopqrst"; // 40 characters
    FLF_NAMES names = open(3, {{long_name, 2}, {"Zeta", 1}});
    EXPECT_EQ(generated(flf_gen_c_const_file, names), kCHead + "#define FL_Zeta" + std::string(26, ' ') + " 1\r\n" +
                                                          "#define FL_" + long_name.substr(0, 30) + " 2\r\n" + kCTail);
    EXPECT_EQ(generated(flf_gen_qev_const_file, names), kClassHead + "      FL_Zeta" + std::string(46, ' ') +
                                                            " : INTEGER is 1\r\n" + "      FL_" + long_name +
                                                            std::string(10, ' ') + " : INTEGER is 2\r\n" + kClassTail);
}

TEST_F(NameBase, BrokenFilesRaiseStreamErrors)
{
    EXPECT_EQ(catch_error([&] { flf_open_name_base(dir.file("missing.fln").c_str()); }),
              (Caught{Caught::System, 2, 0}));
    const ByteVector whole = name_file(8, {{"caption", 7}});
    for (size_t length = 0; length < whole.size(); ++length) {
        const ByteVector prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        const std::string file = dir.write("cut.fln", prefix);
        EXPECT_EQ(catch_error([&] { flf_open_name_base(file.c_str()); }).what, Caught::File) << "cut at " << length;
    }
    ByteWriter huge;
    huge.str(kNameHeader).i32(0).i32(1).i32(0x7FFFFFFF).str("a").i32(1);
    const std::string huge_file = dir.write("huge.fln", huge.bytes());
    EXPECT_EQ(catch_error([&] { flf_open_name_base(huge_file.c_str()); }).what, Caught::File);
    ByteWriter long_name;
    long_name.str(kNameHeader).i32(0).i32(1).i32(1).str(std::string(4096, 'n')).i32(1);
    const std::string long_file = dir.write("long.fln", long_name.bytes());
    EXPECT_EQ(kind_only(catch_error([&] { flf_open_name_base(long_file.c_str()); })), Caught::file(4));
}

TEST_F(NameBase, WritingIntoAMissingFolderRaisesTheSystemError)
{
    FLF_NAMES names = open(8, {{"caption", 7}});
    const std::string target = dir.file("no/such/file");
    for (auto write : {flf_save_name_base, flf_gen_c_const_file, flf_gen_qev_const_file})
        EXPECT_EQ(catch_error([&] { write(names, target.c_str()); }).what, Caught::System);
}

TEST_F(NameBase, TheHighestSignIsNeverHandedOut)
{
    FLF_NAMES names = open(INT_MAX - 1, {{"caption", 7}});
    EXPECT_EQ(flf_add_name_to_server(names, "last"), INT_MAX - 1);
    EXPECT_EQ(flf_add_name_to_server(names, "none left"), 0);
    EXPECT_EQ(flf_get_sign_by_name(names, "none left"), 0);
    EXPECT_EQ(flf_add_name_to_server(names, "caption"), 7);
    EXPECT_EQ(pairs(names), (Pairs{{"caption", 7}, {"last", INT_MAX - 1}}));
    saved(names);
    FLF_NAMES again = flf_open_name_base(dir.file("saved.fln").c_str());
    EXPECT_EQ(flf_add_name_to_server(again, "none left"), 0);
}
