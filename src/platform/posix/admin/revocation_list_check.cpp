#include "platform/posix/admin/revocation_list_check.h"

#include <algorithm>
#include <filesystem>

#include "platform/posix/store/revocation_lists.h"

namespace corvane::platform {
std::vector<SkippedEntry> UnusableRevocationLists(const StoreContents& contents) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(contents.folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (IsRevocationListFile(entry->path())) files.push_back(entry->path());
  }
  std::sort(files.begin(), files.end());
  std::vector<X509*> certificates;
  for (const auto& stored : contents.certificates) {
    if (X509* certificate = stored->OpenSslCertificate()) certificates.push_back(certificate);
  }
  std::vector<SkippedEntry> unusable;
  for (const std::filesystem::path& file : files) {
    std::vector<ossl::UniquePtr<X509_CRL>> lists;
    const Status read = ReadRevocationListFile(file, lists);
    if (!read.ok()) {
      unusable.push_back({file.filename().string(), "revocation list that cannot be used: " + read.Text()});
      continue;
    }
    for (const auto& list : lists) {
      switch (FindListIssuer(certificates, list.get())) {
        case ListIssuer::kPresent:
          break;
        case ListIssuer::kSignatureBad:
          unusable.push_back({file.filename().string(),
                              "revocation list whose signature does not verify with its issuer's key: ignored"});
          break;
        case ListIssuer::kAbsent:
          unusable.push_back({file.filename().string(), "revocation list whose issuer is not in this store: ignored"});
          break;
      }
    }
  }
  return unusable;
}

}  // namespace corvane::platform
