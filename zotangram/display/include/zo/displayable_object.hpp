// Objects drawn inside a form as a custom widget: the runtime hands every
// message of the widget's window to internal_handle_message.
#ifndef ZO_DISPLAYABLE_OBJECT_HPP
#define ZO_DISPLAYABLE_OBJECT_HPP

#include "zo/displayable.hpp"

namespace zo {

// Window and GDI handles reach the application as 32-bit integers. A 64-bit
// Windows process gives them 32 significant bits and widens them with their
// sign, as this does.
template <class Handle>
Handle win32_handle(std::int32_t value)
{
    return reinterpret_cast<Handle>(static_cast<std::intptr_t>(value));
}

class DISPLAYABLE_OBJECT : public DISPLAYABLE {
    ZO_OBJECT(DISPLAYABLE_OBJECT, DISPLAYABLE)
    String *name = nullptr;
    Rect *area = nullptr;
    bool is_active = false;
    std::int32_t ret = 0;
    bool ok = false;

    void make(String *a_name);
    void set_active(bool flag);
    bool has_point(Point *p);

    // 0 when the message was handled, 1 for the runtime's default handling.
    virtual std::int32_t on_message(std::int32_t hwnd, std::int32_t msg, std::int32_t wparam, std::int32_t lparam);

    // Hooks that descendants redefine; here they do nothing.
    virtual void on_paint(std::int32_t hwnd, std::int32_t hdc);
    virtual void on_lbuttondown(std::int32_t hwnd, Point *point);
    virtual void on_lbuttonup(std::int32_t hwnd, Point *point);
    virtual void on_rbuttondown(std::int32_t hwnd, Point *point);
    virtual void on_rbuttonup(std::int32_t hwnd, Point *point);
    virtual void on_mousemove(std::int32_t hwnd, Point *point);
    virtual void on_lbuttondblclk(std::int32_t hwnd, Point *point);
    virtual void on_timer(std::int32_t hwnd, std::int32_t timer_id);

protected:
    // The message dispatch of every displayable object, for redefinitions of on_message.
    std::int32_t dispatch_message(std::int32_t hwnd, std::int32_t msg, std::int32_t wparam, std::int32_t lparam);
};

class DISPLAYABLE_WIDGET : public DISPLAYABLE_OBJECT {
    ZO_OBJECT(DISPLAYABLE_WIDGET, DISPLAYABLE_OBJECT)
    // The widget's window, written by the runtime; 0 before it exists.
    std::int32_t hwnd = 0;

    std::int32_t internal_handle_message(std::int32_t window, std::int32_t msg, std::int32_t wparam,
                                         std::int32_t lparam);
    void repaint();
};

} // namespace zo

#endif
