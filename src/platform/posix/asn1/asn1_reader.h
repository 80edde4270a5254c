// The one bounded reader of ASN.1 in the platform layer, with two sets of rules:
//
// - BER, the rules PKCS #7 messages arrive in: definite and indefinite lengths, multi-byte tags,
//   string types split into constructed pieces.
// - strict DER, the rules certificates and names are read with: definite lengths in their
//   shortest form (at most four length octets) and single-octet tags only; anything else is
//   malformed.
//
// It reads only the bytes it was given, never nests deeper than kMaxNesting, and reports any
// malformed element as a failure instead of guessing; after one, the reader stays failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform::asn1 {

enum class Rules : uint8_t { kBer, kDer };

// Elements nested deeper than this are refused (real messages stay below ten levels).
inline constexpr int kMaxNesting = 32;

enum class TagClass : uint8_t { kUniversal = 0, kApplication = 1, kContext = 2, kPrivate = 3 };

// Universal tag numbers, for matching by class and number (BER: a string type may come
// primitive or constructed).
namespace universal {
inline constexpr uint32_t kInteger = 2;
inline constexpr uint32_t kOctetString = 4;
inline constexpr uint32_t kNull = 5;
inline constexpr uint32_t kObjectIdentifier = 6;
inline constexpr uint32_t kSequence = 16;
inline constexpr uint32_t kSet = 17;
}  // namespace universal

// Whole identifier octets of single-octet tags, for exact matching (DER).
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

struct Element {
  uint8_t tag = 0;  // the first identifier octet: the whole tag when the number is below 31
  TagClass tag_class = TagClass::kUniversal;
  bool constructed = false;
  uint32_t tag_number = 0;
  const uint8_t* encoding = nullptr;  // the whole element: identifier, length, content (and EOC)
  size_t encoding_size = 0;
  const uint8_t* content = nullptr;  // for an indefinite length, up to the end-of-contents octets
  size_t content_size = 0;
  int depth = 0;  // nesting level of the element within the outermost reader
  Rules rules = Rules::kDer;

  bool Is(TagClass cls, uint32_t number) const { return tag_class == cls && tag_number == number; }
  bool IsUniversal(uint32_t number) const { return Is(TagClass::kUniversal, number); }
};

// Reads consecutive elements out of a range of bytes.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size, Rules rules, int depth = 0)
      : cursor_(data), remaining_(size), depth_(depth), rules_(rules) {}
  // Reads the children of a constructed element, by the rules it was read with.
  explicit Reader(const Element& constructed)
      : Reader(constructed.content, constructed.content_size, constructed.rules,
               constructed.depth + 1) {}

  // True when all bytes were consumed by well-formed elements.
  bool AtEnd() const { return remaining_ == 0 && !failed_; }

  // The next element; nothing (and the reader stops) when it is malformed or there is none.
  std::optional<Element> Next();

  // The next element if it has the given class and number (either form), or exactly the given
  // identifier octet; nothing when it is absent or has another tag (then nothing is consumed)
  // or is malformed.
  std::optional<Element> NextIf(TagClass cls, uint32_t number);
  std::optional<Element> NextIf(uint8_t tag);

  // True when the next element starts with identifier octet `tag` (nothing is consumed).
  bool NextHasTag(uint8_t tag) const { return !failed_ && remaining_ > 0 && *cursor_ == tag; }

 private:
  std::optional<Element> Parse(bool consume);
  std::optional<Element> Take(const std::optional<Element>& element);

  const uint8_t* cursor_;
  size_t remaining_;
  int depth_;
  Rules rules_;
  bool failed_ = false;
};

// The bytes of a string value (OCTET STRING, or an implicitly tagged one): the content of a
// primitive element, or the pieces of a constructed one (each a universal OCTET STRING, possibly
// constructed itself) appended in order. Nothing when a piece is malformed or of another type.
std::optional<std::vector<uint8_t>> OctetStringValue(const Element& element);

// Dotted decimal text of an OBJECT IDENTIFIER element ("1.2.840.113549.1.7.3"); arcs of any
// size. Nothing when the element is not a well-formed, minimally encoded, primitive OBJECT
// IDENTIFIER.
std::optional<std::string> ObjectIdentifierText(const Element& element);

}  // namespace corvane::platform::asn1
