// Which of several CA certificates of one name a chain meets first. OpenSSL takes, of the
// certificates with the issuer name it seeks (and, when the certificate gives an authority key
// identifier, the matching key identifier), the first that is valid now. A CA renewed on a new key
// keeps its name; without key identifiers the first of its certificates would then be taken for
// the certificates of both keys, and fail for those of the other key. So along the path from the
// end certificate, where a name leads to several, the one whose key verifies the certificate it
// would issue is put before the others.
#pragma once

#include <vector>

#include "platform/posix/chain/candidates_by_name.h"

namespace corvane::platform {

// Reorders `intermediates`, the CA certificates a chain from `end` can reach, so that the path
// from `end` comes first, each step the first certificate of the issuer's name whose key verifies
// the step below (the first of the name when none does).
void PutVerifyingIssuersFirst(X509* end, std::vector<const ChainCandidate*>& intermediates);

}  // namespace corvane::platform
