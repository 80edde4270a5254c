// A small, strictly bounded reader of DER (definite-length, single-byte tags), enough to walk a
// certificate's TBSCertificate without building OpenSSL objects. It never reads past the bytes it
// was given; any malformed element makes Next fail and leaves the reader unusable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace corvane::platform::der {

inline constexpr uint8_t kBoolean = 0x01;
inline constexpr uint8_t kInteger = 0x02;
inline constexpr uint8_t kBitString = 0x03;
inline constexpr uint8_t kOctetString = 0x04;
inline constexpr uint8_t kObjectIdentifier = 0x06;
inline constexpr uint8_t kUtcTime = 0x17;
inline constexpr uint8_t kGeneralizedTime = 0x18;
inline constexpr uint8_t kSequence = 0x30;
inline constexpr uint8_t kSet = 0x31;
inline constexpr uint8_t ContextConstructed(int number) { return static_cast<uint8_t>(0xA0 | number); }
inline constexpr uint8_t ContextPrimitive(int number) { return static_cast<uint8_t>(0x80 | number); }

// One element: its tag, the whole encoding (tag, length, content) and the content.
struct Element {
  uint8_t tag = 0;
  const uint8_t* encoding = nullptr;
  size_t encoding_size = 0;
  const uint8_t* content = nullptr;
  size_t content_size = 0;
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : cursor_(data), remaining_(size) {}
  explicit Reader(const Element& constructed)
      : cursor_(constructed.content), remaining_(constructed.content_size) {}

  // True when every byte was read as well-formed elements (false after a malformed one).
  bool AtEnd() const { return remaining_ == 0 && !failed_; }

  // Reads the next element; false (and the reader stops) when it is malformed or there is none.
  bool Next(Element& element);

  // Reads the next element if it has `tag`; false when it has another tag (nothing is consumed)
  // or is malformed.
  bool Expect(uint8_t tag, Element& element);

  // True when the next element starts with `tag` (nothing is consumed).
  bool NextHasTag(uint8_t tag) const { return !failed_ && remaining_ > 0 && *cursor_ == tag; }

 private:
  const uint8_t* cursor_;
  size_t remaining_;
  bool failed_ = false;
};

// Dotted decimal text of an OBJECT IDENTIFIER element ("1.2.840.113549.1.1.11"); arcs of any
// size. Nothing for empty, truncated or non-minimal encodings.
std::optional<std::string> ObjectIdentifierText(const Element& oid);

}  // namespace corvane::platform::der
