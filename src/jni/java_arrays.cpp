#include "java_arrays.h"

#include <new>

namespace corvane::jni {

NativeBuffer ZeroedBuffer(size_t size) { return NativeBuffer(new (std::nothrow) char[size]()); }

NativeBuffer CopyIn(JNIEnv* env, jbyteArray array, jsize length, size_t capacity) {
  NativeBuffer buffer = ZeroedBuffer(capacity);
  if (buffer) env->GetByteArrayRegion(array, 0, length, reinterpret_cast<jbyte*>(buffer.get()));
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
