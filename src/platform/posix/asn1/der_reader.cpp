#include "platform/posix/asn1/der_reader.h"

#include "platform/posix/asn1/object_identifier_text.h"

namespace corvane::platform::der {

bool Reader::Next(Element& element) {
  // Any malformed element stops the reader: nothing after it can be trusted.
  auto fail = [this] {
    remaining_ = 0;
    failed_ = true;
    return false;
  };
  if (remaining_ < 2) return fail();
  const uint8_t tag = cursor_[0];
  if ((tag & 0x1F) == 0x1F) return fail();  // multi-byte tag numbers do not occur in certificates
  size_t header = 2;
  size_t length = cursor_[1];
  if (length & 0x80) {
    const size_t count = length & 0x7F;
    // 0x80 is the indefinite form (not DER); more than four length bytes is never a certificate.
    if (count == 0 || count > 4 || remaining_ - 2 < count) return fail();
    length = 0;
    for (size_t i = 0; i < count; ++i) length = (length << 8) | cursor_[2 + i];
    if (length < 0x80 || cursor_[2] == 0) return fail();  // not the shortest form
    header += count;
  }
  if (length > remaining_ - header) return fail();
  element.tag = tag;
  element.encoding = cursor_;
  element.encoding_size = header + length;
  element.content = cursor_ + header;
  element.content_size = length;
  cursor_ += element.encoding_size;
  remaining_ -= element.encoding_size;
  return true;
}

bool Reader::Expect(uint8_t tag, Element& element) { return NextHasTag(tag) && Next(element); }

std::optional<std::string> ObjectIdentifierText(const Element& oid) {
  if (oid.tag != kObjectIdentifier) return std::nullopt;
  return ObjectIdentifierTextOf(oid.encoding, oid.encoding_size);
}

}  // namespace corvane::platform::der
