// The runtime under failure: a routine that fails on any path through the
// window system or an exported function is reported by the control it
// belongs to; embedded forms; a routine that closes its own form; list view
// stores; window classes of forms that come and go.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <stdexcept>

#include "array_table.hpp"
#include "box_answerer.hpp"
#include "cflrt.h"
#include "child.hpp"
#include "form_file.hpp"
#include "import_patch.hpp"
#include "script.hpp"
#include "test_table.hpp"
#include "user.hpp"

#include <commctrl.h>

using namespace fltest;

namespace {

constexpr const char *kStringSig = "Ljava/lang/String;";
constexpr const char *kObjectSig = "Ljava/lang/Object;";

// Control indexes of form 1 of flrt_test_failures.fls.
enum FailureIndex { kEdit = 0, kCheck, kList, kTree, kTrackbar, kCanvas, kOk };

jvalue object_value(TestObject *object)
{
    jvalue value{};
    value.l = object ? object->handle() : nullptr;
    return value;
}

jvalue int_value(jint number)
{
    jvalue value{};
    value.i = number;
    return value;
}

struct Search {
    const char *caption;
    HWND found;
    static BOOL CALLBACK Visit(HWND top, LPARAM data)
    {
        auto *search = reinterpret_cast<Search *>(data);
        search->found = FindWindowExA(top, nullptr, nullptr, search->caption);
        return search->found == nullptr;
    }
};

// A form window of this thread by its caption, top-level or a child of one.
HWND find_form(const char *caption)
{
    if (HWND top = FindWindowA(nullptr, caption))
        return top;
    Search search{caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &Search::Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs an action from the message loop soon after the step that asks for it:
// a box the action shows is then answered by the script, which waits for it.
std::function<void()> g_later;

VOID CALLBACK run_later(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    std::function<void()> action = std::move(g_later);
    g_later = nullptr;
    if (action)
        action();
}

void later(std::function<void()> action)
{
    g_later = std::move(action);
    SetTimer(nullptr, 0, 10, &run_later);
}

void post_cancel(const char *caption)
{
    PostMessageA(find_form(caption), WM_COMMAND, IDCANCEL, 0);
}

class Fixture {
public:
    Fixture()
        : table(TestTable::Mode::Emulated), arrays(table), cls(table.define_class("test/Fail")),
          row_class(table.define_class("test/Row")), node_class(table.define_class("test/Node")),
          canvas_class(table.define_class("test/Canvas"))
    {
        define_form_class();
        define_row_and_node_classes();
        object = table.make(cls);
        object->set_object("name", table.make_string("Ann"));
        set_ni_table(table.env());
        static bool added = false;
        if (!added)
            flrt_add_res_file((program_directory() + "flrt_test_failures.flf").c_str());
        added = true;
    }

    bool display(int form_number)
    {
        char class_name[] = "test.Fail";
        return flrt_display_form(object->handle(), class_name, form_number) != 0;
    }

    TestObject *row(const std::string &name)
    {
        TestObject *made = table.make(row_class);
        made->set_object("name", table.make_string(name));
        return made;
    }

    TestObject *node(const std::string &label, std::vector<TestObject *> children = {})
    {
        TestObject *made = table.make(node_class);
        made->set_object("label", table.make_string(label));
        node_children[made] = std::move(children);
        return made;
    }

    std::string name() { return object->get_object("name") ? object->get_object("name")->text : "(void)"; }

    TestTable table;
    Arrays arrays;
    TestClass &cls;
    TestClass &row_class;
    TestClass &node_class;
    TestClass &canvas_class;
    TestObject *object = nullptr;
    // Paths that fail the next time they are evaluated (once), and those that fail until cleared.
    std::set<std::string> failing;
    std::set<std::string> failing_always;
    std::map<TestObject *, std::vector<TestObject *>> node_children;

private:
    bool fails(const std::string &path)
    {
        if (!failing.erase(path) && !failing_always.count(path))
            return false;
        table.raise_exception();
        return true;
    }

    static Routine procedure(std::function<void(TestObject *)> body)
    {
        return [body](TestObject *self, const jvalue *) {
            body(self);
            return jvalue{};
        };
    }

    void count(TestObject *self, const char *field) { self->set_int(field, self->get_int(field) + 1); }

    void define_form_class()
    {
        for (const char *name : {"sys_id", "position", "row_index", "changes", "clicks", "handled"})
            cls.field(name, Kind::Integer, "I");
        for (const char *name : {"data_was_accepted", "flag"})
            cls.field(name, Kind::Boolean, "Z");
        cls.field("name", Kind::Object, kStringSig)
            .field("rows", Kind::Object, Arrays::kObjectsSig)
            .field("row", Kind::Object, kObjectSig)
            .field("tree", Kind::Object, kObjectSig)
            .field("canvas", Kind::Object, kObjectSig)
            .routine("accept", "()V", procedure([](TestObject *self) { flrt_close_form(self->handle(), JNI_TRUE); }))
            .routine("handled", "()V", procedure([this](TestObject *self) { count(self, "handled"); }))
            .routine("changed", "()V", procedure([this](TestObject *self) { count(self, "changes"); }))
            .routine("clicked", "()V", procedure([this](TestObject *self) { count(self, "clicks"); }))
            .routine("failing_self", "()Ljava/lang/Object;",
                     [this](TestObject *self, const jvalue *) { return object_value(fails("self") ? nullptr : self); })
            .routine("failing_check", "()Z",
                     [this](TestObject *, const jvalue *) {
                         jvalue value{};
                         value.z = !fails("check");
                         return value;
                     })
            .routine("failing_caption", "()Ljava/lang/String;",
                     [this](TestObject *, const jvalue *) {
                         return object_value(fails("caption") ? nullptr : table.make_string("&Item"));
                     })
            .routine("updating_caption", "()Ljava/lang/String;",
                     [this](TestObject *self, const jvalue *) {
                         if (failing.erase("nested update"))
                             flrt_update_widget(self->handle(), JNI_TRUE);
                         return object_value(table.make_string("&First"));
                     })
            .routine(
                "name_text", "()Ljava/lang/String;",
                [this](TestObject *, const jvalue *) { return object_value(table.make_string("Name: " + name())); })
            .routine("close_soon", "()V", procedure([](TestObject *self) {
                         post_cancel(self->get_object("closing") ? self->get_object("closing")->text.c_str() : "");
                     }))
            // Once the form is the current one, its child opens inside it.
            .routine("open_child", "()V", procedure([this](TestObject *self) {
                         later([this, self] {
                             self->set_object("closing", table.make_string("Child form"));
                             char class_name[] = "test.Fail";
                             flrt_display_form(self->handle(), class_name, 8);
                             post_cancel("Holder");
                         });
                     }))
            .routine("open_mdi_child", "()V", procedure([](TestObject *self) {
                         later([self] {
                             char class_name[] = "test.Fail";
                             flrt_display_form(self->handle(), class_name, 10);
                             PostMessageA(find_form("Frame"), WM_CLOSE, 0, 0);
                         });
                     }));
        cls.field("closing", Kind::Object, kStringSig);
    }

    void define_row_and_node_classes()
    {
        row_class.field("name", Kind::Object, kStringSig)
            .routine("failing_label", "()Ljava/lang/String;", [this](TestObject *self, const jvalue *) {
                return object_value(fails("cell") ? nullptr : self->get_object("name"));
            });
        node_class.field("label", Kind::Object, kStringSig)
            .routine("count", "()I",
                     [this](TestObject *self, const jvalue *) {
                         return int_value(static_cast<jint>(node_children[self].size()));
                     })
            .routine("item", "(I)Ljava/lang/Object;",
                     [this](TestObject *self, const jvalue *args) {
                         const auto &children = node_children[self];
                         const jint index = args[0].i - 1; // the application's containers count from 1
                         return object_value(index >= 0 && index < static_cast<jint>(children.size())
                                                 ? children[static_cast<size_t>(index)]
                                                 : nullptr);
                     })
            .routine("text", "()Ljava/lang/String;", [this](TestObject *self, const jvalue *) {
                // The application's own exception, as an application's table passes it on.
                if (failing.erase("node"))
                    throw std::runtime_error("No text for this node");
                return object_value(self->get_object("label"));
            });
        canvas_class.field("hWnd", Kind::Integer, "I")
            .routine("internal_handle_message", "(IIII)I", [this](TestObject *, const jvalue *args) {
                if (static_cast<UINT>(args[1].i) == WM_PAINT && failing_always.count("paint"))
                    throw std::runtime_error("Cannot paint");
                return int_value(1);
            });
    }
};

class Failures : public testing::Test {
protected:
    Failures()
    {
        object->set_object("rows", f.arrays.objects({f.row("Alpha"), f.row("Beta")}));
        object->set_object("tree", f.node("Root", {f.node("Branch", {f.node("Leaf")})}));
        object->set_object("canvas", f.table.make(f.canvas_class));
    }

    // Opens the failures form, lets the steps make one path fail, and
    // checks that the failure was reported by the handling its control (or
    // the form) describes, once, and that the form went on and closed.
    void ExpectReported(const std::function<void(Script &, HWND &)> &steps, const std::string &text)
    {
        HWND form = nullptr;
        Script script;
        script.window("Failures", form).wait("the form in front", [&] { return GetForegroundWindow() == form; });
        steps(script, form);
        script.wait("the report", [&] { return !script.boxes().boxes().empty(); })
            .then([&] { f.failing_always.clear(); })
            .then([] { Sleep(300); })
            .click(in(form, kOk));
        EXPECT_TRUE(f.display(1));
        EXPECT_FINISHED(script);
        ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
        EXPECT_EQ(script.boxes().last().caption, "Failures");
        EXPECT_EQ(script.boxes().last().text, text);
        EXPECT_EQ(object->get_int("handled"), 1) << "the handler routines ran";
    }

    Fixture f;
    TestObject *object = f.object;
};

TEST_F(Failures, AnEditStoringThroughAFailingPathOnFocusLoss)
{
    ExpectReported(
        [&](Script &script, HWND &form) {
            script.click(in(form, kEdit)).then([&] {
                select_all();
                type("Bob");
            });
            script.wait("typed", [&] { return shown(Script::control(form, kEdit)) == "Bob"; })
                .then([&] { f.failing.insert("self"); })
                .then([&] { Script::post_key(Script::control(form, kEdit), VK_TAB); });
        },
        "Edit failed");
}

TEST_F(Failures, AFailingValidationRoutine)
{
    ExpectReported(
        [&](Script &script, HWND &form) { script.then([&] { f.failing.insert("check"); }).click(in(form, kCheck)); },
        "Validation failed");
}

TEST_F(Failures, AListViewCellEvaluatedWhilePainting)
{
    ExpectReported(
        [&](Script &script, HWND &form) {
            script.then([&] {
                f.failing.insert("cell");
                InvalidateRect(Script::control(form, kList), nullptr, TRUE);
            });
        },
        "Cell failed");
}

TEST_F(Failures, ATreeNodeEvaluatedOnExpansion)
{
    ExpectReported(
        [&](Script &script, HWND &form) {
            script
                .then([&] {
                    HWND tree = Script::control(form, kTree);
                    click_at(tree, middle(tree_label_rect(tree, tree_item(tree, nullptr, TVGN_ROOT))));
                })
                .then([&] {
                    f.failing.insert("node");
                    Script::post_key(Script::control(form, kTree), VK_RIGHT);
                });
        },
        "Node failed");
}

TEST_F(Failures, ATrackbarStoringThroughAFailingPathOnScroll)
{
    ExpectReported(
        [&](Script &script, HWND &form) {
            script.click(in(form, kTrackbar)).then([&] {
                f.failing.insert("self");
                Script::post_key(Script::control(form, kTrackbar), VK_RIGHT);
            });
        },
        "Scroll failed");
}

TEST_F(Failures, ADisplayableObjectFailingToPaintReportsOnce)
{
    ExpectReported(
        [&](Script &script, HWND &form) {
            script.then([&] {
                // It fails at every paint: the report's box must not bring the next one.
                f.failing_always.insert("paint");
                InvalidateRect(Script::control(form, kCanvas), nullptr, TRUE);
            });
            script.wait("the report", [&] { return !script.boxes().boxes().empty(); }).then([] { Sleep(500); });
        },
        "Canvas failed");
}

TEST_F(Failures, AMenuStateUpdate)
{
    ExpectReported(
        [&](Script &script, HWND &form) {
            script.then([&] {
                f.failing.insert("caption");
                later([&] { SendMessageA(form, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(form)), 0); });
            });
        },
        "Form failed");
}

TEST_F(Failures, AnUpdateAskedForByTheObject)
{
    ExpectReported(
        [&](Script &script, HWND &) {
            script.then([&] {
                f.failing.insert("self");
                later([&] { flrt_update_widget(object->get_object("canvas")->handle(), JNI_FALSE); });
            });
        },
        "Edit failed");
}

TEST_F(Failures, AValidationAskedForByTheObject)
{
    jboolean valid = JNI_TRUE;
    ExpectReported(
        [&](Script &script, HWND &) {
            script.then([&] {
                f.failing.insert("check");
                later([&] { valid = flrt_validate_widget(object->handle(), JNI_TRUE, JNI_FALSE); });
            });
        },
        "Form failed");
    EXPECT_EQ(valid, JNI_FALSE);
}

TEST_F(Failures, ACloseAskedForByTheObject)
{
    bool still_open = false;
    ExpectReported(
        [&](Script &script, HWND &form) {
            script.then([&] {
                f.failing.insert("check");
                later([&] {
                    flrt_close_form(object->handle(), JNI_TRUE);
                    still_open = IsWindow(form) != FALSE;
                });
            });
        },
        "Form failed");
    EXPECT_TRUE(still_open) << "the failed close leaves the form open";
}

// ---- Embedded forms ----

TEST(EmbeddedForms, ShowTheirControlsBoundToTheObjectRefreshValidateAndClose)
{
    Fixture f;
    HWND form = nullptr, edit = nullptr, fine = nullptr, ok = nullptr;
    std::string shown_at_start, label_after_change;
    Script script;
    script.window("Embedding", form)
        .wait("the embedded controls",
              [&] {
                  edit = FindWindowExA(form, nullptr, "Edit", nullptr);
                  fine = FindWindowExA(form, nullptr, "Button", "Fine");
                  // The embedded form's controls have ids of their own list: the owner's may be the same.
                  ok = FindWindowExA(form, nullptr, "Button", "OK");
                  return edit && fine && ok && IsWindowVisible(edit);
              })
        .then([&] { shown_at_start = Script::text(edit); })
        .click(the(edit))
        .then([&] {
            select_all();
            type("Bob");
        })
        .wait("typed", [&] { return Script::text(edit) == "Bob"; })
        .click(the(ok)) // the embedded check box is not valid yet
        .wait("the report", [&] { return !script.boxes().boxes().empty(); })
        .wait("the label refreshed", [&] { return Script::text(Script::control(form, 0)) == "Name: Bob"; })
        .then([&] { label_after_change = Script::text(Script::control(form, 0)); })
        .click(the(fine))
        .wait("checked", [&] { return f.object->get_bool("flag"); })
        .click(the(ok));
    EXPECT_TRUE(f.display(2));
    EXPECT_FINISHED(script);
    EXPECT_EQ(shown_at_start, "Ann");
    EXPECT_EQ(label_after_change, "Name: Bob") << "a change in the embedded form refreshes its owner";
    ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
    EXPECT_EQ(script.boxes().last().text, "Not fine yet");
    EXPECT_EQ(f.name(), "Bob");
    EXPECT_GE(f.object->get_int("changes"), 1) << "the embedded edit's on-change routine ran";
    EXPECT_TRUE(f.object->get_bool("data_was_accepted"));
}

BOOL CALLBACK collect_id(HWND control, LPARAM ids)
{
    reinterpret_cast<std::multiset<int> *>(ids)->insert(GetDlgCtrlID(control));
    return TRUE;
}

// Owner-drawn controls are measured by their id while their window is made:
// an embedded form's list view at the same place of its list as the owner's
// must get its own measurement, not the owner's.
TEST(EmbeddedForms, ControlsHaveIdsOfTheirOwnAndAreMeasuredWithTheirOwnFont)
{
    Fixture f;
    f.object->set_object("rows", f.arrays.objects({f.row("Alpha"), f.row("Beta")}));
    HWND form = nullptr, small = nullptr, large = nullptr, ok = nullptr;
    int small_height = 0, large_height = 0;
    std::multiset<int> ids;
    Script script;
    script.window("Measured twins", form)
        .wait("both lists with their rows",
              [&] {
                  small = FindWindowExA(form, nullptr, WC_LISTVIEWA, nullptr);
                  large = small ? FindWindowExA(form, small, WC_LISTVIEWA, nullptr) : nullptr;
                  return large && SendMessageA(small, LVM_GETITEMCOUNT, 0, 0) == 2 &&
                         SendMessageA(large, LVM_GETITEMCOUNT, 0, 0) == 2;
              })
        .then([&] {
            small_height = list_view_row(small, 0).bottom - list_view_row(small, 0).top;
            large_height = list_view_row(large, 0).bottom - list_view_row(large, 0).top;
            EnumChildWindows(form, &collect_id, reinterpret_cast<LPARAM>(&ids));
            ok = FindWindowExA(form, nullptr, "Button", "OK");
        })
        .click(the(ok));
    EXPECT_TRUE(f.display(12));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_GT(small_height, 0);
    EXPECT_GT(large_height, small_height + 10) << "a 28-point list measured with the 8-point list's font";
    ids.erase(0); // the embedded form's own frame has none
    for (auto id = ids.begin(); id != ids.end(); id = ids.upper_bound(*id))
        EXPECT_EQ(ids.count(*id), 1u) << "control id " << *id << " twice in one window";
}

// ---- Closing from a routine ----

TEST(ClosingRoutines, AnOnChangeRoutineMayCloseTheRootForm)
{
    Fixture f;
    HWND form = nullptr;
    Script script;
    script.window("Closing change", form).click(in(form, 0));
    EXPECT_TRUE(f.display(3));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_TRUE(f.object->get_bool("flag"));
}

// ---- List view stores ----

TEST(ListViewStores, AClickStoresOnceAndAKeyWaitsForTheNextClick)
{
    Fixture f;
    std::vector<TestObject *> rows{f.row("Alpha"), f.row("Beta"), f.row("Gamma")};
    f.object->set_object("rows", f.arrays.objects(rows, 1));
    f.object->set_int("row_index", 1);
    HWND form = nullptr, list = nullptr;
    int changes_after_click = -1, clicks_after_click = -1, index_after_key = -1, changes_after_key = -1;
    Script script;
    script.window("Counted list", form)
        .wait("the rows",
              [&] {
                  list = Script::control(form, 0);
                  return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 3;
              })
        .then([&] { click_at(list, middle(list_view_row(list, 1))); })
        .wait("the click stored", [&] { return f.object->get_int("row_index") == 2; })
        .then([] { Sleep(500); })
        .then([&] {
            changes_after_click = f.object->get_int("changes");
            clicks_after_click = f.object->get_int("clicks");
        })
        .then([&] { Script::post_key(list, VK_DOWN); })
        .wait("the third row selected",
              [&] { return SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == 2; })
        .then([] { Sleep(500); })
        .then([&] {
            index_after_key = f.object->get_int("row_index");
            changes_after_key = f.object->get_int("changes");
        })
        .then([&] { click_at(list, middle(list_view_row(list, 2))); })
        .wait("the next click stored", [&] { return f.object->get_int("row_index") == 3; })
        .click(in(form, 1));
    EXPECT_TRUE(f.display(4));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_EQ(changes_after_click, 1) << "one click, one store, one on-change run";
    EXPECT_EQ(clicks_after_click, 1);
    EXPECT_EQ(index_after_key, 2) << "a key alone stores nothing";
    EXPECT_EQ(changes_after_key, 1);
    EXPECT_EQ(f.object->get_int("changes"), 2);
    EXPECT_EQ(TestObject::from(f.object->get_object("row")->handle()), rows[2]);
}

// ---- Window classes ----

// The form window classes registered now, of every name pattern.
int registered_form_classes()
{
    HINSTANCE runtime = GetModuleHandleA("cflrt.dll");
    int count = 0;
    for (const char *pattern : {"FLFormClass%d", "FL_MDIFrame%d", "FL_MDIChild%d"}) {
        for (int number = 1; number <= 3000; ++number) {
            char name[64];
            wsprintfA(name, pattern, number);
            WNDCLASSA info;
            if (GetClassInfoA(runtime, name, &info))
                ++count;
        }
    }
    return count;
}

TEST(WindowClasses, FormsOfEveryKindGiveTheirClassBackWhenTheyGo)
{
    Fixture f;
    constexpr int kRounds = 6;
    int opened = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (const char *caption : {"Overlapped", "Popup"}) {
            f.object->set_object("closing", f.table.make_string(caption));
            f.display(std::string(caption) == "Overlapped" ? 5 : 6);
            ++opened;
        }
        f.display(7); // a dialog that holds a child window
        f.display(9); // an MDI frame with a child
        opened += 3;
    }
    EXPECT_FALSE(find_form("Overlapped") || find_form("Frame")) << "every form closed";
    EXPECT_LE(registered_form_classes(), 1) << opened << " form windows were opened";
}

// ---- Menus ----

// Every menu the runtime makes, recorded as it is made.
class MenuWatch {
public:
    MenuWatch()
        : bars_("cflrt.dll", "user32.dll", "CreateMenu", reinterpret_cast<const void *>(&MakeBar)),
          popups_("cflrt.dll", "user32.dll", "CreatePopupMenu", reinterpret_cast<const void *>(&MakePopup))
    {
        watch_ = this;
    }
    ~MenuWatch() { watch_ = nullptr; }

    bool active() const { return bars_.active() && popups_.active(); }
    const std::vector<HMENU> &made() const { return made_; }

private:
    using Make = HMENU(WINAPI *)();
    static HMENU Record(HMENU menu)
    {
        watch_->made_.push_back(menu);
        return menu;
    }
    static HMENU WINAPI MakeBar() { return Record(watch_->bars_.original<Make>()()); }
    static HMENU WINAPI MakePopup() { return Record(watch_->popups_.original<Make>()()); }

    static MenuWatch *watch_;
    ImportPatch bars_;
    ImportPatch popups_;
    std::vector<HMENU> made_;
};
MenuWatch *MenuWatch::watch_ = nullptr;

// A menu whose building fails half-way (a caption's function raises) is given
// back with what was built of it.
TEST_F(Failures, AMenuThatFailsToBuildLeavesNoMenuBehind)
{
    MenuWatch watch;
    ASSERT_TRUE(watch.active()) << "the runtime makes its menus with CreateMenu and CreatePopupMenu";
    f.failing.insert("caption");
    HWND form = nullptr;
    Script script;
    // The report's box has the form's caption and comes while the form is
    // made. The failure ends the opening before the controls: the form is cancelled.
    auto form_window = [&] {
        char class_name[32] = "";
        form = FindWindowA(nullptr, "Failures");
        return form && GetClassNameA(form, class_name, sizeof class_name) &&
               std::strncmp(class_name, "FLFormClass", 11) == 0;
    };
    script.wait("the report", [&] { return !script.boxes().boxes().empty(); }).wait("the form", form_window).then([&] {
        PostMessageA(form, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(f.display(1));
    EXPECT_FINISHED(script);
    ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
    EXPECT_EQ(script.boxes().last().text, "Form failed");
    EXPECT_EQ(watch.made().size(), 2u) << "the menu bar and its popup";
    for (HMENU menu : watch.made())
        EXPECT_FALSE(IsMenu(menu)) << "a menu the runtime made outlived its form";
}

TEST(Menus, CommandIdsStayRightWhenAnUpdateRunsInsideAnUpdate)
{
    Fixture f;
    HWND form = nullptr;
    std::vector<UINT> ids;
    Script script;
    script.window("Nested menu update", form)
        .then([&] {
            f.failing.insert("nested update");
            later([&] { SendMessageA(form, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(form)), 0); });
        })
        .wait("the nested update", [&] { return f.failing.empty(); })
        .then([&] {
            HMENU commands = GetSubMenu(GetMenu(form), 0);
            for (int position = 0; position < GetMenuItemCount(commands); ++position)
                ids.push_back(GetMenuItemID(commands, position));
        })
        .then([&] { PostMessageA(form, WM_COMMAND, 5001, 0); })
        .wait("the second command", [&] { return f.object->get_int("clicks") == 1; })
        .then([&] { PostMessageA(form, WM_COMMAND, IDCANCEL, 0); });
    f.display(11);
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_EQ(ids, (std::vector<UINT>{5000, 5001, 5002}));
    EXPECT_EQ(f.object->get_int("changes"), 0) << "the first command did not run";
    EXPECT_EQ(f.object->get_int("handled"), 0) << "the third command did not run";
}

// ---- No object table ----

FLTEST_CHILD_SCENARIO(display_without_table)
{
    flrt_add_res_file((program_directory() + "flrt_test_failures.flf").c_str());
    TestTable table(TestTable::Mode::Emulated);
    TestObject *object = table.make(table.define_class("test/Fail"));
    if (arguments.empty() || arguments[0] != "never")
        set_ni_table(nullptr);
    char class_name[] = "test.Fail";
    flrt_display_form(object->handle(), class_name, 3);
    return 0;
}

TEST(NoObjectTable, ADisplayBeforeTheTableIsAFatalError)
{
    for (const char *when : {"never", "null"}) {
        ChildProcessBoxes answering;
        const ChildResult result = run_child("display_without_table", {when});
        ASSERT_TRUE(result.finished) << when;
        EXPECT_EQ(result.exit_code, 0xFFFFFFFFul) << when;
        const std::vector<Box> boxes = answerer().boxes();
        ASSERT_EQ(boxes.size(), 1u) << when;
        EXPECT_EQ(message_of(boxes[0]),
                  "No object table: set_ni_table must install the table before a form is displayed.")
            << when;
        EXPECT_EQ(boxes[0].caption, "Formloom reported Error") << when;
    }
}

} // namespace
