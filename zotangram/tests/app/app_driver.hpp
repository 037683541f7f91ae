// Drives zotangram.exe from a test process as a user would: finds its
// windows, posts mouse messages and clicks to them, takes screenshots, and
// installs the recording world, through which the test reads the pieces
// back from their own interfaces.
#ifndef ZOTANGRAM_TESTS_APP_DRIVER_HPP
#define ZOTANGRAM_TESTS_APP_DRIVER_HPP

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "com_ptr.hpp"
#include "recording.hpp"
#include "tangram.h"

namespace apptest {

using com::ComPtr;

std::string program_directory();
// Where zotangram.exe is run from: the folder named by ZOTANGRAM_INSTALLED
// (an installed copy, whose components the installer registered), else
// beside the test program.
std::string installed_directory();
bool testing_installed_copy();

// Calls a registration entry of a DLL beside the program ("DllRegisterServer").
HRESULT call_registration(const char *dll, const char *entry);
// Registers the Tangram model, its proxies and the worlds.
HRESULT register_components();

// Dispatches this thread's messages (COM calls into the test arrive as
// messages) until the condition holds; false after the timeout.
bool pump_until(const std::function<bool()> &condition, DWORD timeout_ms = 60000);

// One run of the program.
class ZotangramRun {
public:
    // Starts the program, at once or (start_now false) at start().
    explicit ZotangramRun(bool start_now = true);
    ~ZotangramRun();
    ZotangramRun(const ZotangramRun &) = delete;
    ZotangramRun &operator=(const ZotangramRun &) = delete;

    bool start();
    bool started() const { return process_.hProcess != nullptr; }
    // A visible top-level window of the program with the caption and a
    // child window of the class; null after the timeout.
    HWND window(const char *caption, const char *child_class, DWORD timeout_ms = 90000);
    // Whether a window of the class was ever seen among the program's windows (checked while waiting).
    bool saw_class(const char *window_class) const;
    bool ended_within(DWORD timeout_ms);
    DWORD exit_code() const;
    // The captions and texts of the program's visible windows, to explain a failed wait.
    std::string visible_windows() const;
    // Whether the program has loaded the module (a DLL file name).
    bool has_module(const char *name) const;

private:
    std::vector<HWND> top_windows() const;
    void note_classes();

    PROCESS_INFORMATION process_{};
    std::vector<std::string> seen_classes_;
};

// The ids of the running processes of the program (a file name).
std::vector<DWORD> processes_of(const char *program);

HWND child(HWND parent, const char *window_class, const char *caption = nullptr);
// A control of a window that may still be making its controls (a form is
// shown before all of them are there): waits for it; null when none comes.
HWND control(HWND window, const char *window_class, const char *caption = nullptr, DWORD timeout_ms = 20000);
std::vector<std::string> list_items(HWND list_box);
int list_selection(HWND list_box);
// Clicks the line of the list box that shows the text; true once that line is selected.
bool choose_line(HWND list_box, const std::string &text);

// The middle of a window's client area, in client coordinates.
POINT client_middle(HWND window);
// A click of the left button in the middle of a control.
void click(HWND control);
void post_mouse(HWND window, UINT message, WPARAM keys, POINT at);
// Presses a button at from, moves there in steps and lets it go at to.
void drag(HWND window, POINT from, POINT to, bool right_button, int steps = 6);

// Real input on the X display the program runs on: runs xdotool with the
// arguments (screen coordinates) and waits until it has done; true when it succeeded.
bool x_input(const std::string &xdotool_arguments, DWORD timeout_ms = 30000);
// A point of a window's client area in screen coordinates, as xdotool wants it.
std::string on_screen(HWND window, POINT client);

// Saves the window as it shows on the screen into folder/name.bmp when the
// folder is not empty.
void screenshot(HWND window, const std::string &folder, const std::string &name);

// The recording world's reports, in shared memory; zero until it reports.
class RecordingView {
public:
    RecordingView();
    ~RecordingView();
    RecordingView(const RecordingView &) = delete;
    RecordingView &operator=(const RecordingView &) = delete;

    bool open() const { return recording_ != nullptr; }
    const Recording &operator*() const { return *recording_; }
    const Recording *operator->() const { return recording_; }
    // Makes the world fail its next animation.
    void fail_animation() { recording_->fail_animation = 1; }
    // The world the recording world shows from its next creation on.
    void show(const CLSID &world) { recording_->shown = world; }

private:
    HANDLE block_ = nullptr;
    Recording *recording_ = nullptr;
};

// The recording world in the registry and in the world category, for as long as this lives.
class RecordingWorldInstalled {
public:
    RecordingWorldInstalled();
    ~RecordingWorldInstalled();
    RecordingWorldInstalled(const RecordingWorldInstalled &) = delete;
    RecordingWorldInstalled &operator=(const RecordingWorldInstalled &) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// Puts the world class into the world category, or takes it out.
HRESULT join_world_category(const CLSID &clsid, bool join);

} // namespace apptest

#endif
