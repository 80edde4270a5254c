#include "platform/posix/chain/issuer_preference.h"

#include <algorithm>
#include <cstddef>

namespace corvane::platform {
namespace {

// True when `issuer` may have issued `subject` (names, key identifiers, key usage) and its key
// verifies the signature.
bool IssuedWithKey(X509* issuer, X509* subject) {
  EVP_PKEY* key = X509_get0_pubkey(issuer);
  return X509_check_issued(issuer, subject) == X509_V_OK && key != nullptr && X509_verify(subject, key) == 1;
}

bool SelfIssued(X509* certificate) {
  return X509_NAME_cmp(X509_get_subject_name(certificate), X509_get_issuer_name(certificate)) == 0;
}

}  // namespace

void PutVerifyingIssuersFirst(X509* end, std::vector<const ChainCandidate*>& intermediates) {
  const ossl::ErrorQueueMark mark;
  X509* subject = end;
  for (size_t placed = 0; placed < intermediates.size() && !SelfIssued(subject); ++placed) {
    std::vector<size_t> named;  // the places of the certificates with the issuer's name
    for (size_t index = placed; index < intermediates.size(); ++index) {
      if (X509_NAME_cmp(X509_get_subject_name(intermediates[index]->Certificate()),
                        X509_get_issuer_name(subject)) == 0) {
        named.push_back(index);
      }
    }
    if (named.empty()) return;
    size_t chosen = named.front();
    if (named.size() > 1) {
      const auto verifying = std::find_if(named.begin(), named.end(), [&](size_t index) {
        return IssuedWithKey(intermediates[index]->Certificate(), subject);
      });
      if (verifying != named.end()) chosen = *verifying;
    }
    const auto at = [&](size_t index) { return intermediates.begin() + static_cast<std::ptrdiff_t>(index); };
    std::rotate(at(placed), at(chosen), at(chosen) + 1);
    subject = intermediates[placed]->Certificate();
  }
}

}  // namespace corvane::platform
