// The object the control tests edit, its forms (flrt_test_controls.fls) and
// the simulated user's typing.
#ifndef FLRT_TEST_CONTROLS_FIXTURE_HPP
#define FLRT_TEST_CONTROLS_FIXTURE_HPP

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "array_table.hpp"
#include "cflrt.h"
#include "script.hpp"
#include "test_table.hpp"

namespace fltest {

constexpr const char *kStringSig = "Ljava/lang/String;";
constexpr const char *kObjectSig = "Ljava/lang/Object;";

// A displayable object: records the messages it gets and paints itself red
// when it paints at all; otherwise it declines every message.
struct Canvas {
    bool paints = false;
    std::vector<UINT> messages;
};

struct Controls {
    explicit Controls(TestTable::Mode mode = TestTable::Mode::Emulated);

    bool display(int form_number);
    std::string text(const char *field);
    TestObject *make_canvas(Canvas &canvas);

    TestTable table;
    Arrays arrays;
    TestClass &cls;
    TestClass &canvas_class;
    TestClass &area_class;
    TestObject *object;
    std::vector<std::pair<TestObject *, Canvas *>> canvases;
};

#define EXPECT_FINISHED(script) EXPECT_TRUE((script).finished()) << (script).failure()

// Steps of the simulated user.
// Whether the form is the active window with the focus inside: a user starts working then.
std::function<bool()> active(const HWND &form);
std::function<HWND()> in(const HWND &form, int index);
// Characters typed on the keyboard into the focused window.
void type(const std::string &text);
// Selects the whole text of the focused edit, as a user does before typing over it.
void select_all();
void click_item(HWND list, int item);
// What a control shows (its window text, asked of the control itself).
std::string shown(HWND control);
std::string message_of(const Box &box);

} // namespace fltest

#endif
