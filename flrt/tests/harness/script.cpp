#include "script.hpp"

namespace fltest {
namespace {

Script *g_script = nullptr;

struct Search {
    std::string caption;
    HWND found = nullptr;
};

BOOL CALLBACK visit_child(HWND window, LPARAM data);

BOOL CALLBACK visit(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<Search *>(data);
    if (IsWindowVisible(window) && Script::text(window) == search->caption) {
        search->found = window;
        return FALSE;
    }
    // MDI children and child forms live inside other windows.
    EnumChildWindows(window, visit_child, data);
    return search->found ? FALSE : TRUE;
}

BOOL CALLBACK visit_child(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<Search *>(data);
    if (IsWindowVisible(window) && Script::text(window) == search->caption)
        search->found = window;
    return search->found ? FALSE : TRUE;
}

// A window as a failure message names it: its class, control id and caption.
std::string describe(HWND window)
{
    if (!window)
        return "none";
    char class_name[64] = "";
    GetClassNameA(window, class_name, sizeof class_name);
    std::string text = class_name;
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)
        text += " #" + std::to_string(GetDlgCtrlID(window));
    return text + " \"" + Script::text(window) + "\"";
}

// Where the keyboard was when a step timed out: a step that waits for the
// focus tells whether the window lost its activation or a control took the focus.
std::string focus_state()
{
    HWND foreground = GetForegroundWindow();
    DWORD foreground_thread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    return "active window: " + describe(GetActiveWindow()) + ", focus: " + describe(GetFocus()) + ", foreground: " +
           (foreground_thread == GetCurrentThreadId() ? describe(foreground)
            : foreground                              ? "a window of another thread"
                                                      : "none");
}

} // namespace

Script::Script()
{
    g_script = this;
    step_started_ = GetTickCount();
    timer_ = SetTimer(nullptr, 0, 20, &Script::Tick);
}

Script::~Script()
{
    KillTimer(nullptr, timer_);
    g_script = nullptr;
    if (quit_posted_) {
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
}

VOID CALLBACK Script::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_script)
        g_script->Run();
}

void Script::Run()
{
    // A step may start a message loop of its own (a box); the timer then
    // ticks inside it and must not run the same step again.
    if (running_)
        return;
    running_ = true;
    if (answers_boxes_)
        boxes_.examine_thread_windows();
    ComeBackToTheWindowLeft();
    const bool late = GetTickCount() - step_started_ > kStepTimeoutMs;
    if (!steps_.empty() && steps_.front().done()) {
        steps_.pop_front();
        step_started_ = GetTickCount();
    } else if (late && failure_.empty()) {
        // A step that never comes true, or code under test that never
        // returns after the last step: end every message loop.
        failure_ = steps_.empty() ? "the code under test did not return after the last step"
                                  : "timed out: " + steps_.front().what;
        failure_ += " (" + focus_state() + ")";
        steps_.clear();
        quit_posted_ = true;
        PostQuitMessage(0);
    }
    running_ = false;
}

void Script::ComeBackToTheWindowLeft()
{
    // Wine's X11 driver without a window manager now and then handles a focus
    // event after the window it was about is gone, takes that for another
    // program taking the keyboard and makes the desktop the foreground
    // window: no window of the program is active any more, and none becomes
    // active again by itself. A user would click the window left; the
    // simulated user activates it, and the window gives the focus back to the
    // control that had it, as after any switch between programs.
    // The window last seen active may be a box that is gone since; its owner is then the window left.
    if (HWND active = GetActiveWindow()) {
        last_active_ = active;
        last_active_owner_ = GetWindow(active, GW_OWNER);
        return;
    }
    if (GetForegroundWindow() != GetDesktopWindow())
        return;
    for (HWND window : {last_active_, last_active_owner_}) {
        if (window && IsWindowVisible(window) && IsWindowEnabled(window)) {
            SetForegroundWindow(window);
            return;
        }
    }
}

Script &Script::add(const std::string &what, std::function<bool()> done)
{
    if (steps_.empty())
        step_started_ = GetTickCount();
    steps_.push_back(Step{what, std::move(done)});
    return *this;
}

Script &Script::wait(const std::string &what, std::function<bool()> condition)
{
    return add(what, std::move(condition));
}

Script &Script::then(std::function<void()> action)
{
    return add("an action", [action] {
        action();
        return true;
    });
}

Script &Script::window(const std::string &caption, HWND &found)
{
    return add("the window \"" + caption + "\"", [caption, &found] { return (found = find(caption)) != nullptr; });
}

Script &Script::click(std::function<HWND()> target)
{
    return then([target] { post_click(target()); });
}

Script &Script::key(std::function<HWND()> form, int virtual_key)
{
    return then([form, virtual_key] {
        HWND focus = GetFocus();
        post_key(focus ? focus : form(), virtual_key);
    });
}

Script &Script::gone(std::function<HWND()> target)
{
    return add("a window to go", [target] { return !IsWindow(target()); });
}

HWND Script::find(const std::string &caption)
{
    Search search{caption};
    EnumThreadWindows(GetCurrentThreadId(), visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Script::control(HWND form, int index)
{
    return GetDlgItem(form, 100 + index);
}

std::string Script::text(HWND window)
{
    // The script runs on the windows' own thread: WM_GETTEXT gives every
    // control's contents, an edit's too.
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool Script::checked(HWND button)
{
    return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Script::post_click(HWND window)
{
    RECT area;
    GetClientRect(window, &area);
    const LPARAM middle = MAKELPARAM(area.right / 2, area.bottom / 2);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageA(window, WM_LBUTTONUP, 0, middle);
}

void Script::post_key(HWND window, int virtual_key)
{
    const UINT scan = MapVirtualKeyA(static_cast<UINT>(virtual_key), 0);
    PostMessageA(window, WM_KEYDOWN, static_cast<WPARAM>(virtual_key), 1 | (scan << 16));
    PostMessageA(window, WM_KEYUP, static_cast<WPARAM>(virtual_key), 1 | (scan << 16) | 0xC0000000);
}

} // namespace fltest
