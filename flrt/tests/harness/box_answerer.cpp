#include "box_answerer.hpp"

#include "wait.hpp"

namespace fltest {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

bool is_dialog(HWND window)
{
    char class_name[16] = "";
    GetClassNameA(window, class_name, sizeof class_name);
    return std::string(class_name) == "#32770" && IsWindowVisible(window);
}

bool has_button(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    return button && IsWindowVisible(button);
}

} // namespace

BoxAnswerer::BoxAnswerer(bool threaded)
{
    if (threaded)
        thread_ = std::thread([this] { Run(); });
}

void BoxAnswerer::examine_thread_windows()
{
    EnumThreadWindows(GetCurrentThreadId(), visit_window, reinterpret_cast<LPARAM>(this));
}

BoxAnswerer::~BoxAnswerer()
{
    stop();
}

void BoxAnswerer::stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void BoxAnswerer::answer_next(int button)
{
    std::lock_guard lock(mutex_);
    answers_.push_back(button);
}

void BoxAnswerer::on_dialog(const std::string &caption, std::function<void(HWND)> handler)
{
    std::lock_guard lock(mutex_);
    handlers_[caption] = std::move(handler);
}

bool BoxAnswerer::wait_for_boxes(size_t count, int timeout_ms)
{
    return wait_until([&] { return boxes().size() >= count; }, timeout_ms);
}

std::vector<Box> BoxAnswerer::boxes() const
{
    std::lock_guard lock(mutex_);
    return boxes_;
}

Box BoxAnswerer::last() const
{
    std::lock_guard lock(mutex_);
    return boxes_.empty() ? Box{} : boxes_.back();
}

void BoxAnswerer::clear()
{
    std::lock_guard lock(mutex_);
    boxes_.clear();
    answers_.clear();
}

void BoxAnswerer::press(HWND dialog, int button)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

std::string BoxAnswerer::text_of(HWND window)
{
    // Read without sending a message: the window's thread may be busy, and
    // the answerer looks at every window many times a second.
    WCHAR wide[4096] = L"";
    InternalGetWindowText(window, wide, 4096);
    char text[4096] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

BOOL CALLBACK BoxAnswerer::visit_window(HWND window, LPARAM self)
{
    reinterpret_cast<BoxAnswerer *>(self)->Visit(window);
    return TRUE;
}

void BoxAnswerer::Run()
{
    while (!stop_) {
        EnumWindows(visit_window, reinterpret_cast<LPARAM>(this));
        Sleep(25);
    }
}

void BoxAnswerer::Visit(HWND window)
{
    if (!is_dialog(window))
        return;
    std::function<void(HWND)> handler;
    HWND text = GetDlgItem(window, kMessageBoxTextId);
    {
        std::lock_guard lock(mutex_);
        if (seen_.count(window))
            return;
        const auto found = handlers_.find(text_of(window));
        if (found != handlers_.end())
            handler = found->second;
        // A dialog may show before its caption is final: one that is neither
        // awaited nor a message box is looked at again on the next round, and
        // only dismissed once it has stayed unknown for long, so that a test
        // fails instead of hanging in its modal loop.
        if (!handler && !text && !GiveUpOn(window))
            return;
        seen_.insert(window);
    }
    if (handler)
        handler(window);
    else
        Answer(window, text);
    Forget();
}

bool BoxAnswerer::GiveUpOn(HWND window)
{
    const DWORD now = GetTickCount();
    const auto first = unknown_since_.try_emplace(window, now).first->second;
    return now - first > kUnknownDialogPatienceMs;
}

void BoxAnswerer::Answer(HWND window, HWND text)
{
    Box box;
    box.caption = text_of(window);
    box.text = text ? text_of(text) : "(an unexpected dialog, cancelled)";
    box.has_yes = has_button(window, IDYES);
    box.has_no = has_button(window, IDNO);
    box.has_ok = has_button(window, IDOK);
    std::lock_guard lock(mutex_);
    int button = text ? (box.has_no ? IDNO : IDOK) : IDCANCEL;
    if (text && !answers_.empty()) {
        button = answers_.front();
        answers_.pop_front();
    }
    box.pressed = button;
    // Recorded before the press: once pressed, the code under test goes on.
    boxes_.push_back(box);
    press(window, button);
}

// Forgets windows that are gone, so that a reused handle counts as new.
void BoxAnswerer::Forget()
{
    std::lock_guard lock(mutex_);
    for (auto it = seen_.begin(); it != seen_.end();)
        it = IsWindow(*it) ? std::next(it) : seen_.erase(it);
    for (auto it = unknown_since_.begin(); it != unknown_since_.end();)
        it = IsWindow(it->first) ? std::next(it) : unknown_since_.erase(it);
}

std::vector<std::string> BoxAnswerer::file_types(HWND dialog)
{
    constexpr int kTypeList = 0x470; // cmb1
    HWND list = nullptr;
    wait_until([&] {
        list = GetDlgItem(dialog, kTypeList);
        return list && SendMessageA(list, CB_GETCOUNT, 0, 0) > 0;
    });
    std::vector<std::string> types;
    const int count = list ? static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0)) : 0;
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        types.push_back(text);
    }
    return types;
}

} // namespace fltest

namespace fltest {
namespace {
// Never destroyed: joining its thread while the process exits races with the
// window system's own shutdown; stop_answerer ends it before that.
BoxAnswerer *g_shared = nullptr;
} // namespace

BoxAnswerer &answerer()
{
    if (!g_shared)
        g_shared = new BoxAnswerer;
    return *g_shared;
}

void stop_answerer()
{
    if (!g_shared)
        return;
    g_shared->stop();
    delete g_shared;
    g_shared = nullptr;
}
} // namespace fltest
