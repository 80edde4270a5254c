#include "platform/posix/asn1/der_writer.h"

#include <climits>
#include <cstring>

namespace corvane::platform::asn1 {

int64_t DerElementSize(int64_t content, const DerTag& tag) {
  if (content < 0 || content > INT_MAX) return -1;
  return ASN1_object_size(tag.constructed ? 1 : 0, static_cast<int>(content), tag.number);
}

void PutDerHeader(unsigned char** cursor, int64_t content, const DerTag& tag) {
  ASN1_put_object(cursor, tag.constructed ? 1 : 0, static_cast<int>(content), tag.number,
                  tag.element_class);
}

unsigned char* PutDerBytes(unsigned char* cursor, std::string_view bytes) {
  if (!bytes.empty()) std::memcpy(cursor, bytes.data(), bytes.size());
  return cursor + bytes.size();
}

std::string DerElement(const DerTag& tag, std::string_view content) {
  const int64_t size = DerElementSize(static_cast<int64_t>(content.size()), tag);
  if (size < 0) return {};
  std::string element(static_cast<size_t>(size), '\0');
  auto* cursor = reinterpret_cast<unsigned char*>(element.data());
  PutDerHeader(&cursor, static_cast<int64_t>(content.size()), tag);
  PutDerBytes(cursor, content);
  return element;
}

}  // namespace corvane::platform::asn1
