#include "platform/posix/message/signed_data.h"

#include <climits>

namespace corvane::platform {

std::optional<std::vector<uint8_t>> EncodeSignedData(const SignedDataInput& input) {
  // Binary content as it is; no signed attributes, so the signature covers the content digest.
  int flags = PKCS7_BINARY | PKCS7_NOATTR | PKCS7_NOSMIMECAP | PKCS7_PARTIAL;
  if (input.detached) flags |= PKCS7_DETACHED;
  if (input.content_size > static_cast<size_t>(INT_MAX)) return std::nullopt;

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
  ossl::UniquePtr<BIO> content(
      BIO_new_mem_buf(input.content_size == 0 ? "" : static_cast<const void*>(input.content),
                      static_cast<int>(input.content_size)));
  if (!content || PKCS7_final(message.get(), content.get(), flags) != 1) return std::nullopt;

  const int size = i2d_PKCS7(message.get(), nullptr);
  if (size <= 0) return std::nullopt;
  std::vector<uint8_t> der(static_cast<size_t>(size));
  unsigned char* cursor = der.data();
  if (i2d_PKCS7(message.get(), &cursor) != size) return std::nullopt;
  return der;
}

}  // namespace corvane::platform
