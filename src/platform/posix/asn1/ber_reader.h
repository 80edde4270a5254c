// A bounded reader of BER, the encoding rules PKCS #7 messages arrive in: definite and indefinite
// lengths, multi-byte tags, and string types split into constructed pieces. It reads only the
// bytes it was given, never recurses deeper than kMaxNesting, and reports any malformed element
// as a failure instead of guessing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform::ber {

// Elements nested deeper than this are refused (real messages stay below ten levels).
inline constexpr int kMaxNesting = 32;

enum class TagClass : uint8_t { kUniversal = 0, kApplication = 1, kContext = 2, kPrivate = 3 };

inline constexpr uint32_t kInteger = 2;
inline constexpr uint32_t kOctetString = 4;
inline constexpr uint32_t kNull = 5;
inline constexpr uint32_t kObjectIdentifier = 6;
inline constexpr uint32_t kSequence = 16;
inline constexpr uint32_t kSet = 17;

struct Element {
  TagClass tag_class = TagClass::kUniversal;
  bool constructed = false;
  uint32_t tag_number = 0;
  const uint8_t* encoding = nullptr;  // the whole element: identifier, length, content (and EOC)
  size_t encoding_size = 0;
  const uint8_t* content = nullptr;  // for an indefinite length, up to the end-of-contents octets
  size_t content_size = 0;
  int depth = 0;  // nesting level of the element within the outermost reader

  bool Is(TagClass cls, uint32_t number) const { return tag_class == cls && tag_number == number; }
  bool IsUniversal(uint32_t number) const { return Is(TagClass::kUniversal, number); }
};

// Reads consecutive elements out of a range of bytes.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size, int depth = 0)
      : cursor_(data), remaining_(size), depth_(depth) {}
  // Reads the children of a constructed element.
  explicit Reader(const Element& constructed)
      : Reader(constructed.content, constructed.content_size, constructed.depth + 1) {}

  // True when all bytes were consumed by well-formed elements.
  bool AtEnd() const { return remaining_ == 0 && !failed_; }

  // The next element; nothing (and the reader stops) when it is malformed or there is none.
  std::optional<Element> Next();

  // The next element if it has the given tag; nothing when it is absent or has another tag (then
  // nothing is consumed) or is malformed.
  std::optional<Element> NextIf(TagClass cls, uint32_t number);

 private:
  std::optional<Element> Parse(bool consume);

  const uint8_t* cursor_;
  size_t remaining_;
  int depth_;
  bool failed_ = false;
};

// The bytes of a string value (OCTET STRING, or an implicitly tagged one): the content of a
// primitive element, or the pieces of a constructed one (each a universal OCTET STRING, possibly
// constructed itself) appended in order. Nothing when a piece is malformed or of another type.
std::optional<std::vector<uint8_t>> OctetStringValue(const Element& element);

// Dotted decimal text of an OBJECT IDENTIFIER element ("1.2.840.113549.1.7.3"); nothing when the
// element is not a well-formed primitive OBJECT IDENTIFIER.
std::optional<std::string> ObjectIdentifierText(const Element& element);

}  // namespace corvane::platform::ber
