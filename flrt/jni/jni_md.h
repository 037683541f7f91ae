/*
 * Machine-dependent JNI types for Windows, 32 and 64 bits (used with the JDK's jni.h).
 *
 * jint is a 32-bit long (also on 64-bit Windows), jlong a 64-bit integer. On
 * 32-bit Windows JNI functions and function table entries use the standard
 * call convention; 64-bit Windows has one calling convention, and the
 * attribute is ignored there.
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
