#include "platform/posix/message/pkcs7_bytes.h"

#include <climits>

namespace corvane::platform {

ossl::UniquePtr<BIO> ContentSource(const uint8_t* content, size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) return nullptr;
  return ossl::UniquePtr<BIO>(BIO_new_mem_buf(
      size == 0 ? "" : static_cast<const void*>(content), static_cast<int>(size)));
}

std::optional<std::vector<uint8_t>> Pkcs7Der(PKCS7* message) {
  const int size = i2d_PKCS7(message, nullptr);
  if (size <= 0) return std::nullopt;
  std::vector<uint8_t> der(static_cast<size_t>(size));
  unsigned char* cursor = der.data();
  if (i2d_PKCS7(message, &cursor) != size) return std::nullopt;
  return der;
}

}  // namespace corvane::platform
