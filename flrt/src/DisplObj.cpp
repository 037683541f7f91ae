// The displayable-object widget: a child window that the bound object draws
// and drives itself. Every message of the window goes to the object's routine
// internal_handle_message; an answer other than 0 asks for the default handling.
#include "Widgets.hpp"

#include "fl_constants.h"
#include "runtime.hpp"

namespace {

constexpr const char *kModule = "DisplObj";
// The bound path is read as every control with a value reads it, and reported alike.
constexpr const char *kClassName = "DisplayableObject";

// A field of the object's class, or null (a missing field leaves no pending failure).
// The table may rewrite the signature, so it must be writable.
jfieldID field_of(JNIEnv *env, jobject object, const char *name, char *signature)
{
    jfieldID field = env->GetFieldID(env->GetObjectClass(object), name, signature);
    if (!field)
        env->ExceptionClear();
    return field;
}

void set_int_field(jobject object, const char *name, int value)
{
    JNIEnv *env = flrt::table();
    char signature[] = "I";
    if (jfieldID field = field_of(env, object, name, signature))
        env->SetIntField(object, field, value);
}

jobject object_field(jobject object, const char *name)
{
    JNIEnv *env = flrt::table();
    char signature[] = "Ljava/lang/Object;";
    jfieldID field = field_of(env, object, name, signature);
    if (!field)
        return nullptr;
    // The application's table reads references as integers (it rewrites the letter to I).
    if (signature[0] == 'L')
        return env->GetObjectField(object, field);
    return reinterpret_cast<jobject>(static_cast<intptr_t>(env->GetIntField(object, field)));
}

} // namespace

class CFLRT_DisplayableObject : public CFLRT_Cloneable<CFLRT_DisplayableObject, CFLRT_DynamicControl> {
public:
    bool ReadProperties() override;
    bool Create(HWND parent, int id) override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static void RegisterClassOnce();
    bool FindHandler();
    void PublishArea();
    LRESULT DefaultHandling(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void PaintText(HWND window);

    LRESULT Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    // Kept while the widget lives: a separate form outlives the call that
    // showed it, and the object may come from a function that nothing else holds.
    flrt::KeptObjects kept_;
    jobject displayed_ = nullptr;
    jmethodID handler_ = nullptr;
};

void CFLRT_DisplayableObject::RegisterClassOnce()
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA window_class{};
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = &CFLRT_DisplayableObject::WindowProc;
    window_class.hInstance = flrt::module_instance();
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    window_class.lpszClassName = kClassName;
    registered = RegisterClassA(&window_class) != 0;
    if (!registered)
        flrt_assert_msg("Can't register DisplayableObject widget class", kModule, __LINE__);
}

bool CFLRT_DisplayableObject::FindHandler()
{
    JNIEnv *env = flrt::table();
    handler_ = env->GetMethodID(env->GetObjectClass(displayed_), "internal_handle_message", "(IIII)I");
    if (handler_)
        return true;
    env->ExceptionClear();
    flrt_assert_msg("Object associated with DisplayableObject widget should function \"internal_handle_message\"",
                    kModule, __LINE__);
    return false;
}

void CFLRT_DisplayableObject::PublishArea()
{
    jobject area = object_field(displayed_, "area");
    if (!area)
        return;
    set_int_field(area, "left", left_);
    set_int_field(area, "top", top_);
    set_int_field(area, "right", left_ + width_);
    set_int_field(area, "bottom", top_ + height_);
    flrt::delete_local(area);
}

bool CFLRT_DisplayableObject::ReadProperties()
{
    if (!CFLRT_CommonControl::ReadProperties() || !ReadValuePath())
        return false;
    RegisterClassOnce();
    kept_.Release();
    displayed_ = kept_.Keep(BoundObject().l);
    if (!displayed_) {
        flrt_assert_msg("Object associated with DisplayableObject widget cannot be Void", kModule, __LINE__);
        return false;
    }
    if (!FindHandler())
        return false;
    PublishArea();
    return true;
}

bool CFLRT_DisplayableObject::Create(HWND parent, int id)
{
    if (!CFLRT_CommonControl::Create(parent, id))
        return false;
    set_int_field(displayed_, "hWnd", static_cast<int>(reinterpret_cast<INT_PTR>(window_)));
    return true;
}

bool CFLRT_DisplayableObject::LoadValue(CFLRT_AbstractWidget *)
{
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
    return true;
}

LRESULT CALLBACK CFLRT_DisplayableObject::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto *widget = dynamic_cast<CFLRT_DisplayableObject *>(FromWindow(window));
    if (!widget)
        return DefWindowProcA(window, message, wparam, lparam);
    try {
        return widget->Handle(window, message, wparam, lparam);
    } catch (...) {
        // A paint that failed leaves the window valid: the report's box would
        // otherwise make it paint, and fail, again while the report is shown.
        if (message == WM_PAINT)
            ValidateRect(window, nullptr);
        widget->HandleFailure(std::current_exception());
    }
    return 0;
}

LRESULT CFLRT_DisplayableObject::Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    const jvalue arguments[] = {flrt::int_value(static_cast<jint>(reinterpret_cast<INT_PTR>(window))),
                                flrt::int_value(static_cast<jint>(message)), flrt::int_value(static_cast<jint>(wparam)),
                                flrt::int_value(static_cast<jint>(lparam))};
    // The application's table raises the application's own exceptions.
    jint answer = flrt::table()->CallIntMethodA(displayed_, handler_, arguments);
    // A Java exception of the handler leaves the message to the default handling.
    if (!flrt::table_is_emulated() && flrt::exception_taken())
        answer = 1;
    if (answer == 0)
        return 0;
    // The object may have closed the form, and so deleted the widget, meanwhile.
    auto *widget = dynamic_cast<CFLRT_DisplayableObject *>(FromWindow(window));
    if (!widget)
        return DefWindowProcA(window, message, wparam, lparam);
    return widget->DefaultHandling(window, message, wparam, lparam);
}

LRESULT CFLRT_DisplayableObject::DefaultHandling(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT: PaintText(window); return 0;
    case WM_ERASEBKGND:
        if (!background_brush_)
            break;
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wparam), &client, background_brush_.get());
        return 1;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void CFLRT_DisplayableObject::PaintText(HWND window)
{
    char text[256] = "";
    if (GetWindowTextA(window, text, sizeof text) <= 0)
        lstrcpynA(text, kClassName, sizeof text);
    gdi::PaintDc dc(window);
    RECT client;
    GetClientRect(window, &client);
    const int mode = SetBkMode(dc.get(), TRANSPARENT);
    // Vertical centring needs a single line.
    DrawTextA(dc.get(), text, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetBkMode(dc.get(), mode);
}

namespace {
flrt::RegisterWidget<CFLRT_DisplayableObject> g_displayable_object(FL_kind_displayable_object, kClassName);
} // namespace
