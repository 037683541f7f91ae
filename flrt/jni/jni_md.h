/*
 * Machine-dependent JNI types for 32-bit Windows (used with the JDK's jni.h).
 *
 * On Win32, jint is a 32-bit long, jlong a 64-bit integer, and JNI functions
 * and function table entries use the standard call convention.
 */
#ifndef FLRT_JNI_MD_H
#define FLRT_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
