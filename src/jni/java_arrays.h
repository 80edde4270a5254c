// What the entry points do with Java arrays, through the five JNIEnv functions they use:
// GetArrayLength, GetByteArrayRegion, NewByteArray, SetByteArrayRegion, SetIntArrayRegion.
// Arrays are always copied, never pinned.
#pragma once

#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace corvane::jni {

// A zero-filled native buffer, released at the end of the call that owns it.
using NativeBuffer = std::unique_ptr<char[]>;

// `size` zero bytes; null when the memory cannot be had.
NativeBuffer ZeroedBuffer(size_t size);

// The bytes of a non-empty Java array, copied to the front of a zero-filled buffer of
// `capacity` bytes (at least the array's length plus one, so a zero byte follows them).
NativeBuffer CopyIn(JNIEnv* env, jbyteArray array, jsize length, size_t capacity);

// A new byte[] holding exactly the first `length` bytes of `bytes`; null when the VM cannot make
// it (it then has an OutOfMemoryError pending).
jbyteArray CopyOut(JNIEnv* env, const char* bytes, int32_t length);

// Stores `code` into result[0] when a result array is given. An empty array leaves the VM's
// ArrayIndexOutOfBoundsException pending, which the Java caller receives.
void StoreResult(JNIEnv* env, jintArray result, jint code);

}  // namespace corvane::jni
