// plovik.Corvane.JNIVerifyAttachedMsg and JNIVerifyDetachedMsg: verifySingleSignedMsg on a
// signed message that carries its data, or on a detached signature with the caller's data.
#include <jni.h>

#include "byte_array_call.h"
#include "corvane.h"
#include "java_arrays.h"

namespace {

using corvane::jni::BufferUse;
using corvane::jni::CallBuffer;
using corvane::jni::CopyIn;

jint VerifyDetached(JNIEnv* env, jbyteArray signature, jbyteArray data) {
  if (signature == nullptr || data == nullptr) return CORVANE_E_MISSING_ARGUMENT;
  // The export's lengths are int32_t, which jsize is not everywhere (long on Windows).
  const int32_t signature_length = env->GetArrayLength(signature);
  if (signature_length <= 0) return CORVANE_E_MISSING_ARGUMENT;
  int32_t data_length = env->GetArrayLength(data);
  if (data_length <= 0) return CORVANE_E_MISSING_ARGUMENT;

  CallBuffer text(BufferUse::kMessageInput, static_cast<size_t>(signature_length) + 1);
  if (!text) return CORVANE_E_NO_MEMORY;
  CopyIn(env, signature, signature_length, text);
  // Handed an attached message, the export verifies it as such and copies the content it carries
  // into the data buffer, but only within the data's length, which is also the buffer's capacity:
  // the buffer is the export's output.
  CallBuffer content(BufferUse::kOutput, static_cast<size_t>(data_length) + 1);
  if (!content) return CORVANE_E_NO_MEMORY;
  CopyIn(env, data, data_length, content);
  return verifySingleSignedMsg(text.get(), signature_length, content.get(), &data_length);
}

}  // namespace

extern "C" {

JNIEXPORT jbyteArray JNICALL Java_plovik_Corvane_JNIVerifyAttachedMsg(JNIEnv* env, jclass,
                                                                       jbyteArray message,
                                                                       jintArray result) {
  return corvane::jni::CallByteArrayExport(env, message, result, verifySingleSignedMsg,
                                           BufferUse::kMessageInput);
}

JNIEXPORT jint JNICALL Java_plovik_Corvane_JNIVerifyDetachedMsg(JNIEnv* env, jclass,
                                                                 jbyteArray signature,
                                                                 jbyteArray data,
                                                                 jintArray result) {
  const jint code = VerifyDetached(env, signature, data);
  corvane::jni::StoreResult(env, result, code);
  return code;
}

}  // extern "C"
