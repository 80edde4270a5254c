#include "platform/posix/chain/list_issuer_memo.h"

#include <algorithm>
#include <deque>
#include <mutex>

#include "platform/posix/store/revocation_lists.h"

namespace corvane::platform {
namespace {

constexpr size_t kRememberedLists = 16;

struct VerifiedList {
  ossl::UniquePtr<X509_CRL> list;
  ossl::UniquePtr<X509> issuer;
};

struct VerifiedLists {
  std::mutex lock;
  std::deque<VerifiedList> lists;  // the newest last
};

// Never destroyed: calls may still come while the process exits.
VerifiedLists& Remembered() {
  static auto* remembered = new VerifiedLists;
  return *remembered;
}

}  // namespace

bool ListIssuedBy(X509_CRL* list, X509* issuer) {
  VerifiedLists& remembered = Remembered();
  {
    const std::lock_guard guard(remembered.lock);
    const bool known = std::any_of(remembered.lists.begin(), remembered.lists.end(),
                                   [&](const VerifiedList& verified) {
                                     return verified.list.get() == list &&
                                            X509_cmp(verified.issuer.get(), issuer) == 0;
                                   });
    if (known) return true;
  }
  if (!IsIssuerOf(issuer, list)) return false;
  if (X509_CRL_up_ref(list) != 1) return true;
  VerifiedList verified{ossl::UniquePtr<X509_CRL>(list), nullptr};
  if (X509_up_ref(issuer) != 1) return true;
  verified.issuer.reset(issuer);
  const std::lock_guard guard(remembered.lock);
  if (remembered.lists.size() == kRememberedLists) remembered.lists.pop_front();
  remembered.lists.push_back(std::move(verified));
  return true;
}

}  // namespace corvane::platform
