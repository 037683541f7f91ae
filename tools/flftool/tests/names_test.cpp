// Name bases: the sign names a source uses, the name files the tool writes
// itself, the name base commands and the vocabulary the runtime shares.
#include <gtest/gtest.h>

#include <sstream>

#include "commands.hpp"
#include "diagnostics.hpp"
#include "fl_constants.h"
#include "name_base.hpp"
#include "tool_test_support.hpp"

namespace flftool::test {
namespace {

std::string run_ok(const std::vector<std::string> &arguments)
{
    std::ostringstream out, err;
    EXPECT_EQ(run_tool(arguments, out, err), 0) << err.str();
    return out.str();
}

TEST(Names, WidgetKindsAndAliasesAreChosenByPlace)
{
    NameTable names = vocabulary();
    EXPECT_EQ(names.name_for(7, NameContext::Group), "left");
    EXPECT_EQ(names.name_for(7, NameContext::List), "up_down");
    EXPECT_EQ(names.resolve("up_down", NameContext::List), 7);
    EXPECT_EQ(names.resolve("up_down", NameContext::Group), 144);
    EXPECT_EQ(names.resolve("kind_up_down", NameContext::Group), 7);
    // The up-down group in a list would read back as the widget kind.
    EXPECT_EQ(names.name_for(144, NameContext::List), std::nullopt);
    // Several names: the first in byte order.
    EXPECT_EQ(names.name_for(94, NameContext::Group), "conditions");
    EXPECT_EQ(names.resolve("static", NameContext::Group), 94);
    EXPECT_EQ(names.name_for(41, NameContext::Group), "geometry");
    EXPECT_EQ(names.name_for(51, NameContext::List), "items");
    EXPECT_EQ(names.name_for(99999, NameContext::Group), std::nullopt);
}

TEST(Names, VocabularyMatchesTheRuntimeHeader)
{
    static_assert(FL_caption == 46 && FL_geometry == 41 && FL_left == 7 && FL_point_size == 41);
    static_assert(FL_kind_up_down == 7 && FL_kind_displayable_object == 22 && FL_up_down == 144);
    static_assert(FL_path == 93 && FL_tag == 71 && FL_conditions == 94 && FL_static == 94);
    NameTable names = vocabulary();
    for (int kind = 1; kind <= 22; ++kind)
        EXPECT_TRUE(names.name_for(kind, NameContext::List).has_value()) << kind;
}

TEST(Names, NameFilesAreTheBytesTheLibraryWrites)
{
    // The example of a server holding caption with sign 7 and next sign 8.
    std::string bytes = name_file_bytes({{"caption", 7, {}}});
    EXPECT_EQ(bytes.size(), 57u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x1A\0\0\0", 4));
    EXPECT_EQ(bytes.substr(30, 12), std::string("\0\0\0\0\x08\0\0\0\x01\0\0\0", 12));

    ScratchDir dir;
    put_file(dir.file("empty.fln"), name_file_bytes({}));
    FLF_NAMES names = flf_open_name_base(dir.file("empty.fln").c_str());
    for (const char *name : {"zeta", "Zeta", "alpha", "\xE4"})
        flf_add_name_to_server(names, name);
    flf_save_name_base(names, dir.file("library.fln").c_str());
    EXPECT_EQ(bytes_of_file(dir.file("library.fln")),
              name_file_bytes({{"zeta", 1, {}}, {"Zeta", 2, {}}, {"alpha", 3, {}}, {"\xE4", 4, {}}}));
}

TEST(Names, ListsReadWithTheirErrorsPlaced)
{
    std::vector<NameEntry> entries = parse_name_list("# comment\ncaption 46  # the window text\nstyle 0x31\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].name, "style");
    EXPECT_EQ(entries[1].sign, 49);
    auto error_of = [](const std::string &text) {
        try {
            parse_name_list(text);
        } catch (const SourceError &error) {
            return format_source_error("list", error);
        }
        return std::string("no error");
    };
    EXPECT_EQ(error_of("caption\n46"), "list:2:1: error: expected the sign of 'caption' (an integer) on its line");
    EXPECT_EQ(error_of("a 1\nb 2\na 3"), "list:3:1: error: the name 'a' is already listed on line 1");
    EXPECT_EQ(error_of("a 1 2"),
              "list:1:5: error: expected the end of the line after the sign of 'a', found the number 2");
    EXPECT_EQ(error_of("a 3000000000"), "list:1:3: error: the sign 3000000000 does not fit in 32 bits");
    EXPECT_EQ(error_of("\"a\" 1"), "list:1:1: error: expected a name at the start of the line, found the string \"a\"");
    // A name file holds names of up to 4095 bytes; a longer one would make a
    // name base that nothing can open.
    EXPECT_EQ(error_of("b 1\n" + std::string(4095, 'a') + " 2"), "no error");
    EXPECT_EQ(error_of("b 1\n" + std::string(4096, 'a') + " 2"),
              "list:2:1: error: the name 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...' is longer than 4095 bytes");
}

TEST(Names, CommandsEditANameBase)
{
    ScratchDir dir;
    std::string base = dir.file("names.fln");
    run_ok({"names", "new", base});
    EXPECT_EQ(run_ok({"names", "list", base}), "");
    EXPECT_EQ(run_ok({"names", "add", base, "width", "height"}), "width 1\nheight 2\n");
    EXPECT_EQ(run_ok({"names", "add", base, "width"}), "width 1\n");
    run_ok({"names", "remove", base, "width"});
    EXPECT_EQ(run_ok({"names", "add", base, "depth"}), "depth 3\n") << "removed signs are not handed out again";
    EXPECT_EQ(run_ok({"names", "list", base}), "depth   3\nheight  2\n");

    run_ok({"names", "header", base, "-o", dir.file("names.h")});
    EXPECT_EQ(bytes_of_file(dir.file("names.h")).substr(0, 36), "// Formloom properties constvalues\r\n");
    run_ok({"names", "class", base, "-o", dir.file("names.e")});
    EXPECT_EQ(bytes_of_file(dir.file("names.e")).substr(0, 21), "class FL_CONSTANTS\r\n ");

    std::ostringstream out, err;
    EXPECT_EQ(run_tool({"names", "new", base}, out, err), 1);
    EXPECT_EQ(run_tool({"names", "remove", base, "width"}, out, err), 1);
    EXPECT_EQ(run_tool({"names", "add", base, "no-name"}, out, err), 1);
    EXPECT_EQ(run_ok({"names", "list", base}), "depth   3\nheight  2\n");
}

TEST(Names, RemovingOneOfSeveralNamesOfASignKeepsTheOthers)
{
    ScratchDir dir;
    put_file(dir.file("list.txt"), "static 94\nconditions 94\nvalue 114\n");
    run_ok({"names", "import", dir.file("list.txt"), "-o", dir.file("names.fln")});
    run_ok({"names", "remove", dir.file("names.fln"), "static"});
    EXPECT_EQ(run_ok({"names", "list", dir.file("names.fln")}), "conditions  94\nvalue       114\n");
    EXPECT_EQ(run_ok({"names", "add", dir.file("names.fln"), "next"}), "next 115\n");
}

} // namespace
} // namespace flftool::test
