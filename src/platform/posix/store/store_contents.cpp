#include "platform/posix/store/store_contents.h"

#include <openssl/err.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "platform/posix/store/store_layout.h"

namespace corvane::platform {

X509* StoredCertificate::OpenSslCertificate() const {
  std::call_once(parse_once_, [this] {
    const std::vector<BYTE>& der = tbs->der();
    // Made in the private library context; d2i_X509 frees the object itself when it fails.
    X509* target = X509_new_ex(ossl::LibraryContext(), ossl::kNoProperties);
    if (target == nullptr) return;
    ERR_set_mark();
    const unsigned char* cursor = der.data();
    const bool parsed = d2i_X509(&target, &cursor, static_cast<long>(der.size())) != nullptr;
    ossl::UniquePtr<X509> owner(target);
    if (parsed && cursor == der.data() + der.size()) x509_ = std::move(owner);
    ERR_pop_to_mark();
  });
  return x509_.get();
}

void StoredCertificate::KeepOpenSslCertificate(X509* parsed) const {
  std::call_once(parse_once_, [this, parsed] {
    if (X509_up_ref(parsed) == 1) x509_.reset(parsed);
  });
}

size_t StoreContents::FirstWithSubject(std::string_view subject, size_t from) const {
  std::call_once(subjects_indexed_, [this] {
    for (size_t position = 0; position < certificates.size(); ++position) {
      const CERT_NAME_BLOB& name = certificates[position]->tbs->info()->Subject;
      positions_by_subject_[std::string_view(reinterpret_cast<const char*>(name.pbData), name.cbData)]
          .push_back(position);
    }
  });
  const auto found = positions_by_subject_.find(subject);
  if (found == positions_by_subject_.end()) return certificates.size();
  const auto at = std::lower_bound(found->second.begin(), found->second.end(), from);
  return at == found->second.end() ? certificates.size() : *at;
}

namespace {

// What `earlier` read from the file `name` that now shows `identity`, when it may be taken over.
const ReadCertificateFile* Unchanged(const EarlierReading* earlier, const std::string& name,
                                     const std::optional<FileIdentity>& identity) {
  if (earlier == nullptr || !identity || earlier->changed.contains(name)) return nullptr;
  const auto found = earlier->contents.files.find(name);
  if (found == earlier->contents.files.end() || found->second.identity != *identity) return nullptr;
  return &found->second;
}

}  // namespace

Status LoadStoreContents(const std::filesystem::path& folder, std::shared_ptr<StoreContents>& contents,
                         const EarlierReading* earlier) {
  namespace fs = std::filesystem;
  auto loaded = std::make_shared<StoreContents>();
  loaded->folder = folder;

  struct stat status {};
  if (stat(folder.c_str(), &status) != 0) {
    if (errno == ENOENT) {  // no such store yet: empty, as on Windows
      contents = std::move(loaded);
      return Status();
    }
    return Status::LastSystemError();  // ENOTDIR: a file above it
  }
  if (!S_ISDIR(status.st_mode)) return Status(ERROR_DIRECTORY);

  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return Status::FromSystemError(error.value());
  for (; entries != fs::directory_iterator(); entries.increment(error)) {
    if (error) return Status::FromSystemError(error.value());
    const fs::path& path = entries->path();
    if (!IsCertificateFileName(path)) continue;
    std::string name = path.filename().string();
    // Taken before the file is read: a change after it is named by a later event.
    const std::optional<FileIdentity> identity = IdentityOf(path);
    ReadCertificateFile file;
    if (const ReadCertificateFile* kept = Unchanged(earlier, name, identity)) {
      file = *kept;
    } else {
      std::string reason;
      const EntryRead read = ReadCertificateEntry(path, file.certificates, reason);
      if (read == EntryRead::kSkipped) loaded->skipped.push_back({std::move(name), std::move(reason)});
      if (read != EntryRead::kRead) continue;
    }
    loaded->certificates.insert(loaded->certificates.end(), file.certificates.begin(), file.certificates.end());
    if (identity) {
      file.identity = *identity;
      loaded->files.emplace(std::move(name), std::move(file));
    }
  }
  if (error) return Status::FromSystemError(error.value());

  auto& certificates = loaded->certificates;
  auto by_thumbprint = [](const auto& a, const auto& b) { return a->thumbprint < b->thumbprint; };
  std::sort(certificates.begin(), certificates.end(), by_thumbprint);
  certificates.erase(std::unique(certificates.begin(), certificates.end(),
                                 [](const auto& a, const auto& b) { return a->thumbprint == b->thumbprint; }),
                     certificates.end());
  std::sort(loaded->skipped.begin(), loaded->skipped.end(),
            [](const SkippedEntry& a, const SkippedEntry& b) { return a.file < b.file; });
  contents = std::move(loaded);
  return Status();
}

}  // namespace corvane::platform
