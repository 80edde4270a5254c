/* The machine-dependent part of jni.h for 32-bit Windows, which the JDK of the build machine does
 * not carry: the entry points are exported, use the stdcall convention, and jint is the 32-bit
 * long of Windows. The Windows build puts this folder before the JDK's include folder. */
#ifndef CORVANE_JNI_MD_H
#define CORVANE_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif /* CORVANE_JNI_MD_H */
