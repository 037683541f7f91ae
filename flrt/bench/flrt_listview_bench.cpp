// A list view over 10,000 rows of 5 columns: the time to open its form until
// it is painted, to load a new array of rows into it, and to scroll through
// it once page by page with every page painted. For scale, the same rows are
// also put directly into a plain list view (text callbacks, no objects).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "array_table.hpp"
#include "bench_support.hpp"
#include "cflrt.h"
#include "form_file.hpp"
#include "test_table.hpp"

using namespace fltest;
using flbench::Clock;
using flbench::median_of;
using flbench::milliseconds_since;

namespace {

constexpr int kRows = 10000;
constexpr UINT kOpenedMessage = WM_APP + 1;

struct Times {
    double open = 0;
    double load = 0;
    double scroll = 0;
    int pages = 0;
};

struct BenchObject {
    BenchObject() : table(TestTable::Mode::Emulated), arrays(table), cls(table.define_class("bench/Views")),
                    row_class(table.define_class("bench/Row"))
    {
        cls.field("data_was_accepted", fltest::Kind::Boolean)
            .field("sys_id", fltest::Kind::Integer)
            .field("index", fltest::Kind::Integer)
            .field("rows", fltest::Kind::Object);
        row_class.field("name", fltest::Kind::Object)
            .field("count", fltest::Kind::Integer)
            .field("ratio", fltest::Kind::Real)
            .field("flag", fltest::Kind::Boolean)
            .field("note", fltest::Kind::Object);
        object = table.make(cls);
        object->set_int("index", -1);
        set_ni_table(table.env());
    }

    TestObject *rows(int seed)
    {
        std::vector<TestObject *> made;
        for (int i = 0; i < kRows; ++i) {
            TestObject *row = table.make(row_class);
            row->set_object("name", table.make_string("Row " + std::to_string(i + seed)));
            row->set_int("count", i * 7 + seed);
            row->set_double("ratio", i / 3.0);
            row->set_bool("flag", i % 2 == 0);
            row->set_object("note", table.make_string("A note on row " + std::to_string(i) + " that is long"));
            made.push_back(row);
        }
        return arrays.objects(made);
    }

    TestTable table;
    Arrays arrays;
    TestClass &cls;
    TestClass &row_class;
    TestObject *object = nullptr;
};

// Pages down until the last row shows, painting every page; answers the pages scrolled.
int scroll_through(HWND list)
{
    int pages = 0;
    SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
    UpdateWindow(list);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    while (SendMessageA(list, LVM_GETTOPINDEX, 0, 0) + SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0) < count) {
        SendMessageA(list, WM_VSCROLL, SB_PAGEDOWN, 0);
        UpdateWindow(list);
        ++pages;
    }
    return pages;
}

struct FormRun {
    BenchObject *bench = nullptr;
    TestObject *next_rows = nullptr;
    Clock::time_point start;
    Times times;
};

FormRun *g_run = nullptr;

// Runs inside the form's modal loop once the form shows: times its first
// paint, a load of new rows and a scroll through them, then closes it.
LRESULT CALLBACK bench_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != kOpenedMessage || !g_run)
        return DefWindowProcA(window, message, wparam, lparam);
    HWND form = FindWindowA(nullptr, "List view bench");
    if (!form || !IsWindowVisible(form)) {
        PostMessageA(window, kOpenedMessage, 0, 0);
        return 0;
    }
    HWND list = GetDlgItem(form, 100);
    RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_run->times.open = milliseconds_since(g_run->start);
    TestObject *object = g_run->bench->object;
    object->set_object("rows", g_run->next_rows);
    const Clock::time_point load = Clock::now();
    flrt_update_widget(object->handle(), JNI_TRUE);
    RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_run->times.load = milliseconds_since(load);
    const Clock::time_point scroll = Clock::now();
    g_run->times.pages = scroll_through(list);
    g_run->times.scroll = milliseconds_since(scroll);
    flrt_close_form(object->handle(), JNI_FALSE);
    return 0;
}

// Two sets of rows, made once: an emulated process has little memory to spare.
Times time_form(HWND bench, BenchObject &object, TestObject *first_rows, TestObject *next_rows)
{
    object.object->set_object("rows", first_rows);
    FormRun run;
    run.bench = &object;
    run.next_rows = next_rows;
    g_run = &run;
    PostMessageA(bench, kOpenedMessage, 0, 0);
    char class_name[] = "bench.Views";
    run.start = Clock::now();
    flrt_display_form(object.object->handle(), class_name, 1);
    g_run = nullptr;
    return run.times;
}

LRESULT CALLBACK direct_parent_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NOTIFY) {
        auto *info = reinterpret_cast<NMLVDISPINFOA *>(lparam);
        if (info->hdr.code == LVN_GETDISPINFOA && (info->item.mask & LVIF_TEXT))
            std::snprintf(info->item.pszText, static_cast<size_t>(info->item.cchTextMax), "Row %d/%d",
                          info->item.iItem, info->item.iSubItem);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// The same rows and columns put straight into a plain report list view.
Times time_direct()
{
    Times times;
    const Clock::time_point start = Clock::now();
    HWND parent = flbench::make_window("FlrtListViewDirect", direct_parent_proc, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                       600, 440);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT, 10, 10, 570,
                                380, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    const int widths[] = {140, 80, 100, 70, 150};
    for (int column = 0; column < 5; ++column) {
        char header[] = "Column";
        LVCOLUMNA description{};
        description.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        description.cx = widths[column];
        description.pszText = header;
        description.iSubItem = column;
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&description));
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, kRows, 0);
    for (int row = 0; row < kRows; ++row) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(parent, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    times.open = times.load = milliseconds_since(start);
    const Clock::time_point scroll = Clock::now();
    times.pages = scroll_through(list);
    times.scroll = milliseconds_since(scroll);
    DestroyWindow(parent);
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const std::string file = program_directory() + "flrt_bench_views.flf";
    BenchObject object;
    flrt_add_res_file(file.c_str());
    HWND bench = flbench::make_window("FlrtListViewBench", bench_window_proc, WS_OVERLAPPEDWINDOW, 600, 440);
    TestObject *first_rows = object.rows(0);
    TestObject *next_rows = object.rows(1);
    std::vector<Times> form, direct;
    for (int round = 0; round < rounds; ++round) {
        form.push_back(time_form(bench, object, first_rows, next_rows));
        direct.push_back(time_direct());
    }
    DestroyWindow(bench);
    std::printf("list view of %d rows and 5 columns (median of %d runs)\n", kRows, rounds);
    std::printf("  form:   open until painted %8.1f ms   load of new rows %8.1f ms   scroll through %8.1f ms (%d pages, "
                "%.2f ms a page)\n",
                median_of(form, &Times::open), median_of(form, &Times::load), median_of(form, &Times::scroll), form[0].pages,
                median_of(form, &Times::scroll) / std::max(1, form[0].pages));
    std::printf("  direct: filled and painted %8.1f ms                              scroll through %8.1f ms (%d pages, "
                "%.2f ms a page)\n",
                median_of(direct, &Times::open), median_of(direct, &Times::scroll), direct[0].pages,
                median_of(direct, &Times::scroll) / std::max(1, direct[0].pages));
    return 0;
}
