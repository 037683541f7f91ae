// A list view of 5 columns over 10,000, 100,000 and 1,000,000 rows: the time
// to open its form until it is painted, to load a new array of as many rows
// into it, and to scroll one page down with the page painted. For scale, the
// same figures of a plain virtual report list view (text callbacks, no
// objects), in the same run.
//
// flrt_listview_bench [ROUNDS [FORMS_FOLDER]]: FORMS_FOLDER holds
// flrt_bench_views.flf (default: the program's own folder).
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
#include "cflrt_services.h"
#include "form_file.hpp"
#include "test_table.hpp"

using namespace fltest;
using flbench::Clock;
using flbench::median_of;
using flbench::milliseconds_since;

namespace {

constexpr int kSizes[] = {10000, 100000, 1000000};
// Rows repeat these many objects: an emulated process has little memory to spare.
constexpr int kDistinctRows = 1000;
constexpr int kPagesScrolled = 10;
constexpr UINT kOpenedMessage = WM_APP + 1;

struct Times {
    double open = 0;
    double load = 0;
    double page = 0;
    int pages = 0;
};

struct BenchObject {
    BenchObject()
        : table(TestTable::Mode::Emulated), arrays(table), cls(table.define_class("bench/Views")),
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

    std::vector<TestObject *> distinct_rows(int seed)
    {
        std::vector<TestObject *> made;
        for (int i = 0; i < kDistinctRows; ++i) {
            TestObject *row = table.make(row_class);
            row->set_object("name", table.make_string("Row " + std::to_string(i + seed)));
            row->set_int("count", i * 7 + seed);
            row->set_double("ratio", i / 3.0);
            row->set_bool("flag", i % 2 == 0);
            row->set_object("note", table.make_string("A note on row " + std::to_string(i) + " that is long"));
            made.push_back(row);
        }
        return made;
    }

    TestObject *rows(const std::vector<TestObject *> &distinct, int count)
    {
        std::vector<TestObject *> elements;
        elements.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            elements.push_back(distinct[static_cast<size_t>(i) % distinct.size()]);
        return arrays.objects(elements);
    }

    TestTable table;
    Arrays arrays;
    TestClass &cls;
    TestClass &row_class;
    TestObject *object = nullptr;
};

// Pages down a few times, painting every page; answers the time of one page.
double time_page_down(HWND list, int &pages)
{
    SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
    UpdateWindow(list);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    const Clock::time_point start = Clock::now();
    pages = 0;
    while (pages < kPagesScrolled &&
           SendMessageA(list, LVM_GETTOPINDEX, 0, 0) + SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0) < count) {
        SendMessageA(list, WM_VSCROLL, SB_PAGEDOWN, 0);
        UpdateWindow(list);
        ++pages;
    }
    return pages ? milliseconds_since(start) / pages : 0;
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
    HWND form = flbench::shown_form_or_later(window, kOpenedMessage, "List view bench");
    if (!form)
        return 0;
    HWND list = GetDlgItem(form, 100);
    RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_run->times.open = milliseconds_since(g_run->start);
    TestObject *object = g_run->bench->object;
    object->set_object("rows", g_run->next_rows);
    const Clock::time_point load = Clock::now();
    flrt_update_widget(object->handle(), JNI_TRUE);
    RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_run->times.load = milliseconds_since(load);
    g_run->times.page = time_page_down(list, g_run->times.pages);
    flrt_close_form(object->handle(), JNI_FALSE);
    return 0;
}

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
            std::snprintf(info->item.pszText, static_cast<size_t>(info->item.cchTextMax), "Row %d/%d", info->item.iItem,
                          info->item.iSubItem);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// As many rows and the same columns in a plain virtual report list view.
Times time_direct(int rows)
{
    Times times;
    const Clock::time_point start = Clock::now();
    HWND parent =
        flbench::make_window("FlrtListViewDirect", direct_parent_proc, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 440);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_OWNERDATA, 10,
                                10, 570, 380, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
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
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0);
    RedrawWindow(parent, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    times.open = milliseconds_since(start);
    const Clock::time_point load = Clock::now();
    SendMessageA(list, LVM_SETITEMCOUNT, 0, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0);
    RedrawWindow(parent, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    times.load = milliseconds_since(load);
    times.page = time_page_down(list, times.pages);
    DestroyWindow(parent);
    return times;
}

bool measured(const Times &times)
{
    return times.open > 0 && times.load > 0 && times.pages > 0;
}

double ratio(double form, double direct)
{
    return direct > 0 ? form / direct : 0;
}

void report(int rows, int rounds, const std::vector<Times> &form, const std::vector<Times> &direct)
{
    const double open = median_of(form, &Times::open), direct_open = median_of(direct, &Times::open);
    const double load = median_of(form, &Times::load), direct_load = median_of(direct, &Times::load);
    const double page = median_of(form, &Times::page), direct_page = median_of(direct, &Times::page);
    std::printf("%d rows of 5 columns (median of %d runs)\n", rows, rounds);
    std::printf("  %-22s %10s %10s %7s\n", "", "form", "plain", "ratio");
    std::printf("  %-22s %7.1f ms %7.1f ms %7.2f\n", "open until painted", open, direct_open, ratio(open, direct_open));
    std::printf("  %-22s %7.1f ms %7.1f ms %7.2f\n", "load of a new array", load, direct_load,
                ratio(load, direct_load));
    std::printf("  %-22s %7.2f ms %7.2f ms %7.2f\n", "one page scrolled", page, direct_page, ratio(page, direct_page));
}

// Returns false when the form could not be measured.
bool run_size(HWND bench, BenchObject &object, int rows, int rounds)
{
    TestObject *first_rows = object.rows(object.distinct_rows(0), rows);
    TestObject *next_rows = object.rows(object.distinct_rows(1), rows);
    std::vector<Times> form, direct;
    for (int round = 0; round < rounds; ++round) {
        form.push_back(time_form(bench, object, first_rows, next_rows));
        direct.push_back(time_direct(rows));
        if (!measured(form.back()) || !measured(direct.back())) {
            std::fprintf(stderr,
                         "flrt_listview_bench: the list view of %d rows could not be measured "
                         "(the form did not open, or its list did not scroll)\n",
                         rows);
            return false;
        }
    }
    report(rows, rounds, form, direct);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::string folder = argc > 2 ? std::string(argv[2]) : program_directory();
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    const std::string file = folder + "flrt_bench_views.flf";
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "flrt_listview_bench: cannot find the form file %s\n", file.c_str());
        return 1;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    BenchObject object;
    flrt_add_res_file(file.c_str());
    if (!flrt_find_form("bench/Views", 1)) {
        std::fprintf(stderr, "flrt_listview_bench: %s holds no list view form \"bench/Views\" 1\n", file.c_str());
        return 1;
    }
    HWND bench = flbench::make_window("FlrtListViewBench", bench_window_proc, WS_OVERLAPPEDWINDOW, 600, 440);
    bool all_measured = true;
    for (const int rows : kSizes)
        all_measured = all_measured && run_size(bench, object, rows, rounds);
    DestroyWindow(bench);
    flrt_remove_res_file(file.c_str());
    return all_measured ? 0 : 1;
}
