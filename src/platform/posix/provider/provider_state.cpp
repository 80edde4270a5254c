#include "platform/posix/provider/provider_state.h"

#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/posix/store/atomic_file.h"
#include "platform/posix/store/store_layout.h"

namespace corvane::platform::provider_state {
namespace {

namespace fs = std::filesystem;

constexpr KnownProvider kProviders[] = {
    {"Microsoft Base Cryptographic Provider v1.0", PROV_RSA_FULL},
    {"Microsoft Enhanced Cryptographic Provider v1.0", PROV_RSA_FULL},
    {"Microsoft Strong Cryptographic Provider", PROV_RSA_FULL},
};
constexpr const char* kBuiltInDefault = "Microsoft Strong Cryptographic Provider";

fs::path DefaultFile(DWORD type, bool user) {
  char name[32];
  std::snprintf(name, sizeof name, "%s-type-%03u", user ? "user" : "machine", static_cast<unsigned>(type));
  return ProvidersFolder() / "defaults" / name;
}

// File name of a container: its name in lower case, with every byte outside [a-z0-9_-] written as
// %XX, so that any name is one safe file name (never "." or "..").
fs::path ContainerFile(const std::string& name, bool machine) {
  std::string file;
  for (unsigned char c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-') {
      file += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      file += escaped;
    }
  }
  return ProvidersFolder() / "containers" / (machine ? "machine" : "user") / file;
}

std::optional<std::string> ReadDefault(DWORD type, bool user) {
  std::string bytes;
  if (ReadWholeFile(DefaultFile(type, user), bytes)) return std::nullopt;
  while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
  const auto known = FindProvider(bytes.c_str());
  if (!known || known->type != type) return std::nullopt;  // a stale or foreign entry
  return std::string(known->name);
}

}  // namespace

std::optional<KnownProvider> FindProvider(const char* name) {
  for (const KnownProvider& provider : kProviders) {
    if (strcasecmp(provider.name, name) == 0) return provider;
  }
  return std::nullopt;
}

bool IsDefinedType(DWORD type) { return type == PROV_RSA_FULL; }

std::optional<std::string> DefaultProvider(DWORD type) {
  if (!IsDefinedType(type)) return std::nullopt;
  if (auto user = ReadDefault(type, true)) return user;
  if (auto machine = ReadDefault(type, false)) return machine;
  return std::string(kBuiltInDefault);
}

DWORD SetDefaultProvider(DWORD type, const std::string& name, bool user, bool remove) {
  const fs::path file = DefaultFile(type, user);
  std::error_code error;
  if (remove) {
    fs::remove(file, error);
    return error ? WindowsErrorOf(error) : ERROR_SUCCESS;
  }
  // Every operation sets the same default again: an unchanged record is not rewritten.
  const std::string record = name + "\n";
  std::string current;
  if (!ReadWholeFile(file, current) && current == record) return ERROR_SUCCESS;
  if ((error = CreatePrivateFolder(file.parent_path()))) return WindowsErrorOf(error);
  error = WriteFileAtomically(file, record, 0600);
  return error ? WindowsErrorOf(error) : ERROR_SUCCESS;
}

std::string DefaultContainerName() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr && found->pw_name[0] != '\0') {
    return found->pw_name;
  }
  return "uid-" + std::to_string(getuid());
}

DWORD CreateContainer(const std::string& name, bool machine) {
  const fs::path file = ContainerFile(name, machine);
  if (std::error_code error = CreatePrivateFolder(file.parent_path())) return WindowsErrorOf(error);
  const std::error_code error = CreateFileAtomically(file, name + "\n", 0600);
  if (error == std::errc::file_exists) return NTE_EXISTS;
  return error ? WindowsErrorOf(error) : ERROR_SUCCESS;
}

DWORD OpenContainer(const std::string& name, bool machine) {
  std::error_code error;
  const fs::file_status status = fs::status(ContainerFile(name, machine), error);
  if (status.type() == fs::file_type::not_found) return NTE_BAD_KEYSET;
  if (error) return WindowsErrorOf(error);
  return status.type() == fs::file_type::regular ? ERROR_SUCCESS : NTE_BAD_KEYSET;
}

DWORD DeleteContainer(const std::string& name, bool machine) {
  std::error_code error;
  if (fs::remove(ContainerFile(name, machine), error)) return ERROR_SUCCESS;
  return error ? WindowsErrorOf(error) : NTE_BAD_KEYSET;
}

}  // namespace corvane::platform::provider_state
