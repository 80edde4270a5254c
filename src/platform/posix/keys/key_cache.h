// Private keys kept between calls, per key file: a key is reused while its file shows the same
// identity (file_identity.h: device, inode, size, modification and change times of the file a
// link leads to, taken by a stat on every call) and its folder reported no change since
// (folder_watch.h); in a folder that is not watched, while the identity alone is the same.
// Otherwise it is loaded again. A key file that is gone loses its cached key at once.
// Process-wide and thread-safe. The keys stay OpenSSL objects, freed with EVP_PKEY_free when
// dropped. Off with CORVANE_CACHE=off (the key is then loaded on every call and nothing is kept).
#pragma once

#include <filesystem>
#include <functional>

#include "platform/posix/ossl.h"

namespace corvane::platform {

using KeyLoader = std::function<ossl::UniquePtr<EVP_PKEY>(const std::filesystem::path& file)>;

// The key of `file` as `load` returns it, from the cache while the file is unchanged. A key that
// did not load is not kept. The caller gets a reference of its own.
ossl::UniquePtr<EVP_PKEY> CachedPrivateKey(const std::filesystem::path& file, const KeyLoader& load);

}  // namespace corvane::platform
