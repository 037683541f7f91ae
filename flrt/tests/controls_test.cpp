// The controls driven as a user would: typing into edits, leaving them by
// Tab, by mouse and for a cancel button, lists and combo boxes over arrays,
// radio groups, progress bars, trackbars, up-downs and displayable objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "controls_fixture.hpp"

#include <commctrl.h>

using namespace fltest;

namespace {

// Control indexes of form 1.
enum EditIndex { kName = 0, kCount, kMask, kBits, kOctal, kRatio, kAmount, kWide, kOddFormat, kNothing, kOk, kCancel };

std::function<void()> typing(const std::string &text)
{
    return [text] { type(text); };
}

std::function<void()> retyping(const std::string &text)
{
    return [text] {
        select_all();
        type(text);
    };
}

class ControlsTest : public testing::Test {
protected:
    Controls controls;
    TestObject *object = controls.object;
};

using Edits = ControlsTest;

TEST_F(Edits, TypedTextIsCommittedWhenTheFocusLeaves)
{
    object->set_object("name", controls.table.make_string("Ann"));
    HWND form = nullptr;
    std::string name_shown;
    int changes_after_tab = -1;
    Script script;
    script.window("Edits", form)
        .wait("the form active", active(form))
        .then([&] { name_shown = shown(Script::control(form, kName)); })
        .click(in(form, kName))
        .then(retyping("Bob"))
        .key(the(form), VK_TAB)
        .wait("the focus on the next edit", [&] { return GetFocus() == Script::control(form, kCount); })
        .then([&] { changes_after_tab = object->get_int("changes"); })
        // Leaving an unchanged edit by mouse runs no on-change routine.
        .click(in(form, kName))
        .click(in(form, kMask))
        .wait("the focus on the mask", [&] { return GetFocus() == Script::control(form, kMask); })
        .click(in(form, kOk));
    EXPECT_TRUE(controls.display(1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(name_shown, "Ann");
    EXPECT_EQ(controls.text("name"), "Bob");
    EXPECT_EQ(changes_after_tab, 1);
    EXPECT_EQ(object->get_int("changes"), 1);
    EXPECT_TRUE(script.boxes().boxes().empty());
}

TEST_F(Edits, IntegerEditsFilterKeysByBaseAndShowTheirBase)
{
    object->set_int("count", 5);
    object->set_int("mask", 255);
    object->set_int("bits", -1);
    object->set_int("octal", 8);
    HWND form = nullptr;
    std::string mask_shown, bits_shown, octal_shown, after_letter, after_late_minus, after_early_minus,
        mask_after_overflow;
    auto text_of = [&](int index) { return shown(Script::control(form, index)); };
    Script script;
    script.window("Edits", form)
        .wait("the form active", active(form))
        .then([&] {
            mask_shown = text_of(kMask);
            bits_shown = text_of(kBits);
            octal_shown = text_of(kOctal);
        })
        .click(in(form, kCount))
        .then(retyping("1a2"))
        .then([&] { after_letter = text_of(kCount); })
        .then(typing("-")) // the caret stands after the digits
        .then([&] { after_late_minus = text_of(kCount); })
        .then([] { PostMessageA(GetFocus(), EM_SETSEL, 0, 0); })
        .then(typing("-"))
        .then([&] { after_early_minus = text_of(kCount); })
        .then(retyping("+42"))
        .key(the(form), VK_TAB)
        .click(in(form, kCount))
        .then(retyping(std::string(11, '9'))) // beyond 32 bits: nothing is stored
        .key(the(form), VK_TAB)
        .click(in(form, kMask))
        // A negative number written in base 16 does not fit the signed conversion.
        .then(retyping("FFFFFFFF"))
        .key(the(form), VK_TAB)
        .then([&] { mask_after_overflow = text_of(kMask); })
        .click(in(form, kMask))
        .then(retyping("7fg"))
        .key(the(form), VK_TAB)
        .then(retyping("1012"))
        .key(the(form), VK_TAB)
        .then(retyping("0789"))
        .key(the(form), VK_TAB)
        .click(in(form, kOk));
    EXPECT_TRUE(controls.display(1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(mask_shown, "FF");
    EXPECT_EQ(bits_shown, std::string(32, '1'));
    EXPECT_EQ(octal_shown, "10");
    EXPECT_EQ(after_letter, "12");
    EXPECT_EQ(after_late_minus, "12");
    EXPECT_EQ(after_early_minus, "-12");
    EXPECT_EQ(mask_after_overflow, "FFFFFFFF");
    EXPECT_EQ(object->get_int("count"), 42);
    EXPECT_EQ(object->get_int("mask"), 0x7F);
    EXPECT_EQ(object->get_int("bits"), 0b101);
    EXPECT_EQ(object->get_int("octal"), 07);
    EXPECT_TRUE(script.boxes().boxes().empty());
}

TEST_F(Edits, OutOfRangeIsReportedButLeavingForCancelDoesNotValidate)
{
    object->set_int("count", 5);
    HWND form = nullptr;
    bool focus_back = false;
    DWORD selection_start = 99, selection_end = 0;
    int changes_after_report = -1;
    Script script;
    script.window("Edits", form)
        .wait("the form active", active(form))
        .click(in(form, kCount))
        .then(retyping("150"))
        .key(the(form), VK_TAB)
        .wait("the report", [&] { return script.boxes().boxes().size() == 1; })
        .wait("the focus back", [&] { return GetFocus() == Script::control(form, kCount); })
        .then([&] {
            focus_back = true;
            SendMessageA(GetFocus(), EM_GETSEL, reinterpret_cast<WPARAM>(&selection_start),
                         reinterpret_cast<LPARAM>(&selection_end));
            changes_after_report = object->get_int("changes");
        })
        .then(retyping("120"))
        .click(in(form, kCancel));
    EXPECT_FALSE(controls.display(1));
    EXPECT_FINISHED(script);
    ASSERT_EQ(script.boxes().boxes().size(), 1u);
    EXPECT_EQ(script.boxes().last().caption, "Validation Error");
    EXPECT_EQ(script.boxes().last().text, "Between 0 and 99, please");
    EXPECT_TRUE(focus_back);
    EXPECT_EQ(selection_start, 0u);
    EXPECT_EQ(selection_end, 3u);
    // The value is stored before it is checked; the check only holds the user back.
    EXPECT_EQ(changes_after_report, 0);
    EXPECT_EQ(object->get_int("count"), 120);
    EXPECT_EQ(object->get_int("changes"), 1);
}

TEST_F(Edits, AReportedEditHasTheFocusAgainWhenTheUserComesBack)
{
    // Wine's X11 driver without a window manager: a focus event that arrives
    // after the box is gone can take the activation from every window of the
    // program (the desktop becomes the foreground window). The user clicks
    // the form again and finds the focus on the value to correct.
    object->set_int("count", 5);
    HWND form = nullptr, edit = nullptr;
    HWND active_after_loss = reinterpret_cast<HWND>(-1);
    Script script;
    script.window("Edits", form)
        .wait("the form active", active(form))
        .then([&] { edit = Script::control(form, kCount); })
        .click(the(edit))
        .then(retyping("150"))
        .key(the(form), VK_TAB)
        .wait("the report", [&] { return script.boxes().boxes().size() == 1; })
        .wait("the focus back", [&] { return GetFocus() == edit; })
        .then([&] {
            SetForegroundWindow(GetDesktopWindow());
            active_after_loss = GetActiveWindow();
        })
        .wait("the focus back again", [&] { return GetFocus() == edit && GetActiveWindow() == form; })
        .then(retyping("12"))
        .click(in(form, kOk));
    EXPECT_TRUE(controls.display(1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(active_after_loss, nullptr);
    EXPECT_EQ(object->get_int("count"), 12);
    EXPECT_EQ(script.boxes().boxes().size(), 1u);
}

// Clicks into the edit, types the text over its contents and leaves it by Tab.
Script &enter(Script &script, const HWND &form, int index, const std::string &text)
{
    return script.click(in(form, index)).then(retyping(text)).key(the(form), VK_TAB);
}

TEST_F(Edits, RealEditsReadTheNumberInTheTextAndRestoreWhatTheyCannotRead)
{
    object->set_double("ratio", 2.5);
    object->set_double("amount", 1);
    object->set_double("wide", 3);
    struct Entry {
        std::string typed;
        std::string shown;
        double stored;
    };
    const std::vector<Entry> entries{
        {"$ 12.5", "12.500", 12.5}, {"abc1.5", "1.500", 1.5}, {"1e999", "1.500", 1.5}, {"\b", "1.500", 1.5}};
    std::vector<std::pair<std::string, double>> seen(entries.size());
    HWND form = nullptr;
    std::string ratio_shown, amount_shown, odd_shown, wide_shown, after_long;
    bool nothing_enabled = true;
    std::string nothing_shown = "?";
    auto text_of = [&](int index) { return shown(Script::control(form, index)); };
    Script script;
    script.window("Edits", form).wait("the form active", active(form)).then([&] {
        ratio_shown = text_of(kRatio);
        amount_shown = text_of(kAmount);
        odd_shown = text_of(kOddFormat);
        wide_shown = text_of(kWide);
        nothing_shown = text_of(kNothing);
        nothing_enabled = IsWindowEnabled(Script::control(form, kNothing)) != 0;
    });
    for (size_t i = 0; i < entries.size(); ++i)
        enter(script, form, kAmount, entries[i].typed).then([&, i] {
            seen[i] = {text_of(kAmount), object->get_double("amount")};
        });
    enter(script, form, kWide, std::string(40, '1')).then([&] { after_long = text_of(kWide); });
    enter(script, form, kRatio, "10.9");
    enter(script, form, kRatio, "11")
        .wait("the report", [&] { return script.boxes().boxes().size() == 1; })
        .click(in(form, kCancel));
    EXPECT_FALSE(controls.display(1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(ratio_shown, "2.50");
    EXPECT_EQ(amount_shown, "1.000");
    // A format that does not take exactly one number is not used.
    EXPECT_EQ(odd_shown, "1.000");
    // A format that writes more than the edit holds is cut.
    EXPECT_EQ(wide_shown, std::string(31, '0'));
    EXPECT_EQ(nothing_shown, "");
    EXPECT_FALSE(nothing_enabled);
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(seen[i].first, entries[i].shown) << entries[i].typed;
        EXPECT_EQ(seen[i].second, entries[i].stored) << entries[i].typed;
    }
    EXPECT_EQ(object->get_double("wide"), 1111111111111111111111111111111.0);
    EXPECT_EQ(after_long.size(), 31u);
    ASSERT_EQ(script.boxes().boxes().size(), 1u);
    EXPECT_EQ(script.boxes().last().text, "Real value is out of range");
    EXPECT_EQ(object->get_double("ratio"), 11.0);
}

// ---- Lists and combo boxes ----

enum ListIndex { kNames = 0, kNumbers, kPlainNames, kColors, kNumberCombo, kLiteralSelection, kListCancel };

std::string item_text(HWND list, int item, bool combo = false)
{
    char text[256] = "";
    SendMessageA(list, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
    return text;
}

int selected(HWND list, bool combo = false)
{
    return static_cast<int>(SendMessageA(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
}

// What the program does for a user's choice that no message can make (an
// empty selection): select and notify the form.
void choose(HWND form, int index, int item, bool combo = false)
{
    HWND control = Script::control(form, index);
    SendMessageA(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(item), 0);
    PostMessageA(form, WM_COMMAND, MAKEWPARAM(100 + index, combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control));
}

using Lists = ControlsTest;

TEST_F(Lists, ApplicationArraysCountFromTheirLowerBound)
{
    Arrays &arrays = controls.arrays;
    object->set_object("names", arrays.strings({"Ann", "Bob", std::nullopt, "Dan"}, 1));
    object->set_int("names_index", 1);
    object->set_object("numbers", arrays.integers({-5, 10, 20}, 1));
    object->set_int("number_index", 3);
    object->set_object("plain_names", arrays.strings({"x", "y", "z"}));
    object->set_object("colors", arrays.strings({"red", "green", "blue"}, 1));
    object->set_int("color_index", 0);
    HWND form = nullptr;
    int names_at_open = -2, numbers_at_open = -2, colors_at_open = -2, literal_at_open = -2, extent = 0;
    std::string void_text, number_text, first_color;
    jobject item_after_click = nullptr, item_after_key = reinterpret_cast<jobject>(1);
    int index_after_click = 0, index_after_key = 0, plain_after_reload = -2, changes_after_click = 0;
    auto list = [&](int index) { return Script::control(form, index); };
    Script script;
    script.window("Lists", form)
        .wait("the form active", active(form))
        .then([&] {
            names_at_open = selected(list(kNames));
            numbers_at_open = selected(list(kNumbers));
            colors_at_open = selected(list(kColors), true);
            literal_at_open = selected(list(kLiteralSelection));
            void_text = item_text(list(kNames), 2);
            number_text = item_text(list(kNumbers), 0);
            first_color = item_text(list(kColors), 0, true);
            extent = static_cast<int>(SendMessageA(list(kNames), LB_GETHORIZONTALEXTENT, 0, 0));
        })
        .then([&] { click_item(list(kNames), 3); })
        .then([&] {
            index_after_click = object->get_int("names_index");
            item_after_click = object->value("names_item").l;
            changes_after_click = object->get_int("changes");
        })
        .key(the(form), VK_UP)
        .then([&] {
            index_after_key = object->get_int("names_index");
            item_after_key = object->value("names_item").l;
        })
        .then([&] { choose(form, kNames, -1); })
        .then([&] { click_item(list(kPlainNames), 1); })
        .then([&] {
            // A list without a selection path keeps its position when its array changes.
            object->set_object("plain_names", controls.arrays.strings({"p", "q"}));
            flrt_update_widget(object->handle(), JNI_TRUE);
            plain_after_reload = selected(list(kPlainNames));
        })
        .then([&] { choose(form, kNumberCombo, 2, true); })
        // A notification other than a selection change stores nothing.
        .then([&] {
            PostMessageA(form, WM_COMMAND, MAKEWPARAM(100 + kColors, CBN_DROPDOWN),
                         reinterpret_cast<LPARAM>(list(kColors)));
        })
        .click(in(form, kListCancel));
    EXPECT_FALSE(controls.display(2));
    EXPECT_FINISHED(script);
    EXPECT_EQ(names_at_open, 0);
    EXPECT_EQ(numbers_at_open, 2);
    EXPECT_EQ(colors_at_open, -1);
    EXPECT_EQ(literal_at_open, 2);
    EXPECT_EQ(void_text, "Void");
    EXPECT_EQ(number_text, "-5");
    // Described as sorted, the lists still show the elements in array order.
    EXPECT_EQ(first_color, "red");
    EXPECT_EQ(extent, 1536);
    EXPECT_EQ(index_after_click, 4);
    ASSERT_NE(item_after_click, nullptr);
    EXPECT_EQ(TestObject::from(item_after_click)->text, "Dan");
    EXPECT_EQ(changes_after_click, 1);
    EXPECT_EQ(index_after_key, 3);
    EXPECT_EQ(item_after_key, nullptr);
    EXPECT_EQ(object->get_int("names_index"), 0);
    EXPECT_EQ(plain_after_reload, 1);
    EXPECT_EQ(object->get_int("combo_number"), 20);
    EXPECT_EQ(object->get_int("color_index"), 0);
    EXPECT_EQ(object->get_int("number_index"), 3);
    EXPECT_EQ(controls.arrays.open_buffers(), 0);
    EXPECT_TRUE(script.boxes().boxes().empty());
}

// A refresh leaves a list whose items are unchanged as it is (the user's
// scroll position stays), and shows an element changed inside the same array.
TEST_F(Lists, ARefreshReloadsOnlyListsWhoseItemsChanged)
{
    Arrays &arrays = controls.arrays;
    std::vector<std::optional<std::string>> names;
    std::vector<jint> numbers;
    for (int i = 0; i < 40; ++i) {
        names.push_back("name " + std::to_string(i));
        numbers.push_back(i);
    }
    TestObject *plain_names = arrays.strings(names);
    TestObject *number_array = arrays.integers(numbers, 1);
    object->set_object("names", arrays.strings({"a"}, 1));
    object->set_object("numbers", number_array);
    object->set_int("number_index", 1);
    object->set_object("plain_names", plain_names);
    object->set_object("colors", arrays.strings({"red"}, 1));
    HWND form = nullptr;
    int top_after_refresh = -1, numbers_top_after_refresh = -1, selected_after_refresh = -2;
    std::string changed_name, changed_number, combo_number;
    auto list = [&](int index) { return Script::control(form, index); };
    Script script;
    script.window("Lists", form)
        .wait("the form active", active(form))
        .then([&] {
            SendMessageA(list(kPlainNames), LB_SETTOPINDEX, 20, 0);
            SendMessageA(list(kNumbers), LB_SETTOPINDEX, 25, 0);
            flrt_update_widget(object->handle(), JNI_TRUE);
            top_after_refresh = static_cast<int>(SendMessageA(list(kPlainNames), LB_GETTOPINDEX, 0, 0));
            numbers_top_after_refresh = static_cast<int>(SendMessageA(list(kNumbers), LB_GETTOPINDEX, 0, 0));
            selected_after_refresh = selected(list(kNumbers));
        })
        .then([&] {
            arrays.set_string(plain_names, 22, "renamed");
            arrays.set_int(number_array, 30, -30);
            flrt_update_widget(object->handle(), JNI_FALSE);
            changed_name = item_text(list(kPlainNames), 22);
            changed_number = item_text(list(kNumbers), 30);
            combo_number = item_text(list(kNumberCombo), 30, true);
        })
        .click(in(form, kListCancel));
    EXPECT_FALSE(controls.display(2));
    EXPECT_FINISHED(script);
    EXPECT_EQ(top_after_refresh, 20) << "an unchanged list is not reloaded";
    EXPECT_EQ(numbers_top_after_refresh, 25);
    EXPECT_EQ(selected_after_refresh, 0);
    EXPECT_EQ(changed_name, "renamed");
    EXPECT_EQ(changed_number, "-30");
    EXPECT_EQ(combo_number, "-30");
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
}

TEST(JavaLists, JavaArraysStartAtZero)
{
    Controls controls(TestTable::Mode::JvmLike);
    TestObject *object = controls.object;
    object->set_object("names", controls.arrays.strings({"a", "b"}));
    object->set_int("names_index", -1);
    object->set_object("numbers", controls.arrays.integers({7, 8}));
    HWND form = nullptr;
    int at_open = -2;
    Script script;
    script.window("Lists", form)
        .wait("the form active", active(form))
        .then([&] { at_open = selected(Script::control(form, kNames)); })
        .then([&] { click_item(Script::control(form, kNames), 1); })
        .click(in(form, kListCancel));
    EXPECT_FALSE(controls.display(2));
    EXPECT_FINISHED(script);
    EXPECT_EQ(at_open, -1);
    EXPECT_EQ(object->get_int("names_index"), 1);
    ASSERT_NE(object->value("names_item").l, nullptr);
    EXPECT_EQ(TestObject::from(object->value("names_item").l)->text, "b");
    // Every element reference taken while filling the list is given back.
    EXPECT_GE(controls.arrays.deleted_local_references(), 2);
    EXPECT_TRUE(script.boxes().boxes().empty());
}

// A control that shows a sub-object is found by that object, whichever reference names it.
TEST(JavaLists, AListIsRefreshedByItsArray)
{
    Controls controls(TestTable::Mode::JvmLike);
    TestObject *object = controls.object;
    object->set_object("names", controls.arrays.strings({"a", "b"}));
    object->set_int("names_index", -1);
    object->set_object("numbers", controls.arrays.integers({7, 8}));
    TestObject *more_names = controls.arrays.strings({"x", "y", "z"});
    HWND form = nullptr;
    LRESULT items = 0;
    Script script;
    script.window("Lists", form)
        .wait("the form active", active(form))
        .then([&] {
            object->set_object("names", more_names);
            flrt_update_widget(more_names->handle(), JNI_FALSE);
            items = SendMessageA(Script::control(form, kNames), LB_GETCOUNT, 0, 0);
        })
        .click(in(form, kListCancel));
    EXPECT_FALSE(controls.display(2));
    EXPECT_FINISHED(script);
    EXPECT_EQ(items, 3) << "the list shows the new array";
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
}

// ---- Radio buttons, progress bars, trackbars, up-downs ----

enum SimpleIndex {
    kOne = 0,
    kTwo,
    kThree,
    kFixedProgress,
    kVariableProgress,
    kTrackbar,
    kSmallTrackbar,
    kUpDown,
    kWideUpDown,
    kShiftedUpDown,
    kSimpleCancel
};

std::pair<int, int> progress_range(HWND bar)
{
    PBRANGE range{};
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    return {range.iLow, range.iHigh};
}

// The up-down's range as (lower, upper).
std::pair<int, int> updown_range(HWND updown)
{
    const auto range = static_cast<DWORD>(SendMessageA(updown, UDM_GETRANGE, 0, 0));
    return {static_cast<short>(HIWORD(range)), static_cast<short>(LOWORD(range))};
}

// A click on the lower (down) arrow of a vertical up-down.
void click_down_arrow(HWND updown)
{
    RECT area;
    GetClientRect(updown, &area);
    const LPARAM point = MAKELPARAM(area.right / 2, area.bottom * 3 / 4);
    PostMessageA(updown, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(updown, WM_LBUTTONUP, 0, point);
}

using SimpleControls = ControlsTest;

TEST_F(SimpleControls, RadioGroupsProgressBarsTrackbarsAndUpDownsFollowAndChangeTheObject)
{
    object->set_int("choice", 2);
    object->set_int("level", 40);
    object->set_int("level_max", 50);
    object->set_int("position", 10);
    object->set_int("sel_start", 1);
    object->set_int("sel_end", 4);
    object->set_int("step", -5);
    HWND form = nullptr;
    auto control = [&](int index) { return Script::control(form, index); };
    std::vector<bool> checks_at_open, checks_after_click;
    std::pair<int, int> fixed_range, variable_range, variable_after_update, wide_range, shifted_range, updown_at_open;
    int progress_after_update = 0, ticks = 0, selection_start = -1, selection_end = -1, small_start = -1,
        small_end = -1, updown_position = 0, position_after_click = 0, position_after_right = 0;
    auto checks = [&] {
        return std::vector<bool>{Script::checked(control(kOne)), Script::checked(control(kTwo)),
                                 Script::checked(control(kThree))};
    };
    Script script;
    script.window("Simple controls", form)
        .wait("the form active", active(form))
        .then([&] {
            checks_at_open = checks();
            fixed_range = progress_range(control(kFixedProgress));
            variable_range = progress_range(control(kVariableProgress));
            ticks = static_cast<int>(SendMessageA(control(kTrackbar), TBM_GETNUMTICS, 0, 0));
            selection_start = static_cast<int>(SendMessageA(control(kTrackbar), TBM_GETSELSTART, 0, 0));
            selection_end = static_cast<int>(SendMessageA(control(kTrackbar), TBM_GETSELEND, 0, 0));
            small_start = static_cast<int>(SendMessageA(control(kSmallTrackbar), TBM_GETSELSTART, 0, 0));
            small_end = static_cast<int>(SendMessageA(control(kSmallTrackbar), TBM_GETSELEND, 0, 0));
            updown_at_open = updown_range(control(kUpDown));
            wide_range = updown_range(control(kWideUpDown));
            shifted_range = updown_range(control(kShiftedUpDown));
            updown_position = static_cast<int>(LOWORD(SendMessageA(control(kUpDown), UDM_GETPOS, 0, 0)));
        })
        .click(in(form, kThree))
        .then([&] { checks_after_click = checks(); })
        .then([&] {
            object->set_int("level_max", 80);
            object->set_int("level", 60);
            flrt_update_widget(object->handle(), JNI_TRUE);
            variable_after_update = progress_range(control(kVariableProgress));
            progress_after_update = static_cast<int>(SendMessageA(control(kFixedProgress), PBM_GETPOS, 0, 0));
        })
        // A click beside the thumb pages toward the click.
        .click(in(form, kTrackbar))
        .then([&] { position_after_click = object->get_int("position"); })
        .key(the(form), VK_RIGHT)
        .then([&] { position_after_right = object->get_int("position"); })
        .key(the(form), VK_END)
        .then([&] { click_down_arrow(control(kUpDown)); })
        .click(in(form, kSimpleCancel));
    EXPECT_FALSE(controls.display(3));
    EXPECT_FINISHED(script);
    EXPECT_EQ(checks_at_open, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(checks_after_click, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(object->get_int("choice"), 3);
    EXPECT_EQ(fixed_range, std::make_pair(0, 100));
    EXPECT_EQ(variable_range, std::make_pair(0, 50));
    EXPECT_EQ(variable_after_update, std::make_pair(0, 80));
    EXPECT_EQ(progress_after_update, 60);
    // 0 to 95 with a tick every 9 positions: ten ticks between the two ends.
    EXPECT_EQ(ticks, 12);
    EXPECT_EQ(selection_start, 0);
    EXPECT_EQ(selection_end, 95);
    EXPECT_EQ(small_start, 1);
    EXPECT_EQ(small_end, 4);
    EXPECT_EQ(position_after_click, 10 + 95 / 5);
    EXPECT_EQ(position_after_right, 10 + 95 / 5 + 1);
    EXPECT_EQ(object->get_int("position"), 95);
    // The click list runs on the button's release and for every move.
    EXPECT_EQ(object->get_int("changes"), 4);
    // The lower bound is cut to -32767; the span is then cut to 32767 as well.
    EXPECT_EQ(updown_at_open, std::make_pair(-32767, 0));
    EXPECT_EQ(wide_range, std::make_pair(0, 32767));
    EXPECT_EQ(shifted_range, std::make_pair(-20000, 12767));
    EXPECT_EQ(updown_position, 0xFFFB);
    EXPECT_EQ(object->get_int("step"), -6);
    EXPECT_TRUE(script.boxes().boxes().empty());
}

TEST_F(SimpleControls, OnlyTheUpDownCallsEqualBoundsAnEmptyRange)
{
    HWND form = nullptr;
    Script script;
    script.window("Equal bounds", form).click(in(form, 3));
    EXPECT_FALSE(controls.display(6));
    EXPECT_FINISHED(script);
    ASSERT_EQ(script.boxes().boxes().size(), 1u);
    EXPECT_EQ(message_of(script.boxes().last()), "Progress range is empty");
    EXPECT_NE(script.boxes().last().text.find("Updown"), std::string::npos);
}

// ---- Displayable objects ----

COLORREF pixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

bool got(const Canvas &canvas, UINT message)
{
    return std::find(canvas.messages.begin(), canvas.messages.end(), message) != canvas.messages.end();
}

using Canvases = ControlsTest;

TEST_F(Canvases, ObjectsPaintThemselvesOrGetTheDefaultPainting)
{
    Canvas painter{true, {}}, plain{false, {}};
    TestObject *painter_object = controls.make_canvas(painter);
    object->set_object("canvas", painter_object);
    object->set_object("plain_canvas", controls.make_canvas(plain));
    HWND form = nullptr;
    COLORREF painted = 0, plain_corner = 0;
    bool text_in_the_middle = false;
    Script script;
    script.window("Canvases", form)
        .wait("the form active", active(form))
        .wait("both painted", [&] { return got(painter, WM_PAINT) && got(plain, WM_PAINT); })
        .then([&] {
            painted = pixel(Script::control(form, 0), 75, 50);
            HWND plain_window = Script::control(form, 1);
            plain_corner = pixel(plain_window, 2, 2);
            for (int x = 0; x < 150 && !text_in_the_middle; ++x)
                text_in_the_middle = pixel(plain_window, x, 50) != RGB(0, 255, 0);
        })
        .click(in(form, 0))
        .wait("the click", [&] { return got(painter, WM_LBUTTONDOWN) && got(painter, WM_LBUTTONUP); })
        .click(in(form, 2));
    EXPECT_FALSE(controls.display(4));
    EXPECT_FINISHED(script);
    EXPECT_EQ(painted, RGB(255, 0, 0));
    EXPECT_EQ(plain_corner, RGB(0, 255, 0));
    EXPECT_TRUE(text_in_the_middle);
    TestObject *area = painter_object->get_object("area");
    EXPECT_EQ(area->get_int("left"), 10);
    EXPECT_EQ(area->get_int("top"), 20);
    EXPECT_EQ(area->get_int("right"), 160);
    EXPECT_EQ(area->get_int("bottom"), 120);
    EXPECT_NE(painter_object->get_int("hWnd"), 0);
    // Messages of the window's creation come before the widget knows the window.
    EXPECT_FALSE(got(painter, WM_NCCREATE));
    EXPECT_FALSE(got(painter, WM_CREATE));
    EXPECT_TRUE(script.boxes().boxes().empty());
}

TEST_F(Canvases, AVoidObjectOrOneWithoutAHandlerIsReported)
{
    Canvas plain{false, {}};
    object->set_object("plain_canvas", controls.make_canvas(plain));
    const std::pair<TestObject *, const char *> cases[] = {
        {nullptr, "Object associated with DisplayableObject widget cannot be Void"},
        {controls.table.make(controls.area_class),
         "Object associated with DisplayableObject widget should function \"internal_handle_message\""},
    };
    for (const auto &[canvas, report] : cases) {
        SCOPED_TRACE(report);
        object->set_object("canvas", canvas);
        HWND form = nullptr;
        Script script;
        script.window("Canvases", form).click(in(form, 2));
        EXPECT_FALSE(controls.display(4));
        EXPECT_FINISHED(script);
        const std::vector<Box> boxes = script.boxes().boxes();
        ASSERT_GE(boxes.size(), 1u);
        EXPECT_EQ(message_of(boxes[0]), report);
        // The plain canvas beside it is still shown and handled.
        EXPECT_TRUE(got(plain, WM_PAINT));
    }
}

// ---- Every control kind on one form ----

enum EverythingIndex {
    kEveryName = 1,
    kEveryCount,
    kEveryAmount,
    kEveryFlag,
    kEveryTwo = 7,
    kEveryNames,
    kEveryColors,
    kEveryNumbers,
    kEveryNumberCombo,
    kEveryTrackbar = 13,
    kEveryUpDown,
    kEveryOk = 17
};

TEST(EveryControl, AFormEditedEndToEndWritesExactlyTheExpectedValues)
{
    Controls controls;
    TestObject *object = controls.object;
    Canvas plain{false, {}};
    object->set_object("plain_canvas", controls.make_canvas(plain));
    object->set_object("name", controls.table.make_string("Ann"));
    object->set_int("count", 5);
    object->set_double("amount", 1);
    object->set_int("choice", 1);
    object->set_object("names", controls.arrays.strings({"a", "b", "c"}, 1));
    object->set_int("names_index", 1);
    object->set_object("colors", controls.arrays.strings({"red", "green", "blue"}, 1));
    object->set_int("color_index", 1);
    object->set_object("numbers", controls.arrays.integers({3, 4, 5}));
    object->set_int("level", 10);
    // Fields no control of the form shows keep their values.
    object->set_int("mask", 77);
    object->set_double("ratio", 9.5);
    object->set_int("step2", 12);
    std::map<std::string, jlong> before;
    for (const Attribute &attribute : object->cls().attributes)
        before[attribute.name] = object->value(attribute.name).j;

    HWND form = nullptr;
    Script script;
    script.window("Everything", form)
        .wait("the form active", active(form))
        .click(in(form, kEveryName))
        .then(retyping("Zoe"))
        .key(the(form), VK_TAB)
        .then(retyping("42"))
        .key(the(form), VK_TAB)
        .then(retyping("2.25"))
        .click(in(form, kEveryFlag))
        .click(in(form, kEveryTwo))
        .then([&] { click_item(Script::control(form, kEveryNames), 2); })
        .then([&] { choose(form, kEveryColors, 2, true); })
        .then([&] { click_item(Script::control(form, kEveryNumbers), 1); })
        .then([&] { choose(form, kEveryNumberCombo, 2, true); })
        .click(in(form, kEveryTrackbar))
        .then([&] { click_down_arrow(Script::control(form, kEveryUpDown)); })
        .click(in(form, kEveryOk));
    EXPECT_TRUE(controls.display(5));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty());

    EXPECT_EQ(controls.text("name"), "Zoe");
    std::map<std::string, jvalue> expected;
    auto integer = [&](const char *name, jint value) { expected[name].j = 0, expected[name].i = value; };
    integer("count", 42);
    expected["amount"].d = 2.25;
    expected["flag"].j = 0, expected["flag"].z = JNI_TRUE;
    expected["data_was_accepted"].j = 0, expected["data_was_accepted"].z = JNI_TRUE;
    integer("choice", 2);
    integer("names_index", 3);
    integer("color_index", 3);
    integer("number_item", 4);
    integer("number_index", 2);
    integer("position", 95 / 5);
    integer("step", -1);
    for (const auto &[name, value] : before) {
        if (name == "name")
            continue;
        const auto change = expected.find(name);
        const jlong wanted = change == expected.end() ? value : change->second.j;
        EXPECT_EQ(object->value(name).j, wanted) << name;
    }
}

} // namespace
