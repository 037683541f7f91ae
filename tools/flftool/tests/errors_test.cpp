// What a user sees for broken sources and misused commands: the file, line
// and column and what was expected; and no output file from a failed build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "commands.hpp"
#include "tool_test_support.hpp"

namespace flftool::test {
namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string> &arguments)
{
    std::ostringstream out, err;
    int code = run_tool(arguments, out, err);
    return {code, out.str(), err.str()};
}

class SourceErrors : public ::testing::Test {
protected:
    // The message of checking the source, with the file name taken off.
    std::string error_of(const std::string &source, bool with_names = true)
    {
        put_file(dir_.file("broken.fls"), source);
        put_file(dir_.file("names.txt"), bytes_of_file(repo_forms_dir() + "/vocabulary.txt"));
        run({"names", "import", dir_.file("names.txt"), "-o", dir_.file("names.fln")});
        std::vector<std::string> arguments = {"check", dir_.file("broken.fls")};
        if (with_names)
            arguments.insert(arguments.end(), {"--names", dir_.file("names.fln")});
        Outcome result = run(arguments);
        EXPECT_EQ(result.code, 1);
        std::string prefix = dir_.file("broken.fls") + ":";
        EXPECT_EQ(result.err.rfind(prefix, 0), 0u) << result.err;
        return result.err.substr(prefix.size());
    }

    ScratchDir dir_;
};

TEST_F(SourceErrors, StructureFaultsNameWhatWasExpected)
{
    EXPECT_EQ(error_of("project \"p\"\nform A 1 \"a\" {\n  caption = \"x\"\n"),
              "4:1: error: expected '}' to close the '{' opened at 2:14, found the end of the file\n");
    EXPECT_EQ(error_of("form A 1 {\n}"), "1:10: error: expected the form alias (a string), found '{'\n");
    EXPECT_EQ(error_of("fomr A 1 \"a\""),
              "1:1: error: expected a statement (project, custom_flags, next_form_sign, class, form or root), "
              "found 'fomr'\n");
    EXPECT_EQ(error_of("project \"a\"\nproject \"b\""), "2:1: error: project is already given at 1:1\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { width }"),
              "1:22: error: expected a value (a number, a string, a character, true, false, none, '{', '[' or "
              "'='), found '}'\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { items [ label { } ] @ }"), "1:36: error: unexpected '@'\n");
}

TEST_F(SourceErrors, NamesAreCheckedAgainstTheNameBase)
{
    EXPECT_EQ(error_of("form A 1 \"a\" { captoin = \"x\" }"),
              "1:16: error: unknown name 'captoin'; did you mean 'caption'?\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { caption = \"x\" }", false),
              "1:16: error: unknown name 'caption' (no name base given: pass one with --names, or write the "
              "sign number)\n");
    // Widget kinds are names only inside lists.
    EXPECT_EQ(error_of("form A 1 \"a\" { label { } }"),
              "1:16: error: unknown name 'label' here: widget kinds are names only among the items of a list "
              "(kind_label names it anywhere)\n");
}

TEST_F(SourceErrors, ValuesOutOfRange)
{
    EXPECT_EQ(error_of("form A 1 \"a\" { width 4294967296 }"),
              "1:22: error: the integer 4294967296 does not fit in 32 bits\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { width 99999999999999999999999 }"),
              "1:22: error: the number 99999999999999999999999 is too large\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { caption \"abc }"), "1:24: error: unterminated string\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { caption \"a\\qb\" }"),
              "1:26: error: unknown escape sequence; use \\\\, \\\", \\', \\n, \\r, \\t or \\xHH\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { caption \"a\\x00\" }"), "1:24: error: a string cannot hold the byte 0\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { caption \"" + std::string(4096, 'x') + "\" }"),
              "1:24: error: a string holds at most 4095 bytes; this one has 4096\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { tag 'ab' }"), "1:20: error: a character holds exactly one byte\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { modal true(0) }"),
              "1:27: error: a true boolean stores a byte other than 0 (-128 to 255)\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { 5 nan(0x7FF0000000000000) }"),
              "1:22: error: nan(...) takes the 64 bits of a NaN\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { 5 1e999 }"), "1:18: error: the real number 1e999 is out of range\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { 5 12abc }"), "1:20: error: unexpected 'a' after the number 12\n");
}

TEST_F(SourceErrors, PathNotationFaults)
{
    EXPECT_EQ(error_of("form A 1 \"a\" { value = PERSON }"),
              "1:24: error: expected a path element: CLASS.field, CLASS.function(...), call CLASS.procedure(...), "
              "'*' or a literal value, found 'PERSON'\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { value = call P.f(1 }"),
              "1:35: error: expected ',' or ')' after an argument, found '}'\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { value = const P.max(1) }"),
              "1:35: error: this element takes no arguments; write tag 'C' CLASS.name(...)\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { value = [] }"),
              "1:24: error: a list of paths after '=' holds at least one path; an empty list is []\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { value = [ P.a P.b ] }"),
              "1:30: error: expected ',' or ']' after a path of the list, found 'P'\n");
    EXPECT_EQ(error_of("form A 1 \"a\" { value = \"real\".f() -> P.call }"),
              "1:40: error: expected a class or feature name (a name, or a string for any other text), found "
              "'call'\n");
}

TEST_F(SourceErrors, TreesTooDeepForAResourceFile)
{
    std::string deep = "form A 1 \"a\" {";
    for (int level = 0; level < 260; ++level)
        deep += " 1 {";
    EXPECT_EQ(error_of(deep), "1:1032: error: nested deeper than 255 levels; a resource file cannot hold it\n");
}

TEST_F(SourceErrors, IndexesTheLibraryCannotBuild)
{
    EXPECT_EQ(error_of("form A 1 \"a\" sign 10005\nform B 1 \"b\" sign 10005"),
              "2:1: error: form sign 10005 is already taken by the form at 1:1\n");
    auto build_error = [&](const std::string &source) {
        put_file(dir_.file("index.fls"), source);
        Outcome result = run({"build", dir_.file("index.fls"), "-o", dir_.file("index.flf")});
        EXPECT_EQ(result.code, 1);
        return result.err.substr(dir_.file("index.fls").size() + 1);
    };
    EXPECT_EQ(build_error("form A 1 \"a\" sign 9000"),
              "1:1: error: form sign 9000 cannot be built: form signs start at 10001\n");
    EXPECT_EQ(build_error("next_form_sign 10002\nform A 1 \"a\" sign 10004"),
              "1:1: error: next_form_sign must be above every form sign (10004)\n");
    EXPECT_EQ(build_error("form A 1 \"a\" sign 10002\nform A 1 \"b\" sign 10001"),
              "2:1: error: form 1 of class \"A\" cannot follow the one at 1:1: forms of one class and id must come "
              "with rising form signs\n");
    EXPECT_EQ(build_error("next_form_sign 2000000000"),
              "1:1: error: next_form_sign 2000000000 leaves 1999989999 form signs unused; at most 1000000 can be "
              "built\n");
}

TEST(Commands, FailedBuildLeavesTheOutputAlone)
{
    ScratchDir dir;
    put_file(dir.file("broken.fls"), "form A 1 \"a\" { 5 }");
    Outcome fresh = run({"build", dir.file("broken.fls"), "-o", dir.file("fresh.flf")});
    EXPECT_EQ(fresh.code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("fresh.flf")));

    put_file(dir.file("old.flf"), "old bytes");
    EXPECT_EQ(run({"build", dir.file("broken.fls"), "-o", dir.file("old.flf")}).code, 1);
    put_file(dir.file("unbuildable.fls"), "form A 1 \"a\" sign 5");
    EXPECT_EQ(run({"build", dir.file("unbuildable.fls"), "-o", dir.file("old.flf")}).code, 1);
    EXPECT_EQ(bytes_of_file(dir.file("old.flf")), "old bytes");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("")), {}), 3) << "no scratch files left";
}

TEST(Commands, BuildDumpAndCheckFromTheCommandLine)
{
    ScratchDir dir;
    put_file(dir.file("form.fls"), "project \"p\"\nform A 1 \"a\" { 7 5 }\n"); // no form to display
    Outcome build = run({"build", dir.file("form.fls"), "-o", dir.file("form.flf"), "--lenient"});
    EXPECT_EQ(build.code, 0) << build.err;
    Outcome dump = run({"dump", dir.file("form.flf")});
    EXPECT_EQ(dump.code, 0);
    EXPECT_EQ(dump.out, "project \"p\"\n\nform A 1 \"a\" { 7 5 }\n");
    EXPECT_EQ(run({"dump", dir.file("form.flf"), "-o", dir.file("again.fls")}).code, 0);
    EXPECT_EQ(bytes_of_file(dir.file("again.fls")), dump.out);
    EXPECT_EQ(run({"check", dir.file("again.fls"), "--lenient"}).code, 0);

    put_file(dir.file("not.flf"), "no resource file");
    Outcome bad = run({"dump", dir.file("not.flf")});
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.err,
              "flftool: cannot read " + dir.file("not.flf") + ": missing, unreadable or not a form resource file\n");
}

TEST(Commands, MisuseIsReportedWithTheUsageHint)
{
    EXPECT_EQ(run({}).code, 2);
    Outcome help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("flftool build SOURCE -o FILE.flf [--names BASE]"), std::string::npos);
    Outcome unknown = run({"compile", "x.fls"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_EQ(unknown.err, "flftool: unknown command 'compile'\nTry 'flftool --help'.\n");
    EXPECT_EQ(run({"build", "x.fls"}).err,
              "flftool: build needs the resource file to write: -o FILE.flf\nTry 'flftool --help'.\n");
    EXPECT_EQ(run({"dump", "x.flf", "--names"}).code, 2);
    EXPECT_EQ(run({"dump", "x.flf", "--verbose"}).err, "flftool: unknown option --verbose\nTry 'flftool --help'.\n");
    EXPECT_EQ(run({"preview", "x.flf", "A"}).err,
              "flftool: preview takes a form source or resource file, a class and a form id\nTry 'flftool --help'.\n");
}

#ifndef _WIN32
// A preview without -o shows the form on the display; without one it says so
// before anything runs, and a broken source is reported as by check.
TEST(Commands, PreviewNeedsADisplayOrAPicture)
{
    ScratchDir dir;
    put_file(dir.file("form.flf"), "");
    const char *display = std::getenv("DISPLAY");
    std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    Outcome blind = run({"preview", dir.file("form.flf"), "A", "1"});
    if (display)
        setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(blind.code, 1);
    EXPECT_EQ(blind.err, "flftool: no display to show the form on: give -o FORM.png for a picture\n");
    put_file(dir.file("broken.fls"), "form A 1 \"a\" { 41 { 7 0 22 0 42 \"1\" 43 1 } 44 { 103 { 123 0 } } }\n");
    Outcome broken = run({"preview", dir.file("broken.fls"), "A", "1", "-o", dir.file("a.png")});
    EXPECT_EQ(broken.code, 1);
    EXPECT_EQ(broken.err, dir.file("broken.fls") + ":1:30: error: width takes an integer, found a string\n");
}
#endif

} // namespace
} // namespace flftool::test
