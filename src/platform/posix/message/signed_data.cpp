#include "platform/posix/message/signed_data.h"

#include "platform/posix/message/pkcs7_bytes.h"

namespace corvane::platform {

std::optional<std::vector<uint8_t>> EncodeSignedData(const SignedDataInput& input) {
  // Binary content as it is; no signed attributes, so the signature covers the content digest.
  int flags = PKCS7_BINARY | PKCS7_NOATTR | PKCS7_NOSMIMECAP | PKCS7_PARTIAL;
  if (input.detached) flags |= PKCS7_DETACHED;

  ossl::UniquePtr<PKCS7> message(PKCS7_sign_ex(nullptr, nullptr, nullptr, nullptr, flags,
                                               ossl::LibraryContext(), ossl::kNoProperties));
  // The certificate set is exactly the caller's list: the signer's is not added on its own.
  if (!message || PKCS7_sign_add_signer(message.get(), input.signer, input.private_key,
                                        input.digest, flags | PKCS7_NOCERTS) == nullptr) {
    return std::nullopt;
  }
  for (X509* certificate : input.certificates) {
    if (PKCS7_add_certificate(message.get(), certificate) != 1) return std::nullopt;
  }
  const ossl::UniquePtr<BIO> content = ContentSource(input.content, input.content_size);
  if (!content || PKCS7_final(message.get(), content.get(), flags) != 1) return std::nullopt;

  return Pkcs7Der(message.get());
}

}  // namespace corvane::platform
