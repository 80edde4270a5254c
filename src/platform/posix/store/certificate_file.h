// The certificates held by one file of a store: a DER certificate, or PEM text with one or more
// "CERTIFICATE" blocks (other PEM blocks, such as a key kept in the same file, are passed over).
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace corvane::platform {

// The DER encodings in the file's order; nothing when the PEM text is malformed or holds no
// certificate. DER input is returned as it is (its structure is checked by the caller's parser).
std::optional<std::vector<std::vector<BYTE>>> CertificatesInFile(std::string_view bytes);

// A certificate block of PEM text and where it lies: [begin, end) runs from its BEGIN line to the
// end of its END line, that line's end included.
struct PemCertificate {
  std::vector<BYTE> der;
  size_t begin = 0;
  size_t end = 0;
};

// The certificate blocks of PEM text in order, as CertificatesInFile reads them; nothing when it
// would read nothing.
std::optional<std::vector<PemCertificate>> PemCertificatesIn(std::string_view text);

// Strict Base64 (standard alphabet, "=" padding, whitespace between characters allowed).
std::optional<std::vector<BYTE>> DecodePemBase64(std::string_view text);

}  // namespace corvane::platform
