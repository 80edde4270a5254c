#include "platform/posix/store/store_entry.h"

#include <utility>

#include "platform/posix/files/whole_file.h"
#include "platform/posix/store/certificate_file.h"
#include "platform/posix/store/store_contents.h"
#include "platform/posix/store/thumbprint.h"

namespace corvane::platform {
namespace {

// True when the folder entry `path` is gone, removed since the folder was listed (a link that
// leads nowhere is still there).
bool Vanished(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::symlink_status(path, error).type() == std::filesystem::file_type::not_found;
}

// Why bytes that hold no certificate were refused: what they seem to be instead.
std::string NotCertificateReason(std::string_view bytes) {
  if (bytes.empty()) return "empty file";
  if (bytes.find("PRIVATE KEY-----") != std::string_view::npos) return "holds a private key, not a certificate";
  if (bytes.find("-----BEGIN X509 CRL-----") != std::string_view::npos) {
    return "holds a revocation list, not a certificate";
  }
  return "not certificate data";
}

}  // namespace

EntryRead ReadCertificateEntry(const std::filesystem::path& file,
                               std::vector<std::shared_ptr<const StoredCertificate>>& certificates,
                               std::string& reason) {
  std::string bytes;
  const Status read = ReadWholeFile(file, bytes);
  if (!read.ok()) {
    if (Vanished(file)) return EntryRead::kVanished;
    reason = read.Text();
    return EntryRead::kSkipped;
  }
  auto encodings = CertificatesInFile(bytes);
  if (!encodings || bytes.empty()) {
    reason = NotCertificateReason(bytes);
    return EntryRead::kSkipped;
  }
  std::vector<std::unique_ptr<StoredCertificate>> read_here;
  for (std::vector<BYTE>& der : *encodings) {
    auto certificate = std::make_unique<StoredCertificate>();
    certificate->file = file.filename().string();
    certificate->thumbprint = Thumbprint(der.data(), der.size());
    certificate->tbs = TbsCertificate::Parse(std::move(der));
    if (certificate->tbs == nullptr || certificate->thumbprint.empty()) {
      reason = encodings->size() == 1 ? NotCertificateReason(bytes)
                                      : "certificate " + std::to_string(read_here.size() + 1) +
                                            " of the file is malformed";
      return EntryRead::kSkipped;
    }
    read_here.push_back(std::move(certificate));
  }
  for (auto& certificate : read_here) certificates.push_back(std::move(certificate));
  return EntryRead::kRead;
}

}  // namespace corvane::platform
