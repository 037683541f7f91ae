// Opening, refreshing and closing a form of 200 controls, against the same
// 200 windows made directly with CreateWindowExA in a plain window: once bare,
// once showing what the form shows (texts, list items, positions).
// Variant a: labels, buttons and group boxes. Variant b: every control kind,
// half of them edits and lists bound to fields and to arrays of 100 elements.
// Each open is also split in two: until the windows exist and hold their
// values, and painting them. With the argument "kinds", a form of 200
// controls of one kind is measured the same way for every kind of variant b,
// and the direct list boxes with and without their vertical scroll bar.
// The forms are built at run time through the flf_ functions into a
// temporary resource file.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "array_table.hpp"
#include "bench_support.hpp"
#include "cflrt.h"
#include "cflrt_services.h"
#include "fl_constants.h"
#include "test_table.hpp"

using namespace fltest;
using flbench::Clock;
using flbench::median_of;
using flbench::milliseconds_since;

namespace {

constexpr const char *kClass = "bench/Form";
constexpr int kControls = 200;
constexpr int kColumns = 20;
constexpr int kCellWidth = 48;
constexpr int kCellHeight = 40;
constexpr int kRounds = 9;
constexpr int kElements = 100;

// The values of the bound object, which the direct windows show as the form does.
constexpr const char *kText = "some text";
constexpr int kNumber = 42;
constexpr double kReal = 3.25;
constexpr int kIndex = 17;
constexpr int kLowerBound = 1;

std::string element_text(int i)
{
    return "element " + std::to_string(i);
}

int element_int(int i)
{
    return i * 7;
}

// ---- The form description ----

FLF_ITEM add(FLF_ITEM parent, int tag, int sign)
{
    return flf_add_property(parent, tag, sign, nullptr);
}

void add_int(FLF_ITEM parent, int sign, int value)
{
    flf_set_prop_int(add(parent, FLF_TAG_INTEGER, sign), value);
}

// An element of an access path under its holder (or under the previous element).
FLF_ITEM add_element(FLF_ITEM holder, char tag)
{
    FLF_ITEM element = add(holder, FLF_TAG_ORDERED, FL_path);
    flf_set_prop_char(add(element, FLF_TAG_CHARACTER, FL_tag), tag);
    return element;
}

void add_feature(FLF_ITEM holder, char tag, const char *feature)
{
    FLF_ITEM element = add_element(holder, tag);
    flf_set_prop_str(add(element, FLF_TAG_STRING, FL_feature), feature);
    flf_set_prop_str(add(element, FLF_TAG_STRING, FL_class_name), kClass);
}

void field_path(FLF_ITEM parent, int sign, const char *field, char tag = 'V')
{
    add_feature(add(parent, FLF_TAG_SORTED, sign), tag, field);
}

void literal_path(FLF_ITEM parent, int sign, int value)
{
    add_int(add_element(add(parent, FLF_TAG_SORTED, sign), 'L'), FL_literal, value);
}

void literal_path(FLF_ITEM parent, int sign, const char *text)
{
    FLF_ITEM element = add_element(add(parent, FLF_TAG_SORTED, sign), 'L');
    flf_set_prop_str(add(element, FLF_TAG_STRING, FL_literal), text);
}

void literal_range(FLF_ITEM group, int lower, int upper)
{
    FLF_ITEM range = add(group, FLF_TAG_SORTED, FL_range);
    literal_path(range, FL_lower, lower);
    literal_path(range, FL_upper, upper);
}

struct Kind {
    int kind;
    const char *window_class; // for the direct windows
    DWORD style;
    const char *field; // the bound field, or null
    char tag;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

const Kind kLabel{2, "Static", kChild, nullptr, 0};
const Kind kButton{1, "Button", kChild | WS_TABSTOP, nullptr, 0};
const Kind kGroupBox{3, "Button", kChild | BS_GROUPBOX, nullptr, 0};

const Kind kEveryKind[] = {
    {8, "Edit", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, "text", 'V'},
    {5, "Edit", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, "number", 'V'},
    {13, "ListBox", kChild | WS_BORDER | WS_VSCROLL | LBS_NOTIFY, "strings", 'V'},
    {18, "ListBox", kChild | WS_BORDER | WS_VSCROLL | LBS_NOTIFY, "integers", 'V'},
    kLabel,
    kButton,
    kGroupBox,
    {4, "Static", kChild | SS_SUNKEN, nullptr, 0},
    {10, "Button", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, "flag", 'V'},
    {11, "Button", kChild | BS_RADIOBUTTON, "number", 'V'},
    {21, PROGRESS_CLASSA, kChild, "number", 'V'},
    {6, TRACKBAR_CLASSA, kChild, "number", 'V'},
    {7, UPDOWN_CLASSA, kChild, "number", 'V'},
    {16, "Edit", kChild | WS_BORDER | ES_AUTOHSCROLL, "real", 'v'},
    {14, "ComboBox", kChild | WS_VSCROLL | CBS_DROPDOWNLIST, "strings", 'V'},
    {19, "ComboBox", kChild | WS_VSCROLL | CBS_DROPDOWNLIST, "integers", 'V'},
    {22, "Static", kChild, "canvas", 'V'},
};

// Which kind of control stands at each place of a form.
using KindAt = std::function<const Kind &(int)>;

// Variant a: labels, buttons and group boxes in turn.
const Kind &plain_kind(int index)
{
    static const Kind *kinds[] = {&kLabel, &kButton, &kGroupBox};
    return *kinds[index % 3];
}

// Variant b: the even places hold the bound edits and lists, the odd ones every other kind.
const Kind &every_kind(int index)
{
    if (index % 2 == 0)
        return kEveryKind[(index / 2) % 4];
    return kEveryKind[4 + (index / 2) % (std::size(kEveryKind) - 4)];
}

RECT cell(int index)
{
    const int left = 5 + (index % kColumns) * kCellWidth;
    const int top = 5 + (index / kColumns) * kCellHeight;
    const int height = index % 2 == 0 ? kCellHeight - 4 : 24;
    return RECT{left, top, kCellWidth - 4, height};
}

void add_control_group(FLF_ITEM properties, const Kind &kind)
{
    switch (kind.kind) {
    case 11: literal_path(add(properties, FLF_TAG_SORTED, FL_radio_button), FL_value, 1); break;
    case 21: literal_range(add(properties, FLF_TAG_SORTED, FL_progress), 0, 100); break;
    case 6: literal_range(add(properties, FLF_TAG_SORTED, FL_trackbar), 0, 100); break;
    case 7: literal_range(add(properties, FLF_TAG_SORTED, FL_up_down), 0, 100); break;
    case 13:
    case 18: field_path(add(properties, FLF_TAG_SORTED, FL_list_box), FL_selection, "index"); break;
    case 14:
    case 19: field_path(add(properties, FLF_TAG_SORTED, FL_combo_box), FL_selection, "index"); break;
    }
}

void add_control(FLF_ITEM items, const Kind &kind, int index)
{
    FLF_ITEM control = add(items, FLF_TAG_SORTED, kind.kind);
    const RECT place = cell(index);
    FLF_ITEM geometry = add(control, FLF_TAG_SORTED, FL_geometry);
    add_int(geometry, FL_left, place.left);
    add_int(geometry, FL_top, place.top);
    add_int(geometry, FL_width, place.right);
    add_int(geometry, FL_height, place.bottom);
    FLF_ITEM properties = add(control, FLF_TAG_SORTED, FL_properties);
    FLF_ITEM window = add(properties, FLF_TAG_SORTED, FL_window);
    add_int(window, FL_style, static_cast<int>(kind.style));
    add_int(window, FL_background, 0x40000000);
    literal_path(window, FL_caption, kind.field ? "" : "Text");
    add_control_group(properties, kind);
    if (kind.field)
        field_path(control, FL_value, kind.field, kind.tag);
    else if (kind.kind == 1)
        add_feature(add(control, FLF_TAG_ORDERED, FL_value), 'P', "press");
}

void add_form(FLF_BASE base, int number, const KindAt &kind_at)
{
    FLF_ITEM form = flf_add_form(base, kClass, number, "Bench");
    FLF_ITEM properties = add(form, FLF_TAG_SORTED, FL_properties);
    FLF_ITEM window = add(properties, FLF_TAG_SORTED, FL_window);
    literal_path(window, FL_caption, "Bench form");
    add_int(window, FL_style, 0x00C80080);
    add_int(window, FL_background, 0x40000000);
    add_int(add(properties, FLF_TAG_SORTED, FL_form), FL_type, 0);
    FLF_ITEM geometry = add(form, FLF_TAG_SORTED, FL_geometry);
    add_int(geometry, FL_left, 0);
    add_int(geometry, FL_top, 0);
    add_int(geometry, FL_width, kColumns * kCellWidth + 20);
    add_int(geometry, FL_height, (kControls / kColumns) * kCellHeight + 40);
    FLF_ITEM items = add(form, FLF_TAG_ORDERED, FL_items);
    for (int index = 0; index < kControls; ++index)
        add_control(items, kind_at(index), index);
}

// The forms of one kind each follow the two variants.
constexpr int kFirstKindForm = 3;

KindAt only(const Kind &kind)
{
    return [&kind](int) -> const Kind & { return kind; };
}

std::string write_forms(bool kinds)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string file = std::string(folder) + "flrt_form_bench.flf";
    FLF_BASE base = flf_new_base("flrt form bench", FLF_PROJECT_ABSOLUTE);
    add_form(base, 1, plain_kind);
    add_form(base, 2, every_kind);
    if (kinds)
        for (size_t i = 0; i < std::size(kEveryKind); ++i)
            add_form(base, kFirstKindForm + static_cast<int>(i), only(kEveryKind[i]));
    flf_saveas_base(base, file.c_str());
    flf_close_base(base);
    return file;
}

// ---- The object ----

struct BenchObject {
    BenchObject()
        : table(TestTable::Mode::Emulated), arrays(table), cls(table.define_class(kClass)),
          canvas_class(table.define_class("bench/Canvas"))
    {
        cls.field("data_was_accepted", fltest::Kind::Boolean)
            .field("sys_id", fltest::Kind::Integer)
            .field("text", fltest::Kind::Object)
            .field("number", fltest::Kind::Integer)
            .field("real", fltest::Kind::Real)
            .field("flag", fltest::Kind::Boolean)
            .field("index", fltest::Kind::Integer)
            .field("strings", fltest::Kind::Object)
            .field("integers", fltest::Kind::Object)
            .field("canvas", fltest::Kind::Object)
            .routine("press", "()V", [](TestObject *, const jvalue *) { return jvalue{}; });
        canvas_class.routine("internal_handle_message", "(IIII)I", [](TestObject *, const jvalue *) {
            jvalue declined{};
            declined.i = 1;
            return declined;
        });
        object = table.make(cls);
        std::vector<std::optional<std::string>> strings;
        std::vector<jint> integers;
        for (int i = 0; i < kElements; ++i) {
            strings.push_back(element_text(i));
            integers.push_back(element_int(i));
        }
        object->set_object("text", table.make_string(kText));
        object->set_int("number", kNumber);
        object->set_double("real", kReal);
        object->set_int("index", kIndex);
        object->set_object("strings", arrays.strings(strings, kLowerBound));
        object->set_object("integers", arrays.integers(integers, kLowerBound));
        object->set_object("canvas", table.make(canvas_class));
        set_ni_table(table.env());
    }

    TestTable table;
    Arrays arrays;
    TestClass &cls;
    TestClass &canvas_class;
    TestObject *object = nullptr;
};

// ---- Timing ----

struct Times {
    double open = 0;     // until painted
    double painting = 0; // the end of the open: painting the windows that hold their values
    double refresh = 0;  // the form only
    double close = 0;
};

constexpr UINT kPaintedMessage = WM_APP + 1;

struct FormRun {
    TestObject *object = nullptr;
    Clock::time_point start;
    Clock::time_point closing;
    Times times;
};

FormRun *g_run = nullptr;

// Runs inside the form's modal loop once the form is open: finishes its
// first paint, refreshes it once and closes it.
LRESULT CALLBACK bench_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != kPaintedMessage || !g_run)
        return DefWindowProcA(window, message, wparam, lparam);
    HWND form = flbench::shown_form_or_later(window, kPaintedMessage, "Bench form");
    if (!form)
        return 0;
    const Clock::time_point painting = Clock::now();
    RedrawWindow(form, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    g_run->times.painting = milliseconds_since(painting);
    g_run->times.open = milliseconds_since(g_run->start);
    const Clock::time_point refresh = Clock::now();
    flrt_update_widget(g_run->object->handle(), JNI_TRUE);
    g_run->times.refresh = milliseconds_since(refresh);
    g_run->closing = Clock::now();
    flrt_close_form(g_run->object->handle(), JNI_FALSE);
    return 0;
}

HWND make_bench_window()
{
    return flbench::make_window("FlrtFormBench", bench_window_proc, WS_OVERLAPPEDWINDOW, kColumns * kCellWidth + 20,
                                (kControls / kColumns) * kCellHeight + 40);
}

Times time_form(HWND bench, TestObject *object, int number)
{
    FormRun run;
    run.object = object;
    g_run = &run;
    PostMessageA(bench, kPaintedMessage, 0, 0);
    char class_name[] = "bench.Form";
    run.start = Clock::now();
    flrt_display_form(object->handle(), class_name, number);
    run.times.close = milliseconds_since(run.closing);
    g_run = nullptr;
    return run.times;
}

void fill_list(HWND window, UINT add, UINT select, bool integers)
{
    SendMessageA(window, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < kElements; ++i) {
        const std::string text = integers ? std::to_string(element_int(i)) : element_text(i);
        SendMessageA(window, add, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageA(window, WM_SETREDRAW, TRUE, 0);
    SendMessageA(window, select, kIndex - kLowerBound, 0);
}

// What the form's control of this kind shows of the bench object, put in directly.
void show_values(HWND window, const Kind &kind)
{
    const std::string number = std::to_string(kNumber);
    switch (kind.kind) {
    case 8: SetWindowTextA(window, kText); break;
    case 5: SetWindowTextA(window, number.c_str()); break;
    case 16: {
        char real[32];
        std::snprintf(real, sizeof real, "%.3f", kReal);
        SetWindowTextA(window, real);
        break;
    }
    case 13: fill_list(window, LB_ADDSTRING, LB_SETCURSEL, false); break;
    case 18: fill_list(window, LB_ADDSTRING, LB_SETCURSEL, true); break;
    case 14: fill_list(window, CB_ADDSTRING, CB_SETCURSEL, false); break;
    case 19: fill_list(window, CB_ADDSTRING, CB_SETCURSEL, true); break;
    case 21:
        SendMessageA(window, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        SendMessageA(window, PBM_SETPOS, kNumber, 0);
        break;
    case 6:
        SendMessageA(window, TBM_SETRANGEMAX, FALSE, 100);
        SendMessageA(window, TBM_SETRANGEMIN, TRUE, 0);
        SendMessageA(window, TBM_SETTICFREQ, 10, 0);
        SendMessageA(window, TBM_SETPOS, TRUE, kNumber);
        break;
    case 7:
        SendMessageA(window, UDM_SETRANGE, 0, MAKELPARAM(100, 0));
        SendMessageA(window, UDM_SETPOS, 0, MAKELPARAM(kNumber, 0));
        break;
    }
}

// The same windows made directly in the bench window, painted and destroyed;
// filled: showing the values the form shows.
Times time_direct(HWND bench, const KindAt &kind_at, bool filled)
{
    Times times;
    const Clock::time_point start = Clock::now();
    std::vector<HWND> windows;
    for (int index = 0; index < kControls; ++index) {
        const Kind &kind = kind_at(index);
        const RECT place = cell(index);
        const char *window_class = kind.kind == 22 ? "Static" : kind.window_class;
        windows.push_back(CreateWindowExA(WS_EX_NOPARENTNOTIFY, window_class, kind.field ? "" : "Text", kind.style,
                                          place.left, place.top, place.right, place.bottom, bench,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + index)),
                                          GetModuleHandleA(nullptr), nullptr));
        if (filled)
            show_values(windows.back(), kind);
    }
    ShowWindow(bench, SW_SHOW);
    const Clock::time_point painting = Clock::now();
    RedrawWindow(bench, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    times.painting = milliseconds_since(painting);
    times.open = milliseconds_since(start);
    const Clock::time_point closing = Clock::now();
    for (HWND window : windows)
        DestroyWindow(window);
    ShowWindow(bench, SW_HIDE);
    times.close = milliseconds_since(closing);
    return times;
}

// The medians of one way of opening over the runs.
struct Figures {
    Figures() = default;
    explicit Figures(const std::vector<Times> &runs)
        : open(median_of(runs, &Times::open)), painting(median_of(runs, &Times::painting)),
          refresh(median_of(runs, &Times::refresh)), close(median_of(runs, &Times::close))
    {}
    double open = 0, painting = 0, refresh = 0, close = 0;
};

struct Measured {
    Figures form, bare, filled;
};

// The open (median) in two parts: the median painting and what comes before it.
std::string open_text(const Figures &figures)
{
    char text[96];
    std::snprintf(text, sizeof text, "%7.1f ms (%6.1f + painting %6.1f)", figures.open, figures.open - figures.painting,
                  figures.painting);
    return text;
}

void report(const char *variant, const Measured &m)
{
    std::printf("variant %s (%d controls, median of %d runs)\n", variant, kControls, kRounds);
    std::printf("  form:   open %s  refresh %6.1f ms (%.1f ms per 100 controls)  close %6.1f ms\n",
                open_text(m.form).c_str(), m.form.refresh, m.form.refresh * 100 / kControls, m.form.close);
    std::printf("  direct: open %s  close %6.1f ms\n", open_text(m.bare).c_str(), m.bare.close);
    std::printf("  ratio:  open %7.2f  close %6.2f\n", m.form.open / m.bare.open, m.form.close / m.bare.close);
    std::printf("  direct, showing the same values: open %s  ratio %.2f\n", open_text(m.filled).c_str(),
                m.form.open / m.filled.open);
    // What showing the values costs the direct windows: the part of the gap to
    // bare windows that no form can avoid (near 0 when there are no values).
    std::printf("  direct, the same values against bare: %+.1f ms before painting, %+.1f ms painting\n",
                (m.filled.open - m.filled.painting) - (m.bare.open - m.bare.painting),
                m.filled.painting - m.bare.painting);
}

void report_kind(const Kind &kind, const Measured &m)
{
    std::printf("  kind %2d %-18s form %s  direct %s  same values %s  ratios %5.2f %5.2f\n", kind.kind,
                kind.window_class, open_text(m.form).c_str(), open_text(m.bare).c_str(), open_text(m.filled).c_str(),
                m.form.open / m.bare.open, m.form.open / m.filled.open);
}

// Opens the form and the direct windows in turn; false when the form could not be measured.
bool measure(HWND bench, TestObject *object, int number, const KindAt &kind_at, int rounds, Measured &measured)
{
    std::vector<Times> form, bare, filled;
    for (int round = 0; round < rounds; ++round) {
        form.push_back(time_form(bench, object, number));
        bare.push_back(time_direct(bench, kind_at, false));
        filled.push_back(time_direct(bench, kind_at, true));
        if (form.back().open <= 0 || bare.back().open <= 0 || filled.back().open <= 0) {
            std::fprintf(stderr, "flrt_form_bench: form %d did not open\n", number);
            return false;
        }
    }
    measured = Measured{Figures(form), Figures(bare), Figures(filled)};
    return true;
}

bool run_variant(const char *name, HWND bench, TestObject *object, int number, const KindAt &kind_at)
{
    Measured measured;
    if (!measure(bench, object, number, kind_at, kRounds, measured))
        return false;
    report(name, measured);
    return true;
}

// What the list boxes' vertical scroll bars cost: the direct list boxes
// showing the same items, with and without WS_VSCROLL.
void time_list_boxes_without_scroll_bar(HWND bench, int rounds)
{
    const Kind &list_box = kEveryKind[2];
    const Kind without{list_box.kind, list_box.window_class, list_box.style & ~WS_VSCROLL, list_box.field,
                       list_box.tag};
    std::vector<Times> with_bar, without_bar;
    for (int round = 0; round < rounds; ++round) {
        with_bar.push_back(time_direct(bench, only(list_box), true));
        without_bar.push_back(time_direct(bench, only(without), true));
    }
    std::printf("  list boxes with the same items, direct: open %s; without WS_VSCROLL %s\n",
                open_text(Figures(with_bar)).c_str(), open_text(Figures(without_bar)).c_str());
}

bool run_kinds(HWND bench, TestObject *object)
{
    constexpr int kKindRounds = 5;
    std::printf("one kind each (%d controls, median of %d runs): open (before painting + painting); "
                "ratios to the direct windows, bare and showing the same values\n",
                kControls, kKindRounds);
    for (size_t i = 0; i < std::size(kEveryKind); ++i) {
        Measured measured;
        if (!measure(bench, object, kFirstKindForm + static_cast<int>(i), only(kEveryKind[i]), kKindRounds, measured))
            return false;
        report_kind(kEveryKind[i], measured);
    }
    time_list_boxes_without_scroll_bar(bench, kKindRounds);
    return true;
}

// Whether forms 1 to last can be read back from the resource file.
bool all_forms_found(int last)
{
    for (int number = 1; number <= last; ++number)
        if (!flrt_find_form(kClass, number))
            return false;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const bool kinds = argc > 1 && std::strcmp(argv[1], "kinds") == 0;
    if (argc > 1 && !kinds) {
        std::fprintf(stderr, "usage: flrt_form_bench [kinds]\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const std::string file = write_forms(kinds);
    BenchObject bench_object;
    flrt_add_res_file(file.c_str());
    const int forms = kinds ? kFirstKindForm + static_cast<int>(std::size(kEveryKind)) - 1 : 2;
    if (!all_forms_found(forms)) {
        std::fprintf(stderr, "flrt_form_bench: the forms written to %s cannot be read back\n", file.c_str());
        return 1;
    }
    HWND bench = make_bench_window();
    const bool measured =
        run_variant("a: labels, buttons, group boxes", bench, bench_object.object, 1, plain_kind) &&
        run_variant("b: every kind, half bound edits and lists", bench, bench_object.object, 2, every_kind) &&
        (!kinds || run_kinds(bench, bench_object.object));
    DestroyWindow(bench);
    flrt_remove_res_file(file.c_str());
    DeleteFileA(file.c_str());
    return measured ? 0 : 1;
}
