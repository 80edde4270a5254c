#include "platform/posix/asn1/object_identifier_text.h"

#include <climits>

#include "platform/posix/ossl.h"

namespace corvane::platform {

std::optional<std::string> ObjectIdentifierTextOf(const uint8_t* encoding, size_t size) {
  if (encoding == nullptr || size == 0 || size > LONG_MAX) return std::nullopt;
  const unsigned char* at = encoding;
  ossl::UniquePtr<ASN1_OBJECT> object(d2i_ASN1_OBJECT(nullptr, &at, static_cast<long>(size)));
  if (!object || at != encoding + size) return std::nullopt;
  const int needed = OBJ_obj2txt(nullptr, 0, object.get(), 1);
  if (needed <= 0) return std::nullopt;
  std::string text(static_cast<size_t>(needed) + 1, '\0');
  OBJ_obj2txt(text.data(), needed + 1, object.get(), 1);
  text.resize(static_cast<size_t>(needed));
  return text;
}

}  // namespace corvane::platform
