#include "snapshot.hpp"

#include <cstdlib>
#include <fstream>

namespace fltest {
namespace {

constexpr DWORD kLongestWaitMs = 10000;

bool exists(const std::string &file)
{
    return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Handles the messages of this thread until the file exists or the time is up.
void pump_until(const std::string &file)
{
    const DWORD start = GetTickCount();
    MSG message;
    while (!exists(file) && GetTickCount() - start < kLongestWaitMs) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(20);
    }
}

} // namespace

void snapshot(HWND window, const std::string &name)
{
    const char *folder = std::getenv("FLTEST_SNAPSHOTS");
    if (!folder || !*folder || !window)
        return;
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const std::string base = std::string(folder) + "\\" + name;
    std::ofstream(base + ".request") << name << '\n';
    pump_until(base + ".png");
}

} // namespace fltest
