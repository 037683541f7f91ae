// Assertion and fatal error boxes, the routine-call exception and the exception-file viewer.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "box_answerer.hpp"
#include "cflrt_classes.hpp"
#include "cflrt_services.h"
#include "child.hpp"
#include "test_table.hpp"
#include "wait.hpp"

using namespace fltest;

namespace {

constexpr const char *kCaption = "FL Run-time Assertion Failed";
constexpr unsigned long kExitMinusOne = 0xFFFFFFFFul;

class ErrorBoxes : public testing::Test {
protected:
    void SetUp() override { answerer().clear(); }
};

std::string temp_path(const char *name)
{
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name;
}

} // namespace

FLTEST_CHILD_SCENARIO(assert_then_go_on)
{
    flrt_assert_msg("Tag missed", "javaapi", 7);
    return 5;
}

FLTEST_CHILD_SCENARIO(fatal_detail)
{
    PostQuitMessage(3);
    flrt_fatal_detail("field not found ", "colour");
    return 5;
}

TEST_F(ErrorBoxes, AssertionFormsShowTheirExactTexts)
{
    flrt_assert("Reslib", 12);
    flrt_assert_msg("Tag missed", "javaapi", 34);
    flrt_assert_name("Unknown class", "a/B", "javaapi", 56);
    ASSERT_TRUE(answerer().wait_for_boxes(3));
    const auto boxes = answerer().boxes();
    EXPECT_EQ(boxes[0].text,
              std::string(kCaption) + ": File Reslib, Line 12\n\n\nTerminate application (recommended) ?");
    EXPECT_EQ(boxes[1].text, "Tag missed \n\n(File javaapi, Line 34)\n\n\nTerminate application (recommended) ?");
    EXPECT_EQ(boxes[2].text,
              "Unknown class \"a/B\"\n\n(File javaapi, Line 56)\n\n\nTerminate application (recommended) ?");
    for (const Box &box : boxes) {
        EXPECT_EQ(box.caption, kCaption);
        EXPECT_TRUE(box.has_yes && box.has_no);
        EXPECT_FALSE(box.has_ok);
    }
}

TEST_F(ErrorBoxes, QuitRequestSurvivesAnAssertion)
{
    PostQuitMessage(7);
    flrt_assert_msg("Tag missed", "javaapi", 1);
    ASSERT_TRUE(answerer().wait_for_boxes(1));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

TEST_F(ErrorBoxes, YesEndsTheProcessNoGoesOn)
{
    answerer().answer_next(IDYES);
    ChildResult yes = run_child("assert_then_go_on");
    ASSERT_TRUE(yes.finished);
    EXPECT_EQ(yes.exit_code, kExitMinusOne);
    ChildResult no = run_child("assert_then_go_on");
    EXPECT_EQ(no.exit_code, 5u);
    ASSERT_EQ(answerer().boxes().size(), 2u);
}

TEST_F(ErrorBoxes, FatalErrorEndsTheProcessEvenWhileQuitting)
{
    ChildResult result = run_child("fatal_detail");
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exit_code, kExitMinusOne);
    ASSERT_EQ(answerer().boxes().size(), 1u);
    const Box box = answerer().last();
    EXPECT_EQ(box.caption, "Formloom reported Error");
    EXPECT_EQ(box.text, "field not found  (colour)");
    EXPECT_TRUE(box.has_ok);
    EXPECT_FALSE(box.has_yes || box.has_no);
}

// The build runs this test once more with a German locale: Wine then gives
// the program a German user interface, and the German string table is used.
TEST_F(ErrorBoxes, StringTableFollowsTheUserInterfaceLanguage)
{
    const bool german = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN;
    const char *english[] = {"&Window", "Validation Error", kCaption};
    const char *deutsch[] = {"&Fenster",
                             "Fehler bei der Eingabepr\xFC"
                             "fung",
                             "FL-Laufzeit: Pr\xFC"
                             "fung verletzt"};
    HMODULE runtime = GetModuleHandleA("cflrt.dll");
    for (int id = 1; id <= 3; ++id) {
        char text[64] = "";
        LoadStringA(runtime, id, text, sizeof text);
        EXPECT_EQ(std::string(text), (german ? deutsch : english)[id - 1]) << "string " << id;
    }
    flrt_assert_msg("Tag missed", "javaapi", 9);
    ASSERT_TRUE(answerer().wait_for_boxes(1));
    EXPECT_EQ(answerer().last().caption, german ? deutsch[2] : english[2]);
    std::printf("user interface language %04x\n", GetUserDefaultUILanguage());
}

TEST_F(ErrorBoxes, RoutineCallExceptionReportDependsOnTheTable)
{
    TestTable vm(TestTable::Mode::JvmLike);
    set_ni_table(vm.env());
    const std::string long_text(80, 'x');
    CRoutineCallException(long_text.c_str(), "feature").Report();
    ASSERT_TRUE(answerer().wait_for_boxes(1));
    EXPECT_EQ(answerer().last().caption, "Unhandled exception");
    EXPECT_EQ(answerer().last().text, std::string(60, 'x') + ".feature");
    EXPECT_TRUE(answerer().last().has_ok);
    EXPECT_FALSE(answerer().last().has_yes);

    TestTable emulated(TestTable::Mode::Emulated);
    set_ni_table(emulated.env());
    CRoutineCallException("Void function result used in feature call", "").Report();
    ASSERT_TRUE(answerer().wait_for_boxes(2));
    EXPECT_EQ(answerer().last().text, "Void function result used in feature call.\n\nDo you want to see xcp file?");
    EXPECT_TRUE(answerer().last().has_yes && answerer().last().has_no);
}

TEST_F(ErrorBoxes, NullExceptionTextIsAnAssertionOfItsModule)
{
    CRoutineCallException exception(nullptr, "b");
    ASSERT_TRUE(answerer().wait_for_boxes(1));
    EXPECT_NE(answerer().last().text.find(": File JavaXCP, Line "), std::string::npos);
    EXPECT_EQ(exception.First(), "");
}

TEST_F(ErrorBoxes, ExceptionFileViewerShowsLongLinesInPieces)
{
    const std::string path = temp_path("flrt_viewer.xcp");
    const std::string long_line = std::string(254, 'a') + std::string(46, 'b');
    const std::string exact_line(254, 'c');
    {
        std::ofstream file(path);
        file << "first\n" << long_line << "\n\n" << exact_line << "\ntail";
    }
    std::vector<std::string> entries;
    std::atomic<bool> viewer_done{false};
    answerer().on_dialog("Open xcp file", [&](HWND dialog) {
        HWND name = GetDlgItem(dialog, 1148);
        if (!name)
            name = GetDlgItem(dialog, 1152);
        SetWindowTextA(name, path.c_str());
        BoxAnswerer::press(dialog, IDOK);
    });
    answerer().on_dialog("Exception information", [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, 1002);
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[512] = "";
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            entries.push_back(text);
        }
        viewer_done = true;
        BoxAnswerer::press(dialog, IDOK);
    });
    TestTable emulated(TestTable::Mode::Emulated);
    set_ni_table(emulated.env());
    answerer().answer_next(IDYES);
    CRoutineCallException("test/Person", "explode").Report();
    EXPECT_TRUE(viewer_done);
    const std::vector<std::string> expected{"first", long_line.substr(0, 254), long_line.substr(254), "", exact_line,
                                            "tail"};
    EXPECT_EQ(entries, expected);
    std::remove(path.c_str());
}
