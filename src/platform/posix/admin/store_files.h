// The pieces every store administration step shares: the folder of a named store, the store's
// certificates as OpenSSL objects, the encodings files are written in, and the one way a store
// file is written (folder created 0700 when missing, then an atomic write).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/status.h"

namespace corvane::platform {

// The folder of a named store; E_INVALIDARG when the name cannot be a store.
Status StoreFolderOf(const std::string& store, std::filesystem::path& folder);

// "cannot open store MY in <folder> (error 0x...)", with the error CertOpenSystemStoreA reported.
Status StoreNotOpened(const std::string& store, DWORD error);

// The certificates of a store as its files hold them; StoreNotOpened otherwise.
Status LoadStoreCertificates(const std::string& store,
                             std::vector<ossl::UniquePtr<X509>>& certificates);

// DER of a certificate (empty when it cannot be encoded); PKCS #8 PEM of a private key.
std::string CertificateDer(X509* certificate);
std::string PrivateKeyPem(EVP_PKEY* key);

// Writes <folder>/<name> atomically with `mode`, creating the folder (0700) when needed; the
// stale temporary files of earlier, interrupted writes to the folder are removed first. The
// folder's index follows (store_index_update.h).
Status WriteStoreFile(const std::filesystem::path& folder, const std::string& name,
                      std::string_view bytes, mode_t mode);

}  // namespace corvane::platform
