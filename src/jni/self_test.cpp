// plovik.Corvane.JNItest: signs, verifies, envelopes and opens two built-in texts through the
// exports, printing each stage on standard output; 0 when every call succeeded, -1 otherwise.
#include <jni.h>

#include <cstdio>
#include <cstring>
#include <optional>

#include "corvane.h"
#include "java_arrays.h"
#include "ops/without_throwing.h"
#include "two_pass_call.h"

namespace {

using corvane::jni::CallBuffer;
using corvane::jni::CallExportTwice;

// GBK: 你好，这是签名用的原文 and 你好，这是加密用的原文 (11 characters, 22 bytes each).
constexpr char kTextToSign[] =
    "\xC4\xE3\xBA\xC3\xA3\xAC\xD5\xE2\xCA\xC7\xC7\xA9\xC3\xFB\xD3\xC3\xB5\xC4\xD4\xAD\xCE\xC4";
constexpr char kTextToEncrypt[] =
    "\xC4\xE3\xBA\xC3\xA3\xAC\xD5\xE2\xCA\xC7\xBC\xD3\xC3\xDC\xD3\xC3\xB5\xC4\xD4\xAD\xCE\xC4";

// The four stages, each output printed from its buffer, where a zero byte follows it. The first
// failure stops the run before its stage's OK line.
struct RoundTrip {
  std::optional<CallBuffer> signed_message, verified, enveloped, decrypted;
  int32_t signed_size = 0, verified_size = 0, enveloped_size = 0, decrypted_size = 0;

  int32_t Run() {
    const auto sign_length = static_cast<uint32_t>(std::strlen(kTextToSign));
    const auto encrypt_length = static_cast<uint32_t>(std::strlen(kTextToEncrypt));

    std::printf("Sign Test Begin!\n");
    std::printf("Plain:\n[%s]\n", kTextToSign);
    int32_t code = CallExportTwice(
        [&](char* out, int32_t* size) {
          return generateSingleSignedMsg(kTextToSign, sign_length, 0, out, size);
        },
        signed_message, signed_size);
    if (code != 0) return code;
    std::printf("SignedMsg:\n[%s]\n", signed_message->get());
    std::printf("Sign Test OK!\n");

    std::printf("Verify Test Begin!\n");
    code = CallExportTwice(
        [&](char* out, int32_t* size) {
          return verifySingleSignedMsg(signed_message->get(), signed_size, out, size);
        },
        verified, verified_size);
    if (code != 0) return code;
    std::printf("Verify Test OK!\n");

    std::printf("Encrypt Test Begin!\n");
    std::printf("Plain:\n[%s]\n", kTextToEncrypt);
    code = CallExportTwice(
        [&](char* out, int32_t* size) {
          return composeSingleEnvelopedMsg(kTextToEncrypt, encrypt_length, out, size);
        },
        enveloped, enveloped_size);
    if (code != 0) return code;
    std::printf("EnvelopedMsg:\n[%s]\n", enveloped->get());
    std::printf("Encrypt Test OK!\n");

    std::printf("Decrypt Test Begin!\n");
    code = CallExportTwice(
        [&](char* out, int32_t* size) {
          return decomposeSingleEnvelopedMsg(enveloped->get(), enveloped_size, out, size);
        },
        decrypted, decrypted_size);
    if (code != 0) return code;
    std::printf("Decrypted Plain:\n[%s]\n", decrypted->get());
    std::printf("Decrypt Test OK!\n");
    return 0;
  }

  // In the order the buffers were obtained.
  void Release() {
    signed_message.reset();
    verified.reset();
    enveloped.reset();
    decrypted.reset();
  }
};

}  // namespace

extern "C" JNIEXPORT jint JNICALL Java_plovik_Corvane_JNItest(JNIEnv*, jclass) {
  RoundTrip round_trip;
  const int32_t code = corvane::ops::ExportWithoutThrowing([&] { return round_trip.Run(); });
  round_trip.Release();
  if (code != 0) std::printf("Error occuerd!\n return : [%d]\n", code);
  // The lines reach standard output before Java prints anything after the call.
  std::fflush(stdout);
  return code == 0 ? 0 : -1;
}
