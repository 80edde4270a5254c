#include "platform/posix/hex_text.h"

#include <openssl/crypto.h>

namespace corvane::platform {

std::string UpperHex(const uint8_t* bytes, size_t size) {
  if (size == 0) return std::string();
  std::string text(2 * size + 1, '\0');
  size_t written = 0;
  // A separator of '\0' means none; OpenSSL writes upper-case digits and a terminating zero.
  if (OPENSSL_buf2hexstr_ex(text.data(), text.size(), &written, bytes, size, '\0') != 1) {
    return std::string();
  }
  text.resize(2 * size);
  return text;
}

}  // namespace corvane::platform
