#include "codec/base64.h"

#include <array>
#include <cstdint>

namespace corvane::codec {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kLineLength = 64;
constexpr uint8_t kPad = 64;
constexpr uint8_t kSkip = 0xFF;

// Sextet value of every byte; "=" is 64 and bytes outside the alphabet are skipped.
constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  for (auto& entry : table) entry = kSkip;
  for (uint8_t i = 0; i < 64; ++i) table[static_cast<uint8_t>(kAlphabet[i])] = i;
  table['='] = kPad;
  return table;
}
constexpr std::array<uint8_t, 256> kDecodeTable = MakeDecodeTable();

// Writes the unbroken Base64 text of the data, calling put(c) once per character.
template <typename Put>
void EncodeUnbroken(const uint8_t* data, int32_t length, Put put) {
  int32_t i = 0;
  for (; length - i >= 3; i += 3) {
    const uint32_t group = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
    put(kAlphabet[(group >> 18) & 0x3F]);
    put(kAlphabet[(group >> 12) & 0x3F]);
    put(kAlphabet[(group >> 6) & 0x3F]);
    put(kAlphabet[group & 0x3F]);
  }
  const int32_t tail = length - i;
  if (tail == 0) return;
  const uint32_t group = (uint32_t{data[i]} << 16) | (tail == 2 ? uint32_t{data[i + 1]} << 8 : 0);
  put(kAlphabet[(group >> 18) & 0x3F]);
  put(kAlphabet[(group >> 12) & 0x3F]);
  put(tail == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=');
  put('=');
}

}  // namespace

int64_t EncodedBase64Length(int64_t length, int line_breaks) {
  const int64_t unbroken = length <= 0 ? 0 : 4 * ((length + 2) / 3);
  if (line_breaks != 1) return unbroken;
  return unbroken + (unbroken - 1) / kLineLength + 1;
}

Base64Status EncodeBase64(const uint8_t* data, int32_t length, char* text, int32_t* text_length,
                     int line_breaks) {
  if (length < 0 || data == nullptr) length = 0;
  const int64_t total = EncodedBase64Length(length, line_breaks);
  // A text whose length a 32-bit length cannot hold is never made (on the 32-bit library its
  // working memory alone would not fit the address space): nothing is written.
  if (total > INT32_MAX) return kBase64TooLong;
  if (text != nullptr) {
    int32_t written = 0;
    int32_t column = 0;
    EncodeUnbroken(data, length, [&](char c) {
      text[written++] = c;
      if (line_breaks == 1 && ++column == kLineLength) {
        text[written++] = '\n';
        column = 0;
      }
    });
    // The last line ends with a line feed too, unless it just got one as a full line.
    if (line_breaks == 1 && (column != 0 || written == 0)) text[written++] = '\n';
  }
  *text_length = static_cast<int32_t>(total);
  return kBase64Done;
}

Base64Status DecodeBase64(const char* text, int32_t length, uint8_t* data, int32_t* data_length) {
  if (data == nullptr) {
    *data_length = length;
    return kBase64Done;
  }
  int32_t produced = 0;
  uint8_t quartet[4];
  int filled = 0;
  for (int32_t i = 0; i < length; ++i) {
    const uint8_t value = kDecodeTable[static_cast<uint8_t>(text[i])];
    if (value == kSkip) continue;
    quartet[filled++] = value;
    if (filled < 4) continue;
    filled = 0;
    const bool pad2 = quartet[2] == kPad;
    const bool pad3 = quartet[3] == kPad;
    if (quartet[0] == kPad || quartet[1] == kPad || (pad2 && !pad3)) {
      *data_length = 0;  // a misplaced pad: the text decodes to nothing
      return kBase64Done;
    }
    data[produced++] = static_cast<uint8_t>((quartet[0] << 2) | (quartet[1] >> 4));
    if (pad2) break;
    data[produced++] = static_cast<uint8_t>((quartet[1] << 4) | (quartet[2] >> 2));
    if (pad3) break;
    data[produced++] = static_cast<uint8_t>((quartet[2] << 6) | quartet[3]);
  }
  if (filled != 0) {
    *data_length = 0;
    return kBase64IncompleteQuartet;
  }
  *data_length = produced;
  return kBase64Done;
}

}  // namespace corvane::codec
