#include "platform/posix/admin/store_removal.h"

#include <filesystem>

#include "platform/posix/files/atomic_file.h"
#include "platform/posix/files/whole_file.h"
#include "platform/posix/admin/store_index_update.h"
#include "platform/posix/store/certificate_file.h"
#include "platform/posix/admin/store_export.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/store/thumbprint.h"

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;

// The text of `bytes` without the PEM certificate blocks of `thumbprint`; `changed` when there
// was one, `certificates_left` the blocks of other certificates. Bytes that are no certificate
// data are not ours to touch.
std::string WithoutCertificate(const std::string& bytes, const std::string& thumbprint,
                               bool& changed, size_t& certificates_left) {
  changed = false;
  certificates_left = 0;
  const auto blocks = PemCertificatesIn(bytes);
  if (!blocks) {
    if (bytes.find("-----BEGIN ") == std::string::npos) {
      changed = Thumbprint(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()) == thumbprint;
    }
    return std::string();
  }
  std::string kept;
  size_t copied = 0;
  for (const PemCertificate& block : *blocks) {
    if (Thumbprint(block.der.data(), block.der.size()) != thumbprint) {
      ++certificates_left;
      continue;
    }
    changed = true;
    kept.append(bytes, copied, block.begin - copied);
    copied = block.end;
  }
  kept.append(bytes, copied);
  return kept;
}

Status RemoveFromFile(const fs::path& file, const std::string& thumbprint, bool& changed) {
  std::string bytes;
  Status status = ReadWholeFile(file, bytes);
  if (!status.ok()) return status.Because("cannot read " + file.string());
  size_t certificates_left = 0;
  const std::string kept = WithoutCertificate(bytes, thumbprint, changed, certificates_left);
  if (!changed) return Status();
  std::error_code error;
  if (certificates_left == 0) {
    fs::remove(file, error);
    if (error) status = Status::FromSystemError(error.value());
  } else {
    const fs::perms permissions = fs::status(file, error).permissions();
    status = error ? Status::FromSystemError(error.value())
                   : WriteFileAtomically(file, kept,
                                         static_cast<mode_t>(permissions & fs::perms::mask));
  }
  return status.ok() ? status : status.Because("cannot change " + file.string());
}

}  // namespace

Status RemoveCertificate(const std::string& store, const std::string& thumbprint,
                         std::vector<std::string>& report) {
  std::string der;
  Status status = FindStoreCertificate(store, thumbprint, der);
  if (!status.ok()) return status;
  const fs::path folder = StoreFolder(store);
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (!IsCertificateFileName(entry->path()) || !entry->is_regular_file(error)) continue;
    bool changed = false;
    status = RemoveFromFile(entry->path(), thumbprint, changed);
    if (!status.ok()) return status;
    if (changed) {
      report.push_back("removed certificate " + thumbprint + " from " + entry->path().string());
    }
  }
  if (error) return Status::FromSystemError(error.value()).Because("cannot read " + folder.string());
  const fs::path key = folder / KeyFileName(thumbprint);
  if (fs::remove(key, error)) report.push_back("removed private key " + key.string());
  if (error) return Status::FromSystemError(error.value()).Because("cannot remove " + key.string());
  return UpdateStoreIndex(folder);
}

}  // namespace corvane::platform
