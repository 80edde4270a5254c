#include "java_arrays.h"

#include <cstring>

namespace corvane::jni {

NativeBuffer UninitializedBuffer(size_t size) {
  return NativeBuffer(static_cast<char*>(std::malloc(size)));
}

NativeBuffer ZeroedBuffer(size_t size) { return NativeBuffer(static_cast<char*>(std::calloc(size, 1))); }

NativeBuffer CopyIn(JNIEnv* env, jbyteArray array, jsize length, size_t capacity) {
  NativeBuffer buffer = UninitializedBuffer(capacity);
  if (buffer) {
    env->GetByteArrayRegion(array, 0, length, reinterpret_cast<jbyte*>(buffer.get()));
    std::memset(buffer.get() + length, 0, capacity - static_cast<size_t>(length));
  }
  return buffer;
}

jbyteArray CopyOut(JNIEnv* env, const char* bytes, int32_t length) {
  jbyteArray array = env->NewByteArray(length);
  if (array != nullptr) {
    env->SetByteArrayRegion(array, 0, length, reinterpret_cast<const jbyte*>(bytes));
  }
  return array;
}

void StoreResult(JNIEnv* env, jintArray result, jint code) {
  if (result != nullptr) env->SetIntArrayRegion(result, 0, 1, &code);
}

}  // namespace corvane::jni
