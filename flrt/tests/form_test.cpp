// The form engine driven as a user would: every form kind opened and closed,
// nested and separate forms, dialog keys, validation on close, menus, MDI.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "box_answerer.hpp"
#include "cflrt.h"
#include "cflrt_services.h"
#include "child.hpp"
#include "form_file.hpp"
#include "test_table.hpp"
#include "script.hpp"
#include "user.hpp"
#include "wait.hpp"

using namespace fltest;

namespace {

constexpr const char *kStringSig = "Ljava/lang/String;";
constexpr unsigned long kExitMinusOne = 0xFFFFFFFF;

// Control indexes of form 1.
enum DialogControl { kLabel = 0, kFlag, kOk, kCancel, kChildButton };

// The form engine's test object: fields the forms show and routines their
// buttons and menus call.
struct Engine {
    explicit Engine(TestTable::Mode mode = TestTable::Mode::Emulated)
        : table(mode), form(table.define_class("test/Form"))
    {
        form.field("data_was_accepted", Kind::Boolean, "Z")
            .field("sys_id", Kind::Integer, "I")
            .field("flag", Kind::Boolean, "Z")
            .field("ok", Kind::Boolean, "Z")
            .field("unlocked", Kind::Boolean, "Z")
            .field("count", Kind::Integer, "I")
            .field("title", Kind::Object, kStringSig)
            .routine("accept", "()V", procedure([this](TestObject *self) {
                         sys_id_at_accept = self->get_int("sys_id");
                         flrt_close_form(self->handle(), JNI_TRUE);
                     }))
            .routine("cancel", "()V", procedure([](TestObject *self) { flrt_close_form(self->handle(), JNI_FALSE); }))
            .routine("bump", "()V",
                     procedure([](TestObject *self) { self->set_int("count", self->get_int("count") + 1); }))
            .routine("toggle", "()V",
                     procedure([](TestObject *self) { self->set_bool("flag", !self->get_bool("flag")); }))
            .routine("explode", "()V", procedure([this](TestObject *) { table.raise_exception(); }))
            .routine("validate_twice", "()V", procedure([](TestObject *self) {
                         flrt_validate_widget(self->handle(), JNI_TRUE, JNI_FALSE);
                         flrt_validate_widget(self->handle(), JNI_TRUE, JNI_FALSE);
                     }))
            .routine("validate_quietly", "()V", procedure([this](TestObject *self) {
                         self->set_bool("ok", false);
                         validate_results.push_back(flrt_validate_widget(self->handle(), JNI_TRUE, JNI_TRUE) != 0);
                     }))
            .routine("update_self", "()V", procedure([this](TestObject *self) {
                         self->set_bool("flag", !self->get_bool("flag"));
                         // An object that no form shows changes nothing.
                         flrt_update_widget(second->handle(), JNI_TRUE);
                         flrt_update_widget(self->handle(), JNI_FALSE);
                     }))
            .routine("open_child", "()V", procedure([this](TestObject *self) {
                         TestObject *target = child_object ? child_object : self;
                         child_results.push_back(display_from_routine(target, next_form));
                     }));
        first = make();
        second = make();
        set_ni_table(table.env());
    }

    static Routine procedure(std::function<void(TestObject *)> body)
    {
        return [body](TestObject *self, const jvalue *) {
            body(self);
            return jvalue{};
        };
    }

    TestObject *make()
    {
        TestObject *object = table.make(form);
        object->set_bool("ok", true);
        object->set_object("title", table.make_string("Hello"));
        return object;
    }

    static bool display(TestObject *object, int number)
    {
        char class_name[] = "test.Form";
        return flrt_display_form(object->handle(), class_name, number) != 0;
    }

    // A routine showing a form: under a virtual machine it passes a local
    // reference of its own native call, which ends when the call returns.
    bool display_from_routine(TestObject *object, int number)
    {
        if (table.mode() != TestTable::Mode::JvmLike)
            return display(object, number);
        table.enter_native_call();
        char class_name[] = "test.Form";
        const bool shown = flrt_display_form(table.new_local(object->handle()), class_name, number) != 0;
        table.leave_native_call();
        return shown;
    }

    TestTable table;
    TestClass &form;
    TestObject *first;
    TestObject *second;
    TestObject *child_object = nullptr;
    int next_form = 2;
    std::vector<bool> child_results;
    std::vector<bool> validate_results;
    int sys_id_at_accept = -1;
};

void add_test_forms()
{
    static bool added = false;
    if (!added)
        flrt_add_res_file((program_directory() + "flrt_test_forms.flf").c_str());
    added = true;
}

class Forms : public testing::Test {
protected:
    void SetUp() override { add_test_forms(); }

    Engine engine;
};

BOOL CALLBACK count_captioned(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<std::pair<std::string, int> *>(data);
    if (IsWindowVisible(window) && Script::text(window) == search->first)
        ++search->second;
    return TRUE;
}

// Visible top-level windows with the caption.
int count_windows(const std::string &caption)
{
    std::pair<std::string, int> search{caption, 0};
    EnumWindows(count_captioned, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

bool checked(HWND box)
{
    return Script::checked(box);
}

// Whether the window shows a clearly red pixel (text drawn in red, smoothed or not).
bool shows_red(HWND window)
{
    RECT area;
    GetClientRect(window, &area);
    HDC dc = GetDC(window);
    // Read from a copy: a pixel read from the screen is a trip to the display.
    HDC copy = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, area.right, area.bottom);
    HGDIOBJ previous = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, area.right, area.bottom, dc, 0, 0, SRCCOPY);
    bool found = false;
    for (int y = 0; y < area.bottom && !found; ++y)
        for (int x = 0; x < area.right && !found; ++x) {
            const COLORREF pixel = GetPixel(copy, x, y);
            found = GetRValue(pixel) >= 200 && GetGValue(pixel) <= 80 && GetBValue(pixel) <= 80;
        }
    SelectObject(copy, previous);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(window, dc);
    return found;
}

TEST_F(Forms, DialogShowsItsControlsAndOkAccepts)
{
    std::string label;
    bool flag_shown = false, label_in_red = false;
    LOGFONTA label_font{};
    HWND dialog = nullptr;
    engine.first->set_bool("flag", true);
    Script script;
    script.window("Dialog form", dialog)
        .then([&] {
            label = Script::text(Script::control(dialog, kLabel));
            flag_shown = checked(Script::control(dialog, kFlag));
            HWND label_window = Script::control(dialog, kLabel);
            RedrawWindow(label_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            label_in_red = shows_red(label_window);
            if (auto font = reinterpret_cast<HFONT>(SendMessageA(label_window, WM_GETFONT, 0, 0)))
                GetObjectA(font, sizeof label_font, &label_font);
        })
        .click(in(dialog, kOk));
    EXPECT_TRUE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(label, "Hello");
    // A text colour holds without a background colour of the control's own.
    EXPECT_TRUE(label_in_red);
    // A font described without a face still has its size.
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(label_font.lfHeight, -MulDiv(12, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(flag_shown);
    EXPECT_TRUE(engine.first->get_bool("data_was_accepted"));
    // The object knew its form's window while the form was active, and no longer does.
    EXPECT_EQ(engine.sys_id_at_accept, static_cast<int>(reinterpret_cast<INT_PTR>(dialog)));
    EXPECT_EQ(engine.first->get_int("sys_id"), 0);
    EXPECT_TRUE(script.boxes().boxes().empty());
}

// The texts set on the label while a hook watches the thread's messages.
int g_label_texts_set = 0;
HWND g_watched_label = nullptr;

LRESULT CALLBACK count_texts_set(int code, WPARAM wparam, LPARAM lparam)
{
    const auto *message = reinterpret_cast<const CWPSTRUCT *>(lparam);
    if (code == HC_ACTION && message->hwnd == g_watched_label && message->message == WM_SETTEXT)
        ++g_label_texts_set;
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

// A refresh sets a bound caption only when its text changed.
TEST_F(Forms, ARefreshSetsOnlyCaptionsThatChanged)
{
    HWND dialog = nullptr;
    int set_when_unchanged = -1, set_when_changed = -1;
    std::string label_after_change;
    Script script;
    script.window("Dialog form", dialog)
        .then([&] {
            g_watched_label = Script::control(dialog, kLabel);
            HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, count_texts_set, nullptr, GetCurrentThreadId());
            flrt_update_widget(engine.first->handle(), JNI_TRUE);
            set_when_unchanged = g_label_texts_set;
            engine.first->set_object("title", engine.table.make_string("Goodbye"));
            flrt_update_widget(engine.first->handle(), JNI_TRUE);
            set_when_changed = g_label_texts_set - set_when_unchanged;
            UnhookWindowsHookEx(hook);
            label_after_change = Script::text(g_watched_label);
        })
        .click(in(dialog, kCancel));
    EXPECT_FALSE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(set_when_unchanged, 0);
    EXPECT_EQ(set_when_changed, 1);
    EXPECT_EQ(label_after_change, "Goodbye");
}

TEST_F(Forms, EnterPressesTheDefaultButtonAndEscapeTheCancelButton)
{
    HWND dialog = nullptr;
    {
        Script enter;
        enter.window("Dialog form", dialog).key(the(dialog), VK_RETURN);
        EXPECT_TRUE(Engine::display(engine.first, 1));
        EXPECT_FINISHED(enter);
    }
    Script escape;
    escape.window("Dialog form", dialog).key(the(dialog), VK_ESCAPE);
    EXPECT_FALSE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(escape);
    EXPECT_FALSE(engine.first->get_bool("data_was_accepted"));
}

TEST_F(Forms, WithoutButtonsEnterDoesNothingAndEscapeCloses)
{
    HWND dialog = nullptr;
    int bumps_after_enter = -1;
    Script script;
    script.window("Plain dialog", dialog)
        .key(the(dialog), VK_RETURN)
        .wait("a moment", [start = GetTickCount()] { return GetTickCount() - start > 300; })
        .then([&] { bumps_after_enter = engine.first->get_int("count"); })
        .key(the(dialog), VK_ESCAPE);
    engine.first->set_bool("data_was_accepted", true);
    EXPECT_FALSE(Engine::display(engine.first, 2));
    EXPECT_FINISHED(script);
    EXPECT_EQ(bumps_after_enter, 0);
    EXPECT_FALSE(engine.first->get_bool("data_was_accepted"));
}

// Enter and Escape press only buttons the user could press.
TEST_F(Forms, EnterAndEscapeLeaveDisabledButtonsAlone)
{
    HWND dialog = nullptr;
    int bumps_while_locked = -1;
    bool open_after_escape = false;
    Script script;
    script.window("Locked buttons", dialog)
        .key(the(dialog), VK_RETURN)
        .key(the(dialog), VK_ESCAPE)
        .wait("a moment", [start = GetTickCount()] { return GetTickCount() - start > 300; })
        .then([&] {
            bumps_while_locked = engine.first->get_int("count");
            open_after_escape = IsWindowVisible(dialog) != 0;
            engine.first->set_bool("unlocked", true);
            flrt_update_widget(engine.first->handle(), JNI_TRUE);
        })
        .key(the(dialog), VK_RETURN)
        .wait("the bump", [&] { return engine.first->get_int("count") == 1; })
        .key(the(dialog), VK_ESCAPE);
    EXPECT_FALSE(Engine::display(engine.first, 19));
    EXPECT_FINISHED(script);
    EXPECT_EQ(bumps_while_locked, 0);
    EXPECT_TRUE(open_after_escape);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
}

TEST_F(Forms, ClassNameDotsBecomeSlashesInTheCallersBuffer)
{
    HWND dialog = nullptr;
    Script script;
    script.window("Plain dialog", dialog).key(the(dialog), VK_ESCAPE).gone(the(dialog));
    script.window("Plain dialog", dialog).key(the(dialog), VK_ESCAPE);
    char class_name[] = "test.Form";
    flrt_display_form(engine.first->handle(), class_name, 2);
    EXPECT_STREQ(class_name, "test/Form");
    // A name in read-only memory is looked up all the same.
    flrt_display_form(engine.first->handle(), const_cast<char *>("test.Form"), 2);
    EXPECT_FINISHED(script);
}

TEST_F(Forms, AcceptRefusedByValidationLeavesTheFormOpen)
{
    engine.first->set_bool("ok", false);
    HWND dialog = nullptr;
    bool open_after_ok = false;
    Script script;
    BoxAnswerer &boxes = script.boxes();
    script.window("Dialog form", dialog)
        .click(in(dialog, kFlag)) // stores the flag, which is invalid
        .wait("the first report", [&] { return boxes.boxes().size() == 1; })
        .wait("the focus back on the flag", [&] { return GetFocus() == Script::control(dialog, kFlag); })
        .click(in(dialog, kOk))
        .wait("the second report", [&] { return boxes.boxes().size() == 2; })
        .then([&] { open_after_ok = IsWindow(dialog) && IsWindowVisible(dialog); })
        .click(in(dialog, kCancel));
    EXPECT_FALSE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(open_after_ok);
    const std::vector<Box> shown = boxes.boxes();
    ASSERT_EQ(shown.size(), 2u);
    for (const Box &box : shown) {
        EXPECT_EQ(box.caption, "Validation Error");
        EXPECT_EQ(box.text, "Flag is not allowed");
    }
    EXPECT_TRUE(engine.first->get_bool("flag"));
    EXPECT_FALSE(engine.first->get_bool("data_was_accepted"));
}

TEST_F(Forms, ASecondReportBeforeTheFirstRaisesAnAssertion)
{
    engine.first->set_bool("ok", false);
    HWND dialog = nullptr;
    Script script;
    script.window("Two reports", dialog)
        .click(in(dialog, 1))
        .wait("the assertion", [&] { return !script.boxes().boxes().empty(); })
        .wait("the report handled", [start = GetTickCount()] { return GetTickCount() - start > 500; })
        .then([&] { engine.first->set_bool("ok", true); })
        .key(the(dialog), VK_ESCAPE);
    EXPECT_FALSE(Engine::display(engine.first, 12));
    EXPECT_FINISHED(script);
    ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
    EXPECT_EQ(message_of(script.boxes().last()), "Invalid widget already assigned");
}

TEST_F(Forms, NestedModalFormsDisableTheirParent)
{
    HWND dialog = nullptr, plain = nullptr;
    bool parent_enabled_meanwhile = true;
    Script script;
    script.window("Dialog form", dialog)
        .click(in(dialog, kChildButton))
        .window("Plain dialog", plain)
        .then([&] { parent_enabled_meanwhile = IsWindowEnabled(dialog) != 0; })
        .key(the(plain), VK_ESCAPE)
        .gone(the(plain))
        .wait("the dialog enabled again", [&] { return IsWindowEnabled(dialog) != 0; })
        .click(in(dialog, kOk));
    EXPECT_TRUE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_FALSE(parent_enabled_meanwhile);
    EXPECT_EQ(engine.child_results, std::vector<bool>{false});
}

bool trace_has(const char *line)
{
    HWND list = trace_list();
    return list && SendMessageA(list, LB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(line)) != LB_ERR;
}

// Traces the line and tells whether the trace window shows it.
bool trace_shows(const char *line)
{
    flrt_trace_line(line);
    return trace_has(line);
}

// A form whose description asks for the call trace switches it on while it
// is active; a form that does not ask switches it off.
TEST_F(Forms, TheActiveFormSwitchesTheCallTrace)
{
    engine.next_form = 2;
    HWND traced = nullptr, plain = nullptr;
    bool shown_while_plain = true;
    Script script;
    script.window("Traced dialog", traced)
        .wait("the trace", [] { return trace_shows("traced"); })
        .click(in(traced, 0))
        .window("Plain dialog", plain)
        .wait("the plain dialog active", active(plain))
        .then([&] { shown_while_plain = trace_shows("while plain"); })
        .key(the(plain), VK_ESCAPE)
        .gone(the(plain))
        .wait("the trace again", [] { return trace_shows("traced again"); })
        .click(in(traced, 1));
    EXPECT_FALSE(Engine::display(engine.first, 20));
    EXPECT_FINISHED(script);
    EXPECT_FALSE(shown_while_plain);
    EXPECT_TRUE(trace_has("=== Form Update started ===")) << "the update after the child's routine";
    // Closing the trace window ends the message loops: its quit request is not for later tests.
    flrt_trace_set_switch(0);
    SendMessageA(trace_window(), WM_SYSCOMMAND, 100, 0);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(Forms, SeparateFormReturnsAtOnceAndLivesOn)
{
    engine.next_form = 7;
    HWND dialog = nullptr, separate = nullptr;
    bool parent_enabled = false;
    Script script;
    script.window("Dialog form", dialog)
        .click(in(dialog, kChildButton))
        .window("Separate window", separate)
        .wait("the display to return", [&] { return engine.child_results.size() == 1; })
        .then([&] { parent_enabled = IsWindowEnabled(dialog) != 0; })
        .click(in(separate, 0))
        .gone(the(separate))
        .click(in(dialog, kOk));
    EXPECT_TRUE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(engine.child_results, std::vector<bool>{true});
    EXPECT_TRUE(parent_enabled);
}

// The separate form outlives the call that showed it: it holds its object itself.
TEST(SeparateForms, HoldTheirObjectUnderAVirtualMachine)
{
    add_test_forms();
    Engine engine(TestTable::Mode::JvmLike);
    engine.next_form = 7;
    const int globals_before = engine.table.global_references();
    int globals_while_open = 0;
    bool accepted_by_separate = false;
    HWND dialog = nullptr, separate = nullptr;
    Script script;
    script.window("Dialog form", dialog)
        .click(in(dialog, kChildButton))
        .window("Separate window", separate)
        .wait("the display to return", [&] { return engine.child_results.size() == 1; })
        .then([&] { globals_while_open = engine.table.global_references() - globals_before; })
        .click(in(separate, 0))
        .gone(the(separate))
        .then([&] { accepted_by_separate = engine.first->get_bool("data_was_accepted"); })
        .click(in(dialog, kOk));
    EXPECT_TRUE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(engine.child_results, std::vector<bool>{true});
    EXPECT_EQ(globals_while_open, 1);
    EXPECT_TRUE(accepted_by_separate) << "the separate form's OK reached its object";
    EXPECT_EQ(engine.table.global_references(), globals_before) << "closing released the object";
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
}

// A separate form closed while a nested modal loop runs is deleted only once
// the outermost loop has the word again: a handler of that form may be on the
// stack below the nested loop. Deleting it gives its object back.
TEST(SeparateForms, ClosedInsideANestedLoopAreDeletedWhenTheOuterLoopGoesOn)
{
    add_test_forms();
    Engine engine(TestTable::Mode::JvmLike);
    const int globals_before = engine.table.global_references();
    int held_while_nested = -1;
    HWND dialog = nullptr, separate = nullptr, plain = nullptr;
    Script script;
    script.window("Dialog form", dialog)
        .then([&] {
            engine.child_object = engine.second;
            engine.next_form = 7;
        })
        .click(in(dialog, kChildButton))
        .window("Separate window", separate)
        .wait("the display to return", [&] { return engine.child_results.size() == 1; })
        .then([&] {
            engine.child_object = nullptr;
            engine.next_form = 2;
        })
        .click(in(dialog, kChildButton))
        .window("Plain dialog", plain)
        .click(in(separate, 0))
        .gone(the(separate))
        .wait("messages to pass", [start = GetTickCount()] { return GetTickCount() - start > 300; })
        .then([&] { held_while_nested = engine.table.global_references() - globals_before; })
        .key(the(plain), VK_ESCAPE)
        .gone(the(plain))
        .wait("the separate form deleted", [&] { return engine.table.global_references() == globals_before; })
        .click(in(dialog, kOk));
    EXPECT_TRUE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(engine.child_results, (std::vector<bool>{true, false}));
    EXPECT_EQ(held_while_nested, 1) << "the separate form was deleted inside the nested loop";
    EXPECT_TRUE(engine.second->get_bool("data_was_accepted"));
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
}

TEST_F(Forms, SingleInstanceFormOpensOncePerObject)
{
    engine.next_form = 8;
    HWND dialog = nullptr;
    int windows_same = 0, windows_other = 0;
    auto results = [&](size_t count) { return [&, count] { return engine.child_results.size() == count; }; };
    Script script;
    script.window("Dialog form", dialog)
        .click(in(dialog, kChildButton))
        .wait("the first display", results(1))
        .click(in(dialog, kChildButton))
        .wait("the second display", results(2))
        .then([&] {
            windows_same = count_windows("Single instance");
            engine.child_object = engine.second;
        })
        .click(in(dialog, kChildButton))
        .wait("the third display", results(3))
        .wait("a second window", [] { return count_windows("Single instance") == 2; })
        .then([&] { windows_other = count_windows("Single instance"); })
        .click(in(dialog, kOk));
    EXPECT_TRUE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(engine.child_results, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(windows_same, 1);
    EXPECT_EQ(windows_other, 2);
    // Closing the dialog closed its separate forms with it.
    EXPECT_EQ(count_windows("Single instance"), 0);
}

TEST_F(Forms, EveryWindowKindOpensAndCloses)
{
    for (const auto &[number, caption] : {std::pair{4, "Popup window"}, std::pair{5, "Overlapped window"}}) {
        HWND form = nullptr;
        Script script;
        script.window(caption, form).click(in(form, 0));
        EXPECT_TRUE(Engine::display(engine.first, number)) << caption;
        EXPECT_FINISHED(script);
    }
    // A child window lives inside the form that opened it, which stays usable.
    // (It never becomes the current form: it is closed through its own object.)
    engine.next_form = 3;
    engine.child_object = engine.second;
    HWND dialog = nullptr, child = nullptr;
    bool inside = false, parent_enabled = false;
    Script script;
    script.window("Dialog form", dialog)
        .click(in(dialog, kChildButton))
        .window("Child window", child)
        .then([&] {
            inside = GetParent(child) == dialog;
            parent_enabled = IsWindowEnabled(dialog) != 0;
        })
        .click(in(child, 0))
        .gone(the(child))
        .click(in(dialog, kOk));
    EXPECT_TRUE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(inside);
    EXPECT_TRUE(parent_enabled);
    EXPECT_EQ(engine.child_results, std::vector<bool>{true});
    EXPECT_TRUE(script.boxes().boxes().empty());
}

TEST_F(Forms, EmbeddedFormPutsItsControlsIntoItsOwner)
{
    engine.next_form = 6;
    engine.child_object = engine.second;
    HWND dialog = nullptr;
    Script script;
    script.window("Dialog form", dialog)
        .click(in(dialog, kChildButton))
        .wait("the embedded label in the dialog",
              [&] { return FindWindowExA(dialog, nullptr, "Static", "Embedded label") != nullptr; })
        // Escape reaches the owner, whose cancel button closes it with the embedded form.
        .key(the(dialog), VK_ESCAPE);
    EXPECT_FALSE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(engine.child_results, std::vector<bool>{false});
}

TEST_F(Forms, MdiFrameOpensChildrenArrangesAndClosesThem)
{
    engine.next_form = 10;
    HWND frame = nullptr, first = nullptr, second = nullptr;
    int window_list_items = 0;
    std::string window_menu;
    RECT first_tiled{}, second_tiled{};
    auto command = [&](int id) { return [&, id] { PostMessageA(frame, WM_COMMAND, static_cast<WPARAM>(id), 0); }; };
    Script script;
    script.window("MDI frame", frame)
        .then(command(5000))
        .wait("a child", [&] { return engine.child_results.size() == 1; })
        .then(command(5000))
        .wait("two children", [&] { return engine.child_results.size() == 2; })
        .then([&] {
            HMENU menu = GetMenu(frame);
            char caption[64] = "";
            GetMenuStringA(menu, 1, caption, sizeof caption, MF_BYPOSITION);
            window_menu = caption;
            HWND client = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
            window_list_items = GetMenuItemCount(GetSubMenu(menu, 1));
            first = FindWindowExA(client, nullptr, nullptr, "MDI child");
            second = FindWindowExA(client, first, nullptr, "MDI child");
            PostMessageA(frame, WM_MDITILE, MDITILE_VERTICAL, 0);
        })
        .wait("the children side by side",
              [&] {
                  GetWindowRect(first, &first_tiled);
                  GetWindowRect(second, &second_tiled);
                  return first_tiled.left != second_tiled.left;
              })
        .then([&] {
            PostMessageA(frame, WM_MDICASCADE, 0, 0);
            PostMessageA(first, WM_CLOSE, 0, 0);
        })
        .gone(the(first))
        .then(command(5001)); // File, Close
    EXPECT_TRUE(Engine::display(engine.first, 9));
    EXPECT_FINISHED(script);
    EXPECT_EQ(engine.child_results, (std::vector<bool>{true, true}));
    // The runtime's string table gives the caption in the user's language.
    const bool german = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN;
    EXPECT_EQ(window_menu, german ? "&Fenster" : "&Window");
    EXPECT_GE(window_list_items, 2); // the client lists its children there
    EXPECT_NE(first_tiled.left, second_tiled.left);
    EXPECT_TRUE(script.boxes().boxes().empty());
    // The frame is gone: a new one may open.
    Script again;
    again.window("MDI frame", frame).then(command(5001));
    EXPECT_TRUE(Engine::display(engine.first, 9));
    EXPECT_FINISHED(again);
}

TEST_F(Forms, MenuCommandsSkipHiddenItemsFollowTheObjectAndRefreshEveryForm)
{
    engine.next_form = 11;
    engine.first->set_bool("flag", true);
    engine.first->set_bool("unlocked", false);
    HWND dialog = nullptr, menu_form = nullptr;
    std::vector<UINT> ids;
    std::string last_caption;
    UINT toggle_state = 0;
    bool menu_flag_after_toggle = true;
    auto command = [&](int id) { return [&, id] { PostMessageA(menu_form, WM_COMMAND, static_cast<WPARAM>(id), 0); }; };
    Script script;
    script.window("Dialog form", dialog)
        .click(in(dialog, kChildButton))
        .window("Menu form", menu_form)
        .then([&] {
            HMENU commands = GetSubMenu(GetMenu(menu_form), 0);
            for (int position = 0; position < GetMenuItemCount(commands); ++position)
                ids.push_back(GetMenuItemID(commands, position));
            char caption[64] = "";
            GetMenuStringA(commands, 2, caption, sizeof caption, MF_BYPOSITION);
            last_caption = caption;
            SendMessageA(menu_form, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(menu_form)), 0);
            toggle_state = GetMenuState(commands, 1, MF_BYPOSITION);
        })
        .then(command(5000)) // Bump
        .wait("the bump", [&] { return engine.first->get_int("count") == 1; })
        .then(command(5001)) // Toggle
        .wait("the dialog below to show the new flag", [&] { return !checked(Script::control(dialog, kFlag)); })
        .then([&] { menu_flag_after_toggle = checked(Script::control(menu_form, 0)); })
        .then(command(5003)) // no such item
        .wait("the assertion", [&] { return !script.boxes().boxes().empty(); })
        .then(command(5002)) // the item captioned by the title: accept
        .gone(the(menu_form))
        .click(in(dialog, kCancel));
    EXPECT_FALSE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(ids, (std::vector<UINT>{5000, 5001, 5002}));
    EXPECT_EQ(last_caption, "Hello");
    EXPECT_TRUE(toggle_state & MF_CHECKED);
    EXPECT_TRUE(toggle_state & MF_GRAYED);
    EXPECT_EQ(engine.first->get_int("count"), 1);
    EXPECT_FALSE(engine.first->get_bool("flag"));
    EXPECT_FALSE(menu_flag_after_toggle);
    ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
    EXPECT_EQ(message_of(script.boxes().last()), "Menu item position not found");
    EXPECT_EQ(engine.child_results, std::vector<bool>{true});
}

TEST_F(Forms, UnknownWidgetKindsAreSkippedAndUnknownFormKindsRefused)
{
    HWND form = nullptr;
    std::string label;
    Script script;
    script.window("Unknown kinds", form)
        .then([&] { label = Script::text(Script::control(form, 0)); })
        .key(the(form), VK_ESCAPE);
    EXPECT_FALSE(Engine::display(engine.first, 13));
    EXPECT_FINISHED(script);
    EXPECT_EQ(label, "Still here");
    EXPECT_FALSE(Engine::display(engine.first, 14));
    const std::vector<Box> boxes = script.boxes().boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(message_of(boxes[0]), "OpenForm: Unknown child control 23");
    EXPECT_EQ(message_of(boxes[1]), "Sorry, Unsupported in this version form type.");
}

// A control whose description it cannot read is reported and left out; the
// form opens with the rest. The reports show even while the application is
// quitting, and the quit request stays for the application's own loop.
TEST_F(Forms, AControlThatCannotReadItsDescriptionIsReportedAndLeftOut)
{
    for (const bool quitting : {false, true}) {
        SCOPED_TRACE(quitting ? "quitting" : "running");
        HWND form = nullptr;
        std::string label;
        Script script;
        if (quitting)
            PostQuitMessage(6);
        else
            script.window("Broken control", form)
                .then([&] { label = Script::text(Script::control(form, 1)); })
                .key(the(form), VK_ESCAPE);
        EXPECT_FALSE(Engine::display(engine.first, 21));
        EXPECT_FINISHED(script);
        const std::vector<Box> boxes = script.boxes().boxes();
        // The missing value, the control left out, and the refresh that
        // then asks the control for the value it has no path to.
        ASSERT_EQ(boxes.size(), 3u) << all_of(script);
        EXPECT_NE(boxes[0].text.find("File Widgets"), std::string::npos) << boxes[0].text;
        EXPECT_EQ(boxes[1].caption, "Error getting properties");
        EXPECT_EQ(boxes[1].text, "Edit");
        EXPECT_EQ(message_of(boxes[2]), "Tag missed");
        if (quitting) {
            MSG quit;
            ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
            EXPECT_EQ(quit.wParam, 6u);
        } else {
            EXPECT_EQ(label, "Still here");
        }
    }
}

TEST_F(Forms, OwnerDrawnButtonIsDrawnByTheRuntimeAndClicks)
{
    HWND form = nullptr;
    LONG style = 0;
    Script script;
    script.window("Owner drawn", form)
        .then([&] { style = GetWindowLongA(Script::control(form, 0), GWL_STYLE); })
        .click(in(form, 0));
    EXPECT_TRUE(Engine::display(engine.first, 15));
    EXPECT_FINISHED(script);
    EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);
}

TEST_F(Forms, CallsWithoutAFormRaiseAssertions)
{
    Script script;
    flrt_close_form(engine.first->handle(), JNI_TRUE);
    flrt_update_widget(engine.first->handle(), JNI_TRUE);
    flrt_validate_widget(engine.first->handle(), JNI_TRUE, JNI_FALSE);
    const std::vector<Box> boxes = script.boxes().boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(message_of(boxes[0]), "Nothing to close.");
    EXPECT_EQ(message_of(boxes[1]), "No form active");
    EXPECT_EQ(message_of(boxes[2]), "No form active");
}

TEST_F(Forms, HandlerExceptionsShowTheirMessageAndRunTheirRoutines)
{
    HWND form = nullptr;
    Script script;
    script.window("Handled failure", form)
        .click(in(form, 0))
        .wait("the message", [&] { return !script.boxes().boxes().empty(); })
        .click(in(form, 1));
    EXPECT_FALSE(Engine::display(engine.first, 16));
    EXPECT_FINISHED(script);
    ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
    EXPECT_EQ(script.boxes().last().caption, "Handled failure");
    EXPECT_EQ(script.boxes().last().text, "Something broke");
    EXPECT_EQ(engine.first->get_int("count"), 1);
}

FLTEST_CHILD_SCENARIO(unhandled_failure)
{
    Engine engine;
    add_test_forms();
    HWND form = nullptr;
    Script script;
    // The report is the parent's to answer and count.
    script.leave_boxes().window("Unhandled failure", form).click(in(form, 0));
    Engine::display(engine.first, 17);
    return 0; // not reached: the failure ends the process
}

TEST_F(Forms, AnUnhandledFailureEndsTheProcessAfterItsReport)
{
    ChildProcessBoxes boxes;
    const ChildResult result = run_child("unhandled_failure");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, kExitMinusOne);
    EXPECT_EQ(answerer().boxes().size(), 1u);
}

TEST_F(Forms, QuietValidationBeepsAndRefocusesWithoutABox)
{
    HWND form = nullptr;
    bool flag_after_update = false;
    Script script;
    script.window("On demand", form)
        .click(in(form, 1)) // makes the flag invalid, then validates quietly
        .wait("the quiet check", [&] { return engine.validate_results.size() == 1; })
        .wait("the focus back on the flag", [&] { return GetFocus() == Script::control(form, 0); })
        .then([&] { engine.first->set_bool("ok", true); })
        .click(in(form, 2))
        .wait("the update", [&] { return checked(Script::control(form, 0)); })
        .then([&] { flag_after_update = checked(Script::control(form, 0)); })
        .click(in(form, 3));
    EXPECT_FALSE(Engine::display(engine.first, 18));
    EXPECT_FINISHED(script);
    EXPECT_EQ(engine.validate_results, std::vector<bool>{false});
    EXPECT_TRUE(flag_after_update);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
}

TEST_F(Forms, AbortHotkeyRaisesAnAssertion)
{
    HWND dialog = nullptr;
    auto press = [](WORD key, bool down) { keybd_event(static_cast<BYTE>(key), 0, down ? 0 : KEYEVENTF_KEYUP, 0); };
    Script script;
    script.window("Plain dialog", dialog)
        .wait("the dialog in front", [&] { return GetForegroundWindow() == dialog; })
        .then([&] {
            for (WORD key : {VK_CONTROL, VK_MENU, VK_SHIFT, VK_CANCEL})
                press(key, true);
            for (WORD key : {VK_CANCEL, VK_SHIFT, VK_MENU, VK_CONTROL})
                press(key, false);
        })
        .wait("the assertion", [&] { return !script.boxes().boxes().empty(); })
        .then([&] { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_FALSE(Engine::display(engine.first, 2));
    EXPECT_FINISHED(script);
    ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
    EXPECT_EQ(message_of(script.boxes().last()), "Abort application hotkey was pressed.");
}

TEST_F(Forms, AQuitRequestEndsNestedLoopsAndLeavesNoWindowBehind)
{
    HWND dialog = nullptr, plain = nullptr;
    Script script;
    script.window("Dialog form", dialog).click(in(dialog, kChildButton)).window("Plain dialog", plain).then([] {
        PostQuitMessage(5);
    });
    EXPECT_FALSE(Engine::display(engine.first, 1));
    EXPECT_FINISHED(script);
    EXPECT_EQ(engine.child_results, std::vector<bool>{false});
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(IsWindow(plain));
    // The request stays queued for the application's own loop.
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 5u);
    // The engine holds no stale form: the next call finds nothing to close.
    flrt_close_form(engine.first->handle(), JNI_FALSE);
    ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
    EXPECT_EQ(message_of(script.boxes().last()), "Nothing to close.");
}

TEST_F(Forms, ATopLevelSeparateFormIsReportedAndLivesOn)
{
    HWND separate = nullptr;
    Script script;
    EXPECT_TRUE(Engine::display(engine.first, 7));
    ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
    EXPECT_EQ(message_of(script.boxes().last()), "Top-Level form cannot be a Separate!");
    // It keeps working in the application's loop: OK closes it.
    script.window("Separate window", separate).click(in(separate, 0)).gone(the(separate));
    EXPECT_TRUE(wait_until([&] { return script.finished(); }));
    EXPECT_FINISHED(script);
}

FLTEST_CHILD_SCENARIO(display_without_files)
{
    Engine engine;
    Engine::display(engine.first, 1);
    return 0;
}

FLTEST_CHILD_SCENARIO(display_unknown_form)
{
    Engine engine;
    add_test_forms();
    Engine::display(engine.first, 99);
    return 0;
}

FLTEST_CHILD_SCENARIO(mdi_child_without_frame)
{
    Engine engine;
    add_test_forms();
    Engine::display(engine.first, 10);
    return 0;
}

// A routine removes the resource file of the form it runs in; the form goes on.
FLTEST_CHILD_SCENARIO(remove_file_of_open_form)
{
    Engine engine;
    const std::string file = program_directory() + "flrt_test_forms.flf";
    flrt_add_res_file(file.c_str());
    for (Method &routine : engine.form.routines)
        if (routine.name == "open_child")
            routine.body = Engine::procedure([&](TestObject *) { flrt_remove_res_file(file.c_str()); });
    engine.first->set_bool("flag", true);
    HWND dialog = nullptr;
    bool flag_shown = false;
    Script script;
    script.window("Dialog form", dialog)
        .click(in(dialog, kChildButton))
        .then([&] { flag_shown = checked(Script::control(dialog, kFlag)); })
        .click(in(dialog, kOk));
    const bool accepted = Engine::display(engine.first, 1);
    // The file is no longer in the list: its forms are not found any more.
    const bool found_after = flrt_find_form("test/Form", 1) != nullptr;
    return accepted && flag_shown && !found_after && script.finished() ? 0 : 1;
}

TEST_F(Forms, RemovingTheFileOfAnOpenFormKeepsTheFormWorking)
{
    ChildProcessBoxes boxes; // none expected
    const ChildResult result = run_child("remove_file_of_open_form");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, 0ul);
    EXPECT_TRUE(answerer().boxes().empty());
}

TEST_F(Forms, FatalErrorsEndTheProcess)
{
    struct Case {
        const char *scenario;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"display_without_files",
         {"Resource files list is empty!\n\nHint: Use \"-=\" option or \"DISPLAYABLE.add_resource_file\" feature "
          "to specify working resource file."}},
        {"display_unknown_form", {"Form# 99 of the class \"test/Form\" is not found."}},
        {"mdi_child_without_frame",
         {"You should display MDI Frame window before use MDI child",
          "Use MDI Frame window as parent of MDI child (MDI child)"}},
    };
    for (const Case &c : cases) {
        ChildProcessBoxes answering;
        const ChildResult result = run_child(c.scenario);
        ASSERT_TRUE(result.finished) << c.scenario;
        EXPECT_EQ(result.exit_code, kExitMinusOne) << c.scenario;
        const std::vector<Box> boxes = answerer().boxes();
        ASSERT_EQ(boxes.size(), c.texts.size()) << c.scenario;
        for (size_t i = 0; i < boxes.size(); ++i)
            EXPECT_EQ(message_of(boxes[i]), c.texts[i]) << c.scenario;
        EXPECT_EQ(boxes.back().caption, "Formloom reported Error") << c.scenario;
    }
}

} // namespace
