#include "platform/posix/chain/issuer_revocation_lists.h"

#include "platform/posix/chain/list_issuer_memo.h"
#include "platform/posix/store/store_cache.h"

namespace corvane::platform {

std::vector<ossl::UniquePtr<X509_CRL>> RevocationListsIssuedBy(
    X509* issuer, const std::vector<std::filesystem::path>& folders) {
  std::vector<ossl::UniquePtr<X509_CRL>> issued;
  const ossl::ErrorQueueMark mark;
  for (const std::filesystem::path& folder : folders) {
    for (ossl::UniquePtr<X509_CRL>& list : CachedRevocationLists(folder)) {
      if (X509_NAME_cmp(X509_CRL_get_issuer(list.get()), X509_get_subject_name(issuer)) == 0 &&
          ListIssuedBy(list.get(), issuer)) {
        issued.push_back(std::move(list));
      }
    }
  }
  return issued;
}

bool AnyListNames(const std::vector<ossl::UniquePtr<X509_CRL>>& lists, X509* certificate) {
  for (const auto& list : lists) {
    X509_REVOKED* entry = nullptr;
    if (X509_CRL_get0_by_serial(list.get(), &entry, X509_get0_serialNumber(certificate)) == 1) {
      return true;
    }
  }
  return false;
}

bool AnyListCurrent(const std::vector<ossl::UniquePtr<X509_CRL>>& lists, std::optional<time_t> time) {
  time_t* at = time ? &*time : nullptr;
  for (const auto& list : lists) {
    // X509_cmp_time: -1 when the list's time is before `time`, 1 when after, 0 when unreadable.
    const ASN1_TIME* next_update = X509_CRL_get0_nextUpdate(list.get());
    if (X509_cmp_time(X509_CRL_get0_lastUpdate(list.get()), at) < 0 &&
        (next_update == nullptr || X509_cmp_time(next_update, at) > 0)) {
      return true;
    }
  }
  return false;
}

}  // namespace corvane::platform
