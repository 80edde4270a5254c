// Where the stores live: $CORVANE_HOME, else $XDG_DATA_HOME/corvane, else ~/.local/share/corvane
// (the home folder from $HOME, else from the password database). Nothing is created here.
//
// The variables are read on every call; the paths made from them are kept per thread while the
// variables keep their values, since making a path (splitting it into its components) costs
// more than all the rest of opening a store that is read already.
#include "platform/posix/files/store_layout.h"

#include <unistd.h>

#include <unordered_map>

#include "platform/posix/environment.h"
#include "platform/posix/user_account.h"

namespace corvane::platform {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// `relative` in `folder`, joined as a path joins them (one separator between).
std::string InFolder(std::string folder, const char* relative) {
  if (folder.back() != '/') folder += '/';
  return folder + relative;
}

// The variables the root is made from, as they stand, each read only when the ones before it
// leave the root open; the password database's home folder is asked for (by the user's id) only
// when HOME is unset or empty.
struct RootVariables {
  std::string_view corvane_home = EnvironmentValue("CORVANE_HOME");
  std::string_view data_home = corvane_home.empty() ? EnvironmentValue("XDG_DATA_HOME") : std::string_view();
  bool data_home_names_root = !data_home.empty() && data_home.front() == '/';  // XDG ignores a relative one
  std::string_view home = corvane_home.empty() && !data_home_names_root ? EnvironmentValue("HOME") : std::string_view();
  uid_t user = corvane_home.empty() && !data_home_names_root && home.empty() ? getuid() : 0;
};

// The root as the variables name it, as text.
std::string StoreRootText(const RootVariables& variables) {
  if (!variables.corvane_home.empty()) return std::string(variables.corvane_home);
  if (variables.data_home_names_root) return InFolder(std::string(variables.data_home), "corvane");
  std::string home(variables.home);
  if (home.empty()) home = CurrentUserAccount().home_folder;
  return InFolder(home.empty() ? std::string("/") : home, ".local/share/corvane");
}

// Paths under the root this thread made last, by their text relative to it; a few at most
// (the stores, the provider files, the policy file), and all forgotten when the root changes.
struct PathsUnderRoot {
  // The variables the root was made from.
  std::string corvane_home;
  std::string data_home;
  std::string home;
  uid_t user = 0;
  std::filesystem::path root;
  std::unordered_map<std::string, std::shared_ptr<const FileUnderRoot>> made;

  bool MadeFrom(const RootVariables& variables) const {
    return !root.empty() && variables.corvane_home == corvane_home && variables.data_home == data_home &&
           variables.home == home && variables.user == user;
  }
};

constexpr size_t kKeptPathLimit = 64;

// This thread's paths, current for the root the variables name now.
PathsUnderRoot& CurrentPaths() {
  thread_local PathsUnderRoot paths;
  const RootVariables variables;
  if (paths.MadeFrom(variables)) return paths;
  std::string root_text = StoreRootText(variables);
  paths.corvane_home = variables.corvane_home;
  paths.data_home = variables.data_home;
  paths.home = variables.home;
  paths.user = variables.user;
  if (root_text != paths.root.native() || paths.root.empty()) {
    paths.root = std::filesystem::path(std::move(root_text));
    paths.made.clear();
  }
  return paths;
}

std::shared_ptr<const FileUnderRoot> Kept(PathsUnderRoot& paths, const std::string& relative) {
  const auto found = paths.made.find(relative);
  if (found != paths.made.end()) return found->second;
  if (paths.made.size() >= kKeptPathLimit) paths.made.clear();
  std::filesystem::path file = paths.root / relative;
  std::filesystem::path folder = file.parent_path();
  auto made = std::make_shared<const FileUnderRoot>(FileUnderRoot{std::move(file), std::move(folder)});
  return paths.made.emplace(relative, std::move(made)).first->second;
}

}  // namespace

std::filesystem::path StoreRoot() { return CurrentPaths().root; }

std::filesystem::path UnderStoreRoot(const std::string& relative) {
  PathsUnderRoot& paths = CurrentPaths();
  if (relative.empty()) return paths.root;
  return Kept(paths, relative)->file;
}

std::shared_ptr<const FileUnderRoot> KeptFileUnderStoreRoot(const std::string& relative) {
  return Kept(CurrentPaths(), relative);
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

std::filesystem::path StoresFolder() { return UnderStoreRoot("stores"); }

std::filesystem::path ProvidersFolder() { return UnderStoreRoot("providers"); }

std::filesystem::path WebOriginsFile() { return UnderStoreRoot("web-origins"); }

std::filesystem::path WebHostLogFile() { return UnderStoreRoot("web-host.log"); }

std::filesystem::path StoreFolder(const std::string& store_name) {
  return UnderStoreRoot("stores/" + StoreFolderName(store_name));
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
