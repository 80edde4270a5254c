// The revocation lists that count for a certificate: those its issuer issued. A list counts only
// when its issuer name is the issuer certificate's subject and its signature verifies with that
// certificate's key; any other list (another CA's, or one forged under the issuer's name) counts
// for nothing, whichever folder holds it. A list's own update times are not judged: a revocation
// does not lapse, so a list that names a certificate revokes it even after its next update is due.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/posix/ossl.h"

namespace corvane::platform {

// The lists held in `folders` (their *.crl files) that `issuer` issued, each a reference of the
// caller's own.
std::vector<ossl::UniquePtr<X509_CRL>> RevocationListsIssuedBy(
    X509* issuer, const std::vector<std::filesystem::path>& folders);

// True when any of `lists` names `certificate`'s serial number, whatever the order of the lists.
bool AnyListNames(const std::vector<ossl::UniquePtr<X509_CRL>>& lists, X509* certificate);

// True when any of `lists` is current at `time` (now when none): issued before it, and its next
// update, if it names one, not yet due.
bool AnyListCurrent(const std::vector<ossl::UniquePtr<X509_CRL>>& lists, std::optional<time_t> time);

}  // namespace corvane::platform
