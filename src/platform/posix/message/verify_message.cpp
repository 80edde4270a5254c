// CryptVerifyMessageSignature and CryptVerifyDetachedMessageSignature: verify one signer of a
// PKCS #7 signed-data message, with the signer's certificate taken from the message (see
// signer_verification.h for what is accepted and the errors reported).
//
// Supported: the signer's certificate from the message's own certificates, that is
// pfnGetSignerCertificate null; a callback is refused with E_INVALIDARG. hCryptProv is not used.
// The message is verified in full on every call, except that a call with a content buffer that
// follows a size query for the same bytes in the same thread takes that query's result
// (verification_memo.h): the answer is the same, without reading and verifying twice. A detached signature handed to CryptVerifyMessageSignature fails
// with CRYPT_E_MSG_ERROR: it carries no content. Content handed to
// CryptVerifyDetachedMessageSignature is what is verified, even when the message carries its own.
#include <cstring>

#include "platform/posix/message/signer_verification.h"
#include "platform/posix/message/verification_memo.h"
#include "platform/posix/platform_call.h"
#include "platform/posix/store/certificate_context.h"

using namespace corvane::platform;

namespace {

// The fields up to pvGetArg (20 bytes on the 32-bit platform).
constexpr DWORD kParameterSize = offsetof(CRYPT_VERIFY_MESSAGE_PARA, pvGetArg) + sizeof(void*);

bool UsableParameters(const CRYPT_VERIFY_MESSAGE_PARA* para) {
  return para != nullptr && para->cbSize >= kParameterSize &&
         (para->dwMsgAndCertEncodingType & PKCS_7_ASN_ENCODING) != 0 &&
         para->pfnGetSignerCertificate == nullptr;
}

// One more reference to a certificate context of this layer's making.
PCCERT_CONTEXT AnotherReference(PCCERT_CONTEXT context) {
  corvane::platform::AddContextReference(corvane::platform::ContextOf(context));
  return context;
}

}  // namespace

extern "C" BOOL CryptVerifyMessageSignature(PCRYPT_VERIFY_MESSAGE_PARA verify_para,
                                            DWORD signer_index, const BYTE* signed_blob,
                                            DWORD signed_blob_size, BYTE* decoded,
                                            DWORD* decoded_size, PCCERT_CONTEXT* signer_cert) {
  PLATFORM_ENTRY("CryptVerifyMessageSignature");
  if (signer_cert != nullptr) *signer_cert = nullptr;
  PLATFORM_ENSURE(UsableParameters(verify_para) && (decoded == nullptr || decoded_size != nullptr),
                  E_INVALIDARG);

  // A size query that asks for the content's size is remembered for the call with a buffer
  // that follows it; that call takes the result instead of verifying the same bytes again.
  const bool size_query = decoded == nullptr && decoded_size != nullptr;
  std::optional<VerifiedSigner> verified;
  if (decoded != nullptr) {
    verified = TakeRememberedVerification(signed_blob, signed_blob_size, signer_index);
  }
  if (!verified) {
    verified.emplace();
    PLATFORM_ENSURE_OK(
        VerifyMessageSigner(signed_blob, signed_blob_size, signer_index, nullptr, *verified));
  }

  if (decoded_size != nullptr) {
    const DWORD capacity = *decoded_size;
    *decoded_size = static_cast<DWORD>(verified->content_size());
    if (decoded != nullptr) {
      PLATFORM_ENSURE(capacity >= verified->content_size(), ERROR_MORE_DATA);
      if (verified->content_size() != 0) {
        std::memcpy(decoded, verified->content_data(), verified->content_size());
      }
    }
  }
  if (signer_cert != nullptr) {
    *signer_cert = size_query ? AnotherReference(verified->certificate.get())
                              : verified->certificate.release();
  }
  if (size_query) {
    RememberVerification(signed_blob, signed_blob_size, signer_index, std::move(*verified));
  }
  return TRUE;
}

extern "C" BOOL CryptVerifyDetachedMessageSignature(
    PCRYPT_VERIFY_MESSAGE_PARA verify_para, DWORD signer_index, const BYTE* detached_sign_blob,
    DWORD detached_sign_blob_size, DWORD to_be_signed_count, const BYTE* to_be_signed[],
    DWORD to_be_signed_sizes[], PCCERT_CONTEXT* signer_cert) {
  PLATFORM_ENTRY("CryptVerifyDetachedMessageSignature");
  if (signer_cert != nullptr) *signer_cert = nullptr;
  PLATFORM_ENSURE(UsableParameters(verify_para) &&
                      (to_be_signed_count == 0 ||
                       (to_be_signed != nullptr && to_be_signed_sizes != nullptr)),
                  E_INVALIDARG);
  std::vector<ContentPiece> pieces;
  for (DWORD index = 0; index < to_be_signed_count; ++index) {
    PLATFORM_ENSURE(to_be_signed[index] != nullptr || to_be_signed_sizes[index] == 0,
                    E_INVALIDARG);
    pieces.push_back(ContentPiece{to_be_signed[index], to_be_signed_sizes[index]});
  }

  VerifiedSigner verified;
  PLATFORM_ENSURE_OK(VerifyMessageSigner(detached_sign_blob, detached_sign_blob_size,
                                         signer_index, &pieces, verified));
  if (signer_cert != nullptr) *signer_cert = verified.certificate.release();
  return TRUE;
}
