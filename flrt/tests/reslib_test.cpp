// The resource file list: default file, adding, removing and the newest-first form lookup.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "box_answerer.hpp"
#include "cflrt_services.h"
#include "child.hpp"
#include "form_file.hpp"
#include "wait.hpp"

using namespace fltest;

namespace {

// The marker of form 1 of class X in the compiled files flrt_test_first.flf and
// flrt_test_second.flf (forms/flrt_test_*.fls): "first" and "second".
constexpr int kMarkerSign = 1000;

std::string temp_path(const std::string &name)
{
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name;
}

std::string beside_program(const std::string &name)
{
    return program_directory() + name;
}

std::string marker_of_form_x()
{
    FLF_ITEM form = flrt_find_form("X", 1);
    FLF_ITEM marker = form ? flf_get_prop(form, kMarkerSign) : nullptr;
    return marker ? flf_get_prop_str(marker) : "";
}

std::string box_text_start()
{
    const std::string text = answerer().last().text;
    return text.substr(0, text.find("\n\n("));
}

} // namespace

FLTEST_CHILD_SCENARIO(default_file)
{
    if (flrt_res_list_is_empty() || marker_of_form_x() != "first")
        return 1;
    flrt_remove_res_file(arguments.at(0).c_str()); // refused with an assertion
    return marker_of_form_x() == "first" ? 0 : 2;
}

FLTEST_CHILD_SCENARIO(missing_default_file)
{
    return flrt_res_list_is_empty() ? 0 : 1;
}

TEST(ResourceList, DefaultFileComesFromTheLastOption)
{
    answerer().clear();
    const std::string path = beside_program("flrt_test_first.flf");
    ChildResult result = run_child("default_file", {path, "-=missing.flf", "/=" + path});
    ASSERT_TRUE(result.finished) << result.error;
    EXPECT_EQ(result.exit_code, 0u);
    ASSERT_EQ(answerer().boxes().size(), 1u);
    EXPECT_EQ(box_text_start(), "You cannot remove default resource file! ");

    ChildResult missing = run_child("missing_default_file", {"-=no_such_default.flf"});
    EXPECT_EQ(missing.exit_code, 0u);
    EXPECT_EQ(answerer().boxes().size(), 1u) << "a missing default file is skipped silently";
}

TEST(ResourceList, LaterFilesHideEarlierOnesAndNamesIgnoreCase)
{
    answerer().clear();
    const std::string first = beside_program("flrt_test_first.flf");
    const std::string second = beside_program("flrt_test_second.flf");
    EXPECT_TRUE(flrt_res_list_is_empty()) << "FL.FLF is nowhere, so the list starts empty";

    flrt_add_res_file(first.c_str());
    flrt_add_res_file(second.c_str());
    EXPECT_EQ(marker_of_form_x(), "second");
    std::string upper = first;
    for (char &c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    flrt_add_res_file(upper.c_str()); // already in the list
    flrt_remove_res_file(second.c_str());
    EXPECT_EQ(marker_of_form_x(), "first");
    flrt_remove_res_file(upper.c_str());
    EXPECT_TRUE(flrt_res_list_is_empty());
    EXPECT_EQ(flrt_find_form("X", 1), nullptr);
    EXPECT_TRUE(answerer().boxes().empty());

    flrt_remove_res_file(first.c_str());
    ASSERT_TRUE(answerer().wait_for_boxes(1));
    EXPECT_EQ(box_text_start(), "Remove unknown resource file\n \"" + first + "\"");
}

TEST(ResourceList, FailuresAreAssertions)
{
    answerer().clear();
    flrt_add_res_file(nullptr);
    flrt_remove_res_file(nullptr);
    flrt_add_res_file("no_such_file.flf");
    const std::string broken = temp_path("flrt_broken.flf");
    std::ofstream(broken) << "not a resource file";
    flrt_add_res_file(broken.c_str());
    ASSERT_TRUE(answerer().wait_for_boxes(4));
    const auto boxes = answerer().boxes();
    auto start = [](const Box &box) { return box.text.substr(0, box.text.find("\n\n(")); };
    EXPECT_EQ(start(boxes[0]), "Empty resource file name. ");
    EXPECT_EQ(start(boxes[1]), "Empty resource file name. ");
    EXPECT_EQ(start(boxes[2]), "Cannot find resource file\n \"no_such_file.flf\"");
    EXPECT_EQ(start(boxes[3]), "Error reading resource file\n \"" + broken + "\"");
    EXPECT_TRUE(flrt_res_list_is_empty());
    std::remove(broken.c_str());
}

TEST(ResourceList, RelativeNamesAreAlsoLookedForBesideTheProgram)
{
    answerer().clear();
    const std::string name = "flrt_test_first.flf";
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA(temp_path("").c_str());

    flrt_add_res_file(name.c_str());
    EXPECT_EQ(marker_of_form_x(), "first");
    flrt_remove_res_file("FLRT_TEST_FIRST.FLF");
    EXPECT_TRUE(flrt_res_list_is_empty());
    flrt_add_res_file(("sub\\" + name).c_str());
    ASSERT_TRUE(answerer().wait_for_boxes(1));
    EXPECT_EQ(box_text_start(), "Cannot find resource file\n \"sub\\" + name + "\"");

    SetCurrentDirectoryA(current);
}

TEST(WindowUtilities, CenterAndEllipsis)
{
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 100, 100, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 50, nullptr, nullptr, nullptr, nullptr);
    flrt_center_window(window, owner);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 250);
    EXPECT_EQ(rect.top, 225);
    EXPECT_EQ(rect.right - rect.left, 100);
    flrt_center_window(window, nullptr);
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 100) / 2);

    HDC dc = GetDC(window);
    char text[64] = "A rather long text that cannot fit";
    SIZE full;
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &full);
    EXPECT_FALSE(flrt_fit_text_ellipsis(dc, text, sizeof text, full.cx + 4));
    ASSERT_TRUE(flrt_fit_text_ellipsis(dc, text, sizeof text, full.cx / 2));
    const std::string fitted(text);
    EXPECT_EQ(fitted.substr(fitted.size() - 3), "...");
    SIZE now;
    GetTextExtentPoint32A(dc, text, static_cast<int>(fitted.size()), &now);
    EXPECT_LE(now.cx, full.cx / 2 - 4);
    // Not even "..." fits a narrow cell: the whole text stays, for the cell to clip.
    char narrow[8] = "x";
    EXPECT_FALSE(flrt_fit_text_ellipsis(dc, narrow, sizeof narrow, 3));
    EXPECT_STREQ(narrow, "x");
    ReleaseDC(window, dc);
    DestroyWindow(window);
    DestroyWindow(owner);
}
