// A simulated user that works on the test's own thread: a timer runs its
// steps one after the other from inside whatever message loop is running
// (the form's modal loop, a nested one, a message box), so the user and the
// code under test never race. Its steps find windows, read them, click and
// press keys with real window messages, and answer this thread's boxes.
#ifndef FLRT_TEST_SCRIPT_HPP
#define FLRT_TEST_SCRIPT_HPP

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

#include "box_answerer.hpp"

namespace fltest {

class Script {
public:
    // A step that waits longer than this fails the script, which then ends
    // every message loop (a quit request) so that the test reports instead of hanging.
    static constexpr int kStepTimeoutMs = 30000;

    Script();
    ~Script();
    Script(const Script &) = delete;
    Script &operator=(const Script &) = delete;

    // Waits until the condition holds.
    Script &wait(const std::string &what, std::function<bool()> condition);
    // Runs an action once.
    Script &then(std::function<void()> action);
    // Waits for a visible window of this thread with the caption.
    Script &window(const std::string &caption, HWND &found);
    // A left click in the middle of the window the function names when the step runs.
    Script &click(std::function<HWND()> target);
    // A key pressed and released on the window that has the focus (or on the form).
    Script &key(std::function<HWND()> form, int virtual_key);
    // Waits until the window is gone.
    Script &gone(std::function<HWND()> target);

    // Whether every step ran; otherwise which step timed out.
    bool finished() const { return steps_.empty() && failure_.empty(); }
    const std::string &failure() const { return failure_; }
    BoxAnswerer &boxes() { return boxes_; }
    // Leaves this thread's boxes alone (to the answerer of a parent process).
    Script &leave_boxes()
    {
        answers_boxes_ = false;
        return *this;
    }

    static HWND find(const std::string &caption);
    static HWND control(HWND form, int index);
    static std::string text(HWND window);
    static bool checked(HWND button);
    static void post_click(HWND window);
    static void post_key(HWND window, int virtual_key);

private:
    struct Step {
        std::string what;
        std::function<bool()> done;
    };
    static VOID CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Run();
    void ComeBackToTheWindowLeft();
    Script &add(const std::string &what, std::function<bool()> done);

    std::deque<Step> steps_;
    std::string failure_;
    DWORD step_started_ = 0;
    bool running_ = false;
    bool quit_posted_ = false;
    UINT_PTR timer_ = 0;
    HWND last_active_ = nullptr;
    HWND last_active_owner_ = nullptr;
    bool answers_boxes_ = true;
    BoxAnswerer boxes_{false};
};

} // namespace fltest

#endif
