// The demo's certificates: a CA named "CN=QDRA, OU=config, O=Ostrevalia" (the issuer the BySN
// exports look for) and a user certificate with its key, written as PEM files.
#pragma once

#include <filesystem>
#include <string>

namespace corvane::tool {

struct DemoPki {
  std::filesystem::path ca_certificate;    // PEM
  std::filesystem::path user_certificate;  // PEM
  std::filesystem::path user_key;          // PEM, PKCS #8
  std::string user_serial_hex;             // as the serial-number variants take it
};

// Makes the demo PKI's files in `folder`; false (with a message on stderr) on failure.
bool MakeDemoPki(const std::filesystem::path& folder, DemoPki& pki);

}  // namespace corvane::tool
