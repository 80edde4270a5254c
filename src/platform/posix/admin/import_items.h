// What a store import reads: certificates and private keys in PEM or DER (PKCS #8 or
// traditional, encrypted ones with a password), and PKCS #12 files, whose certificate and key
// are told apart from the chain that comes with them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/status.h"

namespace corvane::platform {

struct ImportItems {
  std::vector<ossl::UniquePtr<X509>> certificates;  // for the named store
  std::vector<ossl::UniquePtr<EVP_PKEY>> keys;      // to be linked to a certificate
  std::vector<std::string> key_origins;             // the file each key came from
  std::vector<ossl::UniquePtr<X509>> chain;         // a PKCS #12 file's other certificates
};

// Adds the contents of file `origin` to `items`; fails with a one-line reason
// ("<origin>: ...") when the file cannot be read as any of the forms above, with
// ERROR_INVALID_PASSWORD when it is encrypted and no password was given. Nothing is added when
// it fails.
Status ReadImportFile(const std::string& origin, const std::string& bytes,
                      const std::optional<std::string>& password, ImportItems& items);

}  // namespace corvane::platform
