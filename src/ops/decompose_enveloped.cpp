// decomposeSingleEnvelopedMsg: opens the Base64 text of a PKCS #7 enveloped message with a
// private key that the platform finds through the personal store "MY".
#include <cstddef>

#include "corvane.h"
#include "ops/operation_frame.h"
#include "ops/without_throwing.h"

namespace corvane::ops {
namespace {

// Everything one call acquires; released by the export in its fixed order.
struct OpeningResources {
  CallBuffer message;
  CallBuffer content;
  platform::OwnedProvider provider;
  platform::OwnedStore store;
};

Outcome OpenEnvelope(OpeningResources& held, const char* text, int32_t text_length, char* output,
                     int32_t* output_length) {
  // Decode first: a text that is not Base64 fails before any provider work.
  int32_t message_length = 0;
  Outcome step = DecodeMessageText(text, text_length, held.message, &message_length);
  if (!step.ok()) return step;

  step = PrepareProvider(held.provider);
  if (!step.ok()) return step;
  if (!OpenSystemStore(held.store, held.provider, "MY")) return Raise(Failure::kStoreNotOpened);

  CRYPT_DECRYPT_MESSAGE_PARA parameters{};
  // The four fields without the optional flags (16 bytes on the 32-bit platform); dwFlags
  // itself is declared by the Windows headers only on request.
  parameters.cbSize = offsetof(CRYPT_DECRYPT_MESSAGE_PARA, rghCertStore) + sizeof(HCERTSTORE*);
  parameters.dwMsgAndCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  parameters.cCertStore = 1;
  parameters.rghCertStore = held.store.address();

  DWORD content_size = 0;
  step = CallPlatformTwice(MessageCall::kDecrypt, held.content, &content_size,
                           [&](BYTE* content, DWORD* size) {
                             return CryptDecryptMessage(&parameters, held.message.data(),
                                                        static_cast<DWORD>(message_length),
                                                        content, size, nullptr);
                           });
  if (!step.ok()) return step;
  // The caller's buffer holds text_length bytes (the size query's answer); content never
  // outgrows the message it came from, but a platform answer that did is refused, not copied.
  return CopyContentToCaller(held.content, content_size, static_cast<DWORD>(message_length),
                             Failure::kDecryptionFailed, output, output_length);
}

int32_t RunOpening(const char* text, int32_t text_length, char* output, int32_t* output_length) {
  if (text == nullptr || output_length == nullptr) return kMissingArgument;
  if (output == nullptr) {
    *output_length = text_length;
    return kSuccess;
  }
  OpeningResources held;
  const Outcome outcome = OpenEnvelope(held, text, text_length, output, output_length);
  held.content.Release();
  held.message.Release();
  ShowOutcomeBox(outcome, text::kDecrypted);
  held.store.Release();
  held.provider.Release();
  return outcome.code;
}

}  // namespace
}  // namespace corvane::ops

extern "C" CORVANE_API int32_t CORVANE_CALL decomposeSingleEnvelopedMsg(const char* text,
                                                                       int32_t text_length,
                                                                       char* output,
                                                                       int32_t* output_length) {
  return corvane::ops::ExportWithoutThrowing(
      [&] { return corvane::ops::RunOpening(text, text_length, output, output_length); });
}
