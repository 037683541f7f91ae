// Owning handles for GDI objects and device contexts. Every one the runtime
// makes is held by one of these owners, which keep a count of the handles
// alive: a diagnostic for leak tests where the system does not count them.
#ifndef FLRT_GDI_HPP
#define FLRT_GDI_HPP

#include <windows.h>

#include <utility>

namespace flrt {

// Adds change to the number of GDI handles the runtime holds.
void count_gdi_handles(int change) noexcept;
int live_gdi_handles() noexcept;

// Holds one handle, releases it once, and counts it while held.
template <class Handle, class Release>
class CountedGdiHandle {
public:
    CountedGdiHandle() = default;
    explicit CountedGdiHandle(Handle handle, Release release = {}) : release_(release) { reset(handle); }
    CountedGdiHandle(CountedGdiHandle &&other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)), release_(other.release_)
    {}
    CountedGdiHandle &operator=(CountedGdiHandle &&other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
            release_ = other.release_;
        }
        return *this;
    }
    CountedGdiHandle(const CountedGdiHandle &) = delete;
    CountedGdiHandle &operator=(const CountedGdiHandle &) = delete;
    ~CountedGdiHandle() { reset(); }

    void reset(Handle handle = nullptr) noexcept
    {
        if (handle == handle_)
            return;
        if (handle_) {
            release_(handle_);
            count_gdi_handles(-1);
        }
        handle_ = handle;
        if (handle_)
            count_gdi_handles(1);
    }
    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

private:
    Handle handle_ = nullptr;
    Release release_{};
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DeleteMemoryDC {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
// A window's device context goes back to the window it came from.
struct ReleaseWindowDC {
    HWND window = nullptr;
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
};

using FontHandle = CountedGdiHandle<HFONT, DeleteGdiObject>;
using BrushHandle = CountedGdiHandle<HBRUSH, DeleteGdiObject>;
using BitmapHandle = CountedGdiHandle<HBITMAP, DeleteGdiObject>;
using MemoryDC = CountedGdiHandle<HDC, DeleteMemoryDC>;

class WindowDC : public CountedGdiHandle<HDC, ReleaseWindowDC> {
public:
    // The device context of window (of the screen for a null window).
    explicit WindowDC(HWND window) : CountedGdiHandle(GetDC(window), ReleaseWindowDC{window}) {}
};

} // namespace flrt

#endif
