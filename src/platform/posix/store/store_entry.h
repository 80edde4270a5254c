// Reading one entry of a store folder: the one place where a store file's bytes are taken in,
// each read bounded and each refusal given a reason. A store opens with the entries that read
// and passes over the others; `corvane store list` and `store check` name them.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/store/tbs_certificate.h"

namespace corvane::platform {

struct StoredCertificate;

// An entry a store passed over: its file name in the folder and why, for people
// ("not a regular file", "holds a private key, not a certificate", ...).
struct SkippedEntry {
  std::string file;
  std::string reason;
};

enum class EntryRead {
  kRead,      // its certificates were added
  kVanished,  // removed since the folder was listed: not in the store, and nothing to report
  kSkipped,   // not usable; `reason` says why
};

// Reads one certificate file (*.cer *.crt *.der *.pem): a regular file within kStoreFileLimit
// holding one DER certificate or PEM text with certificate blocks, each certificate one the
// TBSCertificate reader takes. Adds its certificates, or none at all.
EntryRead ReadCertificateEntry(const std::filesystem::path& file,
                               std::vector<std::shared_ptr<const StoredCertificate>>& certificates,
                               std::string& reason);

}  // namespace corvane::platform
