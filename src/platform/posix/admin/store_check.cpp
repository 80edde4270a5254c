#include "platform/posix/admin/store_check.h"
#include "platform/posix/keys/token_key.h"
#include "platform/posix/admin/store_index_update.h"
#include "platform/posix/store/indexed_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/posix/files/atomic_file.h"
#include "platform/posix/files/whole_file.h"
#include "platform/posix/admin/revocation_list_check.h"
#include "platform/posix/store/store_contents.h"
#include "platform/posix/admin/store_files.h"
#include "platform/posix/files/store_layout.h"

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;

Status LoadNamedStore(const std::string& store, std::shared_ptr<StoreContents>& contents) {
  fs::path folder;
  const Status named = StoreFolderOf(store, folder);
  if (!named.ok()) return named;
  const Status loaded = LoadStoreContents(folder, contents);
  return loaded.ok() ? loaded : StoreNotOpened(store, loaded.error());
}

bool HasCertificate(const StoreContents& contents, const std::string& thumbprint) {
  return std::any_of(contents.certificates.begin(), contents.certificates.end(),
                     [&](const auto& certificate) { return certificate->thumbprint == thumbprint; });
}

std::string ModeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// A key file others may read. Only the store's own file is made 0600: a link is never followed
// to change another file's mode, and a file with other hard links is shared with one outside the
// store. Those are reported, and left as they are.
void CheckKeyFileMode(const fs::path& file, bool repair, std::vector<StoreFinding>& findings) {
  const std::string name = file.filename().string();
  struct stat link_status {};
  if (lstat(file.c_str(), &link_status) == 0 && S_ISLNK(link_status.st_mode)) {
    struct stat target {};
    std::error_code error;
    if (stat(file.c_str(), &target) == 0 && S_ISREG(target.st_mode) && (target.st_mode & 077) != 0) {
      findings.push_back({name, "private key links to " + fs::canonical(file, error).string() +
                                    ", which is readable by group or others (mode " + ModeText(target.st_mode) +
                                    "); not changed, since the file is not the store's own"});
    }
    return;
  }
  const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat key_status {};
  if (fd >= 0 && fstat(fd, &key_status) == 0 && S_ISREG(key_status.st_mode) && (key_status.st_mode & 077) != 0) {
    const bool shared = key_status.st_nlink > 1;
    const bool repaired = repair && !shared && fchmod(fd, 0600) == 0;
    findings.push_back({name,
                        "private key readable by group or others (mode " + ModeText(key_status.st_mode) + ")" +
                            (shared ? "; not changed, since the file has other hard links" : ""),
                        repaired});
  }
  if (fd >= 0) close(fd);
}

void CheckKeyFile(const StoreContents& contents, const fs::path& file, bool repair,
                  std::vector<StoreFinding>& findings) {
  const std::string name = file.filename().string();
  if (!HasCertificate(contents, file.stem().string())) {
    findings.push_back({name, "private key without a certificate"});
  }
  std::string bytes;
  const Status read = ReadWholeFile(file, bytes);
  if (!read.ok()) {
    findings.push_back({name, "private key that cannot be used: " + read.Text()});
    return;
  }
  if (IsTokenKeyUri(bytes)) {
    const std::optional<TokenKeyUri> uri = ParseTokenKeyUri(bytes);
    if (!uri) {
      findings.push_back({name, "private key that cannot be used: malformed token key URI"});
    } else if (!TokenPresent(uri->token)) {
      findings.push_back({name, "private key on token \"" + uri->token + "\", which is not present"});
    }
  }
  CheckKeyFileMode(file, repair, findings);
}

void CheckTemporaryFile(const fs::path& file, bool repair, std::vector<StoreFinding>& findings) {
  const std::string name = file.filename().string();
  if (!IsStaleTemporaryFile(file)) {
    findings.push_back({name, "temporary file of a write in progress"});
    return;
  }
  std::error_code error;
  const bool repaired = repair && fs::remove(file, error);
  findings.push_back({name, "temporary file left by an interrupted write", repaired});
}

// Keys that still work but no longer resist factoring for long.
void WarnOfSmallRsaKeys(const StoreContents& contents, std::vector<StoreFinding>& findings) {
  constexpr int kRecommendedRsaBits = 2048;
  for (const auto& certificate : contents.certificates) {
    X509* x509 = certificate->OpenSslCertificate();
    const EVP_PKEY* key = x509 != nullptr ? X509_get0_pubkey(x509) : nullptr;
    if (key == nullptr || !EVP_PKEY_is_a(key, "RSA") ||
        EVP_PKEY_get_bits(key) >= kRecommendedRsaBits) {
      continue;
    }
    findings.push_back({certificate->file,
                        "certificate " + certificate->thumbprint + " has a " +
                            std::to_string(EVP_PKEY_get_bits(key)) +
                            "-bit RSA key; 2048 bits or more are recommended",
                        false, true});
  }
}

// An index the tool wrote that no longer describes the folder (a file dropped in or removed by
// hand, a repair above): the store is read whole until the index is written again. A store of
// certificates put there by other means has none, and every fresh process reads it whole: a
// warning, which the repair mends by writing one.
void CheckIndex(const StoreContents& contents, bool repair, std::vector<StoreFinding>& findings) {
  const fs::path index = StoreIndexFile(contents.folder);
  std::error_code error;
  const bool missing = !fs::exists(index, error);
  if (missing && contents.certificates.empty()) return;
  if (!missing && IndexedFolder::Check(contents.folder) != nullptr) return;
  const bool repaired = repair && UpdateStoreIndex(contents.folder).ok();
  const std::string name = "../" + index.filename().string();
  if (missing) {
    findings.push_back({name, "no index (every fresh process reads the whole store; --repair writes one)", repaired, true});
  } else {
    findings.push_back({name, "index out of date (the store is read whole)", repaired});
  }
}

}  // namespace

Status SkippedStoreEntries(const std::string& store, std::vector<SkippedEntry>& skipped) {
  std::shared_ptr<StoreContents> contents;
  const Status loaded = LoadNamedStore(store, contents);
  if (!loaded.ok()) return loaded;
  skipped = contents->skipped;
  const std::vector<SkippedEntry> lists = UnusableRevocationLists(*contents);
  skipped.insert(skipped.end(), lists.begin(), lists.end());
  return loaded;
}

Status CheckStore(const std::string& store, bool repair, std::vector<StoreFinding>& findings) {
  std::shared_ptr<StoreContents> contents;
  const Status loaded = LoadNamedStore(store, contents);
  if (!loaded.ok()) return loaded;
  for (const SkippedEntry& entry : contents->skipped) findings.push_back({entry.file, entry.reason});
  for (const SkippedEntry& entry : UnusableRevocationLists(*contents)) findings.push_back({entry.file, entry.reason});

  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator entry(contents->folder, error), end; !error && entry != end; entry.increment(error)) {
    files.push_back(entry->path());
  }
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    if (IsTemporaryFileName(file.filename().string())) CheckTemporaryFile(file, repair, findings);
    else if (file.extension() == kKeyExtension) CheckKeyFile(*contents, file, repair, findings);
  }
  WarnOfSmallRsaKeys(*contents, findings);
  CheckIndex(*contents, repair, findings);
  if (StoreFolderName(store) == "MY") {
    for (const auto& certificate : contents->certificates) {
      if (!fs::exists(contents->folder / KeyFileName(certificate->thumbprint), error)) {
        findings.push_back({certificate->file, "certificate " + certificate->thumbprint + " without its private key file"});
      }
    }
  }
  return Status();
}

}  // namespace corvane::platform
