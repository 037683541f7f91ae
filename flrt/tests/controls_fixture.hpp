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
#include "user.hpp"

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

} // namespace fltest

#endif
