#include "platform/posix/text/name_value_text.h"

#include <optional>
#include <string_view>

#include "platform/posix/hex_text.h"

namespace corvane::platform {
namespace {

// Universal tags of the ASN.1 character string types.
constexpr uint8_t kUtf8String = 0x0C;
constexpr uint8_t kNumericString = 0x12;
constexpr uint8_t kPrintableString = 0x13;
constexpr uint8_t kT61String = 0x14;
constexpr uint8_t kVideotexString = 0x15;
constexpr uint8_t kIa5String = 0x16;
constexpr uint8_t kGraphicString = 0x19;
constexpr uint8_t kVisibleString = 0x1A;
constexpr uint8_t kGeneralString = 0x1B;
constexpr uint8_t kUniversalString = 0x1C;
constexpr uint8_t kBmpString = 0x1E;

constexpr char32_t kReplacementCharacter = 0xFFFD;

std::string_view ContentOf(const asn1::Element& value) {
  return {reinterpret_cast<const char*>(value.content), value.content_size};
}

std::u32string Latin1(std::string_view bytes) {
  std::u32string code_points;
  for (char byte : bytes) code_points += static_cast<unsigned char>(byte);
  return code_points;
}

// Big-endian code units of `width` bytes each; nothing when the length is not a multiple.
std::optional<std::u32string> BigEndianUnits(std::string_view bytes, size_t width) {
  if (bytes.size() % width != 0) return std::nullopt;
  std::u32string code_points;
  for (size_t i = 0; i < bytes.size(); i += width) {
    char32_t unit = 0;
    for (size_t k = 0; k < width; ++k) unit = (unit << 8) | static_cast<unsigned char>(bytes[i + k]);
    code_points += unit;
  }
  return code_points;
}

enum class Decoding { kText, kNotText, kMalformed };

Decoding DecodeString(const asn1::Element& value, std::u32string& code_points) {
  const std::string_view bytes = ContentOf(value);
  switch (value.tag) {
    case kUtf8String:
      // Each byte that does not start a valid sequence becomes U+FFFD, as the platform's UTF-8
      // conversion does: one bad byte costs one character, not the value.
      code_points = text::DecodeUtf8Leniently(bytes, kReplacementCharacter);
      return Decoding::kText;
    case kBmpString:
    case kUniversalString: {
      auto units = BigEndianUnits(bytes, value.tag == kBmpString ? 2 : 4);
      if (!units) return Decoding::kMalformed;
      code_points = std::move(*units);
      return Decoding::kText;
    }
    case kT61String:
      if (!text::DecodeUtf8(bytes, code_points)) code_points = Latin1(bytes);
      return Decoding::kText;
    case kNumericString:
    case kPrintableString:
    case kVideotexString:
    case kIa5String:
    case kGraphicString:
    case kVisibleString:
    case kGeneralString:
      code_points = Latin1(bytes);
      return Decoding::kText;
    default:
      return Decoding::kNotText;
  }
}

bool IsWhiteSpace(char32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool NeedsQuotes(const std::u32string& value) {
  if (value.empty() || IsWhiteSpace(value.front()) || IsWhiteSpace(value.back())) return true;
  return value.find_first_of(U",+=\"<>#;\n") != std::u32string::npos;
}

void AppendHex(const uint8_t* bytes, size_t size, std::string& out) {
  out += '#';
  out += UpperHex(bytes, size);
}

}  // namespace

bool AppendNameValueText(const asn1::Element& value, text::GbkEncoder& encoder, std::string& out) {
  std::u32string code_points;
  switch (DecodeString(value, code_points)) {
    case Decoding::kMalformed:
      return false;
    case Decoding::kNotText:
      if (value.tag == asn1::kOctetString) {
        AppendHex(value.content, value.content_size, out);
      } else {
        AppendHex(value.encoding, value.encoding_size, out);
      }
      return true;
    case Decoding::kText:
      break;
  }
  if (code_points.find(U'\0') != std::u32string::npos) {
    // The platform decodes a string with an embedded NUL as an encoded blob (so that no name
    // text can be cut short by it) and shows it in hex.
    AppendHex(value.encoding, value.encoding_size, out);
    return true;
  }
  const bool quoted = NeedsQuotes(code_points);
  if (quoted) out += '"';
  for (char32_t c : code_points) {
    if (c == '"') out += '"';
    encoder.Append(out, c);
  }
  if (quoted) out += '"';
  return true;
}

}  // namespace corvane::platform
