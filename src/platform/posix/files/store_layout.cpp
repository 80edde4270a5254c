// Where the stores live: $CORVANE_HOME, else $XDG_DATA_HOME/corvane, else ~/.local/share/corvane
// (the home folder from $HOME, else from the password database). Nothing is created here.
#include "platform/posix/files/store_layout.h"

#include "platform/posix/environment.h"
#include "platform/posix/user_account.h"

namespace corvane::platform {
namespace {

std::filesystem::path HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (home.empty()) home = CurrentUserAccount().home_folder;
  return home.empty() ? std::filesystem::path("/") : std::filesystem::path(home);
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::filesystem::path StoreRoot() {
  const std::string corvane_home = EnvironmentValue("CORVANE_HOME");
  if (!corvane_home.empty()) return corvane_home;
  // The XDG rules ignore a relative XDG_DATA_HOME.
  const std::string data_home = EnvironmentValue("XDG_DATA_HOME");
  if (!data_home.empty() && data_home.front() == '/') return std::filesystem::path(data_home) / "corvane";
  return HomeFolder() / ".local" / "share" / "corvane";
}

bool IsValidStoreName(std::string_view name) {
  if (name.empty() || name.size() > 64 || name == "." || name == "..") return false;
  for (char c : name) {
    if (c < 0x20 || c > 0x7E || c == '/' || c == '\\') return false;
  }
  return true;
}

std::string StoreFolderName(std::string_view name) {
  std::string folder(name);
  for (char& c : folder) c = Upper(c);
  return folder;
}

std::filesystem::path StoresFolder() { return StoreRoot() / "stores"; }

std::filesystem::path ProvidersFolder() { return StoreRoot() / "providers"; }

std::filesystem::path WebOriginsFile() { return StoreRoot() / "web-origins"; }

std::filesystem::path WebHostLogFile() { return StoreRoot() / "web-host.log"; }

std::filesystem::path StoreFolder(const std::string& store_name) {
  return StoresFolder() / StoreFolderName(store_name);
}

bool IsCertificateFileName(std::string_view name) {
  // The extension as std::filesystem::path tells it: from the last dot, unless the name starts there.
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || name.size() - dot != 4) return false;
  std::string extension(name.substr(dot));
  for (char& c : extension) c = Upper(c);
  return extension == ".CER" || extension == ".CRT" || extension == ".DER" || extension == ".PEM";
}

bool IsCertificateFileName(const std::filesystem::path& file) { return IsCertificateFileName(std::string_view(file.filename().native())); }

std::string CertificateFileName(std::string_view thumbprint) {
  return std::string(thumbprint) + std::string(kCertificateExtension);
}

std::string KeyFileName(std::string_view thumbprint) {
  return std::string(thumbprint) + std::string(kKeyExtension);
}

std::string CrlFileName(std::string_view thumbprint) {
  return std::string(thumbprint) + std::string(kCrlExtension);
}

std::string ParseThumbprint(std::string_view text) {
  std::string thumbprint;
  for (char c : text) {
    if (c == ':' || c == ' ') continue;
    c = Upper(c);
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return std::string();
    thumbprint += c;
  }
  return thumbprint.size() == 40 ? thumbprint : std::string();
}

}  // namespace corvane::platform
