// plovik.Corvane.JNISignAttachedMsg and JNISignDetachedMsg: generateSingleSignedMsg with mode 0
// (the message carries the data) or 1 (a detached signature).
#include <jni.h>

#include "byte_array_call.h"
#include "corvane.h"

namespace {

int32_t SignAttached(const char* data, int32_t length, char* output, int32_t* output_length) {
  return generateSingleSignedMsg(data, static_cast<uint32_t>(length), 0, output, output_length);
}

int32_t SignDetached(const char* data, int32_t length, char* output, int32_t* output_length) {
  return generateSingleSignedMsg(data, static_cast<uint32_t>(length), 1, output, output_length);
}

}  // namespace

extern "C" {

JNIEXPORT jbyteArray JNICALL Java_plovik_Corvane_JNISignAttachedMsg(JNIEnv* env, jclass,
                                                                     jbyteArray data,
                                                                     jintArray result) {
  return corvane::jni::CallByteArrayExport(env, data, result, SignAttached,
                                           corvane::jni::BufferUse::kPlaintextInput);
}

JNIEXPORT jbyteArray JNICALL Java_plovik_Corvane_JNISignDetachedMsg(JNIEnv* env, jclass,
                                                                     jbyteArray data,
                                                                     jintArray result) {
  return corvane::jni::CallByteArrayExport(env, data, result, SignDetached,
                                           corvane::jni::BufferUse::kPlaintextInput);
}

}  // extern "C"
