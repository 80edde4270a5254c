#include "platform/posix/store/store_contents.h"

#include <openssl/err.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "platform/posix/files/store_layout.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/store/integer_blob.h"

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

std::string_view StoredCertificate::KeyIdentifier() const {
  std::call_once(key_identifier_once_, [this] {
    if (X509* x509 = OpenSslCertificate()) {
      const std::vector<uint8_t> identifier = KeyIdentifierOf(x509);
      key_identifier_.assign(identifier.begin(), identifier.end());
    }
  });
  return key_identifier_;
}

size_t StoreContents::PositionsByKey::First(const StoreContents& contents, KeyOf key_of, std::string_view key,
                                            size_t from) const {
  const auto& certificates = contents.certificates;
  std::call_once(made_, [&] {
    for (size_t position = 0; position < certificates.size(); ++position) {
      positions_[key_of(*certificates[position])].push_back(position);
    }
  });
  const auto found = positions_.find(key);
  if (found == positions_.end()) return certificates.size();
  const auto at = std::lower_bound(found->second.begin(), found->second.end(), from);
  return at == found->second.end() ? certificates.size() : *at;
}

size_t StoreContents::FirstWithSubject(std::string_view subject, size_t from) const {
  return by_subject_.First(
      *this,
      [](const StoredCertificate& certificate) {
        const CERT_NAME_BLOB& name = certificate.tbs->info()->Subject;
        return std::string_view(reinterpret_cast<const char*>(name.pbData), name.cbData);
      },
      subject, from);
}

size_t StoreContents::FirstWithSerial(std::string_view serial, size_t from) const {
  return by_serial_.First(
      *this,
      [](const StoredCertificate& certificate) {
        return SignificantIntegerBytes(certificate.tbs->info()->SerialNumber);
      },
      serial, from);
}

size_t StoreContents::FirstWithKeyIdentifier(std::string_view key_identifier, size_t from) const {
  return by_key_identifier_.First(
      *this, [](const StoredCertificate& certificate) { return certificate.KeyIdentifier(); }, key_identifier, from);
}

void SortByThumbprint(std::vector<std::shared_ptr<const StoredCertificate>>& certificates) {
  auto by_thumbprint = [](const auto& a, const auto& b) { return a->thumbprint < b->thumbprint; };
  std::sort(certificates.begin(), certificates.end(), by_thumbprint);
  certificates.erase(std::unique(certificates.begin(), certificates.end(),
                                 [](const auto& a, const auto& b) { return a->thumbprint == b->thumbprint; }),
                     certificates.end());
}

namespace {

using Certificates = std::vector<std::shared_ptr<const StoredCertificate>>;

// The certificates `earlier` read from the file `name`, which now shows `identity`, when they
// may be taken over.
const Certificates* Unchanged(const EarlierReading<StoreContents>* earlier, const std::string& name,
                              const EntryIdentity& identity) {
  if (earlier == nullptr || !earlier->Unchanged(name, identity)) return nullptr;
  const auto found = earlier->reading.certificates_of_file.find(name);
  return found == earlier->reading.certificates_of_file.end() ? nullptr : &found->second;
}

}  // namespace

Status LoadStoreContents(const std::filesystem::path& folder, std::shared_ptr<StoreContents>& contents,
                         const EarlierReading<StoreContents>* earlier) {
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
    // Taken before the file is read: a change after it shows in a later identity.
    const EntryIdentity identity = IdentityOfEntry(path);
    Certificates certificates;
    if (const Certificates* kept = Unchanged(earlier, name, identity)) {
      certificates = *kept;
    } else {
      std::string reason;
      const EntryRead read = ReadCertificateEntry(path, certificates, reason);
      if (read == EntryRead::kVanished) continue;
      if (read == EntryRead::kSkipped) loaded->skipped.push_back({name, std::move(reason)});
    }
    loaded->entries.Add(name, identity);
    if (certificates.empty()) continue;
    loaded->certificates.insert(loaded->certificates.end(), certificates.begin(), certificates.end());
    loaded->certificates_of_file.emplace(std::move(name), std::move(certificates));
  }
  if (error) return Status::FromSystemError(error.value());

  SortByThumbprint(loaded->certificates);
  std::sort(loaded->skipped.begin(), loaded->skipped.end(),
            [](const SkippedEntry& a, const SkippedEntry& b) { return a.file < b.file; });
  contents = std::move(loaded);
  return Status();
}

}  // namespace corvane::platform
