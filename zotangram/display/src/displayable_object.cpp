#include "zo/displayable_object.hpp"

#include <windows.h>

#include "gdi_owners.hpp"

namespace zo {
namespace {

HWND window_of(std::int32_t handle)
{
    return win32_handle<HWND>(handle);
}

std::int32_t integer_of(const void *handle)
{
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

using MouseHook = void (DISPLAYABLE_OBJECT::*)(std::int32_t, Point *);

MouseHook mouse_hook(std::int32_t msg)
{
    switch (msg) {
    case WM_LBUTTONDOWN: return &DISPLAYABLE_OBJECT::on_lbuttondown;
    case WM_LBUTTONUP: return &DISPLAYABLE_OBJECT::on_lbuttonup;
    case WM_RBUTTONDOWN: return &DISPLAYABLE_OBJECT::on_rbuttondown;
    case WM_RBUTTONUP: return &DISPLAYABLE_OBJECT::on_rbuttonup;
    case WM_MOUSEMOVE: return &DISPLAYABLE_OBJECT::on_mousemove;
    case WM_LBUTTONDBLCLK: return &DISPLAYABLE_OBJECT::on_lbuttondblclk;
    }
    return nullptr;
}

constexpr std::int32_t kHandled = 0;
constexpr std::int32_t kDefault = 1;

} // namespace

ZO_CLASS(DISPLAYABLE_OBJECT, "DISPLAYABLE_OBJECT", c)
{
    ZO_ATTRIBUTES(c, name, area, is_active, ret, ok);
    ZO_ROUTINES(c, make, set_active, has_point, on_message, on_paint, on_lbuttondown, on_lbuttonup, on_rbuttondown,
                on_rbuttonup, on_mousemove, on_lbuttondblclk, on_timer);
}

void DISPLAYABLE_OBJECT::make(String *a_name)
{
    name = a_name;
    area = zo::make<Rect>();
}

void DISPLAYABLE_OBJECT::set_active(bool flag)
{
    is_active = flag;
}

bool DISPLAYABLE_OBJECT::has_point(Point *p)
{
    return area && p && area->contains(p->x, p->y);
}

std::int32_t DISPLAYABLE_OBJECT::on_message(std::int32_t hwnd, std::int32_t msg, std::int32_t wparam,
                                            std::int32_t lparam)
{
    return dispatch_message(hwnd, msg, wparam, lparam);
}

std::int32_t DISPLAYABLE_OBJECT::dispatch_message(std::int32_t hwnd, std::int32_t msg, std::int32_t wparam,
                                                  std::int32_t lparam)
{
    if (msg == WM_PAINT) {
        // A hook that raises still ends the paint: the runtime reports the
        // failure and the window goes on painting.
        gdi::PaintDc dc(window_of(hwnd));
        on_paint(hwnd, integer_of(dc.get()));
        return kHandled;
    }
    if (msg == WM_TIMER) {
        on_timer(hwnd, wparam);
        return kHandled;
    }
    const MouseHook hook = mouse_hook(msg);
    if (!hook)
        return kDefault;
    const auto bits = static_cast<std::uint32_t>(lparam);
    Point *point = zo::make<Point>(static_cast<std::int32_t>(bits & 0xFFFF), static_cast<std::int32_t>(bits >> 16));
    Pins pins;
    pins.add(point);
    (this->*hook)(hwnd, point);
    return kHandled;
}

void DISPLAYABLE_OBJECT::on_paint(std::int32_t, std::int32_t) {}
void DISPLAYABLE_OBJECT::on_lbuttondown(std::int32_t, Point *) {}
void DISPLAYABLE_OBJECT::on_lbuttonup(std::int32_t, Point *) {}
void DISPLAYABLE_OBJECT::on_rbuttondown(std::int32_t, Point *) {}
void DISPLAYABLE_OBJECT::on_rbuttonup(std::int32_t, Point *) {}
void DISPLAYABLE_OBJECT::on_mousemove(std::int32_t, Point *) {}
void DISPLAYABLE_OBJECT::on_lbuttondblclk(std::int32_t, Point *) {}
void DISPLAYABLE_OBJECT::on_timer(std::int32_t, std::int32_t) {}

// ---- DISPLAYABLE_WIDGET ----

ZO_CLASS(DISPLAYABLE_WIDGET, "DISPLAYABLE_WIDGET", c)
{
    ZO_ATTRIBUTES(c, hwnd);
    ZO_ROUTINES(c, internal_handle_message, repaint);
}

std::int32_t DISPLAYABLE_WIDGET::internal_handle_message(std::int32_t window, std::int32_t msg, std::int32_t wparam,
                                                         std::int32_t lparam)
{
    const std::int32_t answer = on_message(window, msg, wparam, lparam);
    // Between two messages every object in use is reachable: a long-running
    // window does not pile up the points of its mouse messages.
    Heap::instance().collect_if_due();
    return answer;
}

void DISPLAYABLE_WIDGET::repaint()
{
    InvalidateRect(window_of(hwnd), nullptr, TRUE);
    UpdateWindow(window_of(hwnd));
}

} // namespace zo
