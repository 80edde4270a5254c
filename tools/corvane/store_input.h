// What `corvane store import` reads: certificates and private keys in PEM or DER (PKCS #8 or
// traditional, encrypted ones with --password), and PKCS #12 files, whose certificate and key
// are told apart from the chain that comes with them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/ossl.h"

namespace corvane::tool {

struct StoreItems {
  std::vector<ossl::UniquePtr<X509>> certificates;  // for the named store
  std::vector<ossl::UniquePtr<EVP_PKEY>> keys;      // to be linked to a certificate
  std::vector<ossl::UniquePtr<X509>> chain;         // a PKCS #12 file's other certificates
};

// Adds the contents of one file to `items`; false with a one-line reason when the file cannot be
// read as any of the forms above.
bool ReadStoreItems(const std::string& bytes, const std::optional<std::string>& password,
                    StoreItems& items, std::string& error);

}  // namespace corvane::tool
