#include "platform/posix/provider/provider_state.h"

#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/posix/provider/provider_file_memo.h"
#include "platform/posix/files/atomic_file.h"
#include "platform/posix/files/whole_file.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/user_account.h"

namespace corvane::platform::provider_state {
namespace {

namespace fs = std::filesystem;

constexpr KnownProvider kProviders[] = {
    {"Microsoft Base Cryptographic Provider v1.0", PROV_RSA_FULL},
    {"Microsoft Enhanced Cryptographic Provider v1.0", PROV_RSA_FULL},
    {"Microsoft Strong Cryptographic Provider", PROV_RSA_FULL},
};
constexpr const char* kBuiltInDefault = "Microsoft Strong Cryptographic Provider";

std::shared_ptr<const FileUnderRoot> DefaultFile(DWORD type, bool user) {
  char relative[64];
  std::snprintf(relative, sizeof relative, "providers/defaults/%s-type-%03u", user ? "user" : "machine",
                static_cast<unsigned>(type));
  return KeptFileUnderStoreRoot(relative);
}

// File name of a container: its name in lower case, with every byte outside [a-z0-9_-] written as
// %XX, so that any name is one safe file name (never "." or "..").
std::shared_ptr<const FileUnderRoot> ContainerFile(const std::string& name, bool machine) {
  std::string file = machine ? "providers/containers/machine/" : "providers/containers/user/";
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
  return KeptFileUnderStoreRoot(file);
}

// Defaults set while the provider folder could not be written (a store root that is read-only
// for this user), by file: kept for the life of the process, so that an operation, which sets
// the same default on every call, works on stores it only reads.
struct ProcessDefaults {
  std::mutex lock;
  std::map<std::string, std::string> records;
};

ProcessDefaults& KeptDefaults() {
  static ProcessDefaults defaults;
  return defaults;
}

std::optional<std::string> KeptDefault(const fs::path& file) {
  ProcessDefaults& kept = KeptDefaults();
  std::lock_guard<std::mutex> guard(kept.lock);
  const auto found = kept.records.find(file.string());
  if (found == kept.records.end()) return std::nullopt;
  return found->second;
}

void KeepDefault(const fs::path& file, const std::optional<std::string>& record) {
  ProcessDefaults& kept = KeptDefaults();
  std::lock_guard<std::mutex> guard(kept.lock);
  if (record) kept.records[file.string()] = *record;
  else kept.records.erase(file.string());
}

// A write refused because the folder is not ours to write (permissions, a read-only mount).
bool IsReadOnlyFailure(const Status& status) {
  return status.IsSystemError(EACCES) || status.IsSystemError(EROFS) || status.IsSystemError(EPERM);
}

std::optional<std::string> ReadDefault(DWORD type, bool user) {
  std::string bytes;
  const auto default_file = DefaultFile(type, user);
  const fs::path& file = default_file->file;
  if (auto kept = KeptDefault(file)) {
    bytes = *kept;
  } else if (!ReadWholeFile(file, bytes).ok()) {
    return std::nullopt;
  }
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

Status SetDefaultProvider(DWORD type, const std::string& name, bool user, bool remove) {
  const auto default_file = DefaultFile(type, user);
  const fs::path& file = default_file->file;
  if (remove) {
    KeepDefault(file, std::nullopt);
    std::error_code error;
    fs::remove(file, error);
    return error ? Status::FromSystemError(error.value()) : Status();
  }
  // Every operation sets the same default again: an unchanged record is not rewritten, and while
  // its folder is unchanged not even read.
  const std::string record = name + "\n";
  const std::optional<uint64_t> generation = GenerationForReading(*default_file);
  if (Holds(file, generation, record)) return Status();
  std::string current;
  if (ReadWholeFile(file, current).ok() && current == record) {
    Learn(file, generation, record);
    return Status();
  }
  Status written = CreatePrivateFolder(default_file->folder);
  if (written.ok()) written = WriteFileAtomically(file, record, 0600);
  if (IsReadOnlyFailure(written)) {
    KeepDefault(file, record);
    return Status();
  }
  if (written.ok()) KeepDefault(file, std::nullopt);
  return written;
}

std::string DefaultContainerName() {
  const std::string login_name = CurrentUserAccount().login_name;
  return login_name.empty() ? "uid-" + std::to_string(getuid()) : login_name;
}

// A container is a file that exists: one stat tells, which is as cheap as asking whether its
// folder changed.
Status CreateContainer(const std::string& name, bool machine) {
  const auto container_file = ContainerFile(name, machine);
  const fs::path& file = container_file->file;
  std::error_code error;
  const fs::file_type type = fs::symlink_status(file, error).type();
  if (type != fs::file_type::not_found && !error) return Status(NTE_EXISTS);
  const Status folder = CreatePrivateFolder(container_file->folder);
  if (!folder.ok()) return folder;
  const Status created = CreateFileAtomically(file, name + "\n", 0600);
  return created.IsSystemError(EEXIST) ? Status(NTE_EXISTS) : created;
}

Status OpenContainer(const std::string& name, bool machine) {
  std::error_code error;
  const fs::file_status status = fs::status(ContainerFile(name, machine)->file, error);
  if (status.type() == fs::file_type::not_found) return Status(NTE_BAD_KEYSET);
  if (error) return Status::FromSystemError(error.value());
  return status.type() == fs::file_type::regular ? Status() : Status(NTE_BAD_KEYSET);
}

Status DeleteContainer(const std::string& name, bool machine) {
  std::error_code error;
  if (fs::remove(ContainerFile(name, machine)->file, error)) return Status();
  return error ? Status::FromSystemError(error.value()) : Status(NTE_BAD_KEYSET);
}

}  // namespace corvane::platform::provider_state
