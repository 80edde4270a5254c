// Names and places of the on-disk layout under StoreRoot() (see cert_store.h), shared by the
// store reader, the provider state and the `corvane` tool.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace corvane::platform {

// A store name usable as a folder: 1-64 printable ASCII characters, no path separator, not "."
// or "..". Names are case-insensitive; the folder is the upper-case form.
bool IsValidStoreName(std::string_view name);
std::string StoreFolderName(std::string_view name);

// <root>/stores: the parent of every store folder.
std::filesystem::path StoresFolder();

// <root>/providers: provider state.
std::filesystem::path ProvidersFolder();

// True for the certificate files a store reads: *.cer *.crt *.der *.pem (any letter case).
bool IsCertificateFileName(const std::filesystem::path& file);

inline constexpr std::string_view kCertificateExtension = ".cer";
inline constexpr std::string_view kKeyExtension = ".key";
inline constexpr std::string_view kCrlExtension = ".crl";

}  // namespace corvane::platform
