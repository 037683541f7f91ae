// The shared behaviour of forms and controls: reading the description,
// creating the child window and hooking it, refresh, routine and condition
// lists, handler exceptions, validation reporting, focus rules; the widget
// registry; the push button, label, group box, panel and check box.
#include "Widgets.hpp"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "cflrt_res.h"
#include "fl_constants.h"
#include "runtime.hpp"
#include "text.hpp"

namespace {

constexpr const char *kModule = "Widgets";
constexpr const char *kWidgetProperty = "Resp";

// The widget of every window the runtime made, as the windows' "Resp"
// property holds it. The property stays for whoever reads it; the runtime's
// own lookups, several for every message a control gets, are answered here
// without a trip to the window server.
std::unordered_map<HWND, CFLRT_AbstractWidget *> &widget_windows()
{
    static std::unordered_map<HWND, CFLRT_AbstractWidget *> windows;
    return windows;
}

// An exception of the application's own, not the runtime's: when nothing in
// the form handles it, it goes on to the process's path for unhandled
// exceptions (std::terminate and its handler) instead of through the window system.
class ApplicationException : public CFLException {
public:
    explicit ApplicationException(std::exception_ptr failure) : failure_(std::move(failure)) {}
    void Report() override { Rethrow(); }

private:
    void Rethrow() noexcept { std::rethrow_exception(failure_); }
    std::exception_ptr failure_;
};

} // namespace

std::unique_ptr<CFLException> flrt::as_runtime_failure(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (CFLException *exception) {
        return std::unique_ptr<CFLException>(exception);
    } catch (...) {
        return std::make_unique<ApplicationException>(std::current_exception());
    }
}

void flrt::end_with_failure(std::exception_ptr failure) noexcept
{
    try {
        as_runtime_failure(failure)->Report();
    } catch (...) {
        // A failure while reporting: the process ends all the same.
    }
    ExitProcess(static_cast<UINT>(-1));
}

// ---- PropertyServer ----

FLF_ITEM PropertyServer::Prop(FLF_ITEM item, int sign)
{
    return item ? flf_get_prop(item, sign) : nullptr;
}

FLF_ITEM PropertyServer::Path(FLF_ITEM item, std::initializer_list<int> signs)
{
    for (int sign : signs)
        item = Prop(item, sign);
    return item;
}

int PropertyServer::Int(FLF_ITEM item)
{
    return item ? flf_get_prop_int(item) : 0;
}

bool PropertyServer::Bool(FLF_ITEM item)
{
    return item && flf_get_prop_boo(item) != 0;
}

bool PropertyServer::BoolOr(FLF_ITEM item, bool fallback)
{
    return item ? flf_get_prop_boo(item) != 0 : fallback;
}

const char *PropertyServer::String(FLF_ITEM item)
{
    return item ? flf_get_prop_str(item) : nullptr;
}

char PropertyServer::Char(FLF_ITEM item)
{
    return item ? flf_get_prop_char(item) : 0;
}

FLF_ITEM PropertyServer::AccessPath(FLF_ITEM item, std::initializer_list<int> signs)
{
    return Prop(Path(item, signs), FL_path);
}

// ---- CFLRT_AbstractWidget ----

CFLRT_AbstractWidget::~CFLRT_AbstractWidget() = default;

void CFLRT_AbstractWidget::Attach(FLF_ITEM description, CFLRT_OwnerForm *owner, jobject object)
{
    description_ = description;
    owner_form_ = owner;
    object_ = object;
}

CFLRT_AbstractWidget *CFLRT_AbstractWidget::FromWindow(HWND window)
{
    if (!window)
        return nullptr;
    const auto &windows = widget_windows();
    const auto found = windows.find(window);
    return found != windows.end() ? found->second : nullptr;
}

void CFLRT_AbstractWidget::ReleaseWindow(HWND window)
{
    if (!window)
        return;
    RemovePropA(window, kWidgetProperty);
    widget_windows().erase(window);
}

void CFLRT_AbstractWidget::StoreWindow(HWND window)
{
    window_ = window;
    SetPropA(window, kWidgetProperty, this);
    widget_windows()[window] = this;
}

COLORREF CFLRT_AbstractWidget::ResolveColor(COLORREF value)
{
    return (value & 0x80000000) ? GetSysColor(static_cast<int>(value & 0x7FFFFFFF)) : value;
}

std::string CFLRT_AbstractWidget::EvaluateCaption()
{
    FLF_ITEM path = AccessPath(description_, {FL_properties, FL_window, FL_caption});
    if (!path)
        return "";
    const char *text = javaapi_get_string(object_, path);
    return text ? text : "";
}

bool CFLRT_AbstractWidget::ReadProperties()
{
    FLF_ITEM window = Path(description_, {FL_properties, FL_window});
    style_ = static_cast<DWORD>(Int(Prop(window, FL_style)));
    ex_style_ = static_cast<DWORD>(Int(Prop(window, FL_ex_style)));
    if (!object_)
        flrt_assert(kModule, __LINE__);
    caption_path_ = AccessPath(window, {FL_caption});
    caption_ = EvaluateCaption();
    FLF_ITEM geometry = Prop(description_, FL_geometry);
    left_ = Int(Prop(geometry, FL_left));
    top_ = Int(Prop(geometry, FL_top));
    width_ = Int(Prop(geometry, FL_width));
    height_ = Int(Prop(geometry, FL_height));
    auto_refresh_ = BoolOr(Prop(window, FL_auto_refresh), auto_refresh_);
    background_color_ = static_cast<COLORREF>(Int(Prop(window, FL_background)));
    background_brush_.reset();
    if (IsColor(background_color_))
        background_brush_.reset(CreateSolidBrush(ResolveColor(background_color_)));
    return true;
}

LRESULT CFLRT_AbstractWidget::HandleMessage(UINT, WPARAM, LPARAM)
{
    return 0;
}

LRESULT CFLRT_AbstractWidget::OnNotify(WPARAM, NMHDR *)
{
    return 0;
}

LRESULT CFLRT_AbstractWidget::OnCommand(WPARAM, LPARAM)
{
    return 0;
}

LRESULT CFLRT_AbstractWidget::OnScroll(WPARAM, LPARAM)
{
    return 0;
}

int CFLRT_AbstractWidget::Refresh(CFLRT_AbstractWidget *changed)
{
    if (page_hidden_)
        return 1;
    try {
        const bool visible = Conditions({FL_routines, FL_conditions, FL_visible});
        if (!(visible && IsWindowVisible(window_)))
            ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
        if (!visible)
            return 1;
        UpdateCaption();
        const bool loaded = LoadValue(changed);
        const bool enabled = loaded && std::toupper(static_cast<unsigned char>(value_tag_)) != 'L' &&
                             Conditions({FL_routines, FL_conditions, FL_enabled});
        if (!(enabled && IsWindowEnabled(window_)))
            EnableWindow(window_, enabled);
    } catch (...) {
        HandleFailure(std::current_exception());
    }
    return 1;
}

bool CFLRT_AbstractWidget::LoadValue(CFLRT_AbstractWidget *)
{
    return true;
}

void CFLRT_AbstractWidget::StoreValue() {}

void CFLRT_AbstractWidget::UpdateCaption()
{
    if (!caption_path_ || javaapi_is_literal(caption_path_))
        return;
    const char *text = javaapi_get_string(object_, caption_path_);
    if (!text)
        text = "";
    // Setting the same text again would only repaint the window (a form's title bar too).
    if (ShowsText(text))
        return;
    SetWindowTextA(window_, text);
}

bool CFLRT_AbstractWidget::ShowsText(const char *text) const
{
    const size_t length = std::strlen(text);
    if (static_cast<size_t>(GetWindowTextLengthA(window_)) != length)
        return false;
    std::string shown(length + 1, '\0');
    shown.resize(static_cast<size_t>(GetWindowTextA(window_, shown.data(), static_cast<int>(shown.size()))));
    return shown == text;
}

jvalue CFLRT_AbstractWidget::BoundObject()
{
    return flrt::object_value(object_);
}

int CFLRT_AbstractWidget::OnOpen()
{
    return RunRoutines({FL_routines, FL_events, FL_on_open});
}

int CFLRT_AbstractWidget::OnClose()
{
    return RunRoutines({FL_routines, FL_events, FL_on_close});
}

int CFLRT_AbstractWidget::OnActivate()
{
    return RunRoutines({FL_routines, FL_events, FL_on_activate});
}

int CFLRT_AbstractWidget::OnDeactivate()
{
    return RunRoutines({FL_routines, FL_events, FL_on_deactivate});
}

int CFLRT_AbstractWidget::RunRoutines(FLF_ITEM list)
{
    if (!list || flf_get_children_count(list) < 1)
        return 0;
    flrt::WaitCursor wait;
    bool started = false;
    try {
        for (int position = flf_get_first_prop_position(list); position;
             position = flf_get_next_prop_position(list, position)) {
            started = true;
            javaapi_call_procedure(object_, flf_item_by_position(list, position));
        }
    } catch (...) {
        HandleFailure(std::current_exception());
    }
    return started ? 1 : 0;
}

bool CFLRT_AbstractWidget::Conditions(FLF_ITEM list)
{
    if (!list)
        return true;
    for (int position = flf_get_first_prop_position(list); position;
         position = flf_get_next_prop_position(list, position)) {
        FLF_ITEM item = flf_item_by_position(list, position);
        jvalue value = javaapi_get_value(object_, item);
        const bool holds = flf_get_prop(item, FL_low_byte) ? (value.i & 0xFF) != 0 : value.j != 0;
        if (!holds)
            return false;
    }
    return true;
}

void CFLRT_AbstractWidget::OnHandlerException(CFLException *exception)
{
    bool handled = false;
    if (!handler_busy_) {
        handler_busy_ = true;
        if (FLF_ITEM group = Prop(description_, FL_exceptions)) {
            if (FLF_ITEM message = AccessPath(group, {FL_message})) {
                if (const char *text = javaapi_get_string(object_, message)) {
                    const std::string caption = owner_form_ ? owner_form_->CaptionText() : caption_;
                    flrt::show_box(window_, text, caption.c_str(), flrt::kHandlerBoxFlags);
                    handled = true;
                }
            }
            if (FLF_ITEM routines = Prop(group, FL_routines))
                handled = RunRoutines(routines) == 1 || handled;
        }
        handler_busy_ = false;
    }
    if (!handled) {
        exception->Report();
        ExitProcess(static_cast<UINT>(-1));
    }
}

void CFLRT_AbstractWidget::HandleFailure(std::exception_ptr failure) noexcept
{
    std::unique_ptr<CFLException> exception;
    try {
        exception = flrt::as_runtime_failure(failure);
        OnHandlerException(exception.get());
    } catch (...) {
        // A second failure while the first is handled ends the process.
        exception.reset();
        flrt::end_with_failure(std::current_exception());
    }
}

void CFLRT_AbstractWidget::DrawItem(int, DRAWITEMSTRUCT *) {}

LRESULT CFLRT_AbstractWidget::MeasureItem(int, MEASUREITEMSTRUCT *)
{
    return 0;
}

bool CFLRT_AbstractWidget::Validate()
{
    if (Conditions({FL_routines, FL_conditions, FL_valid}))
        return true;
    FLF_ITEM group = Path(description_, {FL_properties, FL_validation});
    if (!group)
        flrt_assert_msg("FL_Validate not set", kModule, __LINE__);
    const bool beep = BoolOr(Prop(group, FL_beep), true);
    if (!BoolOr(Prop(group, FL_show_message), true)) {
        ReportInvalid(nullptr, beep);
        return false;
    }
    const char *message = nullptr;
    if (FLF_ITEM path = AccessPath(group, {FL_message}))
        message = javaapi_get_string(object_, path);
    ReportInvalid(message && *message ? message : "Invalid value", beep);
    return false;
}

// ---- CFLRT_CommonControl ----

CFLRT_CommonControl::~CFLRT_CommonControl()
{
    if (window_) {
        HWND window = window_;
        ForgetWindow();
        DestroyWindow(window);
    }
}

bool CFLRT_CommonControl::ReadProperties()
{
    if (!CFLRT_AbstractWidget::ReadProperties())
        return false;
    FLF_ITEM font = Path(description_, {FL_properties, FL_window, FL_font});
    has_font_ = font != nullptr;
    font_face_ = String(Prop(font, FL_face));
    font_style_ = Int(Prop(font, FL_style));
    font_size_ = Int(Prop(font, FL_point_size));
    text_color_ = static_cast<COLORREF>(Int(Prop(font, FL_text_color)));
    return true;
}

bool CFLRT_CommonControl::Create(HWND parent, int id)
{
    parent_window_ = parent;
    if (!ReadProperties()) {
        flrt::show_box(nullptr, window_class_, "Error getting properties", MB_ICONHAND);
        return false;
    }
    ex_style_ |= WS_EX_NOPARENTNOTIFY;
    style_ = (style_ & ~WS_VISIBLE) | WS_CHILD;
    HWND window =
        CreateWindowExA(ex_style_, window_class_, caption_.c_str(), style_, left_, top_, width_, height_, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), flrt::module_instance(), nullptr);
    if (!window) {
        flrt_assert_msg("Error opening form (Cannot create widget)", kModule, __LINE__);
        return false;
    }
    StoreWindow(window);
    // Without a font group the control keeps the font its window class gives it.
    if (has_font_)
        flrt_set_window_font(window, font_face_, font_size_, font_style_);
    previous_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CFLRT_CommonControl::Hook)));
    return true;
}

void CFLRT_CommonControl::ForgetWindow()
{
    if (!window_)
        return;
    ReleaseWindow(window_);
    if (previous_proc_)
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_proc_));
    window_ = nullptr;
}

LOGFONTA CFLRT_CommonControl::OwnFont() const
{
    return flrt_font_description(font_face_ ? font_face_ : "", font_size_, font_style_);
}

LRESULT CFLRT_CommonControl::CallPrevious(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return CallWindowProcA(previous_proc_, window, message, wparam, lparam);
}

LRESULT CALLBACK CFLRT_CommonControl::Hook(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto *widget = dynamic_cast<CFLRT_CommonControl *>(FromWindow(window));
    if (!widget)
        return 1;
    widget->Guarded([&] { widget->BeforeMessage(message, wparam); });
    // The routines above may have closed the form and destroyed the window.
    widget = dynamic_cast<CFLRT_CommonControl *>(FromWindow(window));
    if (!widget)
        return 0;
    if (message == WM_NCDESTROY) {
        WNDPROC previous = widget->previous_proc_;
        widget->ForgetWindow();
        return CallWindowProcA(previous, window, message, wparam, lparam);
    }
    LRESULT result = 0;
    widget->Guarded([&] { result = widget->CallPrevious(window, message, wparam, lparam); });
    return result;
}

void CFLRT_CommonControl::BeforeMessage(UINT message, WPARAM wparam)
{
    switch (message) {
    case WM_MOUSEMOVE: RunRoutines({FL_routines, FL_mouse, FL_on_mouse_move}); return;
    case WM_LBUTTONDOWN: RunRoutines({FL_routines, FL_mouse, FL_on_button_down}); return;
    case WM_LBUTTONUP:
        RunRoutines({FL_routines, FL_mouse, FL_on_button_up});
        if (clicks_from_button_up_)
            RunRoutines({FL_routines, FL_mouse, FL_on_click});
        return;
    case WM_LBUTTONDBLCLK: RunRoutines({FL_routines, FL_mouse, FL_on_double_click}); return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: break;
    default: return;
    }
    CFLRT_OwnerForm *form = owner_form_;
    if (!form || !(form->FormKind() == CFLRT_OwnerForm::kEmbedded || form->IsActive()) || form->PendingInvalid())
        return;
    if (message == WM_SETFOCUS)
        OnActivate();
    else if (CanLoseFocus(reinterpret_cast<HWND>(wparam)))
        OnDeactivate();
}

bool CFLRT_CommonControl::CanLoseFocus(HWND)
{
    return true;
}

void CFLRT_CommonControl::ShowValidationError(const char *text)
{
    if (!text)
        return;
    HWND owner = owner_form_ ? owner_form_->Window() : nullptr;
    flrt::show_box(owner, text, flrt::validation_caption(), flrt::kHandlerBoxFlags);
}

void CFLRT_CommonControl::ReportInvalid(const char *message, bool beep)
{
    if (owner_form_->PendingInvalid())
        flrt_assert_msg("Invalid widget already assigned", kModule, __LINE__);
    owner_form_->MakePending(this, message, beep);
}

// ---- Static, dynamic and editable controls ----

jvalue CFLRT_StaticControl::BoundObject()
{
    return flrt::object_value();
}

jvalue CFLRT_DynamicControl::BoundObject()
{
    if (!value_path_)
        return flrt::object_value();
    return javaapi_get_value(object_, value_path_);
}

bool CFLRT_EditableControl::ReadProperties()
{
    return CFLRT_CommonControl::ReadProperties() && ReadValuePath();
}

bool CFLRT_DynamicControl::ReadValuePath()
{
    value_path_ = AccessPath(description_, {FL_value});
    if (!value_path_) {
        flrt_assert(kModule, __LINE__);
        return false;
    }
    FLF_ITEM last = value_path_;
    while (FLF_ITEM next = Prop(last, FL_path))
        last = next;
    FLF_ITEM tag = Prop(last, FL_tag);
    if (!tag)
        flrt_assert(kModule, __LINE__);
    value_tag_ = Char(tag);
    return true;
}

bool CFLRT_EditableControl::CanLoseFocus(HWND gaining_focus)
{
    if (auto *button = dynamic_cast<CFLRT_ButtonControl *>(FromWindow(gaining_focus)); button && button->IsCancel())
        return true;
    return Validate();
}

// ---- Push button ----

bool CFLRT_ButtonControl::ReadProperties()
{
    if (!CFLRT_CommonControl::ReadProperties())
        return false;
    cancel_ = Bool(Path(description_, {FL_properties, FL_button, FL_cancel}));
    default_ = (style_ & BS_DEFPUSHBUTTON) != 0;
    if (style_ & BS_USERBUTTON) {
        style_ |= BS_OWNERDRAW;
        if (!IsColor(background_color_))
            background_brush_.reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
    }
    return true;
}

LRESULT CFLRT_ButtonControl::OnCommand(WPARAM, LPARAM)
{
    if (FLF_ITEM routines = Prop(description_, FL_value)) {
        RunRoutines(routines);
        owner_form_->LoadValue(this);
    }
    return 0;
}

namespace {

// How the button style places the text on one axis: the near or far edge, or
// centred for both bits or none.
struct TextAlignment {
    DWORD mask;
    DWORD near_style;
    UINT near_format;
    DWORD far_style;
    UINT far_format;
    UINT centred_format;
};

constexpr TextAlignment kButtonTextAlignments[] = {
    {BS_VCENTER, BS_TOP, DT_TOP, BS_BOTTOM, DT_BOTTOM, DT_VCENTER},
    {BS_CENTER, BS_LEFT, DT_LEFT, BS_RIGHT, DT_RIGHT, DT_CENTER},
};

UINT AlignmentFormat(DWORD style, const TextAlignment &axis)
{
    const DWORD placed = style & axis.mask;
    if (placed == axis.near_style)
        return axis.near_format;
    if (placed == axis.far_style)
        return axis.far_format;
    return axis.centred_format;
}

UINT ButtonTextFormat(DWORD style)
{
    UINT format = DT_NOCLIP;
    if (!(style & BS_MULTILINE))
        format |= DT_SINGLELINE;
    for (const TextAlignment &axis : kButtonTextAlignments)
        format |= AlignmentFormat(style, axis);
    return format;
}

} // namespace

void CFLRT_ButtonControl::DrawItem(int, DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    const bool focused = (item->itemState & ODS_FOCUS) != 0;
    const bool pressed = (item->itemState & ODS_SELECTED) != 0;
    if (focused) {
        MoveToEx(dc, r.left, r.top, nullptr);
        LineTo(dc, r.left, r.bottom - 1);
        LineTo(dc, r.right - 1, r.bottom - 1);
        LineTo(dc, r.right - 1, r.top);
        LineTo(dc, r.left, r.top);
        InflateRect(&r, -1, -1);
    }
    if (pressed)
        DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_FLAT);
    else
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    InflateRect(&r, -2, -2);
    if (background_brush_)
        FillRect(dc, &r, background_brush_.get());
    InflateRect(&r, -1, -1);
    if (focused)
        DrawFocusRect(dc, &r);
    const UINT format = ButtonTextFormat(style_);
    InflateRect(&r, -2, -2);
    if (pressed) {
        r.left += 2;
        r.top += 2;
    }
    const std::string text = EvaluateCaption();
    const int mode = SetBkMode(dc, TRANSPARENT);
    if (!(item->itemState & ODS_DISABLED)) {
        DrawTextA(dc, text.c_str(), -1, &r, format);
    } else {
        const COLORREF previous = SetTextColor(dc, RGB(255, 255, 255));
        RECT embossed = r;
        embossed.left += 2;
        embossed.top += 2;
        DrawTextA(dc, text.c_str(), -1, &embossed, format);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, text.c_str(), -1, &r, format);
        SetTextColor(dc, previous);
    }
    SetBkMode(dc, mode);
}

// ---- Check box ----

bool CFLRT_CheckboxControl::LoadValue(CFLRT_AbstractWidget *)
{
    SendMessageA(window_, BM_SETCHECK, javaapi_get_bool(object_, value_path_) ? BST_CHECKED : BST_UNCHECKED, 0);
    return true;
}

void CFLRT_CheckboxControl::StoreValue()
{
    javaapi_set_bool(object_, value_path_, static_cast<jboolean>(SendMessageA(window_, BM_GETCHECK, 0, 0) & 0xFF));
}

void CFLRT_CheckboxControl::CommitClick()
{
    StoreValue();
    if (Validate())
        owner_form_->LoadValue(this);
    else
        SetFocus(window_);
}

LRESULT CFLRT_CheckboxControl::OnCommand(WPARAM wparam, LPARAM)
{
    if (HIWORD(wparam) == BN_CLICKED)
        CommitClick();
    return 0;
}

// ---- The registry ----

namespace flrt {

struct WidgetRegistry::Entry {
    int kind = 0;
    std::unique_ptr<CFLRT_AbstractWidget> prototype;
};

bool WidgetRegistry::Add(int kind, std::unique_ptr<CFLRT_AbstractWidget> prototype)
{
    Entry *end = entries_.get() + count_;
    Entry *place = std::lower_bound(entries_.get(), end, kind, [](const Entry &e, int k) { return e.kind < k; });
    if (place != end && place->kind == kind)
        return false;
    if (count_ == capacity_) {
        auto grown = std::make_unique<Entry[]>(static_cast<size_t>(capacity_ + 5));
        std::move(entries_.get(), end, grown.get());
        place = grown.get() + (place - entries_.get());
        entries_ = std::move(grown);
        capacity_ += 5;
        end = entries_.get() + count_;
    }
    std::move_backward(place, end, end + 1);
    place->kind = kind;
    place->prototype = std::move(prototype);
    ++count_;
    return true;
}

const CFLRT_AbstractWidget *WidgetRegistry::Find(int kind) const
{
    // Every kind above 10000 is a form embedded by its form sign.
    const int key = kind >= FLF_FIRST_FORM_SIGN ? FLF_FIRST_FORM_SIGN : kind;
    const Entry *begin = entries_.get();
    const Entry *end = begin + count_;
    const Entry *found = std::lower_bound(begin, end, key, [](const Entry &e, int k) { return e.kind < k; });
    return found != end && found->kind == key ? found->prototype.get() : nullptr;
}

WidgetRegistry &widget_registry()
{
    static WidgetRegistry registry;
    return registry;
}

namespace {
RegisterWidget<CFLRT_ButtonControl> g_button(FL_kind_button, "Button");
RegisterWidget<CFLRT_LabelControl> g_label(FL_kind_label, "Static");
RegisterWidget<CFLRT_GroupBoxControl> g_group_box(FL_kind_group_box, "Button");
RegisterWidget<CFLRT_PanelControl> g_panel(FL_kind_panel, "Static");
RegisterWidget<CFLRT_CheckboxControl> g_check_box(FL_kind_check_box, "Button");

HCURSOR g_wait_cursor = nullptr;
} // namespace

void WaitCursor::Load()
{
    if (!g_wait_cursor)
        g_wait_cursor = LoadCursorA(nullptr, IDC_WAIT);
}

WaitCursor::WaitCursor()
{
    if (!g_wait_cursor || GetCursor() == g_wait_cursor)
        return;
    previous_ = SetCursor(g_wait_cursor);
    shown_ = true;
}

WaitCursor::~WaitCursor()
{
    if (shown_)
        SetCursor(previous_);
}

const char *validation_caption()
{
    static CachedString caption(FLRT_STR_VALIDATION, "Validation Error");
    return caption.get();
}

} // namespace flrt
