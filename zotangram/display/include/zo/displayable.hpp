// The application's classes for everything the form runtime shows: the
// binding to the runtime (FORMLOOM_RUNTIME), an object that owns a form
// (DISPLAYABLE) and the shared service of dialogs and message boxes
// (WINDOWS_SYSTEM). Forms call many of these routines by name.
#ifndef ZO_DISPLAYABLE_HPP
#define ZO_DISPLAYABLE_HPP

#include <string>

#include "zo/builtin.hpp"

namespace zo {

class WINDOWS_SYSTEM;

class FORMLOOM_RUNTIME : public Object {
    ZO_OBJECT(FORMLOOM_RUNTIME, Object)
    // The window of this object's form while it is open; the runtime writes it.
    std::int32_t sys_id = 0;

    bool display_form(std::int32_t form_number);
    // Shows the form with a copy of everything reachable taken first; a
    // cancelled form puts every object back as it was.
    bool display_it(String *class_name, std::int32_t form_number);
    bool activate_form(std::int32_t form_number);
    bool activate_class_form(String *class_name, std::int32_t form_number);
    void close_form(bool accepted);
    void add_resource_file(String *file_name);
    void remove_resource_file(String *file_name);
    void peek_messages();
    void initialize_flrt();
    void internal_init_flrt();
    bool is_default(Object *value);

    bool internal_display_form(Object *object, String *class_name, std::int32_t form_number);
    void internal_close_form(Object *object, bool accepted);
    void internal_add_resource_file(String *name);
    void internal_remove_resource_file(String *name);
    void internal_update(Object *widget, bool all);
    bool internal_validate(Object *widget, bool with_children, bool quiet);
    void internal_peek_messages();

    // The class name forms are described for: the registry's, without one leading underscore.
    std::string form_class_name() const;
    bool display_named(const std::string &class_name, std::int32_t form_number);
};

class DISPLAYABLE : public FORMLOOM_RUNTIME {
    ZO_OBJECT(DISPLAYABLE, FORMLOOM_RUNTIME)
    // The outcome of the last form shown for this object: true when accepted.
    bool data_was_accepted = false;
    Object *empty = nullptr;

    void display(std::int32_t form_number);
    void activate(std::int32_t form_number);
    void display_parent_form(String *class_name, std::int32_t form_number);
    void accept();
    void cancel();
    // widget is the handle of the object whose widgets are meant.
    void update(std::int32_t widget, bool all);
    bool validate(std::int32_t widget, bool with_children, bool quiet);
    WINDOWS_SYSTEM *sys();
};

class WINDOWS_SYSTEM : public Object {
    ZO_OBJECT(WINDOWS_SYSTEM, Object)
    // The chosen path, or void when the user cancels.
    String *get_open_file_name(String *filter, String *title, String *default_extension);
    String *get_save_file_name(String *filter, String *title, String *initial_file, String *default_extension);
    String *open_select_file(String *title, std::int32_t index, Array *descriptions, Array *patterns);
    String *save_select_file(String *title, String *initial_file, std::int32_t index, Array *descriptions,
                             Array *patterns);
    void message_info(String *caption, String *text);
    void message_warning(String *caption, String *text);
    void message_error(String *caption, String *text);
    bool message_question(String *caption, String *text);
    void message_beep();

    // The filter of the file dialogs: each description and pattern closed by a zero, then one more zero.
    static std::string filter_text(Array *descriptions, Array *patterns);
};

// Runs the program's root routine; an exception that no routine rescues
// shows its message in a box and ends the run with kUnhandledExceptionExitCode.
int run_windows_program(void (*root)());

} // namespace zo

#endif
