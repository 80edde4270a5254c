// Conversions between Unicode and GBK (code page 936), the platform's ANSI code page.
// Built on the C library's iconv ("CP936").
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace corvane::text {

// Encodes code points one at a time into GBK; a code point without a GBK form becomes "?".
// One encoder serves one thread at a time. The converter is opened at the first code point
// outside ASCII: most names never need it.
class GbkEncoder {
 public:
  GbkEncoder() = default;
  ~GbkEncoder();
  GbkEncoder(const GbkEncoder&) = delete;
  GbkEncoder& operator=(const GbkEncoder&) = delete;

  void Append(std::string& out, char32_t code_point);

 private:
  bool opened_ = false;
  iconv_t to_gbk_ = reinterpret_cast<iconv_t>(-1);
};

// Decodes UTF-8; false when `utf8` is not valid UTF-8 (overlong forms and surrogates included).
bool DecodeUtf8(std::string_view utf8, std::u32string& code_points);

// Decodes UTF-8 one character at a time; each byte that does not start a valid sequence becomes
// `replacement`, so that one bad byte costs one character, not the rest.
std::u32string DecodeUtf8Leniently(std::string_view utf8, char32_t replacement);

// UTF-8 text to GBK, "?" for characters without a GBK form; invalid UTF-8 bytes become "?".
std::string Utf8ToGbk(std::string_view utf8);

// GBK text to UTF-8 for display; a byte sequence that is not GBK becomes U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

}  // namespace corvane::text
