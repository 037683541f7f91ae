// The call trace window: switch, line cutting, the system menu commands, and
// the lines the object access layer logs.
#include <gtest/gtest.h>

#include "box_answerer.hpp"
#include "cflrt_services.h"
#include "child.hpp"
#include "form_file.hpp"
#include "test_table.hpp"
#include "user.hpp"
#include "wait.hpp"

using namespace fltest;

namespace {

std::vector<std::string> trace_lines()
{
    std::vector<std::string> lines;
    HWND list = trace_list();
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[1024] = "";
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        lines.push_back(text);
    }
    return lines;
}

bool is_topmost(HWND window)
{
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool topmost_checked(HWND window)
{
    return (GetMenuState(GetSystemMenu(window, FALSE), 103, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

} // namespace

FLTEST_CHILD_SCENARIO(close_trace_window)
{
    flrt_trace_set_switch(1);
    flrt_trace_line("one line");
    HWND window = trace_window();
    if (!window)
        return 1;
    SendMessageA(window, WM_SYSCOMMAND, 100, 0);
    MSG message;
    if (IsWindow(window) || !PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) || message.wParam != 0)
        return 2;
    flrt_trace_line("lost"); // goes to a window that no longer exists
    return trace_window() ? 3 : 0;
}

TEST(TraceWindow, SwitchLinesAndMenuCommands)
{
    answerer().clear();
    flrt_trace_line("dropped while switched off");
    EXPECT_EQ(trace_window(), nullptr);

    flrt_trace_set_switch(1);
    flrt_trace_line("first");
    HWND window = trace_window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(BoxAnswerer::text_of(window), "Formloom QUILL Trace");
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(rect.left, width / 2);
    EXPECT_EQ(rect.top, height - height / 3);
    EXPECT_TRUE(is_topmost(window));
    EXPECT_TRUE(topmost_checked(window));

    flrt_trace_line(std::string(300, 'x').c_str());
    flrt_trace_call("get_field", "C", "f");
    EXPECT_EQ(trace_lines(), (std::vector<std::string>{"first", std::string(255, 'x'), "get_field: C. f"}));

    flrt_trace_set_switch(0);
    flrt_trace_line("dropped again");
    EXPECT_EQ(trace_lines().size(), 3u);
    flrt_trace_set_switch(1);

    RECT before, after;
    GetWindowRect(trace_list(), &before);
    SendMessageA(window, WM_SYSCOMMAND, 101, 0);
    EXPECT_TRUE(trace_lines().empty());
    GetWindowRect(trace_list(), &after);
    EXPECT_TRUE(EqualRect(&before, &after));

    SendMessageA(window, WM_SYSCOMMAND, 103, 0);
    EXPECT_FALSE(is_topmost(window));
    EXPECT_FALSE(topmost_checked(window));
    SendMessageA(window, WM_SYSCOMMAND, 103, 0);
    EXPECT_TRUE(is_topmost(window));
    EXPECT_TRUE(topmost_checked(window));

    SendMessageA(window, WM_SYSCOMMAND, 102, 0);
    ASSERT_TRUE(answerer().wait_for_boxes(1));
    EXPECT_EQ(answerer().last().caption, "About");
    EXPECT_EQ(answerer().last().text, "Formloom Tracer window\nThis window displays all QUILL calls.");

    answerer().on_dialog("Font", [](HWND dialog) { BoxAnswerer::press(dialog, IDOK); });
    const LRESULT old_font = SendMessageA(trace_list(), WM_GETFONT, 0, 0);
    SendMessageA(window, WM_SYSCOMMAND, 104, 0);
    EXPECT_TRUE(wait_until([&] { return SendMessageA(trace_list(), WM_GETFONT, 0, 0) != old_font; }));
}

TEST(TraceWindow, ObjectAccessLogsFieldsAndRoutines)
{
    TestTable table(TestTable::Mode::Emulated);
    TestClass &cls = table.define_class("test/Item");
    cls.field("count", Kind::Integer).field("next", Kind::Object);
    cls.routine("step", "()V", [](TestObject *, const jvalue *) { return jvalue{}; });
    TestObject *item = table.make(cls);
    item->set_object("next", item);
    set_ni_table(table.env());

    flrt_trace_set_switch(1);
    SendMessageA(trace_window(), WM_SYSCOMMAND, 101, 0);
    const FormFile paths("flrt_test_paths.flf");
    javaapi_get_int(item->handle(), paths.path("test/Item", 1, 1001));        // count
    javaapi_call_procedure(item->handle(), paths.path("test/Item", 1, 1002)); // next -> step()
    EXPECT_EQ(trace_lines(), (std::vector<std::string>{"get_field: test/Item. count", "qev_field: test/Item. next",
                                                       "qev_routine: test/Item. step"}));
    flrt_trace_set_switch(0);
}

TEST(TraceWindow, ClosingEndsTheMessageLoops)
{
    ChildResult result = run_child("close_trace_window");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, 0u);
}
