#include "platform/posix/text/gbk.h"

#include <cstring>

namespace corvane::text {
namespace {

// iconv_open's failure value.
bool IsOpen(iconv_t converter) { return converter != reinterpret_cast<iconv_t>(-1); }

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// True when `bytes` are exactly one GBK character, which is then in `cp`.
bool DecodeOneGbkCharacter(iconv_t to_utf32, std::string_view bytes, char32_t& cp) {
  if (!IsOpen(to_utf32)) return false;
  char in[2];
  bytes.copy(in, sizeof in);
  char decoded[8];
  char* in_ptr = in;
  size_t in_left = bytes.size();
  char* out_ptr = decoded;
  size_t out_left = sizeof decoded;
  iconv(to_utf32, nullptr, nullptr, nullptr, nullptr);
  if (iconv(to_utf32, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1) ||
      in_left != 0 || out_left != sizeof decoded - 4) {
    return false;
  }
  cp = static_cast<unsigned char>(decoded[0]) | (static_cast<unsigned char>(decoded[1]) << 8) |
       (static_cast<unsigned char>(decoded[2]) << 16) |
       (static_cast<char32_t>(static_cast<unsigned char>(decoded[3])) << 24);
  return true;
}

// This thread's converter from GBK, opened on first use and kept (opening one costs more than
// converting a line); each character is converted from the initial state.
iconv_t ThreadGbkDecoder() {
  struct Decoder {
    iconv_t handle = reinterpret_cast<iconv_t>(-1);
    ~Decoder() {
      if (IsOpen(handle)) iconv_close(handle);
    }
  };
  thread_local Decoder decoder;
  if (!IsOpen(decoder.handle)) decoder.handle = iconv_open("UTF-32LE", "CP936");
  return decoder.handle;
}

}  // namespace

GbkEncoder::~GbkEncoder() {
  if (IsOpen(to_gbk_)) iconv_close(to_gbk_);
}

void GbkEncoder::Append(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
    return;
  }
  if (!opened_) {
    to_gbk_ = iconv_open("CP936", "UTF-32LE");
    opened_ = true;
  }
  if (!IsOpen(to_gbk_)) {
    out += '?';
    return;
  }
  char in[4] = {static_cast<char>(code_point & 0xFF), static_cast<char>((code_point >> 8) & 0xFF),
                static_cast<char>((code_point >> 16) & 0xFF),
                static_cast<char>((code_point >> 24) & 0xFF)};
  char encoded[8];
  char* in_ptr = in;
  size_t in_left = sizeof in;
  char* out_ptr = encoded;
  size_t out_left = sizeof encoded;
  iconv(to_gbk_, nullptr, nullptr, nullptr, nullptr);
  if (iconv(to_gbk_, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1)) {
    out += '?';
    return;
  }
  out.append(encoded, sizeof encoded - out_left);
}

bool DecodeUtf8(std::string_view utf8, std::u32string& code_points) {
  code_points.clear();
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    size_t extra;
    char32_t cp;
    char32_t minimum;
    if (lead < 0x80) {
      code_points += lead;
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (utf8.size() - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    code_points += cp;
    i += extra + 1;
  }
  return true;
}

std::u32string DecodeUtf8Leniently(std::string_view utf8, char32_t replacement) {
  std::u32string code_points;
  std::u32string one;
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length <= utf8.size() - i && DecodeUtf8(utf8.substr(i, length), one)) {
      code_points += one;
      i += length;
    } else {
      code_points += replacement;
      ++i;
    }
  }
  return code_points;
}

std::string Utf8ToGbk(std::string_view utf8) {
  GbkEncoder encoder;
  std::string out;
  for (char32_t code_point : DecodeUtf8Leniently(utf8, U'?')) encoder.Append(out, code_point);
  return out;
}

std::string GbkToUtf8(std::string_view gbk) {
  iconv_t to_utf8 = ThreadGbkDecoder();
  std::string out;
  size_t i = 0;
  while (i < gbk.size()) {
    const auto lead = static_cast<unsigned char>(gbk[i]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    }
    // A two-byte character, else a one-byte one (0x80, the euro sign, is never a lead byte).
    char32_t cp;
    if (i + 1 < gbk.size() && DecodeOneGbkCharacter(to_utf8, gbk.substr(i, 2), cp)) {
      i += 2;
    } else if (DecodeOneGbkCharacter(to_utf8, gbk.substr(i, 1), cp)) {
      i += 1;
    } else {
      cp = 0xFFFD;
      ++i;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace corvane::text
