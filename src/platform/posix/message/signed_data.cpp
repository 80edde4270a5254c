#include "platform/posix/message/signed_data.h"

#include "platform/posix/message/pkcs7_bytes.h"

namespace corvane::platform {

ossl::UniquePtr<PKCS7> MakeSignedData(const SignedDataInput& input) {
  // Binary content as it is; no signed attributes, so the signature covers the content digest.
  int flags = PKCS7_BINARY | PKCS7_NOATTR | PKCS7_NOSMIMECAP | PKCS7_PARTIAL;
  if (input.detached) flags |= PKCS7_DETACHED;

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
