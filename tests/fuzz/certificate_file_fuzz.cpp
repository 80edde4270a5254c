// libFuzzer target for the store reader's handling of untrusted files: a certificate file's
// bytes (PEM or DER) and the TBSCertificate parser behind every certificate in it. Not part of
// the default build; build and run it with clang:
//
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc \
//     tests/fuzz/certificate_file_fuzz.cpp src/platform/posix/store/certificate_file.cpp \
//     src/platform/posix/store/tbs_certificate.cpp src/platform/posix/asn1/asn1_reader.cpp \
//     src/platform/posix/asn1/certificate_time.cpp src/platform/posix/asn1/object_identifier_text.cpp \
//     -lcrypto -o certificate_file_fuzz
//   ./certificate_file_fuzz -max_len=8192 corpus/
// Good seeds: certificates from `openssl req -x509` in DER and PEM, and PEM bundles.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/posix/store/certificate_file.h"
#include "platform/posix/store/tbs_certificate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto certificates =
      corvane::platform::CertificatesInFile(std::string_view(reinterpret_cast<const char*>(data), size));
  if (certificates) {
    for (const auto& der : *certificates) corvane::platform::TbsCertificate::Parse(der);
  }
  return 0;
}
