/*
 * cflrt: the form display runtime.
 *
 * Shows forms described in form resource files and binds them to the objects
 * of its caller. Objects are reached only through a function table with the
 * JNI 1.1 layout: the environment of a Java virtual machine, or a table that
 * the caller emulates over its own objects (its GetVersion answers 0xEFFE).
 *
 * All functions use the C calling convention, except the Java entry points,
 * which follow the JNI convention of the platform.
 */
#ifndef CFLRT_H
#define CFLRT_H

#include <jni.h>
#include "flfileio.h"

#if !defined(_WIN32)
/* The Linux build holds the parts that need no window (see the README). */
#define FLRT_API __attribute__((visibility("default")))
#define FLRT_CALL
#elif defined(CFLRT_BUILD)
#define FLRT_API __declspec(dllexport)
#define FLRT_CALL __cdecl
#else
#define FLRT_API __declspec(dllimport)
#define FLRT_CALL __cdecl
#endif

/* GetVersion of a caller's emulated table answers this instead of a JNI version. */
#define FLRT_EMULATED_TABLE_VERSION 0xEFFE

#ifdef __cplusplus
extern "C" {
#endif

/* Native callers */
FLRT_API void FLRT_CALL set_ni_table(JNIEnv *table);
FLRT_API void FLRT_CALL flrt_add_res_file(const char *file_name);
FLRT_API void FLRT_CALL flrt_remove_res_file(const char *file_name);

/*
 * Shows form number form_number of the class for the object. Every "." of the
 * class name becomes "/" in the caller's buffer. A modal form answers whether
 * it was closed with acceptance; a separate form or an MDI child answers true
 * once its window shows.
 */
FLRT_API jboolean FLRT_CALL flrt_display_form(jobject obj, char *class_name, jint form_number);
/* Closes the form that edits the object, with or without acceptance. */
FLRT_API void FLRT_CALL flrt_close_form(jobject obj, jboolean accept);
/* Refreshes what shows the object; all refreshes every control of its forms. */
FLRT_API void FLRT_CALL flrt_update_widget(jobject obj, jboolean all);
/* Validates what shows the object; quiet reports a failure without a message box. */
FLRT_API jboolean FLRT_CALL flrt_validate_widget(jobject obj, jboolean with_children, jboolean quiet);

/*
 * Standard open and save dialogs. The filter is written as description, bar,
 * pattern, bar ("Forms|*.flf|"); the bars of a writable filter are turned into
 * terminating zeros in place. The answer is the chosen path in a buffer of the
 * runtime, valid until the next dialog, or null when the user cancels.
 */
FLRT_API char *FLRT_CALL flrt_get_open_fname(char *filter, const char *title, const char *default_extension, int flags);
FLRT_API char *FLRT_CALL flrt_get_save_fname(char *filter, const char *title, const char *initial_name,
                                             const char *default_extension, int flags);
/* Dispatches every pending paint message of the thread; other messages stay queued. */
FLRT_API void FLRT_CALL flrt_peek_messages(void);

/* Java callers (class qk.fllocal.DisplayManager) */
JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_init(JNIEnv *env, jclass cls);
JNIEXPORT jboolean JNICALL Java_qk_fllocal_DisplayManager_display(JNIEnv *env, jclass cls, jobject obj,
                                                                  jstring class_name, jint form_number);
JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_accept(JNIEnv *env, jclass cls, jobject obj);
JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_cancel(JNIEnv *env, jclass cls, jobject obj);
JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_addResourceFile(JNIEnv *env, jclass cls, jstring name);
JNIEXPORT void JNICALL Java_qk_fllocal_DisplayManager_removeResourceFile(JNIEnv *env, jclass cls, jstring name);

/*
 * Access paths: chains of path elements of a form description, evaluated on
 * an object through the installed table. Texts returned live in buffers of
 * the runtime, valid until the next call of the same function.
 */
FLRT_API jvalue FLRT_CALL javaapi_get_value(jobject obj, FLF_ITEM path);
FLRT_API jvalue FLRT_CALL javaapi_get_argument(jobject target, jobject root, FLF_ITEM path);
FLRT_API jint FLRT_CALL javaapi_get_int(jobject obj, FLF_ITEM path);
FLRT_API jboolean FLRT_CALL javaapi_get_bool(jobject obj, FLF_ITEM path);
FLRT_API jchar FLRT_CALL javaapi_get_char(jobject obj, FLF_ITEM path);
FLRT_API jdouble FLRT_CALL javaapi_get_double(jobject obj, FLF_ITEM path);
FLRT_API const char *FLRT_CALL javaapi_get_string(jobject obj, FLF_ITEM path);
FLRT_API const char *FLRT_CALL javaapi_value_text(jobject obj, FLF_ITEM path, const char *type_code);
FLRT_API int FLRT_CALL javaapi_is_literal(FLF_ITEM path);
FLRT_API void FLRT_CALL javaapi_set_int(jobject obj, FLF_ITEM path, jint value);
FLRT_API void FLRT_CALL javaapi_set_bool(jobject obj, FLF_ITEM path, jboolean value);
FLRT_API void FLRT_CALL javaapi_set_double(jobject obj, FLF_ITEM path, jdouble value);
FLRT_API void FLRT_CALL javaapi_set_value(jobject obj, FLF_ITEM path, jvalue value);
FLRT_API void FLRT_CALL javaapi_set_string(jobject obj, FLF_ITEM path, const char *text);
FLRT_API void FLRT_CALL javaapi_call_procedure(jobject obj, FLF_ITEM path);
FLRT_API void FLRT_CALL javaapi_set_current_object(jobject obj);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* CFLRT_H */
