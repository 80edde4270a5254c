#include "platform/posix/store/revocation_list_check.h"

#include <algorithm>
#include <filesystem>

#include "platform/posix/store/revocation_lists.h"

namespace corvane::platform {
namespace {

// Why no certificate of `contents` issued `list`; empty when one did.
std::string WhyNotIssued(const StoreContents& contents, X509_CRL* list) {
  bool issuer_named = false;
  for (const auto& stored : contents.certificates) {
    X509* certificate = stored->OpenSslCertificate();
    if (certificate == nullptr) continue;
    if (IsIssuerOf(certificate, list)) return std::string();
    issuer_named |= X509_NAME_cmp(X509_get_subject_name(certificate), X509_CRL_get_issuer(list)) == 0;
  }
  return issuer_named ? "revocation list whose signature does not verify with its issuer's key: ignored"
                      : "revocation list whose issuer is not in this store: ignored";
}

}  // namespace

std::vector<SkippedEntry> UnusableRevocationLists(const StoreContents& contents) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(contents.folder, error), end; !error && entry != end;
       entry.increment(error)) {
    if (IsRevocationListFile(entry->path())) files.push_back(entry->path());
  }
  std::sort(files.begin(), files.end());
  std::vector<SkippedEntry> unusable;
  for (const std::filesystem::path& file : files) {
    std::vector<ossl::UniquePtr<X509_CRL>> lists;
    const Status read = ReadRevocationListFile(file, lists);
    if (!read.ok()) {
      unusable.push_back({file.filename().string(), "revocation list that cannot be used: " + read.Text()});
      continue;
    }
    for (const auto& list : lists) {
      std::string reason = WhyNotIssued(contents, list.get());
      if (!reason.empty()) unusable.push_back({file.filename().string(), std::move(reason)});
    }
  }
  return unusable;
}

}  // namespace corvane::platform
