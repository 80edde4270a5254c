// The library's Base64 codec: standard alphabet with "=" padding, lines of 64 characters each
// ended by one line feed, and a lenient decoder that skips every byte outside the alphabet.
#pragma once

#include <cstdint>

#include "corvane.h"

namespace corvane::codec {

// What the codec reports; its callers decide the result code of their operation. The values are
// the library's codes for the same conditions (include/corvane.h).
enum Base64Status : int32_t {
  kBase64Done = CORVANE_OK,
  kBase64TooLong = CORVANE_E_NO_MEMORY,  // the text would be longer than INT32_MAX bytes
  kBase64IncompleteQuartet = CORVANE_E_DECODING_FAILED,
};

// Encodes `length` bytes (length <= 0: no data). With line_breaks == 1 the text is cut into lines
// of 64 characters, each line (the last included) followed by "\n"; an empty input then gives
// "\n". *text_length receives the exact text length; with a null `text` nothing else happens.
// Otherwise `text` must hold that many bytes; no terminating zero is written. kBase64TooLong,
// with nothing written, when the text would be longer than INT32_MAX bytes.
Base64Status EncodeBase64(const uint8_t* data, int32_t length, char* text, int32_t* text_length,
                     int line_breaks);

// The text length EncodeBase64 produces for `length` bytes.
int64_t EncodedBase64Length(int64_t length, int line_breaks);

// Decodes `length` bytes of text. With a null `data`, *data_length receives `length` (a bound on
// the decoded size) and nothing is scanned. Otherwise `data` must hold `length` bytes; decoding
// stops at the first quartet holding "=" (a misplaced "=" yields 0 bytes).
// kBase64IncompleteQuartet, with *data_length = 0, when the text ends inside an incomplete quartet.
Base64Status DecodeBase64(const char* text, int32_t length, uint8_t* data, int32_t* data_length);

}  // namespace corvane::codec
