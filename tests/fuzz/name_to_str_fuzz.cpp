// libFuzzer target: X.500 name rendering. The first byte picks the string type and flags
// (every value, served or not), the rest is the DER name; rendered two-pass and into a short buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static const DWORD kFlags[] = {0, 0x00010000, 0x00020000, 0x00040000, 0x10000000, 0x00100000};
  const DWORD string_type = (data[0] & 3u) | kFlags[(data[0] >> 2) % 6];
  const DWORD encoding = (data[0] & 0x80) ? X509_ASN_ENCODING : (X509_ASN_ENCODING | PKCS_7_ASN_ENCODING);
  std::vector<BYTE> der(data + 1, data + size);  // its own allocation: ASan sees every overread
  CERT_NAME_BLOB name{static_cast<DWORD>(der.size()), der.data()};
  const DWORD needed = CertNameToStrA(encoding, &name, string_type, nullptr, 0);
  std::vector<char> text(needed == 0 ? 1 : needed);
  CertNameToStrA(encoding, &name, string_type, text.data(), static_cast<DWORD>(text.size()));
  char small[5];
  CertNameToStrA(encoding, &name, string_type, small, sizeof small);
  return 0;
}
