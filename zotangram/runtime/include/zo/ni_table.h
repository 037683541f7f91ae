/*
 * The native interface table over the application's objects: a function
 * table with the JNI 1.1 layout that the form runtime installs with
 * set_ni_table. Its GetVersion answers 0xEFFE.
 */
#ifndef ZO_NI_TABLE_H
#define ZO_NI_TABLE_H

#include <jni.h>
#include <stddef.h>

#define ZO_TABLE_VERSION 0xEFFE

#ifdef __cplusplus
extern "C" {
#endif

/* The environment pointer of the table; it lives for the whole run. */
JNIEnv *zo_native_interface(void);

/* The string and array element buffers handed out and not yet released. */
size_t zo_open_table_buffers(void);

#ifdef __cplusplus
}
#endif

#endif
