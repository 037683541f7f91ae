// What the form runtime holds survives the application's collections until
// the runtime lets it go: rows and nodes that only functions give, and the
// objects of forms shown through activate_class_form, which go afterwards.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "form_file.hpp"
#include "script.hpp"
#include "user.hpp"
#include "zo/displayable.hpp"
#include "zo/heap.hpp"

namespace zotest {

class HELD_ROW : public zo::Object {
    ZO_OBJECT(HELD_ROW, zo::Object)
    zo::String *label = nullptr;
};

ZO_CLASS(HELD_ROW, "HELD_ROW", c)
{
    ZO_ATTRIBUTES(c, label);
}

class HELD_NODE : public zo::Object {
    ZO_OBJECT(HELD_NODE, zo::Object)
    zo::String *label = nullptr;
    std::int32_t depth = 0;

    // Every node has two children down to depth 2, each made afresh when asked for.
    std::int32_t count() { return depth < 2 ? 2 : 0; }
    HELD_NODE *item(std::int32_t index)
    {
        auto *child = zo::make<HELD_NODE>();
        child->depth = depth + 1;
        child->label = zo::make_string(std::string(label ? label->text() : "") + "." + std::to_string(index));
        return child;
    }
    zo::String *text() { return label; }
};

ZO_CLASS(HELD_NODE, "HELD_NODE", c)
{
    ZO_ATTRIBUTES(c, label, depth);
    ZO_ROUTINES(c, count, item, text);
}

// The objects each call of fresh_rows made: an array and its rows.
std::vector<std::vector<zo::Object *>> g_fresh_rows;

// Its rows and its tree exist only as function results.
class HELD_VIEWS : public zo::DISPLAYABLE {
    ZO_OBJECT(HELD_VIEWS, zo::DISPLAYABLE)

    zo::Array *fresh_rows()
    {
        zo::Array *rows = zo::make_array<HELD_ROW *>(3);
        g_fresh_rows.push_back({rows});
        for (std::size_t i = 0; i < 3; ++i) {
            auto *row = zo::make<HELD_ROW>();
            row->label = zo::make_string("Row " + std::to_string(i + 1));
            rows->set_reference(i, row);
            g_fresh_rows.back().push_back(row);
        }
        return rows;
    }
    HELD_NODE *fresh_tree()
    {
        auto *root = zo::make<HELD_NODE>();
        root->label = zo::make_string("N");
        return root;
    }
};

ZO_CLASS(HELD_VIEWS, "HELD_VIEWS", c)
{
    ZO_ROUTINES(c, fresh_rows, fresh_tree);
}

} // namespace zotest

using namespace zotest;
using namespace fltest;

namespace {

void add_held_forms()
{
    static bool added = false;
    if (added)
        return;
    auto *loader = zo::make<zo::DISPLAYABLE>();
    zo::Root<zo::DISPLAYABLE> keep(loader);
    loader->add_resource_file(zo::make_string(program_directory() + "zo_test_held.flf"));
    added = true;
}

// The objects a tree view keeps as its items' data.
void tree_nodes(HWND tree, HTREEITEM parent, std::vector<zo::Object *> &nodes)
{
    for (HTREEITEM child = tree_item(tree, parent, parent ? TVGN_CHILD : TVGN_ROOT); child;
         child = tree_item(tree, child, TVGN_NEXT)) {
        TVITEMA item{};
        item.mask = TVIF_PARAM;
        item.hItem = child;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        nodes.push_back(reinterpret_cast<zo::Object *>(item.lParam));
        tree_nodes(tree, child, nodes);
    }
}

bool all_live(const std::vector<zo::Object *> &objects)
{
    for (zo::Object *object : objects)
        if (!zo::Heap::instance().contains(object))
            return false;
    return !objects.empty();
}

TEST(HeldObjects, RowsAndNodesGivenByFunctionsSurviveACollectionBeforeTheyArePainted)
{
    add_held_forms();
    zo::Root<HELD_VIEWS> views(zo::make<HELD_VIEWS>());
    HWND form = nullptr, list = nullptr, tree = nullptr;
    bool rows_live = false, nodes_live = false;
    std::vector<std::string> cells, labels;
    std::vector<zo::Object *> nodes;
    Script script;
    script.window("Held views", form)
        .wait("the rows and the tree",
              [&] {
                  list = FindWindowExA(form, nullptr, "SysListView32", nullptr);
                  tree = FindWindowExA(form, nullptr, "SysTreeView32", nullptr);
                  return list && tree && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 3 &&
                         tree_item(tree, nullptr, TVGN_ROOT);
              })
        .then([&] {
            // The children of the first node are made now, by the expansion.
            SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(tree_item(tree, nullptr, TVGN_ROOT)));
        })
        .then([&] {
            zo::Heap::instance().collect();
            // The list shows one of the arrays the function gave (the others
            // were garbage at once): it and its rows must have survived.
            rows_live = false;
            // (The list may let the array go once it has fetched every row.)
            for (const std::vector<zo::Object *> &made : g_fresh_rows)
                rows_live = rows_live || all_live(std::vector<zo::Object *>(made.begin() + 1, made.end()));
            tree_nodes(tree, nullptr, nodes);
            nodes_live = all_live(nodes);
            if (!rows_live || !nodes_live)
                return; // what was freed cannot be painted
            InvalidateRect(list, nullptr, TRUE);
            UpdateWindow(list);
            for (int row = 0; row < 3; ++row)
                cells.push_back(list_view_cell(list, row, 0));
            for (HTREEITEM item = tree_item(tree, nullptr, TVGN_ROOT); item; item = tree_item(tree, item, TVGN_NEXT))
                labels.push_back(tree_label(tree, item));
        })
        .then([&] { SendMessageA(FindWindowExA(form, nullptr, "Button", "OK"), BM_CLICK, 0, 0); });
    views->display(1);
    EXPECT_FINISHED(script);
    EXPECT_TRUE(views->data_was_accepted);
    EXPECT_TRUE(rows_live) << "rows that only a function gave were freed while shown";
    EXPECT_TRUE(nodes_live) << "nodes that only a function gave were freed while shown";
    EXPECT_EQ(cells, (std::vector<std::string>{"Row 1", "Row 2", "Row 3"}));
    EXPECT_EQ(labels, (std::vector<std::string>{"N.1", "N.2"}));
    EXPECT_GE(nodes.size(), 4u) << "two nodes and the children of the first";
    // Closed, the form let them go.
    zo::Heap::instance().collect();
    for (zo::Object *node : nodes)
        EXPECT_FALSE(zo::Heap::instance().contains(node));
}

// activate_class_form shows an object whose form may outlive the call; the
// runtime holds it while the form is open and lets it go when it closes.
struct Activation {
    HELD_VIEWS *shown = nullptr;
    bool survived = true;
};
Activation g_activation;

void CALLBACK close_activated(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!g_activation.shown->sys_id)
        return; // not open yet
    KillTimer(nullptr, timer);
    // Nothing but the open form holds the object now.
    zo::Heap::instance().collect();
    g_activation.survived = g_activation.survived && zo::Heap::instance().contains(g_activation.shown);
    if (zo::Heap::instance().contains(g_activation.shown))
        g_activation.shown->accept();
    else
        PostQuitMessage(1);
}

TEST(HeldObjects, ObjectsShownByActivateLiveWhileShownAndGoAfterwards)
{
    add_held_forms();
    constexpr int kForms = 1000;
    zo::Heap::instance().collect();
    const std::size_t before = zo::Heap::instance().size();
    for (int form = 0; form < kForms && g_activation.survived; ++form) {
        g_activation.shown = zo::make<HELD_VIEWS>();
        SetTimer(nullptr, 0, 1, &close_activated);
        g_activation.shown->activate(2);
    }
    EXPECT_TRUE(g_activation.survived) << "an object was freed while its form was open";
    zo::Heap::instance().collect();
    EXPECT_LE(zo::Heap::instance().size(), before + 10) << kForms << " objects were shown";
}

} // namespace
