// The tool's side of the store layout: certificate and key files of a store folder, written
// atomically (temporary file in the same folder, then rename), keys with mode 0600.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"

namespace corvane::tool {

std::string DerOf(X509* certificate);

// PKCS #8 PEM, unencrypted.
std::string PrivateKeyPem(EVP_PKEY* key);

// The folder of a store; false with a message when the name cannot be a store.
bool StoreFolderOf(const std::string& store, std::filesystem::path& folder, std::string& error);

// Writes <folder>/<name> atomically, creating the folder (0700) when needed.
bool WriteStoreFile(const std::filesystem::path& folder, const std::string& name, const std::string& bytes,
                    mode_t mode, std::string& error);

// "cannot open store MY in <folder> (error 0x...)".
std::string StoreOpenError(const std::string& store, DWORD error);

// The certificates already in a store (as its certificate files hold them); false with a message
// when the store cannot be opened.
bool LoadStoreCertificates(const std::string& store, std::vector<ossl::UniquePtr<X509>>& certificates,
                           std::string& error);

// A thumbprint as typed by a user: hex digits, colons and blanks allowed, any letter case.
// Empty when it is not 40 hex digits.
std::string NormalizeThumbprint(const std::string& text);

}  // namespace corvane::tool
