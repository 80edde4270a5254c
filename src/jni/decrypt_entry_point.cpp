// plovik.Corvane.JNIDecryptMsg: decomposeSingleEnvelopedMsg on the Base64 text of an envelope.
#include <jni.h>

#include "byte_array_call.h"
#include "corvane.h"

extern "C" JNIEXPORT jbyteArray JNICALL Java_plovik_Corvane_JNIDecryptMsg(JNIEnv* env, jclass,
                                                                          jbyteArray envelope,
                                                                          jintArray result) {
  return corvane::jni::CallByteArrayExport(env, envelope, result, decomposeSingleEnvelopedMsg,
                                           corvane::jni::BufferUse::kMessageInput);
}
