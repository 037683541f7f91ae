// Styles, colors and flags by name: names read as the very bits the numbers
// give, the dumper names exactly what the bits hold by the widget kind, and
// every value still comes back bit for bit.
#include <gtest/gtest.h>

#include <random>

#include "diagnostics.hpp"
#include "flfileio.h"
#include "parser.hpp"
#include "tool_test_support.hpp"
#include "writer.hpp"

namespace flftool::test {
namespace {

// A form of one control of the given kind whose window group holds `window`.
std::string control_source(const std::string &kind, const std::string &window)
{
    return "form A 1 \"a\" {\n  properties { window { style WS_CAPTION } form { type 0 } }\n"
           "  items [\n    " +
           kind + " { properties { window { " + window + " } } }\n  ]\n}\n";
}

int32_t control_window_value(const std::string &kind, const std::string &window, const std::string &sign_name)
{
    NameTable names = vocabulary();
    Document document = parse_source(control_source(kind, window), names);
    const Item &control = document.forms.at(0).body->children.back().children.at(0);
    const Item &group = control.children.at(0).children.at(0);
    for (const Item &item : group.children)
        if (item.sign == *names.resolve(sign_name, NameContext::Group))
            return item.number;
    ADD_FAILURE() << "no " << sign_name << " in " << window;
    return 0;
}

std::string parse_error(const std::string &source)
{
    try {
        parse_source(source, vocabulary());
    } catch (const SourceError &error) {
        return format_source_error("f", error);
    }
    return "no error";
}

TEST(ValueNames, NamesReadAsTheBitsOfTheWidgetsKind)
{
    EXPECT_EQ(control_window_value("text_edit", "style WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL", "style"),
              0x50010080);
    EXPECT_EQ(control_window_value("button", "style WS_CHILD | BS_DEFPUSHBUTTON", "style"), 0x40000001);
    EXPECT_EQ(control_window_value("list_box", "style LBS_NOTIFY | 0x00100000 | 2", "style"), 0x00100003);
    EXPECT_EQ(control_window_value("check_box", "style BS_AUTOCHECKBOX | BS_LEFTTEXT", "style"), 0x23);
    EXPECT_EQ(control_window_value("trackbar", "style TBS_LEFT", "style"), 4) << "an alias reads too";
    EXPECT_EQ(control_window_value("label", "style 0x50000000", "style"), 0x50000000) << "numbers stay";
    EXPECT_EQ(control_window_value("label", "ex_style WS_EX_CLIENTEDGE | WS_EX_STATICEDGE", "ex_style"), 0x20200);
    EXPECT_EQ(control_window_value("label", "background none", "background"), 0x40000000);
    EXPECT_EQ(control_window_value("label", "background system(COLOR_WINDOW)", "background"),
              static_cast<int32_t>(0x80000005));
    EXPECT_EQ(control_window_value("label", "background system(15)", "background"), static_cast<int32_t>(0x8000000F));
    EXPECT_EQ(control_window_value("label", "background rgb(240, 16, 1)", "background"), 0x000110F0);
    EXPECT_EQ(control_window_value("label", "background 0x80000005", "background"), static_cast<int32_t>(0x80000005));
}

TEST(ValueNames, NamesBuildTheSameBytesAsNumbers)
{
    ScratchDir dir;
    NameTable names = vocabulary();
    const std::string with_names =
        "form P 1 \"p\" {"
        "  properties { window { caption = \"P\" style WS_CAPTION | WS_VISIBLE | WS_SYSMENU | DS_CENTER"
        " background none font { style FONT_BOLD | FONT_ITALIC text_color rgb(0, 0, 255) } } form { type 0 } }"
        "  menu { items [ 1 { style MF_POPUP | MF_HIDDEN caption = \"&File\" } ] }"
        "  items [ combo_box { properties { window { style WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT"
        " ex_style WS_EX_CLIENTEDGE background system(COLOR_BTNFACE) } } } ]\n}\n";
    const std::string with_numbers = "form P 1 \"p\" {"
                                     "  properties { window { caption = \"P\" style 0x10C80800 background 0x40000000"
                                     " font { style 3 text_color 0x00FF0000 } } form { type 0 } }"
                                     "  menu { items [ 1 { style 0x10000010 caption = \"&File\" } ] }"
                                     "  items [ combo_box { properties { window { style 0x40000103 ex_style 0x200 "
                                     "background 0x8000000F } } } ]\n}\n";
    build_source(with_names, dir.file("names.flf"), names);
    build_source(with_numbers, dir.file("numbers.flf"), names);
    EXPECT_EQ(bytes_of_file(dir.file("names.flf")), bytes_of_file(dir.file("numbers.flf")));
    std::string dumped = dump_file(dir.file("numbers.flf"), names);
    for (const char *text : {"style WS_CAPTION | WS_VISIBLE | WS_SYSMENU | DS_CENTER", "background none",
                             "font { style FONT_BOLD | FONT_ITALIC background rgb(0, 0, 255) }",
                             "1 { caption = \"&File\" style MF_POPUP | MF_HIDDEN }", // a menu item is no button
                             "style WS_CHILD | CBS_DROPDOWNLIST | CBS_SORT", "ex_style WS_EX_CLIENTEDGE",
                             "background system(COLOR_BTNFACE)"})
        EXPECT_NE(dumped.find(text), std::string::npos) << text << "\n" << dumped;
}

TEST(ValueNames, TheDumperNamesByKindAndLeavesTheRestANumber)
{
    auto written = [](int32_t kind, uint32_t value) { return style_names(kind).text(value); };
    EXPECT_EQ(written(1, 0x50010001), "WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON");
    EXPECT_EQ(written(8, 0x50010001), "WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_CENTER");
    EXPECT_EQ(written(13, 0x50010001), "WS_CHILD | WS_VISIBLE | WS_TABSTOP | LBS_NOTIFY");
    EXPECT_EQ(written(10, 0x3), "BS_AUTOCHECKBOX") << "a field value, not BS_DEFPUSHBUTTON | BS_CHECKBOX";
    EXPECT_EQ(written(1, 0xC), "0x0000000C") << "an unnamed button type stays a number";
    EXPECT_EQ(written(22, 0x50000001), "WS_CHILD | WS_VISIBLE | 0x00000001");
    EXPECT_EQ(written(kFormKind, 0x02CF0000), "WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN");
    EXPECT_EQ(written(kFormKind, 0x00010000), "WS_MAXIMIZEBOX");
    EXPECT_EQ(written(1, 0x00010000), "WS_TABSTOP");
    EXPECT_EQ(written(1, 0), "0");
    EXPECT_EQ(color_text(0x40000001), "0x40000001");
    EXPECT_EQ(color_text(0x80000019), "system(25)");
    EXPECT_EQ(color_text(0x80000100), "0x80000100");
    EXPECT_EQ(color_text(0x01000000), "0x01000000");
}

// Generated files: every widget kind with random window, font and menu
// values, and the odd ones a hand-made file may hold (a none string where a
// color stands, a string style), rebuild to the same bytes through names.
TEST(ValueNames, RandomStylesAndColorsRoundTripThroughNames)
{
    ScratchDir dir;
    NameTable names = vocabulary();
    std::mt19937 rng(18);
    auto number = [&] {
        const uint32_t picks[] = {0, 0x40000000, 0x80000005, 0x80000100, 0x00F0F0F0, 0x50010001, 0xFFFFFFFF};
        return static_cast<int32_t>(rng() % 3 ? picks[rng() % 7] : rng());
    };
    auto sign = [&](const char *name) { return *names.resolve(name, NameContext::Group); };
    for (int round = 0; round < 20; ++round) {
        FLF_BASE base = flf_new_base("styles", FLF_PROJECT_ABSOLUTE);
        FLF_ITEM form = flf_add_form(base, "S", 1, "s");
        FLF_ITEM items = flf_add_property(form, FLF_TAG_ORDERED, sign("items"), nullptr);
        for (int32_t kind = 1; kind <= 23; ++kind) {
            FLF_ITEM owner = kind == 23 ? form : flf_add_property(items, FLF_TAG_SORTED, kind, nullptr);
            FLF_ITEM properties = flf_add_property(owner, FLF_TAG_SORTED, sign("properties"), nullptr);
            FLF_ITEM window = flf_add_property(properties, FLF_TAG_SORTED, sign("window"), nullptr);
            for (const char *name : {"style", "ex_style", "background"})
                flf_set_prop_int(flf_add_property(window, FLF_TAG_INTEGER, sign(name), nullptr), number());
            FLF_ITEM font = flf_add_property(window, FLF_TAG_SORTED, sign("font"), nullptr);
            flf_set_prop_int(flf_add_property(font, FLF_TAG_INTEGER, sign("style"), nullptr), number());
            flf_set_prop_int(flf_add_property(font, FLF_TAG_INTEGER, sign("text_color"), nullptr), number());
            flf_add_property(window, FLF_TAG_STRING, sign("background"), nullptr);
            flf_set_prop_str(flf_add_property(window, FLF_TAG_STRING, sign("style"), nullptr), "WS_CHILD");
        }
        FLF_ITEM menu = flf_add_property(form, FLF_TAG_SORTED, sign("menu"), nullptr);
        FLF_ITEM entries = flf_add_property(menu, FLF_TAG_ORDERED, sign("items"), nullptr);
        FLF_ITEM entry = flf_add_property(entries, FLF_TAG_SORTED, 1, nullptr);
        flf_set_prop_int(flf_add_property(entry, FLF_TAG_INTEGER, sign("style"), nullptr), number());
        flf_saveas_base(base, dir.file("styles.flf").c_str());
        flf_close_base(base);
        std::string text = dump_file(dir.file("styles.flf"), names);
        SCOPED_TRACE(text);
        try {
            build_source(text, dir.file("rebuilt.flf"), names);
        } catch (const SourceError &error) {
            FAIL() << format_source_error("dump", error);
        }
        EXPECT_EQ(bytes_of_file(dir.file("rebuilt.flf")), bytes_of_file(dir.file("styles.flf")));
        EXPECT_NE(text.find("76 none"), std::string::npos) << "a none string where a color stands";
        if (HasFailure())
            break;
    }
}

TEST(ValueNames, MistakesAreReportedWhereTheyStand)
{
    EXPECT_EQ(parse_error(control_source("button", "style WS_CHILD | ES_AUTOHSCROLL")),
              "f:4:53: error: 'ES_AUTOHSCROLL' is not a style of a button (it is one of integer_edit, text_edit, "
              "text_edit_2, real_edit, ...)");
    EXPECT_EQ(parse_error(control_source("text_edit", "style ES_AUTOHSCROL")),
              "f:4:45: error: unknown style name 'ES_AUTOHSCROL' for a text_edit; did you mean 'ES_AUTOHSCROLL'?");
    EXPECT_EQ(parse_error(control_source("button", "style BS_CHECKBOX | BS_RADIOBUTTON")),
              "f:4:56: error: BS_RADIOBUTTON and BS_CHECKBOX are two values of one field; give one of them");
    EXPECT_EQ(parse_error(control_source("label", "background rgb(256, 0, 0)")),
              "f:4:50: error: a color part is 0 to 255");
    EXPECT_EQ(parse_error(control_source("label", "background system(COLOR_WINDOWS)")),
              "f:4:53: error: expected a system color (COLOR_WINDOW, COLOR_BTNFACE, ... or its index), found "
              "'COLOR_WINDOWS'");
    EXPECT_EQ(parse_error(control_source("label", "ex_style WS_EX_CLIENTEGDE")),
              "f:4:44: error: unknown name 'WS_EX_CLIENTEGDE' for an extended style; did you mean 'WS_EX_CLIENTEDGE'?");
    EXPECT_EQ(parse_error(control_source("label", "style WS_CHILD |")),
              "f:4:52: error: expected a name or a number after '|', found '}'");
}

// The parser reads a token ahead; an error must not point at a token it
// has already let go. Items before the faulty one shift where that token lies
// in the reading buffer.
TEST(ValueNames, AnIndexOutOfRangeIsReportedAtTheIndexWhereverItFalls)
{
    for (int before = 0; before < 24; ++before) {
        std::string items;
        for (int i = 0; i < before; ++i)
            items += "label { } ";
        std::string source = "form A 1 \"a\" {\n  properties { window { style WS_CAPTION } form { type 0 } }\n"
                             "  items [ " +
                             items +
                             "\n    label { properties { window { background system(256) } } }\n"
                             "  ]\n}\n";
        EXPECT_EQ(parse_error(source), "f:4:53: error: a system color index is 0 to 255") << before << " items before";
    }
}

} // namespace
} // namespace flftool::test
