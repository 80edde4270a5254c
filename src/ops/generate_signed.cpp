// generateSingleSignedMsg and its serial-number variants: sign the caller's data with a
// certificate of the personal store "MY" and return the PKCS #7 signed message as Base64 text.
#include <cstddef>
#include <cstdint>

#include "certs/certificate_search.h"
#include "certs/certificate_selection.h"
#include "corvane.h"
#include "ops/operation_frame.h"
#include "ops/without_throwing.h"

namespace corvane::ops {
namespace {

struct SigningResources {
  CallBuffer message;
  platform::OwnedProvider provider;
  platform::OwnedStore store;
  platform::OwnedCertificate certificate;
};

// How the signing certificate is found: in the chooser, or by serial number and issuer text.
struct SignerChoice {
  bool interactive;
  const char* issuer_text;
  const char* serial_text;
  int32_t serial_text_length;
};

PCCERT_CONTEXT FindSigner(HCERTSTORE* store, const SignerChoice& choice) {
  if (choice.interactive) return certs::SelectCertificate(store, 1, text::kChooseForSigning);
  if (choice.serial_text_length < 0) return nullptr;  // no readable serial text: nothing found
  return certs::FindCertificateBySerial(store, 1, choice.serial_text,
                                        static_cast<uint32_t>(choice.serial_text_length),
                                        choice.issuer_text);
}

Outcome Sign(SigningResources& held, const SignerChoice& choice, const BYTE* data,
             uint32_t data_length, int32_t mode, char* output, int32_t* output_length) {
  // No capacity could have been told for this much data (the size query refused it).
  if (!OutputBoundFits(data_length)) return Raise(Failure::kEncodingFailed);
  Outcome step = PrepareProvider(held.provider);
  if (!step.ok()) return step;
  if (!OpenSystemStore(held.store, held.provider, "MY")) {
    return Raise(Failure::kPersonalStoreNotOpened);
  }
  held.certificate.Adopt(FindSigner(held.store.address(), choice));
  if (held.certificate.get() == nullptr) return Raise(Failure::kNoCertificateSpecified);

  PCCERT_CONTEXT message_certificates[] = {held.certificate.get()};
  CRYPT_SIGN_MESSAGE_PARA parameters{};
  // The fields up to dwInnerContentType, without the optional ones after it (68 bytes on the
  // 32-bit platform), which the Windows headers declare only on request.
  parameters.cbSize = offsetof(CRYPT_SIGN_MESSAGE_PARA, dwInnerContentType) + sizeof(DWORD);
  parameters.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  parameters.pSigningCert = held.certificate.get();
  parameters.HashAlgorithm.pszObjId = const_cast<LPSTR>(szOID_OIWSEC_sha1);
  parameters.cMsgCert = 1;
  parameters.rgpMsgCert = message_certificates;

  const BYTE* contents[] = {data};
  DWORD content_sizes[] = {data_length};
  DWORD message_size = 0;
  step = CallPlatformTwice(MessageCall::kSign, held.message, &message_size,
                           [&](BYTE* out, DWORD* size) {
                             return CryptSignMessage(&parameters, mode == 1, 1, contents,
                                                     content_sizes, out, size);
                           });
  if (!step.ok()) return step;

  return WriteMessageText(held.message, message_size, data_length, output, output_length);
}

int32_t RunSigning(const SignerChoice& choice, const BYTE* data, uint32_t data_length,
                   int32_t mode, char* output, int32_t* output_length) {
  if (data == nullptr || output_length == nullptr) return kMissingArgument;
  if (output == nullptr) {
    // A capacity past INT32_MAX would reach the caller wrapped or negative: refused with the
    // code the real call gives for the same data, and nothing written.
    if (!OutputBoundFits(data_length)) return kEncodingFailed;
    *output_length = static_cast<int32_t>(EncodedOutputBound(data_length));
    return kSuccess;
  }
  SigningResources held;
  const Outcome outcome = Sign(held, choice, data, data_length, mode, output, output_length);
  held.message.Release();
  if (choice.interactive) ShowOutcomeBox(outcome, text::kSigned);
  held.certificate.Release();
  held.store.Release();
  // The store took its own reference to the provider context; ours ends here, once.
  held.provider.Release();
  return outcome.code;
}

}  // namespace
}  // namespace corvane::ops

using corvane::ops::SignerChoice;

extern "C" CORVANE_API int32_t CORVANE_CALL generateSingleSignedMsg(const char* data,
                                                                   uint32_t data_length,
                                                                   int32_t mode, char* output,
                                                                   int32_t* output_length) {
  return corvane::ops::ExportWithoutThrowing([&] {
    return corvane::ops::RunSigning(SignerChoice{true, nullptr, nullptr, 0},
                                    reinterpret_cast<const BYTE*>(data), data_length, mode, output,
                                    output_length);
  });
}

extern "C" CORVANE_API int32_t CORVANE_CALL generateSingleSignedMsgByIssuerSN(
    const char* data, uint32_t data_length, int32_t mode, const char* issuer_text,
    int32_t /*issuer_text_length: the text is read up to its zero byte*/, const char* serial_text,
    int32_t serial_text_length, char* output, int32_t* output_length) {
  const int32_t result = corvane::ops::ExportWithoutThrowing([&] {
    return corvane::ops::RunSigning(
        SignerChoice{false, issuer_text, serial_text, serial_text_length},
        reinterpret_cast<const BYTE*>(data), data_length, mode, output, output_length);
  });
  // No certificate with that serial number and issuer: let the user choose one after all.
  if (result != corvane::ops::kNoCertificate) return result;
  return generateSingleSignedMsg(data, data_length, mode, output, output_length);
}

extern "C" CORVANE_API int32_t CORVANE_CALL generateSingleSignedMsgBySN(
    const char* data, uint32_t data_length, int32_t mode, const char* serial_text,
    int32_t serial_text_length, char* output, int32_t* output_length) {
  // Runs wholly within the guards of the exports it calls.
  return generateSingleSignedMsgByIssuerSN(
      data, data_length, mode, corvane::certs::kFixedIssuerText,
      static_cast<int32_t>(sizeof corvane::certs::kFixedIssuerText - 1), serial_text,
      serial_text_length, output, output_length);
}
