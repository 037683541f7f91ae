#include "zo/displayable.hpp"

#include <windows.h>

#include <vector>

#include "cflrt.h"
#include "zo/exception.hpp"
#include "zo/ni_table.h"

namespace zo {
namespace {

jobject handle_of(Object *object)
{
    return reinterpret_cast<jobject>(object);
}

// An object handle that the application passes around as an INTEGER.
jobject handle_of(std::int32_t handle)
{
    return reinterpret_cast<jobject>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(handle)));
}

std::string text_of(const String *string)
{
    return string ? std::string(string->text()) : std::string();
}

bool g_table_installed = false;

} // namespace

// ---- FORMLOOM_RUNTIME ----

ZO_CLASS(FORMLOOM_RUNTIME, "FORMLOOM_RUNTIME", c)
{
    ZO_ATTRIBUTES(c, sys_id);
    ZO_ROUTINES(c, display_form, display_it, activate_form, activate_class_form, close_form, add_resource_file,
                remove_resource_file, peek_messages, initialize_flrt, internal_init_flrt, is_default,
                internal_display_form, internal_close_form, internal_add_resource_file, internal_remove_resource_file,
                internal_update, internal_validate, internal_peek_messages);
}

std::string FORMLOOM_RUNTIME::form_class_name() const
{
    std::string name = class_info().name();
    if (!name.empty() && name.front() == '_')
        name.erase(0, 1);
    return name;
}

bool FORMLOOM_RUNTIME::display_named(const std::string &class_name, std::int32_t form_number)
{
    initialize_flrt();
    bool accepted;
    {
        const Snapshot before(*this);
        std::vector<char> name(class_name.begin(), class_name.end()); // the runtime rewrites "." in place
        name.push_back('\0');
        accepted = flrt_display_form(handle_of(this), name.data(), form_number) != JNI_FALSE;
        if (!accepted)
            before.restore();
    }
    // Every object still in use is reachable now: what the form left behind
    // can go. This object stays, whoever holds it: its caller goes on with it.
    Pins pins;
    pins.add(this);
    Heap::instance().collect_if_due();
    return accepted;
}

bool FORMLOOM_RUNTIME::display_form(std::int32_t form_number)
{
    return display_named(form_class_name(), form_number);
}

bool FORMLOOM_RUNTIME::display_it(String *class_name, std::int32_t form_number)
{
    return display_named(class_name ? text_of(class_name) : form_class_name(), form_number);
}

bool FORMLOOM_RUNTIME::activate_form(std::int32_t form_number)
{
    String *name = make_string(form_class_name());
    Pins pins;
    pins.add(name);
    return activate_class_form(name, form_number);
}

bool FORMLOOM_RUNTIME::activate_class_form(String *class_name, std::int32_t form_number)
{
    initialize_flrt();
    // The form runtime takes a reference of its own while the form is open.
    return internal_display_form(this, class_name, form_number);
}

void FORMLOOM_RUNTIME::close_form(bool accepted)
{
    internal_close_form(this, accepted);
}

void FORMLOOM_RUNTIME::add_resource_file(String *file_name)
{
    internal_add_resource_file(file_name);
}

void FORMLOOM_RUNTIME::remove_resource_file(String *file_name)
{
    internal_remove_resource_file(file_name);
}

void FORMLOOM_RUNTIME::peek_messages()
{
    internal_peek_messages();
}

void FORMLOOM_RUNTIME::initialize_flrt()
{
    if (!g_table_installed)
        internal_init_flrt();
}

void FORMLOOM_RUNTIME::internal_init_flrt()
{
    set_ni_table(zo_native_interface());
    g_table_installed = true;
}

bool FORMLOOM_RUNTIME::is_default(Object *value)
{
    if (!value)
        return true;
    const ClassInfo &cls = value->class_info();
    const bool boxed_number_or_flag = &cls == &boolean_class() || &cls == &character_class() ||
                                      &cls == &integer_class() || &cls == &real_class() || &cls == &double_class();
    return boxed_number_or_flag && static_cast<BoxedValue *>(value)->is_default();
}

bool FORMLOOM_RUNTIME::internal_display_form(Object *object, String *class_name, std::int32_t form_number)
{
    std::string name = text_of(class_name);
    return flrt_display_form(handle_of(object), name.data(), form_number) != JNI_FALSE;
}

void FORMLOOM_RUNTIME::internal_close_form(Object *object, bool accepted)
{
    flrt_close_form(handle_of(object), accepted ? JNI_TRUE : JNI_FALSE);
}

void FORMLOOM_RUNTIME::internal_add_resource_file(String *name)
{
    flrt_add_res_file(text_of(name).c_str());
}

void FORMLOOM_RUNTIME::internal_remove_resource_file(String *name)
{
    flrt_remove_res_file(text_of(name).c_str());
}

void FORMLOOM_RUNTIME::internal_update(Object *widget, bool all)
{
    flrt_update_widget(handle_of(widget), all ? JNI_TRUE : JNI_FALSE);
}

bool FORMLOOM_RUNTIME::internal_validate(Object *widget, bool with_children, bool quiet)
{
    return flrt_validate_widget(handle_of(widget), with_children ? JNI_TRUE : JNI_FALSE,
                                quiet ? JNI_TRUE : JNI_FALSE) != JNI_FALSE;
}

void FORMLOOM_RUNTIME::internal_peek_messages()
{
    flrt_peek_messages();
}

// ---- DISPLAYABLE ----

ZO_CLASS(DISPLAYABLE, "DISPLAYABLE", c)
{
    ZO_ATTRIBUTES(c, data_was_accepted, empty);
    ZO_ROUTINES(c, display, activate, display_parent_form, accept, cancel, update, validate, sys);
}

void DISPLAYABLE::display(std::int32_t form_number)
{
    data_was_accepted = display_form(form_number);
}

void DISPLAYABLE::activate(std::int32_t form_number)
{
    data_was_accepted = activate_form(form_number);
}

void DISPLAYABLE::display_parent_form(String *class_name, std::int32_t form_number)
{
    data_was_accepted = display_it(class_name, form_number);
}

void DISPLAYABLE::accept()
{
    close_form(true);
}

void DISPLAYABLE::cancel()
{
    close_form(false);
}

void DISPLAYABLE::update(std::int32_t widget, bool all)
{
    flrt_update_widget(handle_of(widget), all ? JNI_TRUE : JNI_FALSE);
}

bool DISPLAYABLE::validate(std::int32_t widget, bool with_children, bool quiet)
{
    return flrt_validate_widget(handle_of(widget), with_children ? JNI_TRUE : JNI_FALSE,
                                quiet ? JNI_TRUE : JNI_FALSE) != JNI_FALSE;
}

WINDOWS_SYSTEM *DISPLAYABLE::sys()
{
    static Root<WINDOWS_SYSTEM> shared(make<WINDOWS_SYSTEM>());
    return shared;
}

// ---- The unhandled-exception path of a program with windows ----

namespace {

void report_in_a_box(const std::string &message)
{
    // A pending WM_QUIT would close the box at once.
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    MessageBoxA(nullptr, message.c_str(), "Unhandled exception",
                MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

} // namespace

int run_windows_program(void (*root)())
{
    set_exception_reporter(&report_in_a_box);
    return run_program(root);
}

} // namespace zo
