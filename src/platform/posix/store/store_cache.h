// What is read from store folders, kept between calls: a folder's contents (its certificates)
// and its revocation lists are read again only when something in the folder changed (told by
// folder_watch.h), so an unchanged store costs neither a read nor a stat of its files. When it
// changed, a new reading of its contents shares the certificates of the files no event named and
// that show the same identity as before (file_identity.h); only the others are read and parsed.
// Process-wide and thread-safe; off with CORVANE_CACHE=off, and for a folder that cannot be
// watched (each call then reads it afresh).
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/status.h"
#include "platform/posix/store/store_contents.h"

namespace corvane::platform {

// LoadStoreContents, answered from the cache while the folder is unchanged. The contents are
// shared between the stores opened on them and never change.
Status CachedStoreContents(const std::filesystem::path& folder, std::shared_ptr<const StoreContents>& contents);

// RevocationListsIn, answered from the cache while the folder is unchanged; each list is a
// reference of the caller's own.
std::vector<ossl::UniquePtr<X509_CRL>> CachedRevocationLists(const std::filesystem::path& folder);

}  // namespace corvane::platform
