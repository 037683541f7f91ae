// The displayable classes over the real form runtime: forms shown, edited,
// accepted and cancelled; the message dispatch of displayable objects; the
// memory of many form cycles; the unhandled-exception box.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "box_answerer.hpp"
#include "child.hpp"
#include "form_file.hpp"
#include "import_patch.hpp"
#include "wait.hpp"
#include "zo/displayable_object.hpp"
#include "zo/exception.hpp"
#include "zo/ni_table.h"

namespace zotest {

class TEST_EDITOR : public zo::DISPLAYABLE {
    ZO_OBJECT(TEST_EDITOR, zo::DISPLAYABLE)
    bool flag = false;
    std::int32_t count = 0;
    zo::String *label = nullptr;
    zo::Rect *part = nullptr;
};

ZO_CLASS(TEST_EDITOR, "TEST_EDITOR", c)
{
    ZO_ATTRIBUTES(c, flag, count, label, part);
}

// A widget object that writes down which hooks ran.
class RECORDING_WIDGET : public zo::DISPLAYABLE_WIDGET {
    ZO_OBJECT(RECORDING_WIDGET, zo::DISPLAYABLE_WIDGET)
    std::string log;

    void on_paint(std::int32_t, std::int32_t hdc) override { log += hdc ? "paint;" : "paint without dc;"; }
    void on_lbuttondown(std::int32_t, zo::Point *p) override
    {
        log += "down " + std::to_string(p->x) + "," + std::to_string(p->y) + ";";
    }
    void on_rbuttonup(std::int32_t, zo::Point *) override { log += "rup;"; }
    void on_timer(std::int32_t, std::int32_t id) override { log += "timer " + std::to_string(id) + ";"; }
};

ZO_CLASS(RECORDING_WIDGET, "RECORDING_WIDGET", c) {}

// A widget whose painting fails, as a world component's drawing may.
class FAILING_PAINTER : public zo::DISPLAYABLE_WIDGET {
    ZO_OBJECT(FAILING_PAINTER, zo::DISPLAYABLE_WIDGET)
    void on_paint(std::int32_t, std::int32_t) override { throw std::runtime_error("Cannot paint"); }
};

ZO_CLASS(FAILING_PAINTER, "FAILING_PAINTER", c) {}

} // namespace zotest

using namespace zotest;

namespace {

jobject handle(zo::Object *object)
{
    return reinterpret_cast<jobject>(object);
}

jmethodID id(const char *name)
{
    return reinterpret_cast<jmethodID>(const_cast<char *>(name));
}

// ---- Message dispatch ----

TEST(DisplayableObject, DispatchesWindowMessagesToItsHooks)
{
    JNIEnv *env = zo_native_interface();
    auto *widget = zo::make<RECORDING_WIDGET>();
    zo::Root<RECORDING_WIDGET> keep(widget);
    HWND window = CreateWindowA("STATIC", "w", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    const jint hwnd = static_cast<jint>(reinterpret_cast<std::uintptr_t>(window));
    auto send = [&](jint msg, jint wparam, jint lparam) {
        return env->CallIntMethod(handle(widget), id("internal_handle_message"), hwnd, msg, wparam, lparam);
    };
    EXPECT_EQ(send(WM_LBUTTONDOWN, 0, static_cast<jint>(0xFFFF0010u)), 0);
    EXPECT_EQ(send(WM_TIMER, 7, 0), 0);
    EXPECT_EQ(send(WM_PAINT, 0, 0), 0);
    EXPECT_EQ(send(WM_RBUTTONUP, 0, 0x00030002), 0);
    EXPECT_EQ(send(WM_LBUTTONUP, 0, 0), 0) << "handled by the empty hook";
    EXPECT_EQ(send(WM_KEYDOWN, 0, 0), 1);
    EXPECT_EQ(send(WM_SIZE, 0, 0), 1);
    EXPECT_EQ(widget->log, "down 16,65535;timer 7;paint;rup;");
    DestroyWindow(window);

    widget->make(zo::make_string("w"));
    widget->area->right = 10;
    widget->area->bottom = 10;
    EXPECT_TRUE(widget->has_point(zo::make<zo::Point>(5, 5)));
    EXPECT_FALSE(widget->has_point(zo::make<zo::Point>(10, 5)));
    EXPECT_FALSE(widget->has_point(nullptr));
}

// The paints the program begins and ends, counted at its calls of the system.
int g_paints_begun = 0;
int g_paints_ended = 0;
fltest::ImportPatch *g_begin_paint = nullptr;
fltest::ImportPatch *g_end_paint = nullptr;

HDC WINAPI counted_begin_paint(HWND window, PAINTSTRUCT *paint)
{
    ++g_paints_begun;
    return g_begin_paint->original<decltype(&BeginPaint)>()(window, paint);
}

BOOL WINAPI counted_end_paint(HWND window, const PAINTSTRUCT *paint)
{
    ++g_paints_ended;
    return g_end_paint->original<decltype(&EndPaint)>()(window, paint);
}

// The window's DC goes back when a paint hook raises: the runtime reports the
// failure and the application goes on painting.
TEST(DisplayableObject, APaintThatRaisesStillEndsThePaint)
{
    fltest::ImportPatch begin(nullptr, "user32.dll", "BeginPaint",
                              reinterpret_cast<const void *>(&counted_begin_paint));
    fltest::ImportPatch end(nullptr, "user32.dll", "EndPaint", reinterpret_cast<const void *>(&counted_end_paint));
    ASSERT_TRUE(begin.active() && end.active());
    g_begin_paint = &begin;
    g_end_paint = &end;
    auto *widget = zo::make<FAILING_PAINTER>();
    zo::Root<FAILING_PAINTER> keep(widget);
    HWND window = CreateWindowA("STATIC", "w", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    const auto hwnd = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(window));
    g_paints_begun = g_paints_ended = 0;
    EXPECT_THROW(widget->on_message(hwnd, WM_PAINT, 0, 0), std::runtime_error);
    EXPECT_EQ(g_paints_begun, 1);
    EXPECT_EQ(g_paints_ended, 1) << "the paint's DC was not given back";
    DestroyWindow(window);
}

TEST(DisplayableObject, HandlesComeBackFromTheirIntegersWithTheirSign)
{
    // 64-bit Windows hands out window and GDI handles with the top bit of
    // their 32 significant bits set, widened with the sign.
    const auto high = reinterpret_cast<HDC>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x8A010C3Bu)));
    const auto bits = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(high));
    EXPECT_EQ(zo::win32_handle<HDC>(bits), high);
    EXPECT_EQ(zo::win32_handle<HWND>(0x00010052), reinterpret_cast<HWND>(std::intptr_t{0x00010052}));
}

TEST(Displayable, IsDefaultForVoidFalseAndZeroBoxes)
{
    auto *runtime = zo::make<zo::DISPLAYABLE>();
    zo::Root<zo::DISPLAYABLE> keep(runtime);
    EXPECT_TRUE(runtime->is_default(nullptr));
    EXPECT_TRUE(runtime->is_default(zo::make_boxed_real(0.0)));
    EXPECT_TRUE(runtime->is_default(zo::make_boxed(0.0)));
    EXPECT_TRUE(runtime->is_default(zo::make_boxed(false)));
    EXPECT_TRUE(runtime->is_default(zo::make_boxed('\0')));
    EXPECT_TRUE(runtime->is_default(zo::make_boxed(std::int32_t{0})));
    EXPECT_FALSE(runtime->is_default(zo::make_boxed(std::int32_t{3})));
    EXPECT_FALSE(runtime->is_default(zo::make_boxed(true)));
    EXPECT_FALSE(runtime->is_default(zo::make_string("")));
    EXPECT_FALSE(runtime->is_default(zo::make_boxed(static_cast<void *>(nullptr)))) << "POINTER is no number";
    EXPECT_EQ(runtime->form_class_name(), "DISPLAYABLE");
    EXPECT_EQ(runtime->sys(), runtime->sys()) << "one shared WINDOWS_SYSTEM";
}

TEST(WindowsSystem, FilterHoldsPairsClosedByZeros)
{
    zo::Array *descriptions = zo::make_array<zo::String *>(2);
    zo::Array *patterns = zo::make_array<zo::String *>(2);
    zo::Root<zo::Array> keep_descriptions(descriptions);
    zo::Root<zo::Array> keep_patterns(patterns);
    descriptions->set_reference(0, zo::make_string("Forms"));
    descriptions->set_reference(1, zo::make_string("All"));
    patterns->set_reference(0, zo::make_string("*.flf"));
    patterns->set_reference(1, zo::make_string("*.*"));
    EXPECT_EQ(zo::WINDOWS_SYSTEM::filter_text(descriptions, patterns), std::string("Forms\0*.flf\0All\0*.*\0\0", 21));
    EXPECT_EQ(zo::WINDOWS_SYSTEM::filter_text(nullptr, patterns), std::string(1, '\0'));
}

TEST(WindowsSystem, SelectFileDialogsOfferEveryFileType)
{
    zo::Root<zo::Array> descriptions(zo::make_array<zo::String *>(2));
    zo::Root<zo::Array> patterns(zo::make_array<zo::String *>(2));
    descriptions->set_reference(0, zo::make_string("Forms (*.flf)"));
    descriptions->set_reference(1, zo::make_string("All files"));
    patterns->set_reference(0, zo::make_string("*.flf"));
    patterns->set_reference(1, zo::make_string("*.*"));
    zo::Root<zo::String> open_title(zo::make_string("Open a puzzle form"));
    zo::Root<zo::String> save_title(zo::make_string("Save a puzzle form"));
    zo::Root<zo::DISPLAYABLE> displayable(zo::make<zo::DISPLAYABLE>());
    zo::WINDOWS_SYSTEM *sys = displayable->sys();

    for (const std::string title : {"Open a puzzle form", "Save a puzzle form"}) {
        SCOPED_TRACE(title);
        std::vector<std::string> offered;
        fltest::answerer().on_dialog(title, [&](HWND dialog) {
            offered = fltest::BoxAnswerer::file_types(dialog);
            fltest::BoxAnswerer::press(dialog, IDCANCEL);
        });
        const zo::String *chosen = title == "Open a puzzle form"
                                       ? sys->open_select_file(open_title, 1, descriptions, patterns)
                                       : sys->save_select_file(save_title, nullptr, 1, descriptions, patterns);
        EXPECT_EQ(chosen, nullptr) << "cancelled";
        EXPECT_EQ(offered, (std::vector<std::string>{"Forms (*.flf)", "All files"}));
    }
}

// ---- Forms ----

std::function<void()> g_scenario;

void CALLBACK run_scenario(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (g_scenario)
        g_scenario();
}

// Runs the scenario once the editor's form is open (the runtime has written its window into sys_id).
void run_when_open(const TEST_EDITOR &editor, std::function<void()> scenario)
{
    g_scenario = [&editor, scenario] {
        if (editor.sys_id)
            scenario();
        else
            SetTimer(nullptr, 0, 10, &run_scenario);
    };
    SetTimer(nullptr, 0, 1, &run_scenario);
}

class Forms : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        auto *loader = zo::make<zo::DISPLAYABLE>();
        zo::Root<zo::DISPLAYABLE> keep(loader);
        loader->add_resource_file(zo::make_string(fltest::program_directory() + "zo_test_forms.flf"));
    }

    void SetUp() override
    {
        editor = zo::make<TEST_EDITOR>();
        root = editor;
        editor->label = zo::make_string("before");
        editor->part = zo::make<zo::Rect>();
        editor->part->right = 10;
        editor->count = 5;
    }

    // Shows form 1; while it is open the scenario edits the editor as a
    // user would, then presses the button with this caption.
    void show_and_press(const char *button)
    {
        pressed = false;
        run_when_open(*editor, [this, button] {
            open_window =
                reinterpret_cast<HWND>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(editor->sys_id)));
            edit();
            HWND control = FindWindowExA(open_window, nullptr, "Button", button);
            pressed = control != nullptr;
            if (control)
                SendMessageA(control, BM_CLICK, 0, 0);
            else
                editor->cancel();
        });
        editor->display(1);
        g_scenario = nullptr;
    }

    void edit()
    {
        JNIEnv *env = zo_native_interface();
        auto field = [](const char *name) { return reinterpret_cast<jfieldID>(const_cast<char *>(name)); };
        env->SetBooleanField(handle(editor), field("flag"), JNI_TRUE);
        env->SetIntField(handle(editor), field("count"), 99);
        env->SetObjectField(handle(editor), field("label"), env->NewStringUTF("typed"));
        env->SetIntField(handle(editor->part), field("right"), 640);
    }

    TEST_EDITOR *editor = nullptr;
    zo::Root<TEST_EDITOR> root;
    HWND open_window = nullptr;
    bool pressed = false;
};

TEST_F(Forms, CancelLeavesNoTrace)
{
    zo::Rect *part = editor->part;
    show_and_press("Cancel");
    EXPECT_TRUE(pressed);
    EXPECT_NE(open_window, nullptr) << "sys_id held the form's window while it was open";
    EXPECT_FALSE(editor->data_was_accepted);
    EXPECT_FALSE(editor->flag);
    EXPECT_EQ(editor->count, 5);
    EXPECT_EQ(editor->label->text(), "before");
    EXPECT_EQ(editor->part, part);
    EXPECT_EQ(part->right, 10);
    EXPECT_EQ(editor->sys_id, 0);
}

TEST_F(Forms, AcceptKeepsTheEdits)
{
    show_and_press("OK");
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(editor->data_was_accepted);
    EXPECT_TRUE(editor->flag);
    EXPECT_EQ(editor->count, 99);
    EXPECT_EQ(editor->label->text(), "typed");
    EXPECT_EQ(editor->part->right, 640);
    EXPECT_EQ(editor->sys_id, 0);
}

TEST_F(Forms, ManyFormsDoNotGrowTheHeap)
{
    constexpr int kCycles = 150;
    zo::Heap::instance().collect();
    std::size_t largest = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        // Objects made while the form is open, as handlers and controls make them.
        run_when_open(*editor, [this, cycle] {
            for (int i = 0; i < 100; ++i)
                zo::make<zo::Point>(i, cycle);
            edit();
            if (cycle % 2)
                editor->accept();
            else
                editor->cancel();
        });
        editor->display(1);
        largest = std::max(largest, zo::Heap::instance().size());
    }
    g_scenario = nullptr;
    EXPECT_LT(largest, 10000u) << kCycles * 102 << " objects were made";
    zo::Heap::instance().collect();
    EXPECT_LT(zo::Heap::instance().size(), 100u);
}

// ---- Unhandled exceptions ----

FLTEST_CHILD_SCENARIO(unhandled_exception)
{
    return zo::run_windows_program([] { zo::raise("Failed to animate world."); });
}

TEST(UnhandledException, ShowsItsMessageAndEndsTheRun)
{
    fltest::ChildProcessBoxes boxes;
    const fltest::ChildResult result = fltest::run_child("unhandled_exception");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, static_cast<unsigned long>(zo::kUnhandledExceptionExitCode));
    ASSERT_EQ(fltest::answerer().boxes().size(), 1u);
    EXPECT_EQ(fltest::answerer().last().caption, "Unhandled exception");
    EXPECT_EQ(fltest::answerer().last().text, "Failed to animate world.");
}

} // namespace
