// The list view, the tree view and the tab control, driven as a user would:
// rows drawn from their objects and selected by mouse and keyboard, a tree
// filled as its nodes are expanded, tab pages merged into their form.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "controls_fixture.hpp"
#include "form_file.hpp"
#include "user.hpp"
#include "snapshot.hpp"

#include <commctrl.h>

using namespace fltest;

namespace {

// Control indexes of the forms of flrt_test_views.fls.
enum ListIndex { kList = 0, kListOk, kListCancel, kForget };
enum TreeIndex { kTree = 0, kNodeLabel, kTreeOk, kReload };
enum TabsIndex { kTabs = 0, kAmountLabel, kAdd, kTabsOk, kTabsCancel, kFirstPageLabel, kAmountEdit, kFlag, kSecond };

// A tree node of the tests: its label (none for a null label) and children
// (null for a null child); records the item calls it answers.
struct Node {
    std::optional<std::string> label;
    std::vector<TestObject *> children;
    int item_calls = 0;
};

jvalue int_value(jint number)
{
    jvalue value{};
    value.i = number;
    return value;
}

jvalue object_value(TestObject *object)
{
    jvalue value{};
    value.l = object ? object->handle() : nullptr;
    return value;
}

class Views {
public:
    explicit Views(TestTable::Mode mode)
        : table(mode), arrays(table), cls(table.define_class("test/Views")), row_class(table.define_class("test/Row")),
          node_class(table.define_class("test/Node")), bare_class(table.define_class("test/Bare"))
    {
        define_view_class();
        for (const char *name : {"count"})
            row_class.field(name, Kind::Integer, "I");
        row_class.field("ratio", Kind::Real, "D")
            .field("flag", Kind::Boolean, "Z")
            .field("letter", Kind::Character, "C")
            .field("name", Kind::Object, kStringSig)
            .field("note", Kind::Object, kStringSig);
        define_node_class();
        object = table.make(cls);
        set_ni_table(table.env());
        static bool added = false;
        if (!added)
            flrt_add_res_file((program_directory() + "flrt_test_views.flf").c_str());
        added = true;
    }

    bool display(int form_number)
    {
        char class_name[] = "test.Views";
        return flrt_display_form(object->handle(), class_name, form_number) != 0;
    }

    TestObject *row(const std::string &name, jint count, double ratio, bool flag, char letter, const std::string &note)
    {
        TestObject *made = table.make(row_class);
        made->set_object("name", table.make_string(name));
        made->set_int("count", count);
        made->set_double("ratio", ratio);
        made->set_bool("flag", flag);
        made->value("letter").c = static_cast<jchar>(letter);
        made->set_object("note", table.make_string(note));
        return made;
    }

    TestObject *node(std::optional<std::string> label, std::vector<TestObject *> children = {})
    {
        TestObject *made = table.make(node_class);
        nodes[made] = Node{std::move(label), std::move(children), 0};
        return made;
    }

    std::string text(TestObject *owner, const char *field)
    {
        TestObject *string = owner->get_object(field);
        return string ? string->text : "(void)";
    }

    TestTable table;
    Arrays arrays;
    TestClass &cls;
    TestClass &row_class;
    TestClass &node_class;
    TestClass &bare_class;
    TestObject *object;
    std::map<TestObject *, Node> nodes;
    // The rows the "Forget selection" button puts in place, when set.
    TestObject *replacement_rows = nullptr;
    // Indexes a node was asked for outside its children.
    std::vector<jint> bad_indexes;

private:
    static Routine procedure(std::function<void(TestObject *)> body)
    {
        return [body](TestObject *self, const jvalue *) {
            body(self);
            return jvalue{};
        };
    }

    Routine text_of(std::function<std::string(TestObject *)> body)
    {
        return [this, body](TestObject *self, const jvalue *) { return object_value(table.make_string(body(self))); };
    }

    void define_view_class()
    {
        for (const char *name : {"sys_id", "row_index", "clicks", "amount", "second"})
            cls.field(name, Kind::Integer, "I");
        for (const char *name : {"data_was_accepted", "flag", "second_ok"})
            cls.field(name, Kind::Boolean, "Z");
        cls.field("count_header", Kind::Object, kStringSig)
            .field("rows", Kind::Object, Arrays::kObjectsSig)
            .field("row", Kind::Object, kObjectSig)
            .field("tree", Kind::Object, kObjectSig)
            .field("node", Kind::Object, kObjectSig)
            .routine("accept", "()V", procedure([](TestObject *self) { flrt_close_form(self->handle(), JNI_TRUE); }))
            .routine("cancel", "()V", procedure([](TestObject *self) { flrt_close_form(self->handle(), JNI_FALSE); }))
            .routine("clicked", "()V",
                     procedure([](TestObject *self) { self->set_int("clicks", self->get_int("clicks") + 1); }))
            .routine("forget", "()V", procedure([this](TestObject *self) {
                         self->set_int("row_index", 0);
                         if (replacement_rows)
                             self->set_object("rows", replacement_rows);
                     }))
            .routine("add", "()V", procedure([](TestObject *self) {
                         self->set_int("amount", self->get_int("amount") + 10);
                         self->set_bool("flag", !self->get_bool("flag"));
                     }))
            .routine("amount_text", "()Ljava/lang/String;",
                     text_of([](TestObject *self) { return std::to_string(self->get_int("amount")); }))
            .routine("node_text", "()Ljava/lang/String;", text_of([this](TestObject *self) -> std::string {
                         TestObject *selected = self->get_object("node");
                         return selected && nodes.count(selected) ? nodes[selected].label.value_or("") : "none";
                     }));
    }

    void define_node_class()
    {
        // The application's containers count from 1, those of a virtual machine from 0.
        const jint first = table.mode() == TestTable::Mode::Emulated ? 1 : 0;
        auto count = [this](TestObject *self, const jvalue *) {
            return int_value(static_cast<jint>(nodes[self].children.size()));
        };
        node_class.routine("count", "()I", count)
            .routine("item", "(I)Ljava/lang/Object;",
                     [this, first](TestObject *self, const jvalue *args) {
                         Node &node = nodes[self];
                         ++node.item_calls;
                         const jint index = args[0].i - first;
                         if (index < 0 || index >= static_cast<jint>(node.children.size())) {
                             bad_indexes.push_back(args[0].i);
                             return object_value(nullptr);
                         }
                         return object_value(node.children[static_cast<size_t>(index)]);
                     })
            .routine("text", "()Ljava/lang/String;", [this](TestObject *self, const jvalue *) {
                const Node &node = nodes[self];
                return object_value(node.label ? table.make_string(*node.label) : nullptr);
            });
        bare_class.routine("count", "()I", [](TestObject *, const jvalue *) { return int_value(0); });
    }
};

// ---- List view ----

std::vector<std::string> header_texts(HWND list)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    std::vector<std::string> texts;
    const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        char text[64] = "";
        HDITEMA item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        texts.emplace_back(text);
    }
    return texts;
}

// The columns (x) of a cell where the row shows text: pixels much darker than the background.
struct Ink {
    int first = -1;
    int last = -1;
};

Ink ink_in(HWND list, int row, int left, int right)
{
    UpdateWindow(list);
    const RECT area = list_view_row(list, row);
    HDC dc = GetDC(list);
    Ink ink;
    for (int x = left; x < right; ++x) {
        for (int y = area.top + 1; y < area.bottom - 2; ++y) {
            const COLORREF pixel = GetPixel(dc, x, y);
            if (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 250) {
                if (ink.first < 0)
                    ink.first = x;
                ink.last = x;
                break;
            }
        }
    }
    ReleaseDC(list, dc);
    return ink;
}

int selected_row(HWND list)
{
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

class ListView : public testing::Test {
protected:
    Views views{TestTable::Mode::Emulated};
    TestObject *object = views.object;
};

TEST_F(ListView, ColumnsShowEveryTypeCodeAlignedAndFitted)
{
    object->set_object("count_header", views.table.make_string("Count"));
    object->set_int("row_index", -1); // no row selected: every row shows its colours
    object->set_object(
        "rows", views.arrays.objects({views.row("Alpha", 7, 2.5, true, 'x', "A note far too long for its column"),
                                      views.row("Beta", 12345, 0.125, false, 'y', "ok")}));
    HWND form = nullptr, list = nullptr;
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> cells(2);
    int rows = 0;
    Ink name, count, ratio, note;
    Script script;
    script.window("List view", form)
        .wait("the list filled",
              [&] {
                  list = Script::control(form, kList);
                  return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 2;
              })
        .then([&] {
            headers = header_texts(list);
            rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            for (int row = 0; row < 2; ++row)
                for (int column = 0; column < 7; ++column)
                    cells[static_cast<size_t>(row)].push_back(list_view_cell(list, row, column));
            name = ink_in(list, 0, 0, 100);
            count = ink_in(list, 1, 100, 170);
            ratio = ink_in(list, 0, 170, 260);
            note = ink_in(list, 0, 323, 383);
            snapshot(form, "list_view");
        })
        .click(in(form, kListOk));
    EXPECT_TRUE(views.display(1));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_EQ(headers, (std::vector<std::string>{"Name", "Count", "Ratio", "Flag", "L", "Note", "Odd"}));
    EXPECT_EQ(rows, 2);
    // A string column answers its text, the type string naming the string class.
    EXPECT_EQ(cells[0], (std::vector<std::string>{"Alpha", "7", "2.500", "True", "x",
                                                  "A note far too long for its column", "?"}));
    EXPECT_EQ(cells[1], (std::vector<std::string>{"Beta", "12345", "0.125", "False", "y", "ok", "?"}));
    // Left: 2 pixels in; right: ending 2 pixels before the edge; centre: around the middle.
    EXPECT_GE(name.first, 2);
    EXPECT_LE(name.first, 6);
    EXPECT_LE(count.last, 170 - 2);
    EXPECT_GE(count.last, 170 - 6);
    ASSERT_GE(ratio.first, 0);
    EXPECT_NEAR((ratio.first + ratio.last) / 2.0, 215, 3);
    // The long note ends in "..." with 4 pixels to spare.
    EXPECT_LE(note.last, 383 - 4);
    EXPECT_GE(note.last, 323 + 30);
}

TEST_F(ListView, ClicksAndKeysStoreTheSelectionAndClicksRunTheClickRoutines)
{
    std::vector<TestObject *> made{views.row("Alpha", 1, 0, false, 'a', ""), views.row("Beta", 2, 0, false, 'b', ""),
                                   views.row("Gamma", 3, 0, false, 'c', "")};
    object->set_object("rows", views.arrays.objects(made, 1));
    object->set_int("row_index", 2);
    HWND form = nullptr, list = nullptr;
    int selected_at_start = -2, after_click = -2, after_key = -2, after_forget = -2, selected_count_after_forget = -1;
    int clicks_after_key = -1, index_after_key = -1;
    TestObject *row_after_key = nullptr;
    Script script;
    script.window("List view", form)
        .wait("the list filled",
              [&] {
                  list = Script::control(form, kList);
                  return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 3;
              })
        .then([&] { selected_at_start = selected_row(list); })
        .then([&] { click_at(list, middle(list_view_row(list, 2))); })
        .wait("the click stored", [&] { return object->get_int("row_index") == 3; })
        .then([&] { after_click = selected_row(list); })
        .then([&] { Script::post_key(list, VK_UP); })
        .wait("the key moved the selection", [&] { return selected_row(list) == 1; })
        .then([] { Sleep(300); })
        .then([&] {
            index_after_key = object->get_int("row_index");
            after_key = selected_row(list);
            row_after_key = TestObject::from(object->get_object("row")->handle());
            clicks_after_key = object->get_int("clicks");
        })
        .then([&] { click_at(list, middle(list_view_row(list, 0)), true); })
        .wait("the right click stored", [&] { return object->get_int("row_index") == 1; })
        .then([&] {
            RECT below = list_view_row(list, 2);
            click_at(list, POINT{20, below.bottom + 30});
        })
        .wait("the click on empty space stored", [&] { return object->get_int("row_index") == 0; })
        .then([&] { click_at(list, middle(list_view_row(list, 1))); })
        .wait("the second row stored", [&] { return object->get_int("row_index") == 2; })
        .click(in(form, kForget))
        .wait("the selection gone", [&] { return selected_row(list) == -1; })
        .then([&] {
            after_forget = selected_row(list);
            selected_count_after_forget = static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0));
        })
        .click(in(form, kListOk));
    EXPECT_TRUE(views.display(1));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_EQ(selected_at_start, 1) << "index 2 of an array from 1 is the second row";
    EXPECT_EQ(after_click, 2);
    EXPECT_EQ(after_key, 1);
    // A key alone stores nothing: the next click does.
    EXPECT_EQ(index_after_key, 3);
    EXPECT_EQ(row_after_key, made[2]);
    EXPECT_EQ(clicks_after_key, 1) << "a key runs no click routine";
    // Left click on a row, right click on a row, left click on a row: the empty space ran none.
    EXPECT_EQ(object->get_int("clicks"), 3);
    EXPECT_EQ(after_forget, -1);
    EXPECT_EQ(selected_count_after_forget, 0) << "no row keeps a selection";
    EXPECT_TRUE(object->get_bool("data_was_accepted"));
}

TEST(ListViewUnderAVirtualMachine, RowsAreKeptAsGlobalReferencesWhileShown)
{
    Views views(TestTable::Mode::JvmLike);
    TestObject *object = views.object;
    std::vector<TestObject *> made{views.row("Alpha", 1, 0, false, 'a', ""), views.row("Beta", 2, 0, false, 'b', ""),
                                   views.row("Gamma", 3, 0, false, 'c', "")};
    object->set_object("rows", views.arrays.objects(made));
    views.replacement_rows = views.arrays.objects({made[2]});
    const int before = views.table.global_references();
    HWND form = nullptr, list = nullptr;
    int while_shown = -1, after_replacement = -1;
    std::string first_cell;
    Script script;
    script.window("List view", form)
        .wait("the list filled",
              [&] {
                  list = Script::control(form, kList);
                  return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 3;
              })
        .then([&] { while_shown = views.table.global_references() - before; })
        .then([&] { click_at(list, middle(list_view_row(list, 1))); })
        .wait("the click stored", [&] { return object->get_int("row_index") == 1; })
        .click(in(form, kForget))
        .wait("the new rows", [&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1; })
        .then([&] {
            after_replacement = views.table.global_references() - before;
            first_cell = list_view_cell(list, 0, 0);
        })
        .click(in(form, kListOk));
    EXPECT_TRUE(views.display(1));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_EQ(while_shown, 3);
    EXPECT_EQ(TestObject::from(object->get_object("row")->handle()), made[1]);
    EXPECT_EQ(after_replacement, 1) << "the rows that went released their references";
    EXPECT_EQ(first_cell, "Gamma");
    EXPECT_EQ(views.table.global_references(), before) << "closing released the rest";
}

// Every row is a local reference of its own: they must never be alive at once.
TEST(ListViewUnderAVirtualMachine, ManyRowsStayWithinALocalFrame)
{
    Views views(TestTable::Mode::JvmLike);
    std::vector<TestObject *> made;
    for (int i = 0; i < 200; ++i)
        made.push_back(views.row("Row " + std::to_string(i), i, 0, false, 'r', ""));
    views.object->set_object("rows", views.arrays.objects(made));
    HWND form = nullptr;
    Script script;
    script.window("List view", form)
        .wait("the list filled",
              [&] { return SendMessageA(Script::control(form, kList), LVM_GETITEMCOUNT, 0, 0) == 200; })
        .click(in(form, kListOk));
    EXPECT_TRUE(views.display(1));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_LE(views.table.most_local_references(), TestTable::kNativeCallCapacity);
    EXPECT_EQ(views.table.framed_local_references(), 0) << "every frame was given back";
}

// Rows that repeat a hundred objects, named by their place among them.
std::vector<TestObject *> repeated_rows(Views &views, int count)
{
    std::vector<TestObject *> distinct;
    for (int i = 0; i < 100; ++i)
        distinct.push_back(views.row("Row " + std::to_string(i), i, 0, false, 'r', ""));
    std::vector<TestObject *> rows;
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        rows.push_back(distinct[static_cast<size_t>(i % 100)]);
    return rows;
}

int top_row(HWND list)
{
    return static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
}

TEST_F(ListView, AHundredThousandRowsShowTheirSelectionFarDownAndTakeClicksThere)
{
    const std::vector<TestObject *> made = repeated_rows(views, 100000);
    object->set_object("rows", views.arrays.objects(made));
    object->set_int("row_index", 54321);
    views.replacement_rows = views.arrays.objects({made[7], made[8], made[9], made[10], made[11]});
    HWND form = nullptr, list = nullptr;
    int selected_at_start = -1, top_at_start = -1, after_click = -1, rows_after_load = -1, top_after_load = -1;
    std::string selected_cell, last_cell, clicked_cell, cell_after_load;
    Script script;
    script.window("List view", form)
        .wait("the list filled",
              [&] {
                  list = Script::control(form, kList);
                  return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 100000;
              })
        .then([&] {
            selected_at_start = selected_row(list);
            top_at_start = top_row(list);
            selected_cell = list_view_cell(list, 54321, 0);
            last_cell = list_view_cell(list, 99999, 0);
            snapshot(form, "list_view_far_down");
        })
        .then([&] { click_at(list, middle(list_view_row(list, 54322))); })
        .wait("the click stored", [&] { return object->get_int("row_index") == 54322; })
        .then([&] {
            after_click = selected_row(list);
            clicked_cell = list_view_cell(list, after_click, 0);
        })
        .click(in(form, kForget))
        .wait("the shorter array", [&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 5; })
        .then([&] {
            rows_after_load = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            top_after_load = top_row(list);
            cell_after_load = list_view_cell(list, 4, 0);
        })
        .click(in(form, kListOk));
    EXPECT_TRUE(views.display(1));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_EQ(selected_at_start, 54321);
    EXPECT_GT(top_at_start, 54000) << "the selected row was scrolled into view";
    EXPECT_LE(top_at_start, 54321);
    EXPECT_EQ(selected_cell, "Row 21");
    EXPECT_EQ(last_cell, "Row 99");
    EXPECT_EQ(after_click, 54322);
    EXPECT_EQ(clicked_cell, "Row 22");
    EXPECT_EQ(TestObject::from(object->get_object("row")->handle()), made[22]);
    EXPECT_EQ(object->get_int("clicks"), 1);
    EXPECT_EQ(rows_after_load, 5);
    EXPECT_EQ(top_after_load, 0);
    EXPECT_EQ(cell_after_load, "Row 11");
}

TEST_F(ListView, ALetterTypedSelectsTheNextRowStartingWithIt)
{
    object->set_object(
        "rows", views.arrays.objects({views.row("Alpha", 1, 0, false, 'a', ""), views.row("beta", 2, 0, false, 'b', ""),
                                      views.row("Gamma", 3, 0, false, 'c', "")}));
    object->set_int("row_index", 0);
    HWND form = nullptr, list = nullptr;
    int after_g = -2, after_b = -2, after_z = -2, index_before_click = -2;
    DWORD since = 0;
    const auto start_pause = [&] { since = GetTickCount(); };
    const auto paused = [&] { return GetTickCount() - since > 1200; };
    Script script;
    script.window("List view", form)
        .wait("the list filled",
              [&] {
                  list = Script::control(form, kList);
                  return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 3;
              })
        .then([&] { PostMessageA(list, WM_CHAR, 'g', 1); })
        .wait("the typed row selected", [&] { return selected_row(list) == 2; })
        .then([&] { after_g = selected_row(list); })
        .then(start_pause)
        .wait("a pause, after which the list starts a new search", paused)
        .then([&] { PostMessageA(list, WM_CHAR, 'B', 1); })
        .wait("the second typed row selected", [&] { return selected_row(list) == 1; })
        .then([&] { after_b = selected_row(list); })
        .then(start_pause)
        .wait("a pause", paused)
        .then([&] { PostMessageA(list, WM_CHAR, 'z', 1); })
        .then(start_pause)
        .wait("the letter handled", paused)
        .then([&] { after_z = selected_row(list); })
        // Keys choose a row; the next click stores it.
        .then([&] { index_before_click = object->get_int("row_index"); })
        .then([&] { click_at(list, middle(list_view_row(list, 1))); })
        .wait("the click stored the row", [&] { return object->get_int("row_index") == 1; })
        .click(in(form, kListOk));
    EXPECT_TRUE(views.display(1));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_EQ(after_g, 2);
    EXPECT_EQ(after_b, 1) << "letters match whatever their case";
    EXPECT_EQ(after_z, 1) << "a letter no row starts with keeps the selection";
    EXPECT_NE(index_before_click, 1) << "typing alone stores nothing";
}

// A long array is not held row by row: only the rows shown are kept, and the
// array while rows are still to come.
TEST(ListViewUnderAVirtualMachine, ALongArrayKeepsOnlyTheRowsShown)
{
    Views views(TestTable::Mode::JvmLike);
    TestObject *object = views.object;
    const std::vector<TestObject *> made = repeated_rows(views, 100000);
    object->set_object("rows", views.arrays.objects(made));
    object->set_int("row_index", 99990);
    views.replacement_rows = views.arrays.objects({made[1], made[2]});
    const int before = views.table.global_references();
    HWND form = nullptr, list = nullptr;
    int while_shown = -1, after_load = -1;
    std::string last_cell;
    Script script;
    script.window("List view", form)
        .wait("the list filled",
              [&] {
                  list = Script::control(form, kList);
                  return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 100000;
              })
        .then([&] {
            UpdateWindow(list);
            last_cell = list_view_cell(list, 99999, 0);
            while_shown = views.table.global_references() - before;
        })
        .click(in(form, kForget))
        .wait("the new rows", [&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 2; })
        .then([&] {
            UpdateWindow(list);
            after_load = views.table.global_references() - before;
        })
        .click(in(form, kListOk));
    EXPECT_TRUE(views.display(1));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_EQ(last_cell, "Row 99");
    EXPECT_GT(while_shown, 1);
    EXPECT_LT(while_shown, 100) << "rows kept beyond those shown";
    EXPECT_EQ(after_load, 2) << "two rows, both shown: the array is given back";
    EXPECT_EQ(views.table.global_references(), before) << "closing released the rest";
    EXPECT_LE(views.table.most_local_references(), TestTable::kNativeCallCapacity);
    EXPECT_EQ(views.table.framed_local_references(), 0);
}

// ---- Tree view ----

std::vector<std::string> labels_under(HWND tree, HTREEITEM parent)
{
    std::vector<std::string> labels;
    for (HTREEITEM child = tree_item(tree, parent, parent ? TVGN_CHILD : TVGN_ROOT); child;
         child = tree_item(tree, child, TVGN_NEXT))
        labels.push_back(tree_label(tree, child));
    return labels;
}

bool has_button(HWND tree, HTREEITEM item)
{
    TVITEMA data{};
    data.mask = TVIF_CHILDREN;
    data.hItem = item;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return data.cChildren != 0;
}

class TreeView : public testing::TestWithParam<TestTable::Mode> {};

TEST_P(TreeView, FillsLazilyAsTheUserExpandsAndStoresTheSelectedNode)
{
    Views views(GetParam());
    TestObject *object = views.object;
    TestObject *a2 = views.node("A2", {views.node("A2x")});
    TestObject *a = views.node("A", {views.node("A1"), a2});
    TestObject *unlabelled = views.node(std::nullopt, {views.node("hidden")});
    object->set_object("tree", views.node("root", {a, views.node("B"), unlabelled, nullptr}));
    const int references_before = views.table.global_references();
    int references_shown = -1;
    HWND form = nullptr, tree = nullptr;
    HTREEITEM first = nullptr;
    std::vector<std::string> top, under_a, under_a_again, under_a2;
    bool button_before = false, child_before = true, same_first_after_selection = false;
    int item_calls_before = -1, item_calls_after_first = -1, item_calls_after_second = -1;
    std::string label_after_selection;
    Script script;
    script.window("Tree view", form)
        .wait("the tree filled",
              [&] {
                  tree = Script::control(form, kTree);
                  first = tree_item(tree, nullptr, TVGN_ROOT);
                  return first != nullptr;
              })
        .then([&] {
            top = labels_under(tree, nullptr);
            button_before = has_button(tree, first);
            child_before = tree_item(tree, first, TVGN_CHILD) != nullptr;
            item_calls_before = views.nodes[a].item_calls;
        })
        .then([&] { click_at(tree, middle(tree_label_rect(tree, first))); })
        .wait("the node stored", [&] { return object->get_object("node") == a; })
        .then([&] {
            label_after_selection = Script::text(Script::control(form, kNodeLabel));
            same_first_after_selection = tree_item(tree, nullptr, TVGN_ROOT) == first;
        })
        .then([&] { Script::post_key(tree, VK_RIGHT); })
        .wait("A expanded", [&] { return tree_item(tree, first, TVGN_CHILD) != nullptr; })
        .then([&] {
            under_a = labels_under(tree, first);
            item_calls_after_first = views.nodes[a].item_calls;
        })
        .then([&] { Script::post_key(tree, VK_LEFT); })
        .then([&] { Script::post_key(tree, VK_RIGHT); })
        .wait("A expanded again",
              [&] { return SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(first), TVIS_EXPANDED) != 0; })
        .then([&] {
            under_a_again = labels_under(tree, first);
            item_calls_after_second = views.nodes[a].item_calls;
        })
        .then([&] {
            // A double click on a label expands the node, by mouse.
            HTREEITEM second = tree_item(tree, tree_item(tree, first, TVGN_CHILD), TVGN_NEXT);
            const LPARAM where =
                MAKELPARAM(middle(tree_label_rect(tree, second)).x, middle(tree_label_rect(tree, second)).y);
            PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, where);
            PostMessageA(tree, WM_LBUTTONUP, 0, where);
            PostMessageA(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
            PostMessageA(tree, WM_LBUTTONUP, 0, where);
        })
        .wait("A2 expanded",
              [&] {
                  HTREEITEM second = tree_item(tree, tree_item(tree, first, TVGN_CHILD), TVGN_NEXT);
                  return second && tree_item(tree, second, TVGN_CHILD) != nullptr;
              })
        .then([&] {
            under_a2 = labels_under(tree, tree_item(tree, tree_item(tree, first, TVGN_CHILD), TVGN_NEXT));
            references_shown = views.table.global_references() - references_before;
            snapshot(form, GetParam() == TestTable::Mode::Emulated ? "tree_view" : "tree_view_vm");
        })
        .click(in(form, kTreeOk));
    EXPECT_TRUE(views.display(2));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_EQ(top, (std::vector<std::string>{"A", "B"})) << "null labels and null children are skipped";
    EXPECT_TRUE(button_before) << "a node with children shows its button before they are read";
    EXPECT_FALSE(child_before);
    EXPECT_EQ(item_calls_before, 0);
    EXPECT_EQ(label_after_selection, "A") << "the selection refreshed the form";
    EXPECT_TRUE(same_first_after_selection) << "the tree was not rebuilt after its own selection";
    EXPECT_EQ(under_a, (std::vector<std::string>{"A1", "A2"}));
    EXPECT_EQ(item_calls_after_first, 2);
    EXPECT_EQ(under_a_again, under_a);
    EXPECT_EQ(item_calls_after_second, 2) << "a node's children are read once";
    EXPECT_EQ(under_a2, (std::vector<std::string>{"A2x"}));
    EXPECT_EQ(object->get_object("node"), a2) << "expanding a node selects it";
    EXPECT_TRUE(views.bad_indexes.empty()) << "item was asked for index " << views.bad_indexes.front();
    if (GetParam() == TestTable::Mode::JvmLike) {
        // A, B, A1, A2, A2x: the nodes the tree shows are held while shown.
        EXPECT_EQ(references_shown, 5);
        EXPECT_EQ(views.table.global_references(), references_before) << "closing released them";
    }
}

INSTANTIATE_TEST_SUITE_P(BothTables, TreeView, testing::Values(TestTable::Mode::Emulated, TestTable::Mode::JvmLike),
                         [](const testing::TestParamInfo<TestTable::Mode> &info) {
                             return info.param == TestTable::Mode::Emulated ? "Emulated" : "JvmLike";
                         });

// The root is the form's own object: the tree gives back only the references it made.
TEST(TreeViewNodes, ATreeOfTheFormsOwnObjectUnderAVirtualMachine)
{
    Views views(TestTable::Mode::JvmLike);
    TestObject *root = views.node("root", {views.node("First"), views.node("Second")});
    HWND form = nullptr;
    std::vector<std::string> labels;
    Script script;
    script.window("Own tree", form)
        .wait("the tree filled", [&] { return !labels_under(Script::control(form, 0), nullptr).empty(); })
        .then([&] {
            labels = labels_under(Script::control(form, 0), nullptr);
            PostMessageA(form, WM_COMMAND, IDCANCEL, 0);
        });
    char class_name[] = "test/Node";
    EXPECT_FALSE(flrt_display_form(root->handle(), class_name, 1));
    EXPECT_FINISHED(script);
    EXPECT_TRUE(script.boxes().boxes().empty()) << all_of(script);
    EXPECT_EQ(labels, (std::vector<std::string>{"First", "Second"}));
}

TEST(TreeViewNodes, AnEmptyRootShowsNothingAndANodeWithoutTextIsReported)
{
    Views views(TestTable::Mode::Emulated);
    TestObject *object = views.object;
    object->set_object("tree", views.node("root"));
    HWND form = nullptr;
    int items_of_empty = -1, items_of_bare = -1;
    Script script;
    script.window("Tree view", form)
        .wait("the form active", active(form))
        .then([&] {
            HWND tree = Script::control(form, kTree);
            items_of_empty = static_cast<int>(SendMessageA(tree, TVM_GETCOUNT, 0, 0));
            TestObject *bare = views.table.make(views.bare_class);
            object->set_object("tree", views.node("root", {bare}));
        })
        // A button's routine updates the form, which reloads the tree.
        .click(in(form, kReload))
        .wait("the assertion", [&] { return !script.boxes().boxes().empty(); })
        .then([&] { items_of_bare = static_cast<int>(SendMessageA(Script::control(form, kTree), TVM_GETCOUNT, 0, 0)); })
        .click(in(form, kTreeOk));
    EXPECT_TRUE(views.display(2));
    EXPECT_FINISHED(script);
    EXPECT_EQ(items_of_empty, 0);
    ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
    EXPECT_EQ(message_of(script.boxes().last()), "Function \"text\" not found in the TreeView class");
    EXPECT_EQ(items_of_bare, 0);
}

// ---- Tabs ----

int current_tab(HWND tabs)
{
    return static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
}

TEST(Tabs, PagesAreFormsMergedIntoTheirOwner)
{
    Views views(TestTable::Mode::Emulated);
    TestObject *object = views.object;
    object->set_int("amount", 5);
    object->set_int("second", 1);
    HWND form = nullptr, tabs = nullptr;
    int tab_count = 0, page_after_refusal = -1, page_of_report = -1;
    bool second_visible_at_report = false;
    std::vector<std::string> captions;
    bool second_page_made_before = true, first_hidden = false, second_shown = false, flag_shown = false;
    POINT edit_origin{}, display_origin{};
    std::string amount_shown, boxes_after_refusal, label_after_add, edit_after_return;
    auto control = [&](int index) { return Script::control(form, index); };
    Script script;
    script.window("Tabs", form)
        .wait("the first page", [&] { return control(kAmountEdit) != nullptr; })
        .then([&] {
            tabs = control(kTabs);
            tab_count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
            captions = {tab_caption(tabs, 0), tab_caption(tabs, 1)};
            second_page_made_before = control(kFlag) != nullptr;
            amount_shown = Script::text(control(kAmountEdit));
            RECT bounds, area;
            GetWindowRect(control(kAmountEdit), &bounds);
            MapWindowPoints(nullptr, form, reinterpret_cast<POINT *>(&bounds), 2);
            GetWindowRect(tabs, &area);
            MapWindowPoints(nullptr, form, reinterpret_cast<POINT *>(&area), 2);
            SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
            edit_origin = POINT{bounds.left, bounds.top};
            display_origin = POINT{area.left, area.top};
            snapshot(form, "tabs_first_page");
        })
        .click(in(form, kAmountEdit))
        .then([] {
            select_all();
            type("500");
        })
        .then([&] { click_at(tabs, middle(tab_rect(tabs, 1))); })
        .wait("the refusal", [&] { return !script.boxes().boxes().empty(); })
        .then([&] {
            page_after_refusal = current_tab(tabs);
            boxes_after_refusal = all_of(script);
        })
        .wait("the focus back on the edit", [&] { return GetFocus() == control(kAmountEdit); })
        .then([] {
            select_all();
            type("42");
        })
        .then([&] { click_at(tabs, middle(tab_rect(tabs, 1))); })
        .wait("the second page", [&] { return control(kFlag) != nullptr && IsWindowVisible(control(kFlag)); })
        .then([&] {
            first_hidden = !IsWindowVisible(control(kAmountEdit));
            second_shown = IsWindowVisible(control(kSecond)) != 0;
            snapshot(form, "tabs_second_page");
        })
        .click(in(form, kAdd))
        .wait("the amount added", [&] { return object->get_int("amount") == 52; })
        .then([&] {
            label_after_add = Script::text(control(kAmountLabel));
            flag_shown = Script::checked(control(kFlag));
        })
        .then([&] { click_at(tabs, middle(tab_rect(tabs, 0))); })
        .wait("the first page again", [&] { return IsWindowVisible(control(kAmountEdit)) != 0; })
        .then([&] { edit_after_return = Script::text(control(kAmountEdit)); })
        .then([&] { object->set_bool("second_ok", false); })
        .click(in(form, kTabsOk))
        .wait("the second page's validation", [&] { return script.boxes().boxes().size() == 3; })
        .wait("the second page shown with the focus on its edit", [&] { return GetFocus() == control(kSecond); })
        .then([&] {
            page_of_report = current_tab(tabs);
            second_visible_at_report = IsWindowVisible(control(kSecond)) != 0;
            object->set_bool("second_ok", true);
        })
        .click(in(form, kTabsOk));
    EXPECT_TRUE(views.display(3));
    EXPECT_FINISHED(script);
    ASSERT_EQ(script.boxes().boxes().size(), 3u) << all_of(script);
    EXPECT_EQ(message_of(script.boxes().boxes()[0]), "Unknown form id used as tab page");
    EXPECT_EQ(tab_count, 2);
    EXPECT_EQ(captions, (std::vector<std::string>{"First page", "Second page"}));
    EXPECT_FALSE(second_page_made_before) << "a page is made when it is first shown";
    EXPECT_EQ(amount_shown, "5");
    EXPECT_EQ(edit_origin.x, display_origin.x + 80) << "page geometry is relative to the display area";
    EXPECT_EQ(edit_origin.y, display_origin.y + 10);
    EXPECT_EQ(script.boxes().boxes()[1].text, "Between 0 and 99, please") << boxes_after_refusal;
    EXPECT_EQ(page_after_refusal, 0) << "an invalid value keeps its page";
    EXPECT_TRUE(first_hidden);
    EXPECT_TRUE(second_shown);
    EXPECT_EQ(label_after_add, "52");
    EXPECT_TRUE(flag_shown) << "a control on the second page is refreshed";
    EXPECT_EQ(edit_after_return, "52") << "a page shows the values of now when it comes back";
    EXPECT_EQ(script.boxes().boxes()[2].text, "Second value rejected") << "hidden pages are validated too";
    EXPECT_EQ(page_of_report, 1) << "the page of the invalid control comes to the front";
    EXPECT_TRUE(second_visible_at_report);
    EXPECT_TRUE(object->get_bool("data_was_accepted"));
}

TEST(Tabs, TabsOnAPageAreRefused)
{
    Views views(TestTable::Mode::Emulated);
    HWND form = nullptr, tabs = nullptr;
    int widgets_after = -1;
    Script script;
    script.window("Nested tabs", form)
        .wait("the first page", [&] { return Script::control(form, 3) != nullptr; })
        .then([&] {
            tabs = Script::control(form, 0);
            click_at(tabs, middle(tab_rect(tabs, 1)));
        })
        .wait("the refusal", [&] { return !script.boxes().boxes().empty(); })
        .then([&] { widgets_after = Script::control(form, 4) ? 1 : 0; })
        .click(in(form, 1));
    EXPECT_FALSE(views.display(4));
    EXPECT_FINISHED(script);
    ASSERT_EQ(script.boxes().boxes().size(), 1u) << all_of(script);
    EXPECT_EQ(message_of(script.boxes().last()), "Tabs inside Tabs are not supported in this version");
    EXPECT_EQ(widgets_after, 0) << "the page with tabs stays unbuilt";
}

} // namespace
