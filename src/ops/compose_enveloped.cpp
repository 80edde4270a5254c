// composeSingleEnvelopedMsg and its serial-number variants: encrypt the caller's data for one
// recipient certificate of the stores "CA" and "ROOT" and return the PKCS #7 enveloped message
// as Base64 text.
#include <cstdint>

#include "certs/certificate_search.h"
#include "certs/certificate_selection.h"
#include "corvane.h"
#include "ops/operation_frame.h"
#include "ops/without_throwing.h"

namespace corvane::ops {
namespace {

struct EnvelopingResources {
  CallBuffer message;
  platform::OwnedProvider provider;
  platform::OwnedStore ca;
  platform::OwnedStore root;
  platform::OwnedCertificate recipient;
};

// How the recipient is found: in the chooser, or by serial number and issuer text.
struct RecipientChoice {
  bool interactive;
  const char* issuer_text;
  const char* serial_text;
  int32_t serial_text_length;
};

// The recipient list has room for ten certificates; these operations fill the first.
constexpr DWORD kRecipientRoom = 10;

PCCERT_CONTEXT FindRecipient(HCERTSTORE* stores, int32_t store_count,
                             const RecipientChoice& choice) {
  if (choice.interactive) {
    return certs::SelectCertificate(stores, store_count, text::kChooseForEncryption);
  }
  if (choice.serial_text_length < 0) return nullptr;  // no readable serial text: nothing found
  return certs::FindCertificateBySerial(stores, store_count, choice.serial_text,
                                        static_cast<uint32_t>(choice.serial_text_length),
                                        choice.issuer_text);
}

Outcome Encrypt(EnvelopingResources& held, const RecipientChoice& choice, const BYTE* data,
                uint32_t data_length, char* output, int32_t* output_length) {
  // No capacity could have been told for this much data (the size query refused it).
  if (!OutputBoundFits(data_length)) return Raise(Failure::kEncodingFailed);
  Outcome step = PrepareProvider(held.provider);
  if (!step.ok()) return step;
  if (!OpenSystemStore(held.ca, held.provider, "CA") ||
      !OpenSystemStore(held.root, held.provider, "ROOT")) {
    return Raise(Failure::kStoreNotOpened);
  }
  HCERTSTORE stores[] = {held.ca.get(), held.root.get()};
  held.recipient.Adopt(FindRecipient(stores, 2, choice));
  if (held.recipient.get() == nullptr) return Raise(Failure::kCertificateNotObtained);
  PCCERT_CONTEXT recipients[kRecipientRoom] = {held.recipient.get()};
  const DWORD recipient_count = 1;

  // Zero over its whole size, then filled. No key length is given: the platform's RC4 key
  // length applies.
  CRYPT_ENCRYPT_MESSAGE_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  parameters.hCryptProv = held.provider.get();
  parameters.ContentEncryptionAlgorithm.pszObjId = const_cast<LPSTR>(szOID_RSA_RC4);

  DWORD message_size = 0;
  step = CallPlatformTwice(MessageCall::kEncrypt, held.message, &message_size,
                           [&](BYTE* out, DWORD* size) {
                             return CryptEncryptMessage(&parameters, recipient_count, recipients,
                                                        data, data_length, out, size);
                           });
  if (!step.ok()) return step;
  return WriteMessageText(held.message, message_size, data_length, output, output_length);
}

int32_t RunEnveloping(const RecipientChoice& choice, const BYTE* data, uint32_t data_length,
                      char* output, int32_t* output_length) {
  if (data == nullptr || output_length == nullptr) return kMissingArgument;
  if (output == nullptr) {
    // A capacity past INT32_MAX would reach the caller wrapped or negative: refused with the
    // code the real call gives for the same data, and nothing written.
    if (!OutputBoundFits(data_length)) return kEncodingFailed;
    *output_length = static_cast<int32_t>(EncodedOutputBound(data_length));
    return kSuccess;
  }
  EnvelopingResources held;
  const Outcome outcome = Encrypt(held, choice, data, data_length, output, output_length);
  held.message.Release();
  if (choice.interactive && outcome.ok()) ShowOutcomeBox(outcome, text::kEncrypted);
  held.recipient.Release();
  held.ca.Release();
  held.root.Release();
  held.provider.Release();
  // A failure is reported after everything is released.
  if (choice.interactive && !outcome.ok()) ShowOutcomeBox(outcome, text::kEncrypted);
  return outcome.code;
}

}  // namespace
}  // namespace corvane::ops

using corvane::ops::RecipientChoice;

extern "C" CORVANE_API int32_t CORVANE_CALL composeSingleEnvelopedMsg(const char* data,
                                                                     uint32_t data_length,
                                                                     char* output,
                                                                     int32_t* output_length) {
  return corvane::ops::ExportWithoutThrowing([&] {
    return corvane::ops::RunEnveloping(RecipientChoice{true, nullptr, nullptr, 0},
                                       reinterpret_cast<const BYTE*>(data), data_length, output,
                                       output_length);
  });
}

extern "C" CORVANE_API int32_t CORVANE_CALL composeSingleEnvelopedMsgByIssuerSN(
    const char* data, uint32_t data_length, const char* issuer_text,
    int32_t /*issuer_text_length: the text is read up to its zero byte*/, const char* serial_text,
    int32_t serial_text_length, char* output, int32_t* output_length) {
  const int32_t result = corvane::ops::ExportWithoutThrowing([&] {
    return corvane::ops::RunEnveloping(
        RecipientChoice{false, issuer_text, serial_text, serial_text_length},
        reinterpret_cast<const BYTE*>(data), data_length, output, output_length);
  });
  // No certificate with that serial number and issuer: let the user choose one after all.
  if (result != corvane::ops::kNoCertificate) return result;
  return composeSingleEnvelopedMsg(data, data_length, output, output_length);
}

extern "C" CORVANE_API int32_t CORVANE_CALL composeSingleEnvelopedMsgBySN(
    const char* data, uint32_t data_length, const char* serial_text, int32_t serial_text_length,
    char* output, int32_t* output_length) {
  // Runs wholly within the guards of the exports it calls.
  return composeSingleEnvelopedMsgByIssuerSN(
      data, data_length, corvane::certs::kFixedIssuerText,
      static_cast<int32_t>(sizeof corvane::certs::kFixedIssuerText - 1), serial_text,
      serial_text_length, output, output_length);
}
