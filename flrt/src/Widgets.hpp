// The widget class tree: forms and controls share one virtual interface
// through which the form engine creates, refreshes, validates and tears down
// its children without knowing their kinds.
#ifndef FLRT_WIDGETS_HPP
#define FLRT_WIDGETS_HPP

#include <windows.h>

#include <exception>
#include <initializer_list>
#include <memory>
#include <string>

#include "cflrt_classes.hpp"
#include "cflrt_services.h"
#include "gdi.hpp"
#include "runtime.hpp"

class CFLRT_OwnerForm;

// Reading the form description by chains of property signs.
class PropertyServer {
public:
    static FLF_ITEM Prop(FLF_ITEM item, int sign);
    // The property at the end of the chain, or null as soon as a step is absent.
    static FLF_ITEM Path(FLF_ITEM item, std::initializer_list<int> signs);
    // Typed readings; a missing property reads as 0 / false.
    static int Int(FLF_ITEM item);
    static bool Bool(FLF_ITEM item);
    static bool BoolOr(FLF_ITEM item, bool fallback);
    static const char *String(FLF_ITEM item);
    static char Char(FLF_ITEM item);
    // The first element of the access path stored at the end of the chain (its child 93).
    static FLF_ITEM AccessPath(FLF_ITEM item, std::initializer_list<int> signs);
};

class CFLRT_AbstractWidget : public PropertyServer {
public:
    virtual ~CFLRT_AbstractWidget();

    virtual std::unique_ptr<CFLRT_AbstractWidget> Clone() const = 0;
    virtual bool ReadProperties();
    virtual bool Create(HWND parent, int id) = 0;
    virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
    virtual LRESULT OnNotify(WPARAM wparam, NMHDR *header);
    virtual LRESULT OnCommand(WPARAM wparam, LPARAM lparam);
    virtual LRESULT OnScroll(WPARAM wparam, LPARAM lparam);
    virtual int Refresh(CFLRT_AbstractWidget *changed);
    virtual bool LoadValue(CFLRT_AbstractWidget *changed);
    virtual void StoreValue();
    virtual void UpdateCaption();
    virtual jvalue BoundObject();
    virtual int OnOpen();
    virtual int OnClose();
    virtual int OnActivate();
    virtual int OnDeactivate();
    virtual void OnHandlerException(CFLException *exception);
    virtual void DrawItem(int id, DRAWITEMSTRUCT *item);
    virtual LRESULT MeasureItem(int id, MEASUREITEMSTRUCT *item);
    virtual bool Validate();
    virtual void ShowValidationError(const char *text) = 0;
    virtual void ReportInvalid(const char *message, bool beep) = 0;
    // Brings the widget into view when it lies on a page this control hides.
    virtual void Reveal(CFLRT_AbstractWidget *) {}

    // Set by the form engine on a fresh clone.
    void Attach(FLF_ITEM description, CFLRT_OwnerForm *owner, jobject object);

    CFLRT_OwnerForm *OwnerForm() const { return owner_form_; }
    jobject Object() const { return object_; }
    FLF_ITEM Description() const { return description_; }
    HWND Window() const { return window_; }
    bool AutoRefresh() const { return auto_refresh_; }
    // A control on a tab page that is not shown: refreshes pass it by.
    void SetPageHidden(bool hidden) { page_hidden_ = hidden; }
    COLORREF BackgroundColor() const { return background_color_; }
    HBRUSH BackgroundBrush() const { return background_brush_.get(); }
    // The caption as the description gives it now (a fresh evaluation).
    std::string EvaluateCaption();

    // Runs the routine list; 1 when at least one call was started.
    int RunRoutines(FLF_ITEM list);
    int RunRoutines(std::initializer_list<int> signs) { return RunRoutines(Path(description_, signs)); }
    // Whether every item of the condition list holds; an absent or empty list holds.
    bool Conditions(FLF_ITEM list);
    bool Conditions(std::initializer_list<int> signs) { return Conditions(Path(description_, signs)); }

    // Runs work for this widget where no exception may pass on (a window
    // procedure, a notification, an exported function): a failure ends in
    // OnHandlerException. Answers whether the work finished.
    template <class Work>
    bool Guarded(Work &&work) noexcept
    {
        try {
            work();
            return true;
        } catch (...) {
            HandleFailure(std::current_exception());
        }
        return false;
    }
    // A failure caught on the widget's behalf: reported as a failed handler routine.
    void HandleFailure(std::exception_ptr failure) noexcept;

    // Whether the widget is of class T (or a class derived from it).
    template <class T>
    bool Is() const
    {
        return dynamic_cast<const T *>(this) != nullptr;
    }
    // The widget stored in a window's "Resp" property, or null.
    static CFLRT_AbstractWidget *FromWindow(HWND window);
    // Takes the widget off its window (its window goes, or the widget).
    static void ReleaseWindow(HWND window);

protected:
    CFLRT_AbstractWidget() = default;
    explicit CFLRT_AbstractWidget(const char *window_class) : window_class_(window_class) {}

    // The value of a color property: system colors resolved; kNoColor when absent.
    static bool IsColor(COLORREF value) { return (value & 0x40000000) == 0; }
    static COLORREF ResolveColor(COLORREF value);
    void SetCaptionFromDescription();
    // Whether the window shows this text now.
    bool ShowsText(const char *text) const;
    void StoreWindow(HWND window);

    CFLRT_OwnerForm *owner_form_ = nullptr;
    jobject object_ = nullptr;
    FLF_ITEM description_ = nullptr;
    FLF_ITEM caption_path_ = nullptr;
    char value_tag_ = 0;
    HWND window_ = nullptr;
    HWND parent_window_ = nullptr;
    const char *window_class_ = nullptr;
    DWORD style_ = 0;
    DWORD ex_style_ = 0;
    std::string caption_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool auto_refresh_ = true;
    bool page_hidden_ = false;
    bool handler_busy_ = false;
    COLORREF background_color_ = 0x40000000;

    flrt::BrushHandle background_brush_;
};

// What a control needs of the form it sits on. The form's LoadValue is its
// change notification: a control that changed its value calls it with itself.
class CFLRT_OwnerForm : public CFLRT_AbstractWidget {
public:
    enum Kind { kDialog = 0, kChild = 1, kPopup = 2, kOverlapped = 3, kMdiFrame = 4, kMdiChild = 5, kEmbedded = 6 };

    virtual int FormKind() const = 0;
    // Set while the form's window is the active one.
    virtual bool IsActive() const = 0;
    // The title of the boxes that report a control's failed handler.
    virtual const std::string &CaptionText() const = 0;
    // The pending invalid widget (Validation reporting).
    virtual CFLRT_AbstractWidget *PendingInvalid() const = 0;
    virtual void MakePending(CFLRT_AbstractWidget *widget, const char *message, bool beep) = 0;

protected:
    using CFLRT_AbstractWidget::CFLRT_AbstractWidget;
};

// Every control that lives in a child window of its form.
class CFLRT_CommonControl : public CFLRT_AbstractWidget {
public:
    ~CFLRT_CommonControl() override;
    bool ReadProperties() override;
    bool Create(HWND parent, int id) override;
    void ShowValidationError(const char *text) override;
    void ReportInvalid(const char *message, bool beep) override;
    virtual bool CanLoseFocus(HWND gaining_focus);

    COLORREF TextColor() const { return text_color_; }
    // Removes the widget from its window when the window goes away first.
    void ForgetWindow();

protected:
    using CFLRT_AbstractWidget::CFLRT_AbstractWidget;
    LRESULT CallPrevious(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    // The font the control's own font properties describe.
    LOGFONTA OwnFont() const;

    // Controls that tell clicks apart themselves (a click on a row, not on
    // empty space) run their click routines from their notifications.
    bool clicks_from_button_up_ = true;

private:
    static LRESULT CALLBACK Hook(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void BeforeMessage(UINT message, WPARAM wparam);

    // Whether the description gives the control a font (without a face: the system's face).
    bool has_font_ = false;
    const char *font_face_ = nullptr;
    int font_style_ = 0;
    int font_size_ = 0;
    COLORREF text_color_ = 0x40000000;
    WNDPROC previous_proc_ = nullptr;
};

// Controls without a bound value.
class CFLRT_StaticControl : public CFLRT_CommonControl {
public:
    jvalue BoundObject() override;
    bool Validate() override { return true; }

protected:
    using CFLRT_CommonControl::CFLRT_CommonControl;
};

// Controls bound to an access path of the object.
class CFLRT_DynamicControl : public CFLRT_CommonControl {
public:
    jvalue BoundObject() override;

protected:
    using CFLRT_CommonControl::CFLRT_CommonControl;
    // The bound access path and the tag of its last element; false without a path.
    bool ReadValuePath();
    FLF_ITEM value_path_ = nullptr;
};

// Controls that load a value from the object and store it back.
class CFLRT_EditableControl : public CFLRT_DynamicControl {
public:
    bool ReadProperties() override;
    bool CanLoseFocus(HWND gaining_focus) override;

protected:
    using CFLRT_DynamicControl::CFLRT_DynamicControl;
};

// The base of a widget class whose registry prototype makes its instances:
// a clone is a fresh widget of the class Self (which derives from this) with
// the prototype's window class.
template <class Self, class Base>
class CFLRT_Cloneable : public Base {
public:
    // A widget of the class that makes its window of the window class.
    static std::unique_ptr<CFLRT_AbstractWidget> Make(const char *window_class)
    {
        auto widget = std::make_unique<Self>();
        widget->window_class_ = window_class;
        return widget;
    }
    std::unique_ptr<CFLRT_AbstractWidget> Clone() const override { return Make(this->window_class_); }

protected:
    using Base::Base;
};

class CFLRT_ButtonControl : public CFLRT_Cloneable<CFLRT_ButtonControl, CFLRT_StaticControl> {
public:
    bool ReadProperties() override;
    LRESULT OnCommand(WPARAM wparam, LPARAM lparam) override;
    void DrawItem(int id, DRAWITEMSTRUCT *item) override;

    bool IsCancel() const { return cancel_; }
    bool IsDefault() const { return default_; }

private:
    bool cancel_ = false;
    bool default_ = false;
};

// The controls that only show their caption.
class CFLRT_LabelControl : public CFLRT_Cloneable<CFLRT_LabelControl, CFLRT_StaticControl> {};
class CFLRT_GroupBoxControl : public CFLRT_Cloneable<CFLRT_GroupBoxControl, CFLRT_StaticControl> {};
class CFLRT_PanelControl : public CFLRT_Cloneable<CFLRT_PanelControl, CFLRT_StaticControl> {};

class CFLRT_CheckboxControl : public CFLRT_Cloneable<CFLRT_CheckboxControl, CFLRT_EditableControl> {
public:
    LRESULT OnCommand(WPARAM wparam, LPARAM lparam) override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;
    void StoreValue() override;

protected:
    // Stores, validates and tells the form, or takes the focus back.
    void CommitClick();
};

namespace flrt {

// The widget registry: prototypes by widget kind. A kind above 10000 is an
// embedded form.
class WidgetRegistry {
public:
    // Refused (false) when the kind is present already.
    bool Add(int kind, std::unique_ptr<CFLRT_AbstractWidget> prototype);
    // The prototype of the kind, or null when the kind has no class.
    const CFLRT_AbstractWidget *Find(int kind) const;

private:
    struct Entry;
    std::unique_ptr<Entry[]> entries_;
    int count_ = 0;
    int capacity_ = 0;
};

WidgetRegistry &widget_registry();

// Registers a prototype when the library loads: one line beside each control
// class, naming the window class unless the class names its own.
template <class Widget>
struct RegisterWidget {
    explicit RegisterWidget(int kind) { widget_registry().Add(kind, std::make_unique<Widget>()); }
    RegisterWidget(int kind, const char *window_class) { widget_registry().Add(kind, Widget::Make(window_class)); }
};

// The wait cursor shows while the object lets it; the previous cursor comes back.
class WaitCursor : ScopedChange {
public:
    WaitCursor();
    ~WaitCursor();
    static void Load();

private:
    HCURSOR previous_ = nullptr;
    bool shown_ = false;
};

// The runtime's own failures as they are (thrown by pointer, owned from here
// on); any other exception (the application's) wrapped, so that it is
// reported as a failed routine is.
std::unique_ptr<CFLException> as_runtime_failure(std::exception_ptr failure);
// A failure no widget can take: reported, then the process ends.
[[noreturn]] void end_with_failure(std::exception_ptr failure) noexcept;
// Runs an exported function's work; no exception leaves it.
template <class Work>
void guard_export(Work &&work) noexcept
{
    try {
        work();
    } catch (...) {
        end_with_failure(std::current_exception());
    }
}

// Caption of validation message boxes (string 2 of the runtime's table).
const char *validation_caption();

constexpr UINT kReportInvalidMessage = WM_USER + 101;
constexpr UINT kHandlerBoxFlags = MB_ICONHAND | MB_TASKMODAL | MB_SETFOREGROUND;

} // namespace flrt

#endif
