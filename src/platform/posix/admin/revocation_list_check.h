// The revocation list files of a store that count for nothing, as `corvane store list` and
// `store check` report them: a file the store cannot read (not a regular file, over
// kRevocationListLimit) or that holds no list, and a list that no certificate of the store issued
// (its issuer is not there, or its signature does not verify with that issuer's key).
#pragma once

#include <vector>

#include "platform/posix/store/store_contents.h"
#include "platform/posix/store/store_entry.h"

namespace corvane::platform {

// In the order of the file names.
std::vector<SkippedEntry> UnusableRevocationLists(const StoreContents& contents);

}  // namespace corvane::platform
