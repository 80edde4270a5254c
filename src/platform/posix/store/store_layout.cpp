// Where the stores live: $CORVANE_HOME, else $XDG_DATA_HOME/corvane, else ~/.local/share/corvane
// (the home folder from $HOME, else from the password database). Nothing is created here.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/posix/store/store_layout.h"

namespace corvane::platform {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::filesystem::path HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return "/";
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::filesystem::path StoreRoot() {
  const std::string corvane_home = Environment("CORVANE_HOME");
  if (!corvane_home.empty()) return corvane_home;
  // The XDG rules ignore a relative XDG_DATA_HOME.
  const std::string data_home = Environment("XDG_DATA_HOME");
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

std::filesystem::path StoreFolder(const std::string& store_name) {
  return StoresFolder() / StoreFolderName(store_name);
}

bool IsCertificateFileName(const std::filesystem::path& file) {
  std::string extension = file.extension().string();
  for (char& c : extension) c = Upper(c);
  return extension == ".CER" || extension == ".CRT" || extension == ".DER" || extension == ".PEM";
}

}  // namespace corvane::platform
