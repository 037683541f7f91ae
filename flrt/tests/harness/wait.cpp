#include "wait.hpp"

#include <windows.h>

namespace fltest {

void pump_messages()
{
    MSG message;
    bool quit = false;
    int exit_code = 0;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            exit_code = static_cast<int>(message.wParam);
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (quit)
        PostQuitMessage(exit_code);
}

bool wait_until(const std::function<bool()> &condition, int timeout_ms)
{
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    while (!condition()) {
        if (GetTickCount64() >= deadline)
            return false;
        pump_messages();
        Sleep(10);
    }
    return true;
}

} // namespace fltest
