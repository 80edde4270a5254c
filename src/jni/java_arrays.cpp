#include "java_arrays.h"

namespace corvane::jni {

void CopyIn(JNIEnv* env, jbyteArray array, jsize length, CallBuffer& buffer) {
  env->GetByteArrayRegion(array, 0, length, reinterpret_cast<jbyte*>(buffer.get()));
  buffer.get()[length] = '\0';
  buffer.WrittenBefore(static_cast<size_t>(length) + 1);
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
