#include "byte_array_call.h"

#include "corvane.h"
#include "java_arrays.h"
#include "ops/without_throwing.h"
#include "two_pass_call.h"

namespace corvane::jni {
namespace {

// Runs the export on a native copy of the input; on 0, `out` holds `size` bytes of output.
jint Run(JNIEnv* env, jbyteArray input, ByteExport call, BufferUse input_use,
         std::optional<CallBuffer>& out, int32_t& size) {
  if (input == nullptr) return CORVANE_E_MISSING_ARGUMENT;
  const jsize length = env->GetArrayLength(input);
  if (length <= 0) return CORVANE_E_MISSING_ARGUMENT;
  CallBuffer in(input_use, static_cast<size_t>(length) + 1);
  if (!in) return CORVANE_E_NO_MEMORY;
  CopyIn(env, input, length, in);
  return CallExportTwice(
      [&](char* output, int32_t* output_length) {
        return call(in.get(), length, output, output_length);
      },
      out, size);
}

jbyteArray CallExportIntoArray(JNIEnv* env, jbyteArray input, jintArray result, ByteExport call,
                               BufferUse input_use) {
  std::optional<CallBuffer> out;
  int32_t size = 0;
  const jint code = Run(env, input, call, input_use, out, size);
  if (code != 0) {
    StoreResult(env, result, code);
    return nullptr;
  }
  // When the VM cannot make the byte[] (after the export's work is done), its OutOfMemoryError
  // is pending and no further JNI call may be made: the Java caller receives that error.
  jbyteArray answer = CopyOut(env, out->get(), size);
  if (answer != nullptr) StoreResult(env, result, 0);
  return answer;
}

}  // namespace

jbyteArray CallByteArrayExport(JNIEnv* env, jbyteArray input, jintArray result, ByteExport call,
                               BufferUse input_use) {
  return ops::CallWithoutThrowing(
      [&] { return CallExportIntoArray(env, input, result, call, input_use); },
      [&]() noexcept -> jbyteArray {
        // A Java exception already pending is what the Java caller receives; no JNI call after it.
        if (!env->ExceptionCheck()) StoreResult(env, result, CORVANE_E_NO_MEMORY);
        return nullptr;
      });
}

}  // namespace corvane::jni

