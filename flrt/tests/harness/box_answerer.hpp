// Answers the message boxes and dialogs that the code under test shows: a
// thread finds each new dialog window, records its caption and text, and
// presses a button, so that tests see exactly what a user would see.
#ifndef FLRT_TEST_BOX_ANSWERER_HPP
#define FLRT_TEST_BOX_ANSWERER_HPP

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fltest {

struct Box {
    std::string caption;
    std::string text;
    bool has_yes = false;
    bool has_no = false;
    bool has_ok = false;
    int pressed = 0;
};

class BoxAnswerer {
public:
    // Threaded: a thread of its own looks at every window of the desktop
    // (boxes of child processes too). Otherwise the owner calls
    // examine_thread_windows from its own thread, for instance from a timer.
    explicit BoxAnswerer(bool threaded = true);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer &) = delete;
    BoxAnswerer &operator=(const BoxAnswerer &) = delete;

    // Ends the answering thread.
    void stop();

    // The button the next box gets (IDYES, IDNO, IDOK); without one a box gets No, else OK.
    void answer_next(int button);
    // Dialogs with this caption go to the handler (on the answerer's thread) instead.
    void on_dialog(const std::string &caption, std::function<void(HWND)> handler);

    bool wait_for_boxes(size_t count, int timeout_ms = 20000);
    std::vector<Box> boxes() const;
    Box last() const;
    void clear();

    // Handles the new boxes and dialogs of the calling thread.
    void examine_thread_windows();

    // Presses a button of a dialog the way a user click does.
    static void press(HWND dialog, int button);
    static std::string text_of(HWND window);
    // The file types a file dialog offers, read from its type list as the user sees it.
    static std::vector<std::string> file_types(HWND dialog);

private:
    static BOOL CALLBACK visit_window(HWND window, LPARAM self);
    void Run();
    void Visit(HWND window);
    bool GiveUpOn(HWND window);
    void Answer(HWND window, HWND text);
    void Forget();

    static constexpr DWORD kUnknownDialogPatienceMs = 60000;

    mutable std::mutex mutex_;
    std::deque<int> answers_;
    std::map<std::string, std::function<void(HWND)>> handlers_;
    std::vector<Box> boxes_;
    std::set<HWND> seen_;
    std::map<HWND, DWORD> unknown_since_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// One answerer for the whole test program, started on first use.
BoxAnswerer &answerer();
// Stops the shared answerer, if it was started; test programs call it before they end.
// A later answerer() starts a new one.
void stop_answerer();

// The shared answerer, cleared, for the boxes of child processes while the
// scope lasts. Its thread looks at every window, so it must not run while
// this process shows forms.
class ChildProcessBoxes {
public:
    ChildProcessBoxes() { answerer().clear(); }
    ~ChildProcessBoxes() { stop_answerer(); }
    ChildProcessBoxes(const ChildProcessBoxes &) = delete;
    ChildProcessBoxes &operator=(const ChildProcessBoxes &) = delete;
};
} // namespace fltest

#endif
