// Where the stores live and how their folders and files are named, shared by the store reader,
// the provider state and the `corvane` tool.
//
// Store layout (under StoreRoot()):
//   stores/<NAME>/<THUMBPRINT>.cer   DER certificate (THUMBPRINT: upper-case hex SHA-1 of the DER)
//   stores/<NAME>/<THUMBPRINT>.key   its private key, PKCS #8 PEM, mode 0600
//   stores/<NAME>/*.crl              revocation lists
// Other certificate files (*.cer *.crt *.der *.pem) are read too and ordered by their computed
// thumbprint; a certificate present twice is listed once. Enumeration is by ascending thumbprint.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace corvane::platform {

// $CORVANE_HOME, else $XDG_DATA_HOME/corvane, else ~/.local/share/corvane. Not created here.
std::filesystem::path StoreRoot();

// The path of `relative` ("stores/CA", "policy.conf"; empty for the root itself) under
// StoreRoot().
std::filesystem::path UnderStoreRoot(const std::string& relative);

// A file under StoreRoot() with the folder it is in.
struct FileUnderRoot {
  std::filesystem::path file;
  std::filesystem::path folder;
};

// UnderStoreRoot(relative) with its folder, for the files asked about on every call (the provider
// state, the policy): made once per thread while the root stays, and shared rather than copied.
std::shared_ptr<const FileUnderRoot> KeptFileUnderStoreRoot(const std::string& relative);

// Folder of a named store ("my" and "MY" are one store: the folder name is upper case).
std::filesystem::path StoreFolder(const std::string& store_name);

// A store name usable as a folder: 1-64 printable ASCII characters, no path separator, not "."
// or "..". Names are case-insensitive; the folder is the upper-case form.
bool IsValidStoreName(std::string_view name);
std::string StoreFolderName(std::string_view name);

// <root>/stores: the parent of every store folder.
std::filesystem::path StoresFolder();

// <root>/providers: provider state.
std::filesystem::path ProvidersFolder();

// <root>/web-origins: the web origins the user allowed to use the certificates, one a line.
std::filesystem::path WebOriginsFile();

// <root>/web-host.log: the browser host's request log, written only while the file exists.
std::filesystem::path WebHostLogFile();

// True for the certificate files a store reads: *.cer *.crt *.der *.pem (any letter case).
bool IsCertificateFileName(const std::filesystem::path& file);
bool IsCertificateFileName(std::string_view name);  // a name without a folder

// The files a store keeps for a certificate with this thumbprint, and for a revocation list.
std::string CertificateFileName(std::string_view thumbprint);
std::string KeyFileName(std::string_view thumbprint);
std::string CrlFileName(std::string_view thumbprint);

// A thumbprint as a user types it: hex digits, colons and blanks allowed, any letter case; the
// upper-case form, or empty when it is not 40 hex digits.
std::string ParseThumbprint(std::string_view text);

inline constexpr std::string_view kCertificateExtension = ".cer";
inline constexpr std::string_view kKeyExtension = ".key";
inline constexpr std::string_view kCrlExtension = ".crl";

}  // namespace corvane::platform
