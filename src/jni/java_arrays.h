// What the entry points do with Java arrays, through the five JNIEnv functions they use:
// GetArrayLength, GetByteArrayRegion, NewByteArray, SetByteArrayRegion, SetIntArrayRegion.
// Arrays are always copied, never pinned: once into a native buffer (call_buffer.h), once out
// into a new byte[].
#pragma once

#include <jni.h>

#include <cstdint>

#include "call_buffer.h"

namespace corvane::jni {

// The bytes of a non-empty Java array at the front of `buffer` (at least the array's length
// plus one bytes long), and a zero byte after them.
void CopyIn(JNIEnv* env, jbyteArray array, jsize length, CallBuffer& buffer);

// A new byte[] holding exactly the first `length` bytes of `bytes`; null when the VM cannot make
// it (it then has an OutOfMemoryError pending).
jbyteArray CopyOut(JNIEnv* env, const char* bytes, int32_t length);

// Stores `code` into result[0] when a result array is given. An empty array leaves the VM's
// ArrayIndexOutOfBoundsException pending, which the Java caller receives.
void StoreResult(JNIEnv* env, jintArray result, jint code);

}  // namespace corvane::jni
