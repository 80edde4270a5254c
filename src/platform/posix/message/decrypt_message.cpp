// CryptDecryptMessage: opens a PKCS #7 / CMS enveloped message with the private key of a
// certificate from the caller's stores: an RSA key that unwraps a transported content key (here),
// or an EC key that agrees on it (OpenSSL's CMS code, key_agreement_envelope.h).
//
// Failures, as GetLastError reports them:
//   CRYPT_E_OSS_ERROR         the bytes are no decodable message (empty input included)
//   CRYPT_E_INVALID_MSG_TYPE  a well-formed message of another type (signed data, ...)
//   CRYPT_E_NO_DECRYPT_CERT   no recipient of the message has a certificate with a key
//   CRYPT_E_MSG_ERROR         the content is not in the message, or its parameters are unusable
//   CRYPT_E_UNKNOWN_ALGO      a key transport or cipher this layer does not have
//   NTE_BAD_KEY, NTE_BAD_DATA the key or the content does not decrypt
//   ERROR_CANCELLED           the thread's key-use question was declined (key_use_question.h)
//   ERROR_MORE_DATA           the output buffer is smaller than the content (size reported)
//   E_INVALIDARG              missing or inconsistent arguments
// A size query (no output buffer) reads the message and finds the recipient's certificate and key
// as the call with a buffer does, but decrypts nothing: it reports the encrypted content's size,
// an upper bound of the content's (equal for a stream cipher such as RC4, at most one block more
// for a block cipher), as Windows allows ("the actual size can be slightly smaller"). Failures of
// the key or the content itself (NTE_BAD_KEY, NTE_BAD_DATA) are then reported by the call with a
// buffer, which reports the exact size.
#include <cstring>
#include <vector>

#include "platform/posix/message/content_decryption.h"
#include "platform/posix/message/content_key.h"
#include "platform/posix/message/enveloped_data.h"
#include "platform/posix/message/key_agreement_envelope.h"
#include "platform/posix/message/key_use_question.h"
#include "platform/posix/platform_call.h"
#include "platform/posix/message/recipient_certificate.h"
#include "platform/posix/message/unsupported_algorithm.h"
#include "platform/posix/store/certificate_x509.h"

using namespace corvane::platform;

extern "C" BOOL CryptDecryptMessage(PCRYPT_DECRYPT_MESSAGE_PARA decrypt_para,
                                    const BYTE* encrypted_blob, DWORD encrypted_blob_size,
                                    BYTE* decrypted, DWORD* decrypted_size,
                                    PCCERT_CONTEXT* exchange_cert) {
  PLATFORM_ENTRY("CryptDecryptMessage");
  if (exchange_cert != nullptr) *exchange_cert = nullptr;
  PLATFORM_ENSURE(decrypt_para != nullptr && decrypted_size != nullptr &&
                      decrypt_para->cbSize >= offsetof(CRYPT_DECRYPT_MESSAGE_PARA, dwFlags) &&
                      (decrypt_para->dwMsgAndCertEncodingType & PKCS_7_ASN_ENCODING) != 0 &&
                      (decrypt_para->cCertStore == 0 || decrypt_para->rghCertStore != nullptr) &&
                      (encrypted_blob != nullptr || encrypted_blob_size == 0),
                  E_INVALIDARG);

  EnvelopedData envelope;
  const EnvelopeReading reading = ReadEnvelopedData(encrypted_blob, encrypted_blob_size, envelope);
  PLATFORM_ENSURE(reading != EnvelopeReading::kMalformed, CRYPT_E_OSS_ERROR);
  if (reading == EnvelopeReading::kOtherContentType) {
    PLATFORM_ENSURE_OK(UnsupportedAlgorithm("the message's content type", envelope.content_type,
                                            CRYPT_E_INVALID_MSG_TYPE));
  }
  PLATFORM_ENSURE(envelope.has_encrypted_content, CRYPT_E_MSG_ERROR);

  std::optional<RecipientCertificate> recipient;
  PLATFORM_ENSURE_OK(FindRecipientCertificate(decrypt_para->rghCertStore, decrypt_para->cCertStore,
                                              envelope.recipients, recipient));
  PLATFORM_ENSURE(KeyUseAllowed(recipient->certificate.get(), KeyUse::kOpen), ERROR_CANCELLED);

  if (decrypted == nullptr) {
    *decrypted_size = static_cast<DWORD>(envelope.encrypted_content.size());
    if (exchange_cert != nullptr) *exchange_cert = recipient->certificate.release();
    return TRUE;
  }

  if (recipient->recipient->kind == EnvelopeRecipient::Kind::kKeyAgreement) {
    std::vector<uint8_t> content;
    PLATFORM_ENSURE_OK(OpenKeyAgreementEnvelope(encrypted_blob, encrypted_blob_size,
                                                CertificateX509(recipient->certificate.get()),
                                                recipient->private_key.get(), content));
    const DWORD capacity = *decrypted_size;
    *decrypted_size = static_cast<DWORD>(content.size());
    PLATFORM_ENSURE(capacity >= content.size(), ERROR_MORE_DATA);
    if (!content.empty()) std::memcpy(decrypted, content.data(), content.size());
  } else {
    SecretBytes content_key;
    PLATFORM_ENSURE_OK(
        UnwrapContentKey(recipient->private_key.get(), *recipient->recipient, content_key));
    PLATFORM_ENSURE_OK(DecryptContent(envelope.content_encryption, content_key,
                                      envelope.encrypted_content, decrypted, decrypted_size));
  }
  if (exchange_cert != nullptr) *exchange_cert = recipient->certificate.release();
  return TRUE;
}
