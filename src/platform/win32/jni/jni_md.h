/* The machine-dependent part of jni.h for Windows, which the JDK of the build machine does not
 * carry: the entry points are exported and use the stdcall convention (which 64-bit Windows, with
 * its one convention, ignores), and jint is the long of Windows, 32 bits on 32-bit and 64-bit
 * Windows alike. The Windows build puts this folder before the JDK's include folder. */
#ifndef CORVANE_JNI_MD_H
#define CORVANE_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif /* CORVANE_JNI_MD_H */
