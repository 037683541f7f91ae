// zotangram.exe driven from this process as a user would drive it: the
// selection form, the puzzle window with its pieces dragged and turned, and
// the ends of a run. The puzzle is played on the recording world, which
// reads the pieces back through their own interfaces for the test.
#include <windows.h>
#include <comcat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "app_driver.hpp"
#include "figures.hpp"
#include "zotangram/com_support.hpp"
#include "zotangram/zotangram_world.hpp"

using namespace apptest;

namespace {

constexpr char kCaption[] = "ZOTangram";
constexpr char kServerBox[] = "Run the pieces in a separate process";

// {5D0D8C8E-9E39-4C55-A6F1-7C0A14B0C0DE}: a world without a name in the registry.
constexpr CLSID kNamelessWorld = {0x5d0d8c8e, 0x9e39, 0x4c55, {0xa6, 0xf1, 0x7c, 0x0a, 0x14, 0xb0, 0xc0, 0xde}};

// The silhouette world of a figure: one class per figure, numbered on from the first.
CLSID silhouette_world(std::size_t figure)
{
    CLSID clsid = {0xde773823, 0xd712, 0x4447, {0xa4, 0xd9, 0x8f, 0x7a, 0xd4, 0x19, 0x14, 0x5b}};
    clsid.Data1 += static_cast<unsigned long>(figure);
    return clsid;
}

std::string narrow(const wchar_t *text)
{
    std::string result;
    for (; *text; ++text)
        result += static_cast<char>(*text);
    return result;
}

const std::map<std::string, std::string> &world_names()
{
    static const std::map<std::string, std::string> names = [] {
        std::map<std::string, std::string> all{
            {"{433100B6-55A2-4820-BDF2-73280F5FED96}", "ZOTangram Classic World"},
            {zotangram::registry_text(kNamelessWorld), "{N/A}"},
        };
        for (std::size_t i = 0; i < tangram::figures().size(); ++i)
            all[zotangram::registry_text(silhouette_world(i))] =
                "ZOTangram Silhouette: " + narrow(tangram::figures()[i].name);
        return all;
    }();
    return names;
}

// The classic world, the silhouettes and the recording world.
std::size_t installed_worlds()
{
    return 2 + tangram::figures().size();
}

std::string shots_folder()
{
    const char *folder = std::getenv("ZOTANGRAM_SHOTS");
    return folder ? folder : "";
}

class Components : public testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitialize(nullptr));
        if (!testing_installed_copy()) { // else the installer registered them
            ASSERT_HRESULT_SUCCEEDED(register_components());
        }
    }
    void TearDown() override { CoUninitialize(); }
};

const auto *const g_components = testing::AddGlobalTestEnvironment(new Components);

std::vector<std::string> category_classes()
{
    std::vector<std::string> found;
    ComPtr<ICatInformation> information;
    CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatInformation,
                     information.put_void());
    CATID category = CATID_TangramWorldCategory;
    ComPtr<IEnumCLSID> classes;
    if (!information || FAILED(information->EnumClassesOfCategories(1, &category, 0, nullptr, classes.put())))
        return found;
    CLSID clsid;
    while (classes->Next(1, &clsid, nullptr) == S_OK)
        found.push_back(zotangram::registry_text(clsid));
    return found;
}

// A member of the world category whose class key holds no name.
class NamelessWorld {
public:
    NamelessWorld()
    {
        registered_ = join_world_category(kNamelessWorld, true);
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CLASSES_ROOT, key_name().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegCloseKey(key);
    }
    ~NamelessWorld()
    {
        join_world_category(kNamelessWorld, false);
        RegDeleteTreeA(HKEY_CLASSES_ROOT, key_name().c_str());
    }
    HRESULT registered() const { return registered_; }

private:
    static std::string key_name() { return "CLSID\\" + zotangram::registry_text(kNamelessWorld); }
    HRESULT registered_;
};

// The worlds taken out of the registry for a while.
class WithoutWorlds {
public:
    WithoutWorlds() : result_(call_registration("tangram_worlds.dll", "DllUnregisterServer")) {}
    ~WithoutWorlds() { call_registration("tangram_worlds.dll", "DllRegisterServer"); }
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// Where a point of the 20 by 20 world shows in the puzzle: the world keeps
// its aspect and is centred in the window.
POINT on_board(HWND board, point2d model)
{
    RECT client{};
    GetClientRect(board, &client);
    const double scale = std::min(client.right / 20.0, client.bottom / 20.0);
    const double left = (client.right - 20 * scale) / 2;
    const double top = (client.bottom - 20 * scale) / 2;
    return {std::lround(left + model.x * scale), std::lround(top + model.y * scale)};
}

bool close_to(point2d a, point2d b)
{
    return std::fabs(a.x - b.x) < 0.15 && std::fabs(a.y - b.y) < 0.15;
}

// The middle of each piece at its start position, in model units.
constexpr point2d kStartMiddles[7] = {{0.5, 1.5},   {2.33, 1.33},  {4.33, 1.33}, {7.0, 1.33},
                                      {8.67, 1.67}, {10.67, 1.67}, {13.0, 1.5}};

point2d moved(point2d from, double dx, double dy)
{
    return {from.x + dx, from.y + dy};
}

// The run ends with the exit code, and no window of the class ever showed.
void expect_end(ZotangramRun &run, DWORD exit_code, const char *never_shown)
{
    ASSERT_TRUE(run.ended_within(60000)) << run.visible_windows();
    EXPECT_EQ(run.exit_code(), exit_code);
    EXPECT_FALSE(run.saw_class(never_shown));
}

DWORD run_server_registration(const char *argument)
{
    std::string command = "\"" + program_directory() + "tangram_model_server.exe\" " + argument;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError();
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

constexpr char kServerProgram[] = "tangram_model_server.exe";

bool no_server_within(DWORD timeout_ms)
{
    return pump_until([] { return processes_of(kServerProgram).empty(); }, timeout_ms);
}

class Puzzle : public testing::Test {
protected:
    // Clicks a check box until it shows its tick. In a Wine prefix that has
    // just been made, the desktop process starting beside the first program
    // can take the mouse capture between a click's press and its release, and
    // the box then ignores the release. On a busy machine Wine's X11 driver
    // may also hand the keyboard to the desktop after a late focus event, and
    // nothing activates the window again: later attempts click on the X
    // display, as a user would, which activates the window as well.
    static bool tick(HWND box, std::string &report)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (attempt == 0)
                click(box);
            else if (!x_input("mousemove " + on_screen(box, client_middle(box)) + " click 1")) {
                report += " xdotool failed;";
                return false;
            }
            if (pump_until([box] { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 15000))
                return true;
            char foreground[128] = "";
            GetWindowTextA(GetForegroundWindow(), foreground, sizeof foreground);
            report += " attempt " + std::to_string(attempt) + ": check " +
                      std::to_string(SendMessageA(box, BM_GETCHECK, 0, 0)) + " state " +
                      std::to_string(SendMessageA(box, BM_GETSTATE, 0, 0)) + " enabled " +
                      std::to_string(IsWindowEnabled(box)) + " capture " +
                      std::to_string(reinterpret_cast<INT_PTR>(GetCapture())) + " foreground '" + foreground + "';";
        }
        return false;
    }

    // Registers the model server and opens the puzzle with its pieces in it.
    void open_served_puzzle()
    {
        ASSERT_TRUE(no_server_within(30000)) << "a model server of an earlier run still runs";
        ASSERT_EQ(run_server_registration("/RegServer"), 0u);
        open_puzzle(true);
    }

    void open_puzzle(bool separate_process = false)
    {
        ASSERT_HRESULT_SUCCEEDED(installed.result());
        ASSERT_TRUE(recording.open());
        ASSERT_TRUE(run.start());
        HWND selection = run.window(kCaption, "ListBox");
        ASSERT_TRUE(selection) << run.visible_windows();
        HWND list = control(selection, "ListBox");
        ASSERT_EQ(list_items(list).size(), installed_worlds());
        ASSERT_TRUE(choose_line(list, kRecordingName));
        if (separate_process) {
            HWND box = control(selection, "Button", kServerBox);
            ASSERT_TRUE(box) << run.visible_windows();
            std::string report;
            ASSERT_TRUE(tick(box, report)) << report;
        }
        screenshot(selection, shots_folder(), "1-selection");
        click(control(selection, "Button", "OK"));
        puzzle = run.window(kCaption, "DisplayableObject");
        ASSERT_TRUE(puzzle) << run.visible_windows();
        board = control(puzzle, "DisplayableObject");
        // A paint can come while the last pieces are still being placed (the
        // calls to a served model let paints through), and its record can be
        // written after the test has read it: wait for all of them in place.
        ASSERT_TRUE(pump_until([this] { return recording->pieces == 7 && in_start_places(); }))
            << recording->pieces << " pieces; " << run.visible_windows();
    }

    bool in_start_places() const
    {
        for (std::size_t piece = 0; piece < 7; ++piece)
            if (!close_to(at(piece), {piece * zotangram::kPieceSpacing, zotangram::kPieceRow}) || turned(piece) != 0.0)
                return false;
        return true;
    }
    point2d at(std::size_t piece) const { return {recording->piece[piece].x, recording->piece[piece].y}; }
    double turned(std::size_t piece) const { return recording->piece[piece].degrees; }
    POINT device(point2d model) const { return on_board(board, model); }
    bool settles(std::size_t piece, point2d where, double degrees)
    {
        return pump_until([&] { return close_to(at(piece), where) && turned(piece) == degrees; }, 30000);
    }

    // Grabs a piece while the world fails to animate it, answers the report
    // and waits for the run to end with exit code 3.
    void fail_the_run()
    {
        recording.fail_animation();
        post_mouse(board, WM_LBUTTONDOWN, MK_LBUTTON, device(kStartMiddles[6]));
        HWND box = run.window("Unhandled exception", "Static");
        ASSERT_TRUE(box) << run.visible_windows();
        EXPECT_TRUE(control(box, "Static", "Failed to animate world.")) << run.visible_windows();
        click(control(box, "Button", "OK"));
        ASSERT_TRUE(run.ended_within(60000)) << run.visible_windows();
        EXPECT_EQ(run.exit_code(), 3u);
    }

    RecordingWorldInstalled installed;
    RecordingView recording;
    // Started when the puzzle is opened: the program reads at its start
    // whether the model server is registered.
    ZotangramRun run{false};
    HWND puzzle = nullptr;
    HWND board = nullptr;
};

TEST_F(Puzzle, PiecesAreDraggedAndTurnedAndTheRunEndsCleanly)
{
    open_puzzle();
    ASSERT_FALSE(HasFatalFailure());
    for (std::size_t piece = 0; piece < 7; ++piece) {
        EXPECT_TRUE(close_to(at(piece), {2.0 * static_cast<double>(piece), 1})) << "piece " << piece + 1;
        EXPECT_EQ(turned(piece), 0.0);
    }
    screenshot(puzzle, shots_folder(), "2-start");

    // The left button drags the square; the grab offset is kept.
    drag(board, device(kStartMiddles[0]), device(moved(kStartMiddles[0], 5, 7)), false);
    EXPECT_TRUE(settles(0, {5, 8}, 0.0)) << at(0).x << "," << at(0).y;

    // The right button drags a large triangle and, let go over it, turns it.
    drag(board, device(kStartMiddles[4]), device(moved(kStartMiddles[4], 1, 12)), true);
    EXPECT_TRUE(settles(4, {9, 13}, 45.0)) << at(4).x << "," << at(4).y << " " << turned(4);

    // A right click turns a small triangle where it lies.
    post_mouse(board, WM_RBUTTONDOWN, MK_RBUTTON, device(kStartMiddles[1]));
    post_mouse(board, WM_RBUTTONUP, 0, device(kStartMiddles[1]));
    EXPECT_TRUE(settles(1, {2, 1}, 45.0)) << turned(1);
    screenshot(puzzle, shots_folder(), "3-dragged-and-turned");

    // A drag from empty space moves nothing, and leaves nothing grabbed: the
    // next drag of the other small triangle works.
    point2d before[7];
    for (std::size_t piece = 0; piece < 7; ++piece)
        before[piece] = at(piece);
    drag(board, device({17, 18}), device({4.5, 1.5}), false);
    drag(board, device(kStartMiddles[2]), device(moved(kStartMiddles[2], 0, 4)), false);
    EXPECT_TRUE(settles(2, {4, 5}, 0.0));

    // Moves outside the window leave the grabbed piece where it is.
    RECT client{};
    GetClientRect(board, &client);
    post_mouse(board, WM_LBUTTONDOWN, MK_LBUTTON, device(kStartMiddles[3]));
    post_mouse(board, WM_MOUSEMOVE, MK_LBUTTON, {-30, 40});
    post_mouse(board, WM_MOUSEMOVE, MK_LBUTTON, {client.right + 30, client.bottom + 30});
    post_mouse(board, WM_LBUTTONUP, 0, {-30, 40});
    drag(board, device(kStartMiddles[6]), device(moved(kStartMiddles[6], 2, 6)), false);
    EXPECT_TRUE(settles(6, {14, 7}, 0.0));
    for (std::size_t piece : {0u, 1u, 3u, 4u, 5u})
        EXPECT_TRUE(close_to(at(piece), before[piece]))
            << "piece " << piece + 1 << " at " << at(piece).x << "," << at(piece).y;
    // A second press while a piece is held grabs nothing more: the held piece
    // follows the mouse, the other one stays. The right button let go over the
    // held piece turns it.
    const point2d square = moved(at(0), 0.5, 0.5);
    post_mouse(board, WM_LBUTTONDOWN, MK_LBUTTON, device(square));
    drag(board, device(kStartMiddles[5]), device(moved(kStartMiddles[5], 0, 3)), true);
    post_mouse(board, WM_LBUTTONUP, 0, device(moved(kStartMiddles[5], 0, 3)));
    EXPECT_TRUE(settles(0, moved(before[0], 10.67 - square.x, 4.67 - square.y), 45.0)) << at(0).x << "," << at(0).y;
    EXPECT_TRUE(close_to(at(5), before[5]));
    EXPECT_EQ(turned(5), 0.0);
    screenshot(puzzle, shots_folder(), "4-played");

    // The puzzle fills its window at any size, and the pieces are not built again.
    SetWindowPos(puzzle, nullptr, 0, 0, 520, 420, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(pump_until([&] {
        RECT window_client{}, board_client{};
        GetClientRect(puzzle, &window_client);
        GetClientRect(board, &board_client);
        return EqualRect(&window_client, &board_client) && window_client.right < 520;
    }));
    const point2d middle = moved(at(6), 1, 0.5);
    drag(board, device(middle), device(moved(middle, 1, 1)), false);
    EXPECT_TRUE(settles(6, {15, 8}, 0.0)) << at(6).x << "," << at(6).y;
    EXPECT_EQ(recording->pieces, 7);
    screenshot(puzzle, shots_folder(), "5-resized");

    // Closing the window ends the run: the world is let go, then COM.
    PostMessageA(puzzle, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(run.ended_within(60000)) << run.visible_windows();
    EXPECT_EQ(run.exit_code(), 0u);
    EXPECT_EQ(recording->world_released, 1);
}

// Under Wine on an emulated CPU starting a local COM server crashes Wine's
// RPC threads now and then: there these run only when asked for
// (--gtest_also_run_disabled_tests); the 64-bit build runs them.
#if defined(_WIN64)
#define SERVED_TEST(name) name
#else
#define SERVED_TEST(name) DISABLED_##name
#endif

TEST_F(Puzzle, SERVED_TEST(PiecesLiveInTheServerProcessWhenTheUserAsks))
{
    open_served_puzzle();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(processes_of(kServerProgram).size(), 1u);
    EXPECT_FALSE(run.has_module("tangram_model.dll")) << "the models live in the server";
    EXPECT_TRUE(settles(6, {12, 1}, 0.0)) << at(6).x << "," << at(6).y;

    drag(board, device(kStartMiddles[6]), device(moved(kStartMiddles[6], 0, 5)), false);
    EXPECT_TRUE(settles(6, {12, 6}, 0.0)) << at(6).x << "," << at(6).y;
    drag(board, device(kStartMiddles[4]), device(moved(kStartMiddles[4], 1, 12)), true);
    EXPECT_TRUE(settles(4, {9, 13}, 45.0)) << at(4).x << "," << at(4).y << " " << turned(4);
    post_mouse(board, WM_RBUTTONDOWN, MK_RBUTTON, device(kStartMiddles[1]));
    post_mouse(board, WM_RBUTTONUP, 0, device(kStartMiddles[1]));
    EXPECT_TRUE(settles(1, {2, 1}, 45.0)) << turned(1);
    screenshot(puzzle, shots_folder(), "served");

    // Closing lets every model go: the server ends after its last release.
    PostMessageA(puzzle, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(run.ended_within(60000)) << run.visible_windows();
    EXPECT_EQ(run.exit_code(), 0u);
    EXPECT_EQ(recording->world_released, 1);
    EXPECT_TRUE(no_server_within(30000)) << "the server outlived its last model";
}

// A failure ends the run after its report, but not before the world is let go.
TEST_F(Puzzle, AFailedRunReleasesTheWorldAndCom)
{
    open_puzzle();
    ASSERT_FALSE(HasFatalFailure());
    fail_the_run();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(recording->world_released, 1);
}

// A failure ends the run after its report; the pieces' server process sees
// its last release and ends with it.
TEST_F(Puzzle, SERVED_TEST(AFailedRunInTheServerProcessLeavesNoServerBehind))
{
    open_served_puzzle();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(processes_of(kServerProgram).size(), 1u);
    fail_the_run();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(recording->world_released, 1) << "the world was let go before the run ended";
    EXPECT_TRUE(no_server_within(30000)) << "the model server lingers";
}

// Runs after the other tests of the server process: Wine's RPC service keeps
// a killed server's class registration, so no later run in this Wine session
// could start the server again.
TEST_F(Puzzle, SERVED_TEST(AKilledServerNeitherHangsNorCrashesTheProgram))
{
    open_served_puzzle();
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<DWORD> servers = processes_of(kServerProgram);
    ASSERT_EQ(servers.size(), 1u);
    HANDLE server = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, servers[0]);
    ASSERT_TRUE(server);
    ASSERT_TRUE(TerminateProcess(server, 99));
    WaitForSingleObject(server, 10000);
    CloseHandle(server);

    // The pieces do not follow the mouse any more; turning one fails, and the
    // program says so in its box for a component failure and ends when the
    // user has read it.
    const point2d before = at(6);
    drag(board, device(kStartMiddles[6]), device(moved(kStartMiddles[6], 0, 5)), false);
    EXPECT_TRUE(close_to(at(6), before));
    post_mouse(board, WM_RBUTTONDOWN, MK_RBUTTON, device(kStartMiddles[1]));
    post_mouse(board, WM_RBUTTONUP, 0, device(kStartMiddles[1]));
    HWND box = run.window("Unhandled exception", "Static", 30000);
    ASSERT_TRUE(box) << run.visible_windows();
    EXPECT_TRUE(control(box, "Static", "Failed to get rotation.")) << run.visible_windows();
    click(control(box, "Button", "OK"));
    ASSERT_TRUE(run.ended_within(60000)) << run.visible_windows();
    EXPECT_EQ(run.exit_code(), 3u);
}

std::string class_server(const char *clsid, const char *server_key)
{
    char value[MAX_PATH * 2] = {};
    LONG size = sizeof value;
    const std::string key = std::string("CLSID\\") + clsid + "\\" + server_key;
    return RegQueryValueA(HKEY_CLASSES_ROOT, key.c_str(), value, &size) == ERROR_SUCCESS ? value : "";
}

bool starts_with_folder(const std::string &path, const std::string &folder)
{
    return path.size() > folder.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), static_cast<int>(folder.size()),
                          folder.c_str(), static_cast<int>(folder.size())) == CSTR_EQUAL;
}

// An installed copy runs on the components the installer registered from its own folder.
TEST(Installed, ComponentsAreRegisteredFromTheInstalledFolder)
{
    if (!testing_installed_copy())
        GTEST_SKIP() << "ZOTANGRAM_INSTALLED is not set";
    const std::string folder = installed_directory();
    for (const auto &[clsid, name] : world_names()) {
        if (name != "{N/A}") {
            EXPECT_TRUE(starts_with_folder(class_server(clsid.c_str(), "InprocServer32"), folder)) << name;
        }
    }
    const char *model = "{B53313C4-20C4-11D0-9C6C-00A0C90A632C}";
    EXPECT_TRUE(starts_with_folder(class_server(model, "InprocServer32"), folder));
    EXPECT_TRUE(starts_with_folder(class_server(model, "LocalServer32"), "\"" + folder));
}

TEST(Selection, ListsTheWorldsInEnumerationOrderAndCancelShowsNoPuzzle)
{
    NamelessWorld nameless;
    ASSERT_HRESULT_SUCCEEDED(nameless.registered());
    std::vector<std::string> expected;
    for (const std::string &clsid : category_classes())
        expected.push_back(world_names().at(clsid));
    ASSERT_EQ(expected.size(), installed_worlds());

    ZotangramRun run;
    HWND selection = run.window(kCaption, "ListBox");
    ASSERT_TRUE(selection) << run.visible_windows();
    HWND list = control(selection, "ListBox");
    EXPECT_EQ(list_items(list), expected);
    EXPECT_EQ(list_selection(list), 0) << "the first world is chosen";
    click(control(selection, "Button", "Cancel"));
    expect_end(run, 0, "DisplayableObject");
}

TEST(Selection, AWorldThatCannotBeCreatedEndsTheRunWithItsMessage)
{
    NamelessWorld nameless;
    ASSERT_HRESULT_SUCCEEDED(nameless.registered());
    ZotangramRun run;
    HWND selection = run.window(kCaption, "ListBox");
    ASSERT_TRUE(selection) << run.visible_windows();
    ASSERT_TRUE(choose_line(control(selection, "ListBox"), "{N/A}"));
    click(control(selection, "Button", "OK"));

    HWND box = run.window("Unhandled exception", "Static");
    ASSERT_TRUE(box) << run.visible_windows();
    EXPECT_TRUE(control(box, "Static", "Failed to create the world component.")) << run.visible_windows();
    click(control(box, "Button", "OK"));
    expect_end(run, 3, "DisplayableObject");
}

// The separate process is offered only when its server is installed; else the
// check box says so at once instead of the run failing after OK.
TEST(Selection, TheSeparateProcessIsOfferedOnlyWithItsServerInstalled)
{
    ASSERT_EQ(run_server_registration("/UnregServer"), 0u);
    {
        ZotangramRun run;
        HWND selection = run.window(kCaption, "ListBox");
        ASSERT_TRUE(selection) << run.visible_windows();
        HWND box = control(selection, "Button", "Separate process: server not installed");
        ASSERT_TRUE(box) << run.visible_windows();
        EXPECT_FALSE(IsWindowEnabled(box));
        click(control(selection, "Button", "Cancel"));
        expect_end(run, 0, "DisplayableObject");
    }
    ASSERT_EQ(run_server_registration("/RegServer"), 0u);
    {
        ZotangramRun run;
        HWND selection = run.window(kCaption, "ListBox");
        ASSERT_TRUE(selection) << run.visible_windows();
        HWND box = control(selection, "Button", kServerBox);
        ASSERT_TRUE(box) << run.visible_windows();
        EXPECT_TRUE(IsWindowEnabled(box));
        click(control(selection, "Button", "Cancel"));
        expect_end(run, 0, "DisplayableObject");
    }
    EXPECT_EQ(run_server_registration("/UnregServer"), 0u);
}

TEST(Selection, WithoutWorldsTheProgramEndsAtOnce)
{
    WithoutWorlds none;
    ASSERT_HRESULT_SUCCEEDED(none.result());
    ASSERT_TRUE(category_classes().empty());
    ZotangramRun run;
    expect_end(run, 0, "ListBox");
}

// The puzzle played with real input: the pointer and the buttons of the X
// display the program runs on, moved and pressed by xdotool.
class RealInput : public Puzzle {
protected:
    std::string screen(point2d model) const { return on_screen(board, device(model)); }
    point2d middle(std::size_t piece) const
    {
        const tangram::Vec own = tangram::vertex_centre(tangram::standard_pieces()[piece].points());
        return {at(piece).x + own.x, at(piece).y + own.y};
    }
    // Presses the left button at from, moves to to in a few steps and lets go.
    bool drag_to(point2d from, point2d to)
    {
        std::string steps = "mousemove " + screen(from) + " mousedown 1";
        for (int i = 1; i <= 4; ++i)
            steps +=
                " sleep 0.05 mousemove " + screen({from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4});
        return x_input(steps + " sleep 0.1 mouseup 1");
    }
    // Waits a while for messages the program may still be handling.
    static void settle_for(DWORD milliseconds)
    {
        pump_until([] { return false; }, milliseconds);
    }
    void close_puzzle()
    {
        PostMessageA(puzzle, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(run.ended_within(60000)) << run.visible_windows();
        EXPECT_EQ(run.exit_code(), 0u);
    }
};

TEST_F(RealInput, TwoQuickRightClicksTurnAPieceByNinetyDegrees)
{
    open_puzzle();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(x_input("mousemove " + screen(middle(4)) + " click --repeat 2 --delay 80 3"));
    EXPECT_TRUE(settles(4, {8, 1}, 90.0)) << turned(4);
    ASSERT_TRUE(x_input("mousemove " + screen(middle(3)) + " click 3"));
    EXPECT_TRUE(settles(3, {6, 1}, 45.0)) << turned(3);
    close_puzzle();
}

TEST_F(RealInput, AQuickSecondPressGrabsThePieceAgain)
{
    open_puzzle();
    ASSERT_FALSE(HasFatalFailure());
    const point2d from = middle(0);
    ASSERT_TRUE(x_input("mousemove " + screen(from) + " click 1 sleep 0.08 mousedown 1 sleep 0.05 mousemove " +
                        screen(moved(from, 2, 4)) + " sleep 0.05 mousemove " + screen(moved(from, 4, 8)) +
                        " sleep 0.1 mouseup 1"));
    EXPECT_TRUE(settles(0, {4, 9}, 0.0)) << at(0).x << "," << at(0).y;
    close_puzzle();
}

TEST_F(RealInput, ALostCaptureEndsTheDrag)
{
    open_puzzle();
    ASSERT_FALSE(HasFatalFailure());
    const point2d from = middle(6);
    ASSERT_TRUE(x_input("mousemove " + screen(from) + " mousedown 1 sleep 0.1 mousemove " + screen(moved(from, 0, 2)) +
                        " sleep 0.1 mousemove " + screen(moved(from, 0, 4))));
    EXPECT_TRUE(settles(6, {12, 5}, 0.0)) << at(6).x << "," << at(6).y;
    // The system takes the mouse away, as it does for a system key or a menu.
    PostMessageA(board, WM_CANCELMODE, 0, 0);
    settle_for(1500);
    ASSERT_TRUE(x_input("mousemove " + screen(moved(from, 0, 8)) + " sleep 0.1 mouseup 1"));
    // Nothing is held any more: the next press grabs the piece under it.
    ASSERT_TRUE(drag_to(middle(0), moved(middle(0), 5, 7)));
    EXPECT_TRUE(settles(0, {5, 8}, 0.0)) << at(0).x << "," << at(0).y;
    EXPECT_TRUE(close_to(at(6), {12, 5})) << "the dropped piece stayed: " << at(6).x << "," << at(6).y;
    close_puzzle();
}

// A figure solved with the mouse: every piece turned with right clicks, then
// dragged with the left button to a point near its place, where it snaps in.
class FigureGame : public RealInput, public testing::WithParamInterface<std::size_t> {
protected:
    void place_piece(std::size_t piece, const tangram::Solution &target)
    {
        SCOPED_TRACE("piece " + std::to_string(piece + 1));
        // The parallelogram goes into a mirrored place with its long sides along
        // the place's (a quarter turn on); dropped there it turns over.
        const double wanted = target.pose.degrees + (target.mirrored ? 90.0 : 0.0);
        const long period = piece == 0 ? 2 : piece == 6 ? 4 : 8;
        const long clicks = ((std::lround((wanted - turned(piece)) / 45.0) % period) + period) % period;
        if (clicks > 0) {
            const double before = turned(piece);
            ASSERT_TRUE(x_input("mousemove " + screen(middle(piece)) + " click --repeat " + std::to_string(clicks) +
                                " --delay 150 3"));
            ASSERT_TRUE(pump_until([&] { return turned(piece) == before + 45.0 * static_cast<double>(clicks); }))
                << turned(piece);
        }
        const tangram::Vec own = tangram::vertex_centre(tangram::standard_pieces()[piece].points());
        // Let go a little off the place: the world snaps it in exactly.
        const point2d near_place{target.pose.translation.x + own.x + 0.12, target.pose.translation.y + own.y - 0.1};
        ASSERT_TRUE(drag_to(middle(piece), near_place));
        ASSERT_TRUE(pump_until([&] {
            return at(piece).x == target.pose.translation.x && at(piece).y == target.pose.translation.y;
        })) << at(piece).x
            << "," << at(piece).y << " instead of " << target.pose.translation.x << "," << target.pose.translation.y;
        EXPECT_EQ(std::remainder(turned(piece) - target.pose.degrees, 45.0 * static_cast<double>(period)), 0.0)
            << turned(piece);
    }
};

TEST_P(FigureGame, AFigureIsSolvedWithTheMouseAndTheWorldSaysSo)
{
    const tangram::Figure &figure = tangram::figures()[GetParam()];
    recording.show(silhouette_world(GetParam()));
    open_puzzle();
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(pump_until([&] { return recording->silhouette == 1; }));
    EXPECT_EQ(recording->placed, 0);
    EXPECT_EQ(recording->solved, 0);
    screenshot(puzzle, shots_folder(), "figure-" + narrow(figure.name));
    const auto targets = tangram::solution(figure);
    for (std::size_t piece = 0; piece < targets.size(); ++piece) {
        if (piece == 4)
            screenshot(puzzle, shots_folder(), "half-" + narrow(figure.name));
        place_piece(piece, targets[piece]);
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_TRUE(pump_until([&] { return recording->placed == static_cast<LONG>(piece + 1); })) << recording->placed;
    }
    ASSERT_TRUE(pump_until([&] { return recording->solved == 1; })) << recording->placed << " placed";
    EXPECT_EQ(recording->placed, 7);
    EXPECT_GE(recording->solved_ms, 0);
    settle_for(500);
    screenshot(puzzle, shots_folder(), "solved-" + narrow(figure.name));
    close_puzzle();
}

// The cat and the kite ask for the parallelogram as it comes, the swan for its mirror image.
INSTANTIATE_TEST_SUITE_P(Figures, FigureGame, testing::Values(std::size_t{1}, std::size_t{3}, std::size_t{11}),
                         [](const auto &info) { return narrow(tangram::figures()[info.param].name); });

} // namespace
