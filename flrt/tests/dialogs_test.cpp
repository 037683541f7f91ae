// The standard file dialogs and the paint-message pump, used as a user would.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "box_answerer.hpp"
#include "cflrt.h"
#include "form_file.hpp"
#include "wait.hpp"

using namespace fltest;

namespace {

const int kFlags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;

BOOL CALLBACK FindVisibleEdit(HWND child, LPARAM result)
{
    char kind[32];
    GetClassNameA(child, kind, sizeof kind);
    if (_stricmp(kind, "Edit") != 0 || !IsWindowVisible(child))
        return TRUE;
    *reinterpret_cast<HWND *>(result) = child;
    return FALSE;
}

// The edit field of a file dialog where the user types the file name.
HWND FileNameField(HWND dialog)
{
    HWND found = nullptr;
    EnumChildWindows(dialog, FindVisibleEdit, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs a dialog: the handler sees it on the answerer's thread once its file
// name field is there, does what a user does, and presses a button.
void AnswerDialog(const std::string &title, std::function<void(HWND dialog, HWND field)> user)
{
    answerer().on_dialog(title, [user](HWND dialog) {
        HWND field = nullptr;
        wait_until([&] { return (field = FileNameField(dialog)) != nullptr; });
        user(dialog, field);
    });
}

TEST(FileDialogs, SaveShowsTheInitialNameAndCancelAnswersNone)
{
    std::string shown;
    AnswerDialog("Save the form", [&](HWND dialog, HWND field) {
        char typed[MAX_PATH] = "";
        GetWindowTextA(field, typed, sizeof typed); // an edit's contents need WM_GETTEXT
        shown = typed;
        BoxAnswerer::press(dialog, IDCANCEL);
    });
    char filter[] = "Forms|*.flf|";
    EXPECT_EQ(flrt_get_save_fname(filter, "Save the form", "person.flf", "flf", kFlags), nullptr);
    EXPECT_EQ(shown, "person.flf");
    // The bars of the caller's filter became the terminating zeros of a list.
    EXPECT_EQ(std::string(filter, sizeof filter - 1), std::string("Forms\0*.flf\0", 12));
}

TEST(FileDialogs, OpenAnswersThePathTheUserTyped)
{
    const std::string file = program_directory() + "dialog_choice.flf";
    std::ofstream(file) << "x";
    AnswerDialog("Open a form", [&](HWND dialog, HWND field) {
        SetWindowTextA(field, file.c_str());
        BoxAnswerer::press(dialog, IDOK);
    });
    // A filter in read-only memory is used as it is, not converted in place.
    const char *path =
        flrt_get_open_fname(const_cast<char *>("Forms|*.flf|All files|*.*|"), "Open a form", "flf", kFlags);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(_stricmp(path, file.c_str()), 0) << path;
    std::remove(file.c_str());
}

// Callers write the list with bars or, as the platform's own dialogs take it,
// with zeros and a final empty text: either way every type is offered.
TEST(FileDialogs, EveryTypeOfTheCallersListIsOffered)
{
    std::vector<std::string> offered;
    answerer().on_dialog("Pick a type", [&](HWND dialog) {
        offered = BoxAnswerer::file_types(dialog);
        BoxAnswerer::press(dialog, IDCANCEL);
    });
    const std::vector<std::string> both{"Forms (*.flf)", "All files"};
    char with_zeros[] = "Forms (*.flf)\0*.flf\0All files\0*.*\0";
    EXPECT_EQ(flrt_get_open_fname(with_zeros, "Pick a type", "flf", kFlags), nullptr);
    EXPECT_EQ(offered, both);
    offered.clear();
    char with_bars[] = "Forms (*.flf)|*.flf|All files|*.*|";
    EXPECT_EQ(flrt_get_save_fname(with_bars, "Pick a type", nullptr, "flf", kFlags), nullptr);
    EXPECT_EQ(offered, both);
    offered.clear();
    // Without the final bar the list still ends where the text does.
    char unended[] = "Forms (*.flf)|*.flf|All files|*.*";
    EXPECT_EQ(flrt_get_open_fname(unended, "Pick a type", "flf", kFlags), nullptr);
    EXPECT_EQ(offered, both);
}

LRESULT CALLBACK CountingPaints(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        ++*reinterpret_cast<int *>(GetWindowLongPtrA(window, GWLP_USERDATA));
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

TEST(PeekMessages, PaintsPendingWindowsAndLeavesOtherMessagesQueued)
{
    WNDCLASSA kind = {};
    kind.lpfnWndProc = CountingPaints;
    kind.hInstance = GetModuleHandleA(nullptr);
    kind.lpszClassName = "flrt_test_paint";
    RegisterClassA(&kind);
    HWND window = CreateWindowA("flrt_test_paint", "paint", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                                nullptr, kind.hInstance, nullptr);
    int paints = 0;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&paints));
    UpdateWindow(window);
    paints = 0;

    InvalidateRect(window, nullptr, TRUE);
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    flrt_peek_messages();
    EXPECT_EQ(paints, 1);
    MSG key;
    EXPECT_TRUE(PeekMessageA(&key, window, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    DestroyWindow(window);
}

} // namespace
