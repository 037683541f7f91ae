// Exported entry points of the runtime and its process-wide state.
#include "runtime.hpp"
// The declarations javac writes for the Java class: the definitions below
// must match them.
#include "qk_fllocal_DisplayManager.h"

namespace flrt {
namespace {

HINSTANCE g_instance = nullptr;
HWND g_current_form_window = nullptr;
JNIEnv *g_table = nullptr;
// A resource file has been registered from the Java side.
bool g_java_resources = false;

// Runs a resource list operation on the UTF characters of a Java string.
void with_java_name(jstring name, void (*operation)(const char *))
{
    JNIEnv *env = table();
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

JNIEnv *table()
{
    return g_table;
}

HWND current_form_window()
{
    return g_current_form_window;
}

void set_current_form_window(HWND window)
{
    g_current_form_window = window;
}

void set_table(JNIEnv *env)
{
    g_table = env;
}

bool table_is_emulated()
{
    return g_table->GetVersion() == FLRT_EMULATED_TABLE_VERSION;
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

FLRT_API void FLRT_CALL set_ni_table(JNIEnv *table)
{
    flrt::set_table(table);
}

JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_init(JNIEnv *env, jclass)
{
    flrt::set_table(env);
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
