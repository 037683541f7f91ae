// The form engine: form windows of every kind, the tree of open forms, the
// modal loop, command routing, closing, and the update and validation cycle.
#include "Form.hpp"

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <utility>

#include "DialogTemplate.hpp"
#include "Menus.hpp"
#include "cflrt_res.h"
#include "fl_constants.h"
#include "runtime.hpp"
#include "text.hpp"

namespace {

constexpr const char *kModule = "Form";
constexpr UINT kDeleteMdiChildMessage = WM_USER + 100;
constexpr int kMdiClientId = 3244;
constexpr int kFirstMdiChildId = 4000;
constexpr int kAbortCommand = FLRT_CMD_BREAK;
constexpr DWORD kCenteredStyle = 0x800;
constexpr DWORD kEmbeddedStyleMask = 0xDE00FFFF;
constexpr DWORD kMdiClientStyle = 0x42300001;
constexpr int kPaintRounds = 10000;

// Process-wide engine state.
CFLRT_Form *g_root = nullptr;
CFLRT_Form *g_current = nullptr;
CFLRT_Form *g_mdi_frame = nullptr;
HWND g_mdi_client = nullptr;
WNDPROC g_client_proc = nullptr;
int g_class_counter = 0;
HACCEL g_accelerators = nullptr;
bool g_show_messages = true;
// Forms that exist now.
std::set<CFLRT_Form *> &live_forms()
{
    // Built on first use: the form prototype is made while the library loads.
    static std::set<CFLRT_Form *> forms;
    return forms;
}

// Owns forms. What is left when the process ends is let go, not deleted: the
// application behind the forms' objects may be gone by then, and the system
// takes their windows down with the process.
class OwnedForms {
public:
    ~OwnedForms()
    {
        for (std::unique_ptr<CFLRT_Form> &form : forms_)
            static_cast<void>(form.release());
    }

    void Add(std::unique_ptr<CFLRT_Form> form) { forms_.push_back(std::move(form)); }
    bool Empty() const { return forms_.empty(); }
    // None when the form is not held here.
    std::unique_ptr<CFLRT_Form> Take(const CFLRT_Form *form)
    {
        auto found =
            std::find_if(forms_.begin(), forms_.end(), [form](const auto &held) { return held.get() == form; });
        if (found == forms_.end())
            return nullptr;
        std::unique_ptr<CFLRT_Form> taken = std::move(*found);
        forms_.erase(found);
        return taken;
    }
    std::unique_ptr<CFLRT_Form> TakeLast()
    {
        std::unique_ptr<CFLRT_Form> taken = std::move(forms_.back());
        forms_.pop_back();
        return taken;
    }

private:
    std::vector<std::unique_ptr<CFLRT_Form>> forms_;
};

// Forms that live on with their window after the call that showed them
// returned (separate forms, MDI children), and those whose window is gone,
// waiting to be deleted where no handler of theirs can be on the stack.
OwnedForms g_window_bound;
OwnedForms g_doomed;
int g_loop_depth = 0;

JNIEnv *env()
{
    return flrt::table();
}

using flrt::same_object;

// Whether a control shows the object: compared as objects, not as references
// (a virtual machine hands out a new reference for every read).
bool shows_object(CFLRT_AbstractWidget *widget, jobject object)
{
    flrt::LocalFrame frame;
    return same_object(widget->BoundObject().l, object);
}

// Writes an object's field by name when the object's class has it.
template <class Write>
void write_field(jobject object, const char *name, char letter, Write write)
{
    char signature[2] = {letter, '\0'};
    jclass cls = env()->GetObjectClass(object);
    jfieldID id = cls ? env()->GetFieldID(cls, name, signature) : nullptr;
    if (id)
        write(cls, id);
    else
        env()->ExceptionClear();
}

void delete_doomed_forms()
{
    // Taken out before it is deleted: deleting a form can doom others.
    while (!g_doomed.Empty())
        g_doomed.TakeLast().reset();
}

// Counts the nesting of the engine's message loops.
class LoopLevel {
public:
    LoopLevel() { ++g_loop_depth; }
    ~LoopLevel() { --g_loop_depth; }
    LoopLevel(const LoopLevel &) = delete;
    LoopLevel &operator=(const LoopLevel &) = delete;
};

// Dispatches the pending paint messages of a window and its controls.
void paint_now(HWND window)
{
    MSG message;
    for (int round = 0; round < kPaintRounds && PeekMessageA(&message, window, WM_PAINT, WM_PAINT, PM_REMOVE); ++round)
        DispatchMessageA(&message);
}

CFLRT_Form *find_in_tree(CFLRT_Form *form, const std::function<bool(CFLRT_Form *)> &match)
{
    if (!form)
        return nullptr;
    if (match(form))
        return form;
    for (CFLRT_Form *child : form->ChildForms())
        if (CFLRT_Form *found = find_in_tree(child, match))
            return found;
    return nullptr;
}

} // namespace

// ---- The tree of open forms ----

class FormTree {
public:
    static void Attach(CFLRT_Form *form)
    {
        CFLRT_Form *parent = g_current;
        if (form->kind_ == CFLRT_Form::kMdiChild) {
            if (!g_mdi_frame)
                flrt_assert_msg("You should display MDI Frame window before use MDI child", kModule, __LINE__);
            parent = g_mdi_frame;
        }
        if (!parent) {
            g_root = form;
            return;
        }
        if (form->parent_form_)
            flrt_assert(kModule, __LINE__);
        form->parent_form_ = parent;
        form->owner_form_ = parent;
        parent->child_forms_.push_back(form);
    }

    // Takes the form out of the tree; the engine's references move away from it.
    static void Detach(CFLRT_Form *form)
    {
        if (CFLRT_Form *parent = form->parent_form_) {
            auto &siblings = parent->child_forms_;
            auto found = std::find(siblings.begin(), siblings.end(), form);
            if (found == siblings.end())
                flrt_assert(kModule, __LINE__);
            else
                siblings.erase(found);
        }
        for (CFLRT_Form *child : form->child_forms_)
            child->parent_form_ = nullptr;
        form->child_forms_.clear();
        if (g_current == form)
            g_current = form->parent_form_;
        if (g_root == form)
            g_root = nullptr;
        // Java sees no current object once no form is active.
        if (!g_current && !flrt::table_is_emulated())
            javaapi_set_current_object(nullptr);
        if (g_mdi_frame == form) {
            g_mdi_frame = nullptr;
            g_mdi_client = nullptr;
        }
        form->parent_form_ = nullptr;
    }

    // Refreshes, depth first, the origin and every form that refreshes by itself.
    static void Refresh(CFLRT_Form *form, CFLRT_Form *origin, CFLRT_AbstractWidget *changed)
    {
        if (form == origin || form->auto_refresh_)
            form->RefreshContents(form == origin ? changed : nullptr, false);
        const std::vector<CFLRT_Form *> children = form->child_forms_;
        for (CFLRT_Form *child : children)
            Refresh(child, origin, changed);
    }

    // Refreshes what shows the object; paints at once where something changed.
    static void RefreshObject(CFLRT_Form *form, jobject object, bool all)
    {
        bool marked = false;
        if (same_object(form->object_, object)) {
            form->RefreshContents(nullptr, all);
            marked = true;
        } else {
            for (CFLRT_AbstractWidget *widget : form->widgets_) {
                widget->Guarded([&] {
                    if (shows_object(widget, object)) {
                        widget->Refresh(nullptr);
                        marked = true;
                    }
                });
            }
        }
        const std::vector<CFLRT_Form *> children = form->child_forms_;
        for (CFLRT_Form *child : children)
            RefreshObject(child, object, all);
        if (marked && form->window_)
            paint_now(form->window_);
    }

    static bool ValidateObject(CFLRT_Form *form, jobject object, bool with_children)
    {
        if (same_object(form->object_, object)) {
            if (!form->Validate())
                return false;
            if (with_children)
                for (CFLRT_AbstractWidget *widget : form->widgets_)
                    if (!widget->Validate())
                        return false;
            return true;
        }
        bool matched = false;
        for (CFLRT_AbstractWidget *widget : form->widgets_) {
            if (!shows_object(widget, object))
                continue;
            matched = true;
            if (!widget->Validate())
                return false;
        }
        if (!matched)
            flrt_assert_msg("No widgets found to validate.", kModule, __LINE__);
        return true;
    }

    // Closes every form of the object, depth first; whether any was found.
    static bool CloseObject(CFLRT_Form *form, jobject object, bool accept)
    {
        if (same_object(form->object_, object)) {
            form->Guarded([&] { form->Close(accept); });
            return true;
        }
        bool found = false;
        const std::vector<CFLRT_Form *> children = form->child_forms_;
        for (CFLRT_Form *child : children)
            found = (live_forms().count(child) && CloseObject(child, object, accept)) || found;
        return found;
    }
};

// ---- Construction and destruction ----

// The registry's prototype: never shown, never in the engine's books.
CFLRT_Form::CFLRT_Form() = default;

CFLRT_Form::CFLRT_Form(FLF_ITEM description, jobject object, const char *class_name) : class_name_(class_name)
{
    live_forms().insert(this);
    description_ = description;
    object_ = object;
    MakeWidgets();
}

void CFLRT_Form::MakeWidgets()
{
    FLF_ITEM list = Prop(description_, FL_items);
    if (!list)
        return;
    for (int position = flf_get_first_prop_position(list); position;
         position = flf_get_next_prop_position(list, position)) {
        FLF_ITEM item = flf_item_by_position(list, position);
        const int kind = flf_get_item_sign(item);
        const CFLRT_AbstractWidget *prototype = kind > 0 ? flrt::widget_registry().Find(kind) : nullptr;
        if (!prototype) {
            flrt_assert_msg(flrt::format("OpenForm: Unknown child control %d", kind).c_str(), kModule, __LINE__);
            continue;
        }
        std::unique_ptr<CFLRT_AbstractWidget> widget = prototype->Clone();
        widget->Attach(item, this, object_);
        widgets_.push_back(std::move(widget));
    }
}

int CFLRT_Form::AdoptWidget(std::unique_ptr<CFLRT_AbstractWidget> widget)
{
    widget->Attach(widget->Description(), this, widget->Object());
    widgets_.push_back(std::move(widget));
    return first_control_id_ + static_cast<int>(widgets_.size()) - 1;
}

int CFLRT_Form::ReserveEmbeddedIds()
{
    // Past the last block the numbering starts again: ids stay 16-bit.
    if (next_embedded_id_ + kEmbeddedIdBlock > 0x10000)
        next_embedded_id_ = kFirstEmbeddedId;
    const int first = next_embedded_id_;
    next_embedded_id_ += kEmbeddedIdBlock;
    return first;
}

CFLRT_AbstractWidget *CFLRT_Form::OwnControlWithId(int id) const
{
    const int index = id - first_control_id_;
    return index >= 0 && index < static_cast<int>(widgets_.size()) ? widgets_[static_cast<size_t>(index)] : nullptr;
}

CFLRT_AbstractWidget *CFLRT_Form::ControlWithId(int id) const
{
    // An embedded form's own controls live in its owner's window.
    if (!IsEmbeddedWidget())
        if (CFLRT_AbstractWidget *control = OwnControlWithId(id))
            return control;
    for (CFLRT_AbstractWidget *widget : widgets_) {
        auto *form = dynamic_cast<CFLRT_Form *>(widget);
        if (form && form->IsEmbeddedWidget())
            if (CFLRT_AbstractWidget *control = form->OwnControlWithId(id))
                return control;
    }
    return nullptr;
}

std::vector<std::unique_ptr<CFLRT_AbstractWidget>> CFLRT_Form::TakeWidgets()
{
    return widgets_.Take();
}

CFLRT_Form::~CFLRT_Form()
{
    if (!description_)
        return; // a prototype
    if (window_) {
        // The window goes first, so that it never refers to a deleted form.
        HWND window = window_;
        ReleaseWindow(window);
        window_ = nullptr;
        // The menu object destroys its menu itself; the window must not destroy it too.
        if (menu_ && menu_->Handle() && GetMenu(window) == menu_->Handle())
            SetMenu(window, nullptr);
        DestroyWindow(window);
    }
    UnregisterFormClass();
    FormTree::Detach(this);
    // Widgets given to another form (a tab page's) are no longer in the list.
    widgets_.clear();
    menu_.reset();
    // Given back through the table that gave it, should another be installed meanwhile.
    if (holds_global_reference_)
        reference_table_->DeleteGlobalRef(object_);
    live_forms().erase(this);
}

// ---- Properties and windows ----

bool CFLRT_Form::ReadProperties()
{
    CFLRT_AbstractWidget::ReadProperties();
    centered_ = (style_ & kCenteredStyle) != 0;
    FLF_ITEM group = Path(description_, {FL_properties, FL_form});
    // A description without a kind is shown as a dialog, the common case.
    kind_ = Int(Prop(group, FL_type));
    modal_ = BoolOr(Prop(group, FL_modal), true);
    separate_ = BoolOr(Prop(group, FL_separate), false);
    single_instance_ = BoolOr(Prop(group, FL_single_instance), false);
    return true;
}

HWND CFLRT_Form::ControlParent() const
{
    return kind_ == kEmbedded && owner_form_ ? owner_form_->Window() : window_;
}

bool CFLRT_Form::Create(HWND parent, int)
{
    if (IsEmbeddedWidget()) {
        // A form among another form's controls reads its description as a
        // control does, and makes its own controls now.
        ReadProperties();
        kind_ = kEmbedded;
        MakeWidgets();
        // Its controls share the owner's window: their ids must not be the owner's.
        first_control_id_ = static_cast<CFLRT_Form *>(owner_form_)->ReserveEmbeddedIds();
    }
    parent_window_ = parent;
    switch (kind_) {
    case kDialog: return CreateDialogWindow(parent);
    case kChild:
    case kPopup:
    case kOverlapped:
    case kEmbedded: return CreatePlainWindow(parent, "FLFormClass%d", &CFLRT_Form::FormProc);
    case kMdiFrame:
        if (g_mdi_frame)
            flrt_fatal_detail("You cannot create two MDI Frame at the same time", caption_.c_str());
        g_mdi_frame = this;
        style_ = (style_ & ~WS_VISIBLE) | WS_OVERLAPPEDWINDOW;
        if (!CreatePlainWindow(parent, "FL_MDIFrame%d", &CFLRT_Form::FrameProc))
            return false;
        if (g_mdi_client) {
            ShowWindow(g_mdi_client, SW_SHOW);
            g_client_proc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(g_mdi_client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CFLRT_Form::ClientHook)));
        }
        return true;
    case kMdiChild: return CreateMdiChildWindow();
    }
    flrt_assert_msg("Sorry, Unsupported in this version form type.", kModule, __LINE__);
    return false;
}

bool CFLRT_Form::CreateDialogWindow(HWND parent)
{
    style_ = (style_ & ~WS_VISIBLE) | WS_POPUP | WS_SYSMENU | DS_NOFAILCREATE;
    flrt::DialogTemplate dialog(style_, ex_style_, flrt_pixels_to_dialog_units(left_, top_),
                                flrt_pixels_to_dialog_units(width_, height_), caption_);
    CreateDialogIndirectParamA(flrt::module_instance(), dialog.Get(), parent, &CFLRT_Form::DialogProc,
                               reinterpret_cast<LPARAM>(this));
    return window_ != nullptr;
}

void CFLRT_Form::UnregisterFormClass()
{
    if (registered_class_.empty())
        return;
    // Classes are taken out once their window is gone: otherwise the class
    // table fills after some thousands of forms (and each class would keep the
    // form's background brush, which the form deletes).
    UnregisterClassA(registered_class_.c_str(), flrt::module_instance());
    registered_class_.clear();
}

bool CFLRT_Form::RegisterFormClass(const char *class_pattern, WNDPROC procedure, std::string &name)
{
    name = flrt::format(class_pattern, ++g_class_counter);
    WNDCLASSA form_class = {};
    form_class.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    form_class.lpfnWndProc = procedure;
    form_class.hInstance = flrt::module_instance();
    form_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    form_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    form_class.hbrBackground = background_brush_.get();
    form_class.lpszClassName = name.c_str();
    if (RegisterClassA(&form_class)) {
        registered_class_ = name;
        return true;
    }
    flrt_assert_msg("Error opening form (Can't register form class)", kModule, __LINE__);
    return false;
}

bool CFLRT_Form::CreatePlainWindow(HWND parent, const char *class_pattern, WNDPROC procedure)
{
    std::string class_name;
    if (!RegisterFormClass(class_pattern, procedure, class_name))
        return false;
    style_ &= ~(WS_POPUP | WS_CHILD);
    int left = left_, top = top_, width = width_, height = height_;
    switch (kind_) {
    case kChild: style_ |= WS_CHILD; break;
    case kPopup: {
        RECT area = flrt_rect_from_size(left_, top_, width_, height_);
        AdjustWindowRect(&area, style_ | WS_POPUP, FALSE);
        left = area.left, top = area.top, width = area.right - area.left, height = area.bottom - area.top;
        style_ |= WS_POPUP;
        break;
    }
    case kEmbedded: style_ = (style_ & kEmbeddedStyleMask) | WS_CHILD; break;
    default: break;
    }
    CreateWindowExA(ex_style_, class_name.c_str(), caption_.c_str(), style_, left, top, width, height, parent, nullptr,
                    flrt::module_instance(), this);
    if (!window_)
        flrt_assert_name("Error opening form (Can't create window)", caption_.c_str(), kModule, __LINE__);
    return window_ != nullptr;
}

bool CFLRT_Form::CreateMdiChildWindow()
{
    if (!g_mdi_frame || !g_mdi_client)
        flrt_fatal_detail("Use MDI Frame window as parent of MDI child", caption_.c_str());
    std::string class_name;
    if (!RegisterFormClass("FL_MDIChild%d", &CFLRT_Form::MdiChildProc, class_name))
        return false;
    RECT area = flrt_rect_from_size(0, 0, width_, height_);
    AdjustWindowRect(&area, style_, FALSE);
    MDICREATESTRUCTA request = {};
    request.szClass = class_name.c_str();
    request.szTitle = caption_.c_str();
    request.hOwner = flrt::module_instance();
    request.x = CW_USEDEFAULT;
    request.y = CW_USEDEFAULT;
    request.cx = area.right - area.left;
    request.cy = area.bottom - area.top;
    request.style = style_;
    request.lParam = reinterpret_cast<LPARAM>(this);
    SendMessageA(g_mdi_client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&request));
    RefreshWindowList();
    if (!window_)
        flrt_assert_name("Error opening form (Can't create window)", caption_.c_str(), kModule, __LINE__);
    return window_ != nullptr;
}

bool CFLRT_Form::CreateMdiClient()
{
    CLIENTCREATESTRUCT client = {};
    client.hWindowMenu = menu_ && menu_->Handle() ? GetSubMenu(menu_->Handle(), menu_->WindowMenuPosition()) : nullptr;
    client.idFirstChild = kFirstMdiChildId;
    g_mdi_client =
        CreateWindowExA(0, "mdiclient", nullptr, kMdiClientStyle, 0, 0, 0, 0, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMdiClientId)), flrt::module_instance(), &client);
    if (!g_mdi_client)
        flrt_assert_name("Error opening form (Can't create MDI client window)", caption_.c_str(), kModule, __LINE__);
    return g_mdi_client != nullptr;
}

int CFLRT_Form::OnOpen()
{
    // An embedded form was initialised when its window was made; the owner's
    // later call for every control has nothing left to do.
    if (initialised_)
        return 1;
    initialised_ = true;
    try {
        StoreWindow(window_);
        if (Prop(description_, FL_menu)) {
            menu_ = std::make_unique<CFLRT_Menu>(Prop(description_, FL_menu), this);
            if (menu_->Handle())
                SetMenu(window_, menu_->Handle());
        }
        if (kind_ == kMdiFrame) {
            if (!menu_ || !menu_->Handle())
                flrt_assert_msg("MDI Frame must contain menu", kModule, __LINE__);
            if (!CreateMdiClient())
                return 0;
        }
        if (centered_)
            flrt_center_window(window_, nullptr);
        // Creating a control may add widgets (a tab control's first page),
        // which are created and opened by that control.
        const size_t own_widgets = widgets_.size();
        for (size_t index = 0; index < own_widgets; ++index)
            widgets_[index]->Create(ControlParent(), first_control_id_ + static_cast<int>(index));
        RefreshContents(nullptr, true);
        HINSTANCE instance = flrt::module_instance();
        PostMessageA(window_, WM_SETICON, ICON_BIG,
                     reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(FLRT_ICON_FORM))));
        PostMessageA(window_, WM_SETICON, ICON_SMALL,
                     reinterpret_cast<LPARAM>(LoadIconA(instance, MAKEINTRESOURCEA(FLRT_ICON_FORM_SMALL))));
        CFLRT_AbstractWidget::OnOpen();
        for (size_t index = 0; index < own_widgets; ++index)
            widgets_[index]->OnOpen();
    } catch (...) {
        HandleFailure(std::current_exception());
    }
    return 1;
}

// ---- Window procedures ----

bool CFLRT_Form::Dispatch(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT &result)
{
    CFLRT_Form *form = nullptr;
    if (message == WM_INITDIALOG) {
        form = reinterpret_cast<CFLRT_Form *>(lparam);
    } else if (message == WM_CREATE) {
        auto *creation = reinterpret_cast<CREATESTRUCTA *>(lparam);
        form = static_cast<CFLRT_Form *>(creation->lpCreateParams);
        if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_MDICHILD)
            form = reinterpret_cast<CFLRT_Form *>(static_cast<MDICREATESTRUCTA *>(creation->lpCreateParams)->lParam);
    } else {
        form = dynamic_cast<CFLRT_Form *>(FromWindow(window));
        result = 0;
        if (form)
            form->Guarded([&] { result = form->HandleMessage(message, wparam, lparam); });
        return form != nullptr;
    }
    if (!form) {
        flrt_assert(kModule, __LINE__);
        result = 0;
        return true;
    }
    form->window_ = window;
    form->OnOpen();
    result = 1;
    return true;
}

INT_PTR CALLBACK CFLRT_Form::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    LRESULT result = 0;
    Dispatch(window, message, wparam, lparam, result);
    // A dialog answers a notification through its message result (a tab
    // control that may not change pages is told so).
    if (message == WM_NOTIFY && result) {
        SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return result;
}

template <class Fallback>
LRESULT CFLRT_Form::DispatchOr(HWND window, UINT message, WPARAM wparam, LPARAM lparam, Fallback fallback)
{
    LRESULT result = 0;
    if (Dispatch(window, message, wparam, lparam, result) && result)
        return result;
    return fallback();
}

LRESULT CALLBACK CFLRT_Form::FormProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DispatchOr(window, message, wparam, lparam, [&] { return DefWindowProcA(window, message, wparam, lparam); });
}

LRESULT CALLBACK CFLRT_Form::FrameProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    // The client as it was before the message (a frame's destruction forgets it).
    HWND client = g_mdi_client;
    return DispatchOr(window, message, wparam, lparam,
                      [&] { return DefFrameProcA(window, client, message, wparam, lparam); });
}

LRESULT CALLBACK CFLRT_Form::MdiChildProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return DispatchOr(window, message, wparam, lparam,
                      [&] { return DefMDIChildProcA(window, message, wparam, lparam); });
}

LRESULT CALLBACK CFLRT_Form::ClientHook(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    WNDPROC previous = g_client_proc;
    if (message != WM_MDIDESTROY || !IsWindow(reinterpret_cast<HWND>(wparam)))
        return CallWindowProcA(previous, window, message, wparam, lparam);
    auto *form = dynamic_cast<CFLRT_Form *>(FromWindow(reinterpret_cast<HWND>(wparam)));
    if (form && g_mdi_frame)
        PostMessageA(g_mdi_frame->Window(), kDeleteMdiChildMessage, reinterpret_cast<WPARAM>(form), 0);
    const LRESULT result = CallWindowProcA(previous, window, message, wparam, lparam);
    RefreshWindowList();
    return result;
}

void CFLRT_Form::RefreshWindowList()
{
    // The window menu lists the open children; some systems rebuild it only when asked.
    if (g_mdi_client) {
        SendMessageA(g_mdi_client, WM_MDIREFRESHMENU, 0, 0);
        if (g_mdi_frame && g_mdi_frame->Window())
            DrawMenuBar(g_mdi_frame->Window());
    }
}

bool CFLRT_Form::DeletesWithWindow() const
{
    return separate_ || kind_ == kMdiChild;
}

void CFLRT_Form::OnWindowDestroyed()
{
    closed_ = true;
    // The application's collector may have the object once the form's window
    // is gone (its handle stays the same; a virtual machine's reference is
    // kept until the form is deleted, as handlers may still use it).
    if (holds_global_reference_ && flrt::table_is_emulated()) {
        reference_table_->DeleteGlobalRef(object_);
        holds_global_reference_ = false;
    }
    // A window destroys the menu it shows: the menu object must not destroy it again.
    if (menu_ && menu_->Handle() && GetMenu(window_) == menu_->Handle())
        menu_->Forget();
    ReleaseWindow(window_);
    window_ = nullptr;
    FormTree::Detach(this);
    if (std::unique_ptr<CFLRT_Form> owned = g_window_bound.Take(this))
        g_doomed.Add(std::move(owned));
}

LRESULT CFLRT_Form::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_DESTROY: OnWindowDestroyed(); return 1;
    case WM_ACTIVATE:
        if (LOWORD(wparam) == WA_INACTIVE) {
            OnDeactivate();
        } else {
            // A window activated before it is the foreground window gets
            // WM_NCACTIVATE false (Wine does so), yet it is the active one.
            active_ = true;
            flrt::make_current(this);
            OnActivate();
        }
        return 0;
    case WM_CHILDACTIVATE:
        if (kind_ != kChild && kind_ != kEmbedded)
            flrt::make_current(this);
        OnActivate();
        return 0;
    case WM_NCACTIVATE: OnNcActivate(wparam != 0); return 0;
    case WM_GETMINMAXINFO:
        if (!(style_ & WS_THICKFRAME)) {
            auto *limits = reinterpret_cast<MINMAXINFO *>(lparam);
            limits->ptMinTrackSize = limits->ptMaxTrackSize = POINT{width_, height_};
        }
        return 0;
    case WM_ERASEBKGND: EraseBackground(reinterpret_cast<HDC>(wparam)); return 1;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return ColorControl(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_COMMAND: return OnCommand(wparam, lparam);
    case WM_NOTIFY: return OnNotify(wparam, reinterpret_cast<NMHDR *>(lparam));
    case WM_HSCROLL:
    case WM_VSCROLL: return OnScroll(wparam, lparam);
    case WM_DRAWITEM: DrawItem(static_cast<int>(wparam), reinterpret_cast<DRAWITEMSTRUCT *>(lparam)); return 0;
    case WM_MEASUREITEM: return MeasureItem(static_cast<int>(wparam), reinterpret_cast<MEASUREITEMSTRUCT *>(lparam));
    case WM_INITMENU: OnInitMenu(); return 0;
    case WM_MOUSEMOVE: RunRoutines({FL_routines, FL_mouse, FL_on_mouse_move}); return 0;
    case WM_LBUTTONDOWN: RunRoutines({FL_routines, FL_mouse, FL_on_button_down}); return 0;
    case WM_LBUTTONUP:
        RunRoutines({FL_routines, FL_mouse, FL_on_button_up});
        RunRoutines({FL_routines, FL_mouse, FL_on_click});
        return 0;
    case WM_LBUTTONDBLCLK: RunRoutines({FL_routines, FL_mouse, FL_on_double_click}); return 0;
    case WM_MDITILE:
    case WM_MDICASCADE:
    case WM_MDIICONARRANGE:
        if (g_mdi_client)
            PostMessageA(g_mdi_client, message, 0, 0);
        return 0;
    case kDeleteMdiChildMessage: {
        auto *form = reinterpret_cast<CFLRT_Form *>(wparam);
        // The client destroyed the child's window already; a form that is gone is left alone.
        if (live_forms().count(form) && form->Window())
            DestroyWindow(form->Window());
        return 0;
    }
    case flrt::kReportInvalidMessage: ReportPending(); return 0;
    }
    return 0;
}

void CFLRT_Form::OnNcActivate(bool active)
{
    active_ = active;
    if (!active && g_current == this)
        flrt::make_current(parent_form_);
}

void CFLRT_Form::EraseBackground(HDC dc)
{
    const COLORREF stored = static_cast<COLORREF>(Int(Path(description_, {FL_properties, FL_window, FL_background})));
    COLORREF color = stored;
    if (stored & 0x80000000)
        color = GetSysColor(static_cast<int>(stored & 0x7FFFFFFF));
    else if (stored & 0x40000000)
        color = GetSysColor(COLOR_BTNFACE);
    RECT client;
    GetClientRect(window_, &client);
    flrt::MemoryDC memory(CreateCompatibleDC(dc));
    flrt::BitmapHandle bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    gdi::Selection use_bitmap(memory.get(), bitmap.get());
    flrt::BrushHandle brush(CreateSolidBrush(color));
    FillRect(memory.get(), &client, brush.get());
    BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

LRESULT CFLRT_Form::ColorControl(HDC dc, HWND control)
{
    CFLRT_AbstractWidget *widget = FromWindow(control);
    if (!widget)
        return 0;
    if (auto *common = dynamic_cast<CFLRT_CommonControl *>(widget); common && IsColor(common->TextColor()))
        SetTextColor(dc, ResolveColor(common->TextColor()));
    if (!widget->BackgroundBrush())
        return 0;
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, ResolveColor(widget->BackgroundColor()));
    return reinterpret_cast<LRESULT>(widget->BackgroundBrush());
}

void CFLRT_Form::OnInitMenu()
{
    // The focused control validates as if the focus had left it.
    if (HWND focus = GetFocus()) {
        SendMessageA(focus, WM_KILLFOCUS, 0, 0);
        SendMessageA(focus, WM_SETFOCUS, 0, 0);
    }
    if (menu_ && menu_->Handle())
        menu_->UpdateStates();
}

// ---- Commands ----

LRESULT CFLRT_Form::OnCommand(WPARAM wparam, LPARAM lparam)
{
    const int id = LOWORD(wparam);
    const int code = HIWORD(wparam);
    if (lparam) {
        CFLRT_AbstractWidget *control = FromWindow(reinterpret_cast<HWND>(lparam));
        return control ? OnControlCommand(control, wparam, lparam) : 0;
    }
    if (code == 0)
        return OnDialogKey(id);
    if (code == 1) {
        if (id == kAbortCommand)
            flrt_assert_msg("Abort application hotkey was pressed.", kModule, __LINE__);
        return 0;
    }
    flrt_assert_msg("Notifications are not supported in this version.", kModule, __LINE__);
    return 0;
}

LRESULT CFLRT_Form::OnControlCommand(CFLRT_AbstractWidget *control, WPARAM wparam, LPARAM lparam)
{
    if (HIWORD(wparam) == 0 && GetFocus() != reinterpret_cast<HWND>(lparam)) {
        auto *button = dynamic_cast<CFLRT_ButtonControl *>(control);
        if (!(button && button->IsCancel())) {
            // The control with the focus commits its value first; an invalid one drops the command.
            if (auto *focused = dynamic_cast<CFLRT_CommonControl *>(FromWindow(GetFocus()))) {
                bool valid = false;
                if (!focused->Guarded([&] {
                        focused->StoreValue();
                        valid = focused->Validate();
                    }) ||
                    !valid)
                    return 0;
            }
        }
    }
    LRESULT result = 0;
    control->Guarded([&] { result = control->OnCommand(wparam, lparam); });
    return result;
}

LRESULT CFLRT_Form::OnDialogKey(int id)
{
    auto first_button = [this](bool (CFLRT_ButtonControl::*flag)() const) -> CFLRT_ButtonControl * {
        for (CFLRT_AbstractWidget *widget : widgets_)
            if (auto *button = dynamic_cast<CFLRT_ButtonControl *>(widget); button && (button->*flag)())
                return button;
        return nullptr;
    };
    if (id == IDOK) {
        if (CFLRT_ButtonControl *button = first_button(&CFLRT_ButtonControl::IsDefault)) {
            SetFocus(button->Window());
            button->OnCommand(0, 0);
        }
    } else if (id == IDCANCEL && kind_ != kMdiFrame) {
        if (CFLRT_ButtonControl *button = first_button(&CFLRT_ButtonControl::IsCancel)) {
            SetFocus(button->Window());
            button->OnCommand(0, 0);
        } else {
            Close(false);
        }
    } else if (menu_) {
        RunMenuCommand(id);
    }
    return 0;
}

void CFLRT_Form::RunMenuCommand(int id)
{
    const std::optional<FLF_ITEM> routines = menu_->Routines(id);
    if (!routines)
        return;
    flrt::make_current(this);
    if (*routines)
        RunRoutines(*routines);
    LoadValue(nullptr);
}

LRESULT CFLRT_Form::OnNotify(WPARAM wparam, NMHDR *header)
{
    CFLRT_AbstractWidget *widget = header ? FromWindow(header->hwndFrom) : nullptr;
    LRESULT result = 0;
    if (widget)
        widget->Guarded([&] { result = widget->OnNotify(wparam, header); });
    return result;
}

LRESULT CFLRT_Form::OnScroll(WPARAM wparam, LPARAM lparam)
{
    CFLRT_AbstractWidget *widget = FromWindow(reinterpret_cast<HWND>(lparam));
    LRESULT result = 0;
    if (widget)
        widget->Guarded([&] { result = widget->OnScroll(wparam, lparam); });
    return result;
}

void CFLRT_Form::DrawItem(int id, DRAWITEMSTRUCT *item)
{
    // The control's own window tells whose it is; the id where it has none yet.
    CFLRT_AbstractWidget *widget = item ? FromWindow(item->hwndItem) : nullptr;
    if (!widget)
        widget = ControlWithId(id);
    if (widget)
        widget->Guarded([&] { widget->DrawItem(id, item); });
}

LRESULT CFLRT_Form::MeasureItem(int id, MEASUREITEMSTRUCT *item)
{
    // Measuring comes while the control's window is being made: only the id tells whose it is.
    CFLRT_AbstractWidget *widget = ControlWithId(id);
    LRESULT result = 0;
    if (widget)
        widget->Guarded([&] { result = widget->MeasureItem(id, item); });
    return result;
}

// ---- Activation ----

jvalue CFLRT_Form::BoundObject()
{
    return CFLRT_AbstractWidget::BoundObject();
}

void CFLRT_Form::PublishWindowHandle(HWND handle)
{
    write_field(object_, "sys_id", 'I', [&](jclass, jfieldID id) {
        env()->SetIntField(object_, id, static_cast<jint>(reinterpret_cast<INT_PTR>(handle)));
    });
}

int CFLRT_Form::OnActivate()
{
    const int result = CFLRT_AbstractWidget::OnActivate();
    if (flrt::table_is_emulated())
        PublishWindowHandle(window_);
    else
        javaapi_set_current_object(object_);
    flrt_trace_set_switch(Int(Prop(description_, FL_trace)) & 1);
    return result;
}

int CFLRT_Form::OnDeactivate()
{
    if (flrt::table_is_emulated())
        PublishWindowHandle(nullptr);
    return CFLRT_AbstractWidget::OnDeactivate();
}

int CFLRT_Form::OnClose()
{
    const int result = CFLRT_AbstractWidget::OnClose();
    for (CFLRT_AbstractWidget *widget : widgets_)
        widget->OnClose();
    return result;
}

// ---- Opening, the modal loop and closing ----

bool CFLRT_Form::Open()
{
    if (!ReadProperties()) {
        flrt_assert_msg("Error getting form properties", kModule, __LINE__);
        return false;
    }
    if (single_instance_) {
        CFLRT_Form *first = find_in_tree(g_root, [this](CFLRT_Form *form) {
            return form != this && form->description_ == description_ && same_object(form->object_, object_);
        });
        if (first) {
            if (!IsWindowEnabled(first->window_)) {
                flrt_assert_msg("First instance of the form is disabled (by modal form).", kModule, __LINE__);
            } else {
                SetForegroundWindow(first->window_);
                BringWindowToTop(first->window_);
            }
            return true;
        }
    }
    if (DeletesWithWindow() || flrt::table_is_emulated()) {
        // A Java object must outlive the call that passed it; an application's
        // collector must leave the object of an open form alone.
        reference_table_ = env();
        object_ = reference_table_->NewGlobalRef(object_);
        holds_global_reference_ = true;
        for (CFLRT_AbstractWidget *widget : widgets_)
            widget->Attach(widget->Description(), this, object_);
    }
    FormTree::Attach(this);
    if (!Create(parent_form_ ? parent_form_->Window() : nullptr, 0))
        return false;
    ShowWindow(window_, (style_ & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOW);
    if (kind_ == kMdiChild)
        return true;
    if (!separate_)
        return RunModalLoop();
    if (!parent_form_)
        flrt_assert_msg("Top-Level form cannot be a Separate!", kModule, __LINE__);
    return true;
}

bool CFLRT_Form::RunModalLoop()
{
    LoopLevel level;
    // A child window inside a disabled parent could not take input: only
    // top-level forms disable the window they belong to.
    const bool top_level = kind_ != kChild && kind_ != kEmbedded;
    HWND parent = modal_ && top_level ? parent_window_ : nullptr;
    if (parent)
        EnableWindow(parent, FALSE);
    if (!g_accelerators)
        g_accelerators = LoadAcceleratorsA(flrt::module_instance(), MAKEINTRESOURCEA(FLRT_ACCELERATORS));
    MSG message;
    while (!closed_) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // The outer loops end as well.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1)
            break;
        // The references the handlers of one message make are given back after it.
        flrt::LocalFrame frame;
        if (kind_ == kMdiFrame && g_mdi_client && TranslateMDISysAccel(g_mdi_client, &message))
            continue;
        if (window_ && TranslateAcceleratorA(window_, g_accelerators, &message))
            continue;
        if (g_current && g_current->Window() && IsDialogMessageA(g_current->Window(), &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (g_loop_depth == 1)
            delete_doomed_forms();
    }
    if (parent) {
        EnableWindow(parent, TRUE);
        SetForegroundWindow(parent);
        BringWindowToTop(parent);
    }
    return result_;
}

bool CFLRT_Form::Close(bool accept)
{
    result_ = accept;
    write_field(object_, "data_was_accepted", 'Z',
                [&](jclass, jfieldID id) { env()->SetBooleanField(object_, id, accept ? JNI_TRUE : JNI_FALSE); });
    if (accept && !ValidateWhole())
        return false;
    if (!Validate())
        return false;
    bool children_closed = true;
    const std::vector<CFLRT_Form *> children = child_forms_;
    for (CFLRT_Form *child : children)
        children_closed = child->Close(accept) && children_closed;
    if (!children_closed)
        return false;
    OnClose();
    if (!window_)
        return true;
    if (kind_ == kMdiChild && g_mdi_client)
        SendMessageA(g_mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(window_), 0);
    else
        DestroyWindow(window_);
    return true;
}

// ---- Update and validation ----

bool CFLRT_Form::IsEmbeddedWidget() const
{
    // Made by the registry's prototype for an item of another form.
    return description_ && owner_form_ && !live_forms().count(const_cast<CFLRT_Form *>(this));
}

int CFLRT_Form::Refresh(CFLRT_AbstractWidget *changed)
{
    // As a control of its owner, an embedded form refreshes its own controls;
    // a form update (LoadValue) would refresh the owner, and so this form, again.
    if (IsEmbeddedWidget())
        RefreshContents(changed, false);
    return 1;
}

bool CFLRT_Form::Validate()
{
    if (!CFLRT_AbstractWidget::Validate())
        return false;
    if (IsEmbeddedWidget())
        for (CFLRT_AbstractWidget *widget : widgets_)
            if (!widget->Validate())
                return false;
    return true;
}

bool CFLRT_Form::LoadValue(CFLRT_AbstractWidget *changed)
{
    // A change in an embedded form is a change of its owner's form.
    if (IsEmbeddedWidget())
        return owner_form_->LoadValue(changed);
    if (!window_)
        return false;
    flrt::WaitCursor wait;
    flrt_trace_line("=== Form Update started ===");
    if (changed)
        changed->RunRoutines({FL_routines, FL_events, FL_on_change});
    // A routine may have closed this form, or every form: nothing is left to refresh then.
    if (g_root)
        FormTree::Refresh(g_root, this, changed);
    flrt_trace_line("--- Form Update finished ---");
    return true;
}

void CFLRT_Form::RefreshContents(CFLRT_AbstractWidget *changed, bool forced)
{
    if (!window_)
        return;
    try {
        UpdateCaption();
        for (size_t index = 0; index < widgets_.size(); ++index) {
            CFLRT_AbstractWidget *widget = widgets_[index];
            // Each control gives back the references its refresh made.
            flrt::LocalFrame frame;
            if (forced || widget->AutoRefresh())
                widget->Refresh(changed);
        }
        if (menu_ && menu_->Handle()) {
            menu_->UpdateStates();
            DrawMenuBar(window_);
        }
    } catch (...) {
        HandleFailure(std::current_exception());
    }
}

bool CFLRT_Form::ValidateWhole()
{
    SetFocus(nullptr);
    if (pending_invalid_)
        return false;
    for (CFLRT_AbstractWidget *widget : widgets_)
        if (!widget->Validate())
            return false;
    return true;
}

void CFLRT_Form::ReportInvalid(const char *message, bool beep)
{
    if (pending_invalid_)
        flrt_assert_msg("Invalid widget already assigned", kModule, __LINE__);
    MakePending(this, message, beep);
}

void CFLRT_Form::MakePending(CFLRT_AbstractWidget *widget, const char *message, bool beep)
{
    // A report already queued reports the replacement: a second one would only find nothing pending.
    const bool queued = pending_invalid_ != nullptr;
    pending_invalid_ = widget;
    // The text may live in a buffer of the object access: the report keeps a copy.
    pending_text_.reset();
    if (message)
        pending_text_ = message;
    pending_shows_message_ = g_show_messages;
    pending_beep_ = beep;
    if (!queued)
        PostMessageA(window_, flrt::kReportInvalidMessage,
                     pending_text_ ? reinterpret_cast<WPARAM>(pending_text_->c_str()) : 0, beep);
}

void CFLRT_Form::ReportPending()
{
    if (!pending_invalid_) {
        flrt_assert_msg("Invalid widget lost", kModule, __LINE__);
        return;
    }
    // The user sees the control the report is about.
    for (CFLRT_AbstractWidget *widget : widgets_)
        widget->Reveal(pending_invalid_);
    if (pending_beep_)
        MessageBeep(0);
    if (pending_shows_message_)
        pending_invalid_->ShowValidationError(pending_text_ ? pending_text_->c_str() : nullptr);
    if (pending_invalid_)
        SetFocus(pending_invalid_->Window());
    pending_invalid_ = nullptr;
}

void CFLRT_Form::ShowValidationError(const char *text)
{
    if (text)
        flrt::show_box(window_, text, flrt::validation_caption(), flrt::kHandlerBoxFlags);
}

// ---- Entries of the exported functions ----

namespace flrt {

void make_current(CFLRT_Form *form)
{
    g_current = form;
}

bool form_described_in(FLF_ITEM forms_root)
{
    for (const CFLRT_Form *form : live_forms())
        for (FLF_ITEM item = form->Description(); item; item = flf_get_parent_prop(item))
            if (item == forms_root)
                return true;
    return false;
}

HWND current_form_window()
{
    return g_current ? g_current->Window() : nullptr;
}

bool display_form(jobject object, const char *class_name, FLF_ITEM description)
{
    auto form = std::make_unique<CFLRT_Form>(description, object, class_name);
    const bool result = form->Open();
    if (form->Window() && form->DeletesWithWindow())
        g_window_bound.Add(std::move(form));
    form.reset();
    if (g_loop_depth == 0)
        delete_doomed_forms();
    return result;
}

bool close_form(jobject object, bool accept)
{
    if (!g_current)
        return false;
    if (CFLRT_Form *current = g_current; same_object(current->Object(), object)) {
        current->Guarded([&] { current->Close(accept); });
        return true;
    }
    return g_root && FormTree::CloseObject(g_root, object, accept);
}

bool update_widget(jobject object, bool all)
{
    if (!g_root)
        return false;
    FormTree::RefreshObject(g_root, object, all);
    return true;
}

std::optional<bool> validate_widget(jobject object, bool with_children, bool quiet)
{
    if (!g_current)
        return std::nullopt;
    const bool shown = g_show_messages;
    g_show_messages = !quiet;
    bool valid = false;
    CFLRT_Form *current = g_current;
    current->Guarded([&] { valid = FormTree::ValidateObject(current, object, with_children); });
    g_show_messages = shown;
    return valid;
}

} // namespace flrt

namespace {
// Every item of a kind from the first form sign up is an embedded form.
flrt::RegisterWidget<CFLRT_Form> g_form(FLF_FIRST_FORM_SIGN);
} // namespace
