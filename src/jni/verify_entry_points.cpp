// plovik.Corvane.JNIVerifyAttachedMsg and JNIVerifyDetachedMsg: the export's verification of a
// signed message that carries its data, or of a signature over the caller's data. Java hands
// the data apart from the output, so the data is checked whatever the message's form: a message
// that carries other content than the data, or a detached signature handed no data, fails.
#include <jni.h>

#include "byte_array_call.h"
#include "corvane.h"
#include "java_arrays.h"
#include "ops/verify_with_data.h"
#include "ops/without_throwing.h"

namespace {

using corvane::jni::BufferUse;
using corvane::jni::CallBuffer;
using corvane::jni::CopyIn;

// The export's shape, with no data: only a message that carries its content verifies.
int32_t VerifyCarriedContent(const char* text, int32_t text_length, char* content,
                             int32_t* content_length) {
  return corvane::ops::VerifySignedMessage(text, text_length, {}, content, content_length,
                                           nullptr);
}

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
  CallBuffer data_copy(BufferUse::kPlaintextInput, static_cast<size_t>(data_length) + 1);
  if (!data_copy) return CORVANE_E_NO_MEMORY;
  CopyIn(env, data, data_length, data_copy);
  // An attached message's content lands here to be compared with the data; the export's size
  // query answers the text's length, a capacity that always suffices.
  int32_t content_length = signature_length;
  CallBuffer content(BufferUse::kOutput, static_cast<size_t>(signature_length) + 1);
  if (!content) return CORVANE_E_NO_MEMORY;
  return corvane::ops::VerifySignedMessage(text.get(), signature_length,
                                           {data_copy.get(), data_length}, content.get(),
                                           &content_length, nullptr);
}

}  // namespace

extern "C" {

JNIEXPORT jbyteArray JNICALL Java_plovik_Corvane_JNIVerifyAttachedMsg(JNIEnv* env, jclass,
                                                                       jbyteArray message,
                                                                       jintArray result) {
  return corvane::jni::CallByteArrayExport(env, message, result, VerifyCarriedContent,
                                           BufferUse::kMessageInput);
}

JNIEXPORT jint JNICALL Java_plovik_Corvane_JNIVerifyDetachedMsg(JNIEnv* env, jclass,
                                                                 jbyteArray signature,
                                                                 jbyteArray data,
                                                                 jintArray result) {
  const jint code = corvane::ops::ExportWithoutThrowing(
      [&]() -> int32_t { return VerifyDetached(env, signature, data); });
  corvane::jni::StoreResult(env, result, code);
  return code;
}

}  // extern "C"
