// Private keys kept between calls, per key file: a key is reused while its file is the same file
// (device, inode, size, modification time in nanoseconds) and its folder reported no change
// (folder_watch.h); otherwise it is loaded again. A key file that is gone loses its cached key at
// once. Process-wide and thread-safe. The keys stay OpenSSL objects, freed with EVP_PKEY_free
// when dropped. Off with CORVANE_CACHE=off (the key is then loaded on every call and nothing is
// kept), and for a folder that cannot be watched.
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
