// Owners for GDI objects and device contexts: every pen, brush, font, bitmap
// and DC is given back when its owner goes, on every path out of a scope.
// Header-only, for the runtime and the Tangram components alike. A module
// that keeps a count of its live handles passes its counter as Count.
#ifndef FL_GDI_OWNERS_HPP
#define FL_GDI_OWNERS_HPP

#include <windows.h>

#include <utility>

namespace gdi {

// The counter of owners that count nothing.
struct NoCount {
    static void Change(int) noexcept {}
};

// Holds one handle and releases it once; Count::Change follows what it holds.
template <class Handle, class Release, class Count = NoCount>
class Owner {
public:
    Owner() = default;
    explicit Owner(Handle handle, Release release = {}) : release_(release) { reset(handle); }
    Owner(Owner &&other) noexcept : handle_(std::exchange(other.handle_, nullptr)), release_(other.release_) {}
    Owner &operator=(Owner &&other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
            release_ = other.release_;
        }
        return *this;
    }
    Owner(const Owner &) = delete;
    Owner &operator=(const Owner &) = delete;
    ~Owner() { reset(); }

    void reset(Handle handle = nullptr) noexcept
    {
        if (handle == handle_)
            return;
        if (handle_) {
            release_(handle_);
            Count::Change(-1);
        }
        handle_ = handle;
        if (handle_)
            Count::Change(1);
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
struct DeleteMemoryDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
// A window's DC goes back to the window it came from.
struct ReleaseWindowDc {
    HWND window = nullptr;
    void operator()(HDC dc) const { ReleaseDC(window, dc); }
};

// A pen, brush, font, bitmap or region: Object<HBRUSH> brush(CreateSolidBrush(color)).
template <class Handle, class Count = NoCount>
using Object = Owner<Handle, DeleteGdiObject, Count>;
// A DC made with CreateCompatibleDC.
template <class Count = NoCount>
using BasicMemoryDc = Owner<HDC, DeleteMemoryDc, Count>;
using MemoryDc = BasicMemoryDc<>;

// A window's DC (the screen's for no window), taken with GetDC.
template <class Count = NoCount>
class BasicWindowDc : public Owner<HDC, ReleaseWindowDc, Count> {
public:
    explicit BasicWindowDc(HWND window) : Owner<HDC, ReleaseWindowDc, Count>(GetDC(window), ReleaseWindowDc{window}) {}
};
using WindowDc = BasicWindowDc<>;

// The DC of a WM_PAINT, from BeginPaint to EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc &) = delete;
    PaintDc &operator=(const PaintDc &) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Selects an object into a DC for the lifetime of the guard.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selection(const Selection &) = delete;
    Selection &operator=(const Selection &) = delete;
    ~Selection() { SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace gdi

#endif
