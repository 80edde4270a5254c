#include "platform/posix/chain/list_issuer_memo.h"

#include "platform/posix/recent_successes.h"
#include "platform/posix/store/revocation_lists.h"

namespace corvane::platform {
namespace {

struct VerifiedList {
  ossl::UniquePtr<X509_CRL> list;
  ossl::UniquePtr<X509> issuer;
};

using VerifiedLists = RecentSuccesses<VerifiedList, 16>;

}  // namespace

bool ListIssuedBy(X509_CRL* list, X509* issuer) {
  VerifiedLists& remembered = VerifiedLists::Instance();
  if (remembered.Contains([&](const VerifiedList& verified) {
        return verified.list.get() == list && X509_cmp(verified.issuer.get(), issuer) == 0;
      })) {
    return true;
  }
  if (!IsIssuerOf(issuer, list)) return false;
  if (X509_CRL_up_ref(list) != 1) return true;
  VerifiedList verified{ossl::UniquePtr<X509_CRL>(list), nullptr};
  if (X509_up_ref(issuer) != 1) return true;
  verified.issuer.reset(issuer);
  remembered.Add(std::move(verified));
  return true;
}

}  // namespace corvane::platform
