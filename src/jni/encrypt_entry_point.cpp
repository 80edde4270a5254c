// plovik.Corvane.JNIEncryptMsg: composeSingleEnvelopedMsg for a recipient the user chooses.
#include <jni.h>

#include "byte_array_call.h"
#include "corvane.h"

namespace {

int32_t Encrypt(const char* data, int32_t length, char* output, int32_t* output_length) {
  return composeSingleEnvelopedMsg(data, static_cast<uint32_t>(length), output, output_length);
}

}  // namespace

extern "C" JNIEXPORT jbyteArray JNICALL Java_plovik_Corvane_JNIEncryptMsg(JNIEnv* env, jclass,
                                                                          jbyteArray data,
                                                                          jintArray result) {
  return corvane::jni::CallByteArrayExport(env, data, result, Encrypt,
                                           corvane::jni::BufferUse::kPlaintextInput);
}
