// Process-wide state of the runtime shared by its modules.
#ifndef FLRT_RUNTIME_HPP
#define FLRT_RUNTIME_HPP

#include <windows.h>

#include <vector>

#include "cflrt_services.h"
#include "jni_runtime.hpp"

namespace flrt {

HINSTANCE module_instance();
void set_module_instance(HINSTANCE instance);

// The window of the form the user works in (the owner of the file dialogs);
// none while no form is open.
HWND current_form_window();
// Whether an open form (or tab page) is described by an item of this tree of
// forms (the forms root of a resource database).
bool form_described_in(FLF_ITEM forms_root);
// Whether the bytes can be written (a caller's text may be a literal in read-only memory).
bool is_writable(const void *address, size_t size);

// The base of the guards that change some state for a scope and undo the
// change when they go: not copied, so the undo runs once.
class ScopedChange {
public:
    ScopedChange(const ScopedChange &) = delete;
    ScopedChange &operator=(const ScopedChange &) = delete;

protected:
    ScopedChange() = default;
    ~ScopedChange() = default;
};

// Removes a pending WM_QUIT while a box shows and posts it again afterwards,
// so that a box still appears while the application is quitting.
class QuitMessageKeeper : ScopedChange {
public:
    QuitMessageKeeper();
    ~QuitMessageKeeper();

private:
    bool had_quit_ = false;
    int exit_code_ = 0;
};

// A string of the runtime's string table, loaded once into a 32-byte buffer;
// the fallback text when the table cannot give it.
class CachedString {
public:
    CachedString(UINT id, const char *fallback) : id_(id), fallback_(fallback) {}
    const char *get();

private:
    UINT id_;
    const char *fallback_;
    bool loaded_ = false;
    char text_[32] = "";
};

// A message box shown with a pending quit request set aside.
int show_box(HWND owner, const char *text, const char *caption, UINT flags);

void trace_object_create();
void trace_object_destroy();

} // namespace flrt

#endif
