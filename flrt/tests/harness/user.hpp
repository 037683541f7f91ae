// What a simulated user does to the windows of a form, and what the user
// reads from them: the small steps that the scripts of the form tests share.
#ifndef FLRT_TEST_USER_HPP
#define FLRT_TEST_USER_HPP

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

#include "box_answerer.hpp"
#include "script.hpp"

namespace fltest {

// Windows found by an earlier step, looked up when a later step runs.
std::function<HWND()> in(const HWND &form, int index);
std::function<HWND()> the(const HWND &window);
// Whether the form is the active window with the focus inside: a user starts working then.
std::function<bool()> active(const HWND &form);

// Characters typed on the keyboard into the focused window.
void type(const std::string &text);
// Selects the whole text of the focused edit, as a user does before typing over it.
void select_all();
POINT middle(const RECT &area);
// A click at a point of the window's client area, with the left or the right button.
void click_at(HWND window, POINT point, bool right = false);
void double_click_at(HWND window, POINT point);
// A click in the middle of an item of a list box.
void click_item(HWND list, int item);

// What a control shows (its window text, asked of the control itself).
std::string shown(HWND control);
// The message part of an assertion box (before its source position).
std::string message_of(const Box &box);
// Every box the script answered, for failure messages.
std::string all_of(Script &script);

// Reading list views, tree views and tab controls.
RECT list_view_row(HWND list, int row);
// A cell's text as the list view asks its form for it.
std::string list_view_cell(HWND list, int row, int column);
HTREEITEM tree_item(HWND tree, HTREEITEM from, UINT relation);
std::string tree_label(HWND tree, HTREEITEM item);
RECT tree_label_rect(HWND tree, HTREEITEM item);
RECT tab_rect(HWND tabs, int index);
std::string tab_caption(HWND tabs, int index);

// The call trace window of this process (a child process under test has its own), and its list.
HWND trace_window();
HWND trace_list();

} // namespace fltest

// In a test: the script ran to its end, or the step that timed out.
#define EXPECT_FINISHED(script) EXPECT_TRUE((script).finished()) << (script).failure()

#endif
