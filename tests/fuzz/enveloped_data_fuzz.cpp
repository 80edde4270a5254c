// libFuzzer target for the enveloped-message reader, the part of the message engine that reads
// untrusted bytes. Not part of the default build; build and run it with clang:
//
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc \
//     tests/fuzz/enveloped_data_fuzz.cpp src/platform/posix/message/enveloped_data.cpp \
//     src/platform/posix/asn1/asn1_reader.cpp src/platform/posix/asn1/object_identifier_text.cpp \
//     src/platform/posix/ossl.cpp \
//     -lcrypto -o enveloped_data_fuzz
//   ./enveloped_data_fuzz -max_len=4096 corpus/
// Good seeds: envelopes from `openssl cms -encrypt -outform DER`, with and without -stream.
#include <cstddef>
#include <cstdint>

#include "platform/posix/message/enveloped_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  corvane::platform::EnvelopedData envelope;
  corvane::platform::ReadEnvelopedData(data, size, envelope);
  return 0;
}
