// Timing and window helpers shared by the runtime's form benchmarks.
#ifndef FLRT_BENCH_SUPPORT_HPP
#define FLRT_BENCH_SUPPORT_HPP

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace flbench {

using Clock = std::chrono::steady_clock;

inline double milliseconds_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median of one figure over the runs.
template <class Times>
double median_of(const std::vector<Times> &runs, double Times::*figure)
{
    std::vector<double> values;
    for (const Times &times : runs)
        values.push_back(times.*figure);
    return median(values);
}

// A top-level window of a class of its own (registered on first use).
inline HWND make_window(const char *class_name, WNDPROC procedure, DWORD style, int width, int height)
{
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = class_name;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    RegisterClassA(&window_class); // fails harmlessly once the class exists
    return CreateWindowExA(0, class_name, "Bench", style, 0, 0, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// The form window of this caption once it shows. A message loop that runs
// while the form opens may dispatch the bench's message early: then the
// message is posted again for later and the answer is null.
inline HWND shown_form_or_later(HWND bench_window, UINT message, const char *caption)
{
    HWND form = FindWindowA(nullptr, caption);
    if (form && IsWindowVisible(form))
        return form;
    PostMessageA(bench_window, message, 0, 0);
    return nullptr;
}

} // namespace flbench

#endif
