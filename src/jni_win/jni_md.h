// Machine-dependent JNI types for 64-bit Windows, as the JDK's win32 jni_md.h defines them.
// The JDK on this build machine ships only the Linux variant, where jlong is `long` (64 bits);
// on Windows `long` is 32 bits, so jlong must be a 64-bit integer type of its own.
#ifndef ZARVO_JNI_MD_H
#define ZARVO_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif
