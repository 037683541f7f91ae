// Forms: windows built from one form description and bound to one object,
// with their controls, menu, modal loop and place in the tree of open forms.
#ifndef FLRT_FORM_HPP
#define FLRT_FORM_HPP

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Widgets.hpp"

class CFLRT_Menu;

namespace flrt {

// The widgets of a form in control-id order. The list owns them; walking it
// and indexing it give plain pointers.
class WidgetList {
    using Owned = std::vector<std::unique_ptr<CFLRT_AbstractWidget>>;

public:
    class Iterator {
    public:
        explicit Iterator(Owned::const_iterator at) : at_(at) {}
        CFLRT_AbstractWidget *operator*() const { return at_->get(); }
        Iterator &operator++()
        {
            ++at_;
            return *this;
        }
        bool operator!=(const Iterator &other) const { return at_ != other.at_; }

    private:
        Owned::const_iterator at_;
    };

    Iterator begin() const { return Iterator(widgets_.begin()); }
    Iterator end() const { return Iterator(widgets_.end()); }
    size_t size() const { return widgets_.size(); }
    CFLRT_AbstractWidget *operator[](size_t index) const { return widgets_[index].get(); }
    void push_back(std::unique_ptr<CFLRT_AbstractWidget> widget) { widgets_.push_back(std::move(widget)); }
    // Gives up the widgets.
    Owned Take() { return std::exchange(widgets_, {}); }
    void clear() { widgets_.clear(); }

private:
    Owned widgets_;
};

} // namespace flrt

class CFLRT_Form : public CFLRT_Cloneable<CFLRT_Form, CFLRT_OwnerForm> {
public:
    CFLRT_Form();
    CFLRT_Form(FLF_ITEM description, jobject object, const char *class_name);
    ~CFLRT_Form() override;

    bool ReadProperties() override;
    bool Create(HWND parent, int id) override;
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    LRESULT OnNotify(WPARAM wparam, NMHDR *header) override;
    LRESULT OnCommand(WPARAM wparam, LPARAM lparam) override;
    LRESULT OnScroll(WPARAM wparam, LPARAM lparam) override;
    int Refresh(CFLRT_AbstractWidget *changed) override;
    bool LoadValue(CFLRT_AbstractWidget *changed) override;
    bool Validate() override;
    jvalue BoundObject() override;
    int OnOpen() override;
    int OnClose() override;
    int OnActivate() override;
    int OnDeactivate() override;
    void DrawItem(int id, DRAWITEMSTRUCT *item) override;
    LRESULT MeasureItem(int id, MEASUREITEMSTRUCT *item) override;
    void ShowValidationError(const char *text) override;
    void ReportInvalid(const char *message, bool beep) override;

    // Shows the form: modal forms answer their acceptance once closed.
    bool Open();
    // Closes with or without acceptance; false when validation refused it.
    bool Close(bool accept);

    int FormKind() const override { return kind_; }
    bool IsActive() const override { return active_; }
    const std::string &CaptionText() const override { return caption_; }
    const flrt::WidgetList &Widgets() const { return widgets_; }
    const std::vector<CFLRT_Form *> &ChildForms() const { return child_forms_; }
    const std::string &ClassName() const { return class_name_; }

    // Takes a widget of another form into this one (a tab page's controls
    // live in the form of their tab control); answers its control id.
    int AdoptWidget(std::unique_ptr<CFLRT_AbstractWidget> widget);
    // Gives up the widgets, which the caller adopts elsewhere.
    std::vector<std::unique_ptr<CFLRT_AbstractWidget>> TakeWidgets();
    // The control with this id among those in this form's window: its own
    // controls and those of the forms it embeds. Null when none has it.
    CFLRT_AbstractWidget *ControlWithId(int id) const;

    CFLRT_AbstractWidget *PendingInvalid() const override { return pending_invalid_; }
    void MakePending(CFLRT_AbstractWidget *widget, const char *message, bool beep) override;

    // Form update after a change and its parts.
    void RefreshContents(CFLRT_AbstractWidget *changed, bool forced);
    bool ValidateWhole();
    // Separate forms and MDI children live until their window is destroyed.
    bool DeletesWithWindow() const;

private:
    void MakeWidgets();
    // A form among another form's controls (an item of a kind above 10000).
    bool IsEmbeddedWidget() const;
    bool CreateDialogWindow(HWND parent);
    bool CreatePlainWindow(HWND parent, const char *class_pattern, WNDPROC procedure);
    bool CreateMdiChildWindow();
    bool RegisterFormClass(const char *class_pattern, WNDPROC procedure, std::string &name);
    void UnregisterFormClass();
    bool CreateMdiClient();
    void AttachToTree();
    bool RunModalLoop();
    LRESULT OnDialogKey(int id);
    void RunMenuCommand(int id);
    LRESULT OnControlCommand(CFLRT_AbstractWidget *control, WPARAM wparam, LPARAM lparam);
    void OnNcActivate(bool active);
    void EraseBackground(HDC dc);
    LRESULT ColorControl(UINT message, HDC dc, HWND control);
    void OnInitMenu();
    void ReportPending();
    void PublishWindowHandle(HWND handle);
    void OnWindowDestroyed();
    HWND ControlParent() const;
    // A block of control ids, distinct from every other in this form's window,
    // for the controls of a form embedded in it.
    int ReserveEmbeddedIds();
    CFLRT_AbstractWidget *OwnControlWithId(int id) const;

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK MdiChildProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK ClientHook(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static void RefreshWindowList();
    static bool Dispatch(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT &result);
    // The form's answer when it handled the message with a result, else the fallback's.
    template <class Fallback>
    static LRESULT DispatchOr(HWND window, UINT message, WPARAM wparam, LPARAM lparam, Fallback fallback);

    friend class FormTree;

    flrt::WidgetList widgets_;
    std::unique_ptr<CFLRT_Menu> menu_;
    bool centered_ = false;
    int kind_ = kDialog;
    bool result_ = false;
    bool modal_ = true;
    bool separate_ = false;
    bool closed_ = false;
    bool active_ = false;
    bool single_instance_ = false;
    bool initialised_ = false;
    // Control ids: a form's own from 100 in list order; the controls of
    // embedded forms from 0x2000 up, in blocks of 256 ids, clear of the ids
    // of menu commands, the MDI client and MDI children.
    static constexpr int kFirstControlId = 100;
    static constexpr int kFirstEmbeddedId = 0x2000;
    static constexpr int kEmbeddedIdBlock = 0x100;
    int first_control_id_ = kFirstControlId;
    int next_embedded_id_ = kFirstEmbeddedId;
    CFLRT_AbstractWidget *pending_invalid_ = nullptr;
    // The report waiting in the queue: its text (a copy) and whether it shows a box.
    std::optional<std::string> pending_text_;
    bool pending_shows_message_ = true;
    bool pending_beep_ = false;
    std::string class_name_;
    // The window class registered for this form's window, until it is taken out.
    std::string registered_class_;
    std::vector<CFLRT_Form *> child_forms_;
    CFLRT_Form *parent_form_ = nullptr;
    // A Java object of a form that outlives the native call that opened it.
    bool holds_global_reference_ = false;
    JNIEnv *reference_table_ = nullptr;
};

namespace flrt {

// The engine's entries for the exported functions.
bool display_form(jobject object, const char *class_name, FLF_ITEM description);
// False when no open form has the object (or none is open).
bool close_form(jobject object, bool accept);
// False when no form is open.
bool update_widget(jobject object, bool all);
// Nothing when no form is current.
std::optional<bool> validate_widget(jobject object, bool with_children, bool quiet);

void make_current(CFLRT_Form *form);

} // namespace flrt

#endif
