#include "platform/posix/message/signed_data.h"

#include "platform/posix/message/pkcs7_bytes.h"

namespace corvane::platform {

namespace {

// Puts the content into a message signed as detached: one copy, where OpenSSL's own attached
// signing collects it in a memory buffer that it grows, copies and cleanses as it goes.
bool AttachContent(PKCS7* message, const uint8_t* content, size_t size) {
  ossl::UniquePtr<PKCS7> data(PKCS7_new_ex(ossl::LibraryContext(), ossl::kNoProperties));
  if (!data || PKCS7_set_type(data.get(), NID_pkcs7_data) != 1 ||
      ASN1_OCTET_STRING_set(data->d.data, size == 0 ? nullptr : content,
                            static_cast<int>(size)) != 1 ||
      PKCS7_set_detached(message, 0) != 0 || PKCS7_set_content(message, data.get()) != 1) {
    return false;
  }
  data.release();  // the message's now
  return true;
}

}  // namespace

ossl::UniquePtr<PKCS7> MakeSignedData(const SignedDataInput& input) {
  // Binary content as it is; no signed attributes, so the signature covers the content digest.
  // The content is only hashed here (signed as detached) and attached afterwards when wanted.
  const int flags =
      PKCS7_BINARY | PKCS7_NOATTR | PKCS7_NOSMIMECAP | PKCS7_PARTIAL | PKCS7_DETACHED;

  ossl::UniquePtr<PKCS7> message(PKCS7_sign_ex(nullptr, nullptr, nullptr, nullptr, flags,
                                               ossl::LibraryContext(), ossl::kNoProperties));
  // The certificate set is exactly the caller's list: the signer's is not added on its own.
  if (!message || PKCS7_sign_add_signer(message.get(), input.signer, input.private_key,
                                        input.digest, flags | PKCS7_NOCERTS) == nullptr) {
    return nullptr;
  }
  for (X509* certificate : input.certificates) {
    if (PKCS7_add_certificate(message.get(), certificate) != 1) return nullptr;
  }
  const ossl::UniquePtr<BIO> content = ContentSource(input.content, input.content_size);
  if (!content || PKCS7_final(message.get(), content.get(), flags) != 1) return nullptr;
  if (!input.detached && !AttachContent(message.get(), input.content, input.content_size)) {
    return nullptr;
  }
  return message;
}

uint64_t SignedDataSizeBound(const SignedDataInput& input) {
  const size_t signer_id = IssuerAndSerialSize(input.signer);
  const int signature = EVP_PKEY_get_size(input.private_key);
  if (signer_id == 0 || signature <= 0) return 0;

  uint64_t certificates = kDerHeaderBound;  // [0] IMPLICIT SET OF Certificate
  for (X509* certificate : input.certificates) {
    const int size = i2d_X509(certificate, nullptr);
    if (size <= 0) return 0;
    certificates += static_cast<uint64_t>(size);
  }
  // SignerInfo: version, issuer and serial, digest, signature algorithm, signature.
  const uint64_t signer_info = kDerHeaderBound + kVersionSize + signer_id +
                               2 * kAlgorithmIdentifierBound + kDerHeaderBound +
                               static_cast<uint64_t>(signature);
  // ContentInfo { data, [0] EXPLICIT OCTET STRING } with the content unless it is detached.
  const uint64_t content_info = kDerHeaderBound + kObjectIdentifierBound +
                                (input.detached ? 0 : 2 * kDerHeaderBound + input.content_size);
  // SignedData: version, SET of the one digest algorithm, content, certificates, SET of one
  // SignerInfo; inside ContentInfo { signedData, [0] EXPLICIT }.
  const uint64_t signed_data = kDerHeaderBound + kVersionSize + kDerHeaderBound +
                               kAlgorithmIdentifierBound + content_info + certificates +
                               kDerHeaderBound + signer_info;
  return kDerHeaderBound + kObjectIdentifierBound + kDerHeaderBound + signed_data;
}

}  // namespace corvane::platform
