// Lossless both ways: for resource files made through the library, building
// the dump gives the bytes that saving the original gives, and dumping the
// built file gives the same text.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <vector>

#include "diagnostics.hpp"
#include "flfileio.h"
#include "parser.hpp"
#include "path_notation.hpp"
#include "tool_test_support.hpp"
#include "writer.hpp"

namespace flftool::test {
namespace {

// Makes resource files through the flf_ functions the way an editor would:
// forms of several classes, removed forms and classes, sorted and ordered
// compounds with duplicate signs, values of every tag including the odd ones,
// and access paths the compact notation writes as well as ones it must not.
class RandomResource {
public:
    explicit RandomResource(uint32_t seed) : rng_(seed) {}

    void save(const std::string &file_name, const std::string &folder)
    {
        FLF_BASE base = flf_new_base(project_name(folder).c_str(),
                                     pick_of<int>({FLF_PROJECT_ABSOLUTE, FLF_PROJECT_RELATIVE, 0x1234}));
        flf_set_custom_flag(base, static_cast<int>(rng_()), 1);
        add_forms(base);
        for (int n = pick(0, 2); n > 0; --n)
            flf_add_prop(flf_get_form_root(base), random_item(2));
        flf_saveas_base(base, file_name.c_str());
        flf_close_base(base);
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }
    template <class T>
    T pick_of(std::initializer_list<T> values)
    {
        return values.begin()[pick(0, int(values.size()) - 1)];
    }

    std::string project_name(const std::string &folder)
    {
        return pick_of<std::string>({"demo", "", folder + "/src/app", folder + "/lib", "C:\\FL"});
    }

    void add_forms(FLF_BASE base)
    {
        const char *classes[] = {"ZOTANGRAM", "A", "qk/fllocal/Thing", "with space", ""};
        std::vector<FLF_ITEM> forms;
        for (int n = pick(0, 7); n > 0; --n) {
            const char *cls = classes[pick(0, 4)];
            int id = pick(-2, 5);
            FLF_ITEM form = flf_add_form(base, cls, id, pick_of<const char *>({"", "Main", "\xE4hnlich \"quoted\""}));
            fill(form, 1);
            forms.push_back(form);
        }
        for (FLF_ITEM form : forms)
            if (chance(15))
                flf_remove_form(base, form);
        if (chance(15) && flf_get_class_count(base) > 0)
            flf_remove_class(base, flf_class_item_name(flf_class_item(base, 1)));
    }

    void fill(FLF_ITEM compound, int depth)
    {
        for (int n = pick(0, 6); n > 0; --n) {
            if (depth < 5 && chance(20))
                add_path(compound);
            else
                flf_add_prop(compound, random_item(depth));
        }
    }

    int32_t random_sign() { return chance(80) ? pick(1, 12) : pick_of<int32_t>({0, -5, 93, 71, 10001, INT32_MAX}); }

    // A compound only while depth is below 5.
    FLF_ITEM random_item(int depth, std::optional<int32_t> sign = std::nullopt)
    {
        int tag = pick_of<int>({FLF_TAG_INTEGER, FLF_TAG_STRING, FLF_TAG_BOOLEAN, FLF_TAG_CHARACTER, FLF_TAG_DOUBLE,
                                FLF_TAG_ORDERED, FLF_TAG_SORTED});
        if (depth >= 5 && (tag == FLF_TAG_ORDERED || tag == FLF_TAG_SORTED))
            tag = FLF_TAG_INTEGER;
        FLF_ITEM item = flf_create_property(tag, sign ? *sign : random_sign(), nullptr);
        set_random_value(item, tag, depth);
        return item;
    }

    void set_random_value(FLF_ITEM item, int tag, int depth)
    {
        switch (tag) {
        case FLF_TAG_INTEGER:
            flf_set_prop_int(item, pick_of<int32_t>({0, -1, INT32_MIN, INT32_MAX, 65535, 65536, -65536,
                                                     static_cast<int32_t>(rng_())}));
            break;
        case FLF_TAG_STRING:
            if (!chance(15))
                flf_set_prop_str(item, random_text().c_str());
            break;
        case FLF_TAG_BOOLEAN: flf_set_prop_boo(item, pick_of<int>({0, 1, -1, 2, 127, -128, 256, 0x1FF})); break;
        case FLF_TAG_CHARACTER: flf_set_prop_char(item, pick(0, 255)); break;
        case FLF_TAG_DOUBLE: flf_set_prop_double(item, random_double()); break;
        default: fill(item, depth + 1); break;
        }
    }

    std::string random_text()
    {
        std::string text;
        for (int n = pick(0, 12); n > 0; --n)
            text += static_cast<char>(chance(70) ? pick('a', 'z') : pick(1, 255));
        return text;
    }

    double random_double()
    {
        return pick_of<double>(
            {0.0, -0.0, 0.1, 1.0 / 3, -2.5e-310, DBL_MAX, -DBL_MIN, 1e22, std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity(), std::bit_cast<double>(0x7FF8000000000000ull),
             std::bit_cast<double>(0xFFF80000DEADBEEFull), std::ldexp(static_cast<double>(rng_()), pick(-60, 60))});
    }

    // Paths as holders (a compound whose child 93 is the first element) or as
    // routine lists; now and then with a flaw that keeps them out of the notation.
    void add_path(FLF_ITEM compound)
    {
        if (chance(50)) {
            FLF_ITEM holder = flf_add_property(compound, FLF_TAG_SORTED, random_sign(), nullptr);
            flf_add_prop(holder, random_path(path_sign::kNext, 3));
        } else {
            FLF_ITEM list = flf_add_property(compound, FLF_TAG_ORDERED, random_sign(), nullptr);
            for (int n = pick(1, 3); n > 0; --n)
                flf_add_prop(list, random_path(path_sign::kNext, 3));
        }
    }

    FLF_ITEM random_path(int32_t sign, int budget)
    {
        FLF_ITEM element = flf_create_property(chance(95) ? FLF_TAG_SORTED : FLF_TAG_ORDERED, sign, nullptr);
        char tag = "*TVvCcFfPLx"[pick(0, 10)];
        flf_set_prop_char(flf_add_property(element, FLF_TAG_CHARACTER, path_sign::kTag, nullptr), tag);
        if (tag == 'L') {
            flf_add_prop(element, random_item(9, path_sign::kLiteral));
        } else if (tag != '*' || chance(10)) {
            if (chance(95))
                flf_add_property(element, FLF_TAG_STRING, path_sign::kClassName,
                                 pick_of<const char *>({"ZOTANGRAM", "qk/fllocal/DisplayManager", "call"}));
            flf_add_property(element, FLF_TAG_STRING, path_sign::kFeature, pick_of<const char *>({"accept", "x y"}));
        }
        if (chance(20))
            flf_add_property(element, FLF_TAG_STRING, path_sign::kSignature, "(I)V");
        if (chance(15))
            flf_add_property(element, chance(70) ? FLF_TAG_BOOLEAN : FLF_TAG_INTEGER, path_sign::kStatic, nullptr);
        if (chance(15))
            flf_add_property(element, FLF_TAG_BOOLEAN, 3, nullptr);
        for (int n = budget > 0 && chance(40) ? pick(1, 3) : 0; n > 0; --n) {
            FLF_ITEM parameter = flf_add_property(element, FLF_TAG_SORTED, path_sign::kParameter, nullptr);
            flf_add_prop(parameter, random_path(path_sign::kNext, budget - 1));
        }
        if (budget > 0 && chance(30))
            flf_add_prop(element, random_path(path_sign::kNext, budget - 1));
        return element;
    }

    std::mt19937 rng_;
};

// The files here are written by the library in the current format, so the
// rebuilt dump must give back the very same bytes.
void expect_lossless(const std::string &original, const std::string &rebuilt, const NameTable &names)
{
    std::string expected = bytes_of_file(original);
    std::string text = dump_file(original, names);
    try {
        build_source(text, rebuilt, names);
    } catch (const SourceError &error) {
        FAIL() << format_source_error("dump", error) << "\n" << text;
    }
    std::string actual = bytes_of_file(rebuilt);
    auto differ = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    EXPECT_TRUE(actual == expected) << "the rebuilt file differs from byte " << (differ.first - actual.begin())
                                    << " of " << expected.size() << "\n"
                                    << text;
    EXPECT_EQ(dump_file(rebuilt, names), text);
}

TEST(RoundTrip, RandomResourceFilesRebuildToTheSameBytes)
{
    ScratchDir dir;
    NameTable names = vocabulary();
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomResource(seed).save(dir.file("original.flf"), dir.file("project"));
        expect_lossless(dir.file("original.flf"), dir.file("rebuilt.flf"), seed % 2 ? names : NameTable());
        if (HasFailure())
            break;
    }
}

TEST(RoundTrip, EveryValueOfEveryTagSurvives)
{
    ScratchDir dir;
    FLF_BASE base = flf_new_base("values", FLF_PROJECT_ABSOLUTE);
    FLF_ITEM form = flf_add_form(base, "VALUES", 1, "all");
    FLF_ITEM bytes = flf_add_property(form, FLF_TAG_ORDERED, 1, nullptr);
    for (int c = 0; c < 256; ++c) {
        flf_set_prop_char(flf_add_property(bytes, FLF_TAG_CHARACTER, 2, nullptr), c);
        flf_set_prop_boo(flf_add_property(bytes, FLF_TAG_BOOLEAN, 3, nullptr), c);
    }
    std::string all_bytes;
    for (int c = 1; c < 256; ++c)
        all_bytes += static_cast<char>(c);
    flf_set_prop_str(flf_add_property(form, FLF_TAG_STRING, 4, nullptr), all_bytes.c_str());
    flf_set_prop_str(flf_add_property(form, FLF_TAG_STRING, 5, nullptr), std::string(4095, 'x').c_str());
    flf_set_prop_str(flf_add_property(form, FLF_TAG_STRING, 6, nullptr), "");
    flf_add_property(form, FLF_TAG_STRING, 6, nullptr); // none beside empty
    for (double value : {5e-324, -0.0, 1.7976931348623157e308, 123456789.0, 0.30000000000000004})
        flf_set_prop_double(flf_add_property(form, FLF_TAG_DOUBLE, 7, nullptr), value);
    for (int32_t value : {INT32_MIN, -65537, -65536, 65535, 65536, INT32_MAX})
        flf_set_prop_int(flf_add_property(form, FLF_TAG_INTEGER, 8, nullptr), value);
    flf_saveas_base(base, dir.file("values.flf").c_str());
    flf_close_base(base);
    expect_lossless(dir.file("values.flf"), dir.file("rebuilt.flf"), NameTable());
}

// Reading a file puts each child before the earlier ones of its sign; a
// built file reads back in the order the source gives, which is the order the
// runtime walks and the one ChildBySign answers first.
TEST(RoundTrip, EqualSignsReadBackInTheSourcesOrder)
{
    ScratchDir dir;
    build_source("form A 1 \"a\" { 7 1 7 2 9 = call P.f(10, 20) }", dir.file("order.flf"));
    FLF_BASE base = flf_open_base(dir.file("order.flf").c_str());
    FLF_ITEM form = flf_get_form(base, "A", 1);
    EXPECT_EQ(flf_get_prop_int(flf_get_prop(form, 7)), 1);
    FLF_ITEM call = flf_get_prop(flf_get_prop(form, 9), path_sign::kNext);
    std::vector<int> arguments;
    for (int p = flf_get_first_prop_position(call); p; p = flf_get_next_prop_position(call, p)) {
        FLF_ITEM child = flf_item_by_position(call, p);
        if (flf_get_item_sign(child) == path_sign::kParameter)
            arguments.push_back(flf_get_prop_int(flf_get_sub_prop(child, std::vector<int>{93, 109}.data(), 2)));
    }
    EXPECT_EQ(arguments, (std::vector<int>{10, 20}));
    flf_close_base(base);
    EXPECT_EQ(dump_file(dir.file("order.flf")), "project \"\"\n\nform A 1 \"a\" { 7 1 7 2 9 = call P.f(10, 20) }\n");
}

TEST(RoundTrip, SeveralRootStatementsMakeOneGroupInSignOrder)
{
    const Document document = parse_source("root { 20 1 10 2 }\nroot { 15 3 10 4 }\n", NameTable());
    std::vector<int32_t> values;
    for (const Item &item : document.root_items)
        values.push_back(item.number);
    EXPECT_EQ(values, (std::vector<int32_t>{2, 4, 3, 1})) << "sign order; equal signs in source order";
    const std::string written = Writer(NameTable()).write(document);
    EXPECT_EQ(Writer(NameTable()).write(parse_source(written, NameTable())), written);
}

TEST(RoundTrip, RelativeProjectsKeepTheirStoredText)
{
    ScratchDir dir;
    std::string source = "project \"..\\\\src\\\\app\" relative\n";
    std::filesystem::create_directories(dir.file("forms"));
    build_source(source, dir.file("forms/app.flf"));
    EXPECT_EQ(dump_file(dir.file("forms/app.flf")), source);
    FLF_BASE base = flf_open_base(dir.file("forms/app.flf").c_str());
    std::string resolved = flf_get_project_name(base);
    flf_close_base(base);
    EXPECT_EQ(resolved.substr(resolved.size() - 8), "\\src\\app");
}

// Older formats: the dump shows what the library read, and a build writes the
// current format, as saving the opened file does.
TEST(RoundTrip, OlderFormatsRebuildAsSavingThemDoes)
{
    ScratchDir dir;
    {
        CBinFile file(dir.file("old.flf").c_str(), CBinFile::ForWriting);
        file.WriteString("any header at all");
        file.WriteInt(2); // format 2: project name and flags, old integers
        file.WriteString("old project");
        file.WriteInt(5);
        for (int32_t value : {10002, 1, 1}) // next sign, one class with one form
            file.WriteInt(value);
        file.WriteString("MAIN");
        file.WriteInt(1);
        file.WriteInt(10001);
        file.WriteString("Main");
        file.WriteInt(1); // the forms root: one form compound holding one integer
        file.WriteByte(FLF_TAG_SORTED);
        file.WriteInt(10001);
        file.WriteInt(1);
        file.WriteByte(FLF_TAG_INTEGER);
        file.WriteInt(76); // sign 76, value 0: read as 0x40000000 from old formats
        file.WriteInt(0);
        file.Flush();
    }
    std::string text = dump_file(dir.file("old.flf"));
    EXPECT_EQ(text, "project \"old project\"\ncustom_flags 0x00000005\n\nform MAIN 1 \"Main\" { 76 0x40000000 }\n");
    build_source(text, dir.file("rebuilt.flf"));
    FLF_BASE base = flf_open_base(dir.file("old.flf").c_str());
    flf_saveas_base(base, dir.file("saved.flf").c_str());
    flf_close_base(base);
    EXPECT_EQ(bytes_of_file(dir.file("rebuilt.flf")), bytes_of_file(dir.file("saved.flf")));
}

// Every form source of the repository: the project's forms and those of the
// tests and benchmarks (build trees and hidden folders left out).
std::vector<std::filesystem::path> repo_form_sources()
{
    namespace fs = std::filesystem;
    std::vector<fs::path> sources;
    const fs::path root = fs::path(repo_forms_dir()).parent_path();
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory() && (name == "build" || name.starts_with(".")))
            it.disable_recursion_pending();
        else if (it->is_regular_file() && it->path().extension() == ".fls")
            sources.push_back(it->path());
    }
    return sources;
}

TEST(RoundTrip, RepoFormSourcesCompileAndDumpBack)
{
    ScratchDir dir;
    NameTable names = vocabulary();
    int sources = 0;
    for (const std::filesystem::path &source : repo_form_sources()) {
        const std::filesystem::directory_entry entry(source);
        SCOPED_TRACE(entry.path().string());
        ++sources;
        std::string text = bytes_of_file(entry.path().string());
        try {
            build_source(text, dir.file("form.flf"), names);
        } catch (const SourceError &error) {
            FAIL() << format_source_error(entry.path().string(), error);
        }
        expect_lossless(dir.file("form.flf"), dir.file("rebuilt.flf"), names);
    }
    EXPECT_GE(sources, 10) << "the project's, the tests' and the benchmarks' form sources";
}

} // namespace
} // namespace flftool::test
