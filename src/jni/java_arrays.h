// What the entry points do with Java arrays, through the five JNIEnv functions they use:
// GetArrayLength, GetByteArrayRegion, NewByteArray, SetByteArrayRegion, SetIntArrayRegion.
// Arrays are always copied, never pinned: once into native memory, once out into a new byte[].
// Native buffers are filled with zeros only where a zero is read: never a buffer that the copy or
// the export is about to write over.
#pragma once

#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace corvane::jni {

struct FreeNative {
  void operator()(char* memory) const { std::free(memory); }
};

// A native buffer, released at the end of the call that owns it.
using NativeBuffer = std::unique_ptr<char[], FreeNative>;

// `size` bytes as they come; null when the memory cannot be had.
NativeBuffer UninitializedBuffer(size_t size);

// `size` zero bytes (fresh pages are not written over again); null when the memory cannot be had.
NativeBuffer ZeroedBuffer(size_t size);

// The bytes of a non-empty Java array at the front of a buffer of `capacity` bytes (at least the
// array's length plus one), zeros after them.
NativeBuffer CopyIn(JNIEnv* env, jbyteArray array, jsize length, size_t capacity);

// A new byte[] holding exactly the first `length` bytes of `bytes`; null when the VM cannot make
// it (it then has an OutOfMemoryError pending).
jbyteArray CopyOut(JNIEnv* env, const char* bytes, int32_t length);

// Stores `code` into result[0] when a result array is given. An empty array leaves the VM's
// ArrayIndexOutOfBoundsException pending, which the Java caller receives.
void StoreResult(JNIEnv* env, jintArray result, jint code);

}  // namespace corvane::jni
