// The form schema: each mistake a form author makes is reported where it
// stands, with what was expected; lenient builds go on; and the schema
// agrees with what the runtime reads.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "checker.hpp"
#include "commands.hpp"
#include "diagnostics.hpp"
#include "parser.hpp"
#include "tool_test_support.hpp"

namespace flftool::test {
namespace {

// The problems of a form whose items list holds `items`, one per line.
std::string problems_of(const std::string &body, const std::string &items = "")
{
    std::string source = "form A 1 \"a\" {\n"
                         "  geometry { left 0 top 0 width 100 height 100 }\n"
                         "  properties { window { style WS_CAPTION } form { type 0 } }\n" +
                         body + "  items [\n" + items + "  ]\n}\n";
    std::string out;
    for (const SchemaProblem &problem : check_document(parse_source(source, vocabulary())))
        out +=
            std::to_string(problem.pos.line) + ":" + std::to_string(problem.pos.column) + ": " + problem.message + "\n";
    return out;
}

const std::string kGeometry = "geometry { left 1 top 2 width 3 height 4 } ";

TEST(Schema, WrongKindsOfValueAreReportedWithWhatWasExpected)
{
    EXPECT_EQ(problems_of("", "    label { geometry { left 1 top 2 width \"160\" height 4 } }\n"),
              "5:37: width takes an integer, found a string\n");
    EXPECT_EQ(problems_of("", "    check_box { " + kGeometry + "value = [ call A.f() ] }\n"),
              "5:60: value takes an access path (= PATH), found a routine list\n");
    EXPECT_EQ(problems_of("", "    button { " + kGeometry + "value = A.f }\n"),
              "5:57: value takes a routine list (= [ PATH, ... ]), found an access path\n");
    EXPECT_EQ(
        problems_of("", "    label { " + kGeometry + "properties { window { background \"red\" auto_refresh 1 } } }\n"),
        "5:78: background takes a color (none, system(COLOR_...), rgb(r, g, b) or a number), found a string\n"
        "5:95: auto_refresh takes true or false, found an integer\n");
    EXPECT_EQ(problems_of("  routines { events { on_open = A.open } }\n"),
              "4:23: on_open takes a routine list (= [ PATH, ... ]), found an access path\n");
    EXPECT_EQ(problems_of("  properties { form { modal 1 } }\n"),
              "4:23: modal takes true or false, found an integer\n");
}

TEST(Schema, SignsOutOfPlaceAreReported)
{
    EXPECT_EQ(problems_of("", "    label { " + kGeometry + "value = A.x }\n"), "5:56: value is not read in a label\n");
    EXPECT_EQ(problems_of("", "    label { " + kGeometry + "properties { button { cancel true } } }\n"),
              "5:69: button is not read in a properties group\n");
    EXPECT_EQ(problems_of("  geometry { left 1 caption = \"x\" }\n"),
              "4:21: caption is not read in a geometry group\n");
    EXPECT_EQ(problems_of("", "    23 { }\n"),
              "5:5: unknown widget kind 23 (kinds are 1 to 22, or a form sign above 10000)\n");
    EXPECT_EQ(problems_of("", "    10001 { " + kGeometry + "properties { form { type 6 } } }\n"), "")
        << "an embedded form is a widget of its own";
}

TEST(Schema, WhatEachWidgetKindNeedsIsReported)
{
    EXPECT_EQ(problems_of("", "    text_edit { " + kGeometry + "}\n"),
              "5:5: a text edit needs value, an access path (= PATH)\n");
    EXPECT_EQ(problems_of("", "    label { geometry { left 1 top 2 } }\n"),
              "5:5: a label needs geometry/width, an integer\n5:5: a label needs geometry/height, an integer\n");
    EXPECT_EQ(problems_of("", "    label { }\n"), "5:5: a label needs geometry, a group { ... }\n")
        << "a missing group is reported once";
    EXPECT_EQ(problems_of("", "    list_view { " + kGeometry + "value = A.rows }\n"),
              "5:5: a list view needs properties, a group { ... }\n");
    EXPECT_EQ(problems_of("", "    list_view { " + kGeometry +
                                  "value = A.rows properties { list_view {\n"
                                  "      columns = [ A.x { type \"S\" width 80 caption = \"X\" },\n"
                                  "                  A.y { width 80 } ] } } }\n"),
              "7:19: a column needs type, a string\n7:19: a column needs caption, an access path (= PATH)\n");
    EXPECT_EQ(problems_of("", "    tabs { " + kGeometry + "properties { tabs { items [ ] } } }\n"),
              "5:75: a tab control needs at least one item in properties/tabs/items\n");
    EXPECT_EQ(problems_of("", "    tabs { " + kGeometry + "properties { tabs { items [ 1 { } ] } } }\n"),
              "5:83: a page needs form_number, an integer\n");
    EXPECT_EQ(problems_of("", "    radio_button { " + kGeometry + "value = A.x }\n"),
              "5:5: a radio button needs properties, a group { ... }\n");
    EXPECT_EQ(problems_of("", "    trackbar { " + kGeometry +
                                  "value = A.x properties { trackbar { range { lower = 0 } } } }\n"),
              "5:5: a trackbar needs properties/trackbar/range/upper, an access path (= PATH)\n");
    EXPECT_EQ(problems_of("  menu { items [ 1 { caption = \"&File\" items [ 1 { style MF_GRAYED } ] } ] }\n"),
              "4:18: a menu item needs style, menu item flags (MF_... names or a number)\n"
              "4:48: a menu item needs caption, an access path (= PATH)\n");
    EXPECT_EQ(problems_of("").empty(), true);
}

struct Outcome {
    int code;
    std::string err;
};

Outcome run(const std::vector<std::string> &arguments)
{
    std::ostringstream out, err;
    int code = run_tool(arguments, out, err);
    return {code, err.str()};
}

TEST(Schema, BuildRefusesAndLenientBuildsWithWarnings)
{
    ScratchDir dir;
    put_file(dir.file("names.txt"), bytes_of_file(repo_forms_dir() + "/vocabulary.txt"));
    run({"names", "import", dir.file("names.txt"), "-o", dir.file("names.fln")});
    const std::string names = dir.file("names.fln");
    put_file(dir.file("broken.fls"), "form A 1 \"a\" {\n  geometry { left 0 top 0 width \"160\" height 9 }\n"
                                     "  properties { form { type 0 } }\n}\n");
    Outcome refused = run({"build", dir.file("broken.fls"), "-o", dir.file("out.flf"), "--names", names});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.err, dir.file("broken.fls") + ":2:27: error: width takes an integer, found a string\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.flf")));
    put_file(dir.file("numbers.fls"), "form A 1 \"a\" { 41 { 7 0 22 0 42 \"160\" 43 9 } 44 { 103 { 123 0 } } }\n");
    EXPECT_EQ(run({"check", dir.file("numbers.fls")}).err,
              dir.file("numbers.fls") + ":1:30: error: width takes an integer, found a string\n")
        << "signs are checked without a name base too";

    Outcome lenient = run({"build", dir.file("broken.fls"), "-o", dir.file("out.flf"), "--lenient", "--names", names});
    EXPECT_EQ(lenient.code, 0);
    EXPECT_EQ(lenient.err, dir.file("broken.fls") + ":2:27: warning: width takes an integer, found a string\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("out.flf")));
    EXPECT_EQ(run({"check", dir.file("broken.fls"), "--lenient", "--names", names}).code, 0);
}

TEST(Schema, TheRepoFormsAreForms)
{
    for (const char *name : {"example.fls", "zotangram.fls"}) {
        std::string source = bytes_of_file(repo_forms_dir() + "/" + name);
        EXPECT_TRUE(check_document(parse_source(source, vocabulary())).empty()) << name;
    }
}

// Every chain of signs the runtime reads from a widget's description
// ({FL_properties, FL_window, FL_caption} in its sources) is a chain the
// schema allows for some widget kind.
TEST(Schema, AgreesWithWhatTheRuntimeReads)
{
    const Schema &schema = Schema::builtin();
    const NameTable names = vocabulary();
    const std::regex chain_pattern(R"(\{(FL_\w+(?:, FL_\w+)*)\})");
    const std::regex name_pattern(R"(FL_(\w+))");
    int chains = 0;
    for (const auto &entry : std::filesystem::directory_iterator(repo_forms_dir() + "/../flrt/src")) {
        if (entry.path().extension() != ".cpp")
            continue;
        std::string text = bytes_of_file(entry.path().string());
        for (std::sregex_iterator it(text.begin(), text.end(), chain_pattern), end; it != end; ++it) {
            std::vector<int32_t> signs;
            std::string list = (*it)[1];
            for (std::sregex_iterator n(list.begin(), list.end(), name_pattern); n != end; ++n)
                signs.push_back(*names.resolve((*n)[1].str(), NameContext::Group));
            if (!schema.entry(Where{"widget", kFormKind}, signs[0]) && !schema.entry(Where{"widget", 8}, signs[0]))
                continue; // a chain below a group the code has already found
            ++chains;
            bool allowed = false;
            for (int32_t kind : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 18, 19, 20, 21, 22, kFormKind}) {
                Where where{"widget", kind};
                bool all = true;
                for (int32_t sign : signs) {
                    all = all && schema.entry(where, sign);
                    where = schema.child(where, sign);
                }
                allowed = allowed || all;
            }
            EXPECT_TRUE(allowed) << entry.path().filename() << ": " << it->str();
        }
    }
    EXPECT_GE(chains, 30);
}

TEST(Schema, MalformedSchemasAreRefused)
{
    NameTable names = vocabulary();
    auto error = [&](const std::string &text) {
        try {
            Schema::parse(text, names);
        } catch (const SourceError &e) {
            return std::to_string(e.pos().line) + ": " + e.what();
        }
        return std::string("no error");
    };
    EXPECT_EQ(error("group widget\n  widht integer\n"), "2: the vocabulary has no name 'widht'");
    EXPECT_EQ(error("group widget buton\n"), "1: the vocabulary has no widget kind 'buton'");
    EXPECT_EQ(error("group widget\n  width number\n"), "2: unknown kind of value 'number'");
    EXPECT_EQ(error("group widget\n  geometry group\n"), "2: group needs scope");
    EXPECT_EQ(error("group widget\n  geometry group nowhere\n"), "0: no group lines for the scope 'nowhere'");
    EXPECT_EQ(error("require widget value\n"), "1: require takes SCOPE [KIND...] : PATH...");
}

} // namespace
} // namespace flftool::test
