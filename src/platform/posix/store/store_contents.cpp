#include "platform/posix/store/store_contents.h"

#include <openssl/err.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/store/atomic_file.h"
#include "platform/posix/store/thumbprint.h"
#include "platform/posix/store/certificate_file.h"
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

namespace {

// Adds the certificates of one file; false when the file is not certificate data.
bool AddCertificatesOfFile(const std::string& bytes,
                           std::vector<std::unique_ptr<StoredCertificate>>& certificates) {
  auto encodings = CertificatesInFile(bytes);
  if (!encodings) return false;
  for (std::vector<BYTE>& der : *encodings) {
    auto certificate = std::make_unique<StoredCertificate>();
    certificate->thumbprint = Thumbprint(der.data(), der.size());
    certificate->tbs = TbsCertificate::Parse(std::move(der));
    if (certificate->tbs == nullptr || certificate->thumbprint.empty()) return false;
    certificates.push_back(std::move(certificate));
  }
  return true;
}

// True when the folder entry `path` is gone, removed since the folder was listed (a link that
// leads nowhere is still there).
bool Vanished(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::symlink_status(path, error).type() == std::filesystem::file_type::not_found;
}

}  // namespace

Status LoadStoreContents(const std::filesystem::path& folder, std::shared_ptr<StoreContents>& contents) {
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
  std::string bytes;
  for (; entries != fs::directory_iterator(); entries.increment(error)) {
    if (error) return Status::FromSystemError(error.value());
    const fs::path& path = entries->path();
    if (!IsCertificateFileName(path)) continue;
    // A file the tool removes while the store is read is simply not in the store any more.
    const fs::file_status file_status = fs::status(path, error);  // follows links
    if (error && Vanished(path)) continue;
    if (error) return Status::FromSystemError(error.value());
    if (file_status.type() != fs::file_type::regular) continue;  // folders, pipes: not ours
    const Status read = ReadWholeFile(path, bytes);
    if (!read.ok() && Vanished(path)) continue;
    if (!read.ok()) return read;
    if (!AddCertificatesOfFile(bytes, loaded->certificates)) return Status(CRYPT_E_ASN1_CORRUPT);
  }
  if (error) return Status::FromSystemError(error.value());

  auto& certificates = loaded->certificates;
  auto by_thumbprint = [](const auto& a, const auto& b) { return a->thumbprint < b->thumbprint; };
  std::sort(certificates.begin(), certificates.end(), by_thumbprint);
  certificates.erase(std::unique(certificates.begin(), certificates.end(),
                                 [](const auto& a, const auto& b) { return a->thumbprint == b->thumbprint; }),
                     certificates.end());
  contents = std::move(loaded);
  return Status();
}

}  // namespace corvane::platform
