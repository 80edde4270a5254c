#include "platform/posix/asn1/asn1_reader.h"

#include "platform/posix/asn1/object_identifier_text.h"

namespace corvane::platform::asn1 {
namespace {

// Identifier octets beyond the first (BER): at most four (tag numbers up to 2^28 - 1).
constexpr int kMaxTagNumberOctets = 4;
// Length octets after the first (DER): at most four; no certificate is longer than 4 GiB.
constexpr size_t kMaxDerLengthOctets = 4;

bool AppendStringPieces(const Element& element, std::vector<uint8_t>& value) {
  if (!element.constructed) {
    value.insert(value.end(), element.content, element.content + element.content_size);
    return true;
  }
  Reader pieces(element);
  while (!pieces.AtEnd()) {
    const std::optional<Element> piece = pieces.NextIf(TagClass::kUniversal, universal::kOctetString);
    if (!piece || !AppendStringPieces(*piece, value)) return false;
  }
  return true;
}

}  // namespace

std::optional<Element> Reader::Next() { return Parse(true); }

std::optional<Element> Reader::NextIf(TagClass cls, uint32_t number) {
  const std::optional<Element> element = Parse(false);
  return Take(element && element->Is(cls, number) ? element : std::nullopt);
}

std::optional<Element> Reader::NextIf(uint8_t tag) {
  if (!NextHasTag(tag)) return std::nullopt;
  return Next();
}

std::optional<Element> Reader::Take(const std::optional<Element>& element) {
  if (element) {
    cursor_ += element->encoding_size;
    remaining_ -= element->encoding_size;
  }
  return element;
}

std::optional<Element> Reader::Parse(bool consume) {
  const bool der = rules_ == Rules::kDer;
  const auto fail = [this]() -> std::optional<Element> {
    failed_ = true;
    return std::nullopt;
  };
  if (failed_) return std::nullopt;
  if (remaining_ == 0) return der ? fail() : std::nullopt;
  if (depth_ > kMaxNesting) return fail();

  const uint8_t* at = cursor_;
  size_t left = remaining_;
  Element element;
  element.encoding = at;
  element.depth = depth_;
  element.rules = rules_;

  const uint8_t identifier = *at++;
  --left;
  element.tag = identifier;
  element.tag_class = static_cast<TagClass>(identifier >> 6);
  element.constructed = (identifier & 0x20) != 0;
  element.tag_number = identifier & 0x1f;
  if (element.tag_number == 0x1f) {
    if (der) return fail();  // multi-byte tag numbers do not occur in certificates
    uint32_t number = 0;
    for (int octets = 0;; ++octets) {
      if (left == 0 || octets == kMaxTagNumberOctets) return fail();
      const uint8_t octet = *at++;
      --left;
      if (octets == 0 && octet == 0x80) return fail();  // leading zero bits
      number = (number << 7) | (octet & 0x7f);
      if ((octet & 0x80) == 0) break;
    }
    element.tag_number = number;
  }
  // Universal tag 0 is the end-of-contents marker, valid only where an indefinite length ends.
  if (!der && element.IsUniversal(0)) return fail();

  if (left == 0) return fail();
  const uint8_t first_length_octet = *at++;
  --left;
  if (first_length_octet == 0x80) {
    // Indefinite length (BER only): the content runs up to the end-of-contents octets.
    if (der || !element.constructed) return fail();
    Reader children(at, left, rules_, depth_ + 1);
    for (;;) {
      if (children.remaining_ >= 2 && children.cursor_[0] == 0 && children.cursor_[1] == 0) break;
      if (!children.Next()) return fail();
    }
    element.content = at;
    element.content_size = static_cast<size_t>(children.cursor_ - at);
    element.encoding_size = static_cast<size_t>(children.cursor_ + 2 - cursor_);
  } else {
    size_t length = first_length_octet;
    if (first_length_octet > 0x80) {
      const size_t octets = first_length_octet & 0x7f;
      if (octets > sizeof(size_t) || octets > left) return fail();
      if (der && (octets > kMaxDerLengthOctets || at[0] == 0)) return fail();
      length = 0;
      for (size_t i = 0; i < octets; ++i) length = (length << 8) | *at++;
      left -= octets;
      if (der && length < 0x80) return fail();  // not the shortest form
    }
    if (length > left) return fail();
    element.content = at;
    element.content_size = length;
    element.encoding_size = static_cast<size_t>(at - cursor_) + length;
  }

  if (consume) Take(element);
  return element;
}

std::optional<std::vector<uint8_t>> OctetStringValue(const Element& element) {
  std::vector<uint8_t> value;
  if (!AppendStringPieces(element, value)) return std::nullopt;
  return value;
}

std::optional<std::string> ObjectIdentifierText(const Element& element) {
  if (!element.IsUniversal(universal::kObjectIdentifier) || element.constructed) return std::nullopt;
  return ObjectIdentifierTextOf(element.encoding, element.encoding_size);
}

}  // namespace corvane::platform::asn1
