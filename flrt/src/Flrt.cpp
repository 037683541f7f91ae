// Exported entry points of the runtime and its process-wide state.
#include "runtime.hpp"

#include <commctrl.h>

#include <cstring>
#include <optional>
#include <string>

#include "Form.hpp"
#include "Widgets.hpp"
#include "text.hpp"
// The declarations javac writes for the Java class: the definitions below
// must match them.
#include "qk_fllocal_DisplayManager.h"

namespace flrt {
namespace {

constexpr const char *kModule = "Flrt";

HINSTANCE g_instance = nullptr;
// A resource file has been registered from the Java side.
bool g_java_resources = false;
bool g_initialised = false;

void initialise_once()
{
    if (g_initialised)
        return;
    g_initialised = true;
    trace_object_create();
    InitCommonControls();
    flrt_res_list_is_empty(); // creates the list
    WaitCursor::Load();
}

// The class name with every "." made "/": in the caller's buffer when it can
// be written to, always in the copy that the lookup uses.
std::string slash_class_name(char *class_name)
{
    std::string name = class_name ? class_name : "";
    for (char &c : name)
        if (c == '.')
            c = '/';
    if (class_name && std::strchr(class_name, '.') && is_writable(class_name, name.size()))
        std::memcpy(class_name, name.c_str(), name.size());
    return name;
}

// The table the Java entry points call through: a Java program that did not
// call init first has none, and would crash converting its first string.
JNIEnv *java_table()
{
    JNIEnv *env = table();
    if (!env)
        flrt_fatal("No object table: DisplayManager.init must install the table before any other call.");
    return env;
}

// Copies a Java string's UTF characters for the duration of an operation.
std::string java_text(jstring text)
{
    JNIEnv *env = java_table();
    const char *chars = env->GetStringUTFChars(text, nullptr);
    std::string copy = chars ? chars : "";
    if (chars)
        env->ReleaseStringUTFChars(text, chars);
    return copy;
}

// Runs a resource list operation on the UTF characters of a Java string.
void with_java_name(jstring name, void (*operation)(const char *))
{
    JNIEnv *env = java_table();
    const char *chars = env->GetStringUTFChars(name, nullptr);
    operation(chars);
    if (chars)
        env->ReleaseStringUTFChars(name, chars);
}

} // namespace

HINSTANCE module_instance()
{
    return g_instance;
}

void set_module_instance(HINSTANCE instance)
{
    g_instance = instance;
}

bool is_writable(const void *address, size_t size)
{
    const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    auto page_writable = [&](const void *byte) {
        MEMORY_BASIC_INFORMATION info;
        return VirtualQuery(byte, &info, sizeof info) && info.State == MEM_COMMIT && !(info.Protect & PAGE_GUARD) &&
               (info.Protect & writable) != 0;
    };
    return size == 0 || (page_writable(address) && page_writable(static_cast<const char *>(address) + size - 1));
}

} // namespace flrt

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    flrt::set_module_instance(instance);
    if (reason == DLL_PROCESS_DETACH)
        flrt::trace_object_destroy();
    return TRUE;
}

FLRT_API jboolean FLRT_CALL flrt_display_form(jobject obj, char *class_name, jint form_number)
{
    if (!flrt::table())
        flrt_fatal("No object table: set_ni_table must install the table before a form is displayed.");
    const std::string name = flrt::slash_class_name(class_name);
    flrt::initialise_once();
    if (flrt_res_list_is_empty())
        flrt_fatal("Resource files list is empty!\n\nHint: Use \"-=\" option or \"DISPLAYABLE.add_resource_file\" "
                   "feature to specify working resource file.");
    FLF_ITEM description = flrt_find_form(name.c_str(), form_number);
    if (!description)
        flrt_fatal(
            flrt::format("Form# %d of the class \"%.32s\" is not found.", static_cast<int>(form_number), name.c_str())
                .c_str());
    bool accepted = false;
    flrt::guard_export([&] { accepted = flrt::display_form(obj, name.c_str(), description); });
    return accepted ? JNI_TRUE : JNI_FALSE;
}

FLRT_API void FLRT_CALL flrt_close_form(jobject obj, jboolean accept)
{
    flrt::guard_export([&] {
        if (!flrt::close_form(obj, (accept & 0xFF) != 0))
            flrt_assert_msg("Nothing to close.", flrt::kModule, __LINE__);
    });
}

FLRT_API void FLRT_CALL flrt_update_widget(jobject obj, jboolean all)
{
    flrt::guard_export([&] {
        if (!flrt::update_widget(obj, all != 0))
            flrt_assert_msg("No form active", flrt::kModule, __LINE__);
    });
}

FLRT_API jboolean FLRT_CALL flrt_validate_widget(jobject obj, jboolean with_children, jboolean quiet)
{
    bool valid = false;
    flrt::guard_export([&] {
        const std::optional<bool> validated = flrt::validate_widget(obj, with_children != 0, quiet != 0);
        if (!validated)
            flrt_assert_msg("No form active", flrt::kModule, __LINE__);
        valid = validated.value_or(true);
    });
    return valid ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_qk_fllocal_DisplayManager_display(JNIEnv *, jclass, jobject obj, jstring class_name,
                                                                  jint form_number)
{
    if (!flrt::g_java_resources) {
        const std::string file = flrt::format("%s.flf", flrt::java_text(class_name).c_str());
        flrt_add_res_file(file.c_str());
        flrt::g_java_resources = true;
    }
    std::string name = flrt::java_text(class_name);
    return flrt_display_form(obj, name.data(), form_number);
}

JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_accept(JNIEnv *, jclass, jobject obj)
{
    flrt_close_form(obj, JNI_TRUE);
}

JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_cancel(JNIEnv *, jclass, jobject obj)
{
    flrt_close_form(obj, JNI_FALSE);
}

JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_addResourceFile(JNIEnv *, jclass, jstring name)
{
    flrt::with_java_name(name, flrt_add_res_file);
    flrt::g_java_resources = true;
}

JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_removeResourceFile(JNIEnv *, jclass, jstring name)
{
    flrt::with_java_name(name, flrt_remove_res_file);
}

} // extern "C"
