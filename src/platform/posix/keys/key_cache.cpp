#include "platform/posix/keys/key_cache.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/posix/files/cache_setting.h"
#include "platform/posix/files/file_identity.h"
#include "platform/posix/files/folder_watch.h"

namespace corvane::platform {
namespace {

struct CachedKey {
  FileIdentity identity;
  std::optional<uint64_t> folder_generation;  // nothing: the folder was not watched
  ossl::UniquePtr<EVP_PKEY> key;
};

struct KeyCache {
  std::mutex mutex;
  std::unordered_map<std::string, CachedKey> keys;  // by file path
};

// Never destroyed: calls may still come while the process exits.
KeyCache& TheKeyCache() {
  static KeyCache* cache = new KeyCache;
  return *cache;
}

ossl::UniquePtr<EVP_PKEY> NewReference(EVP_PKEY* key) {
  return ossl::UniquePtr<EVP_PKEY>(EVP_PKEY_up_ref(key) == 1 ? key : nullptr);
}

// Drops the keys whose files are gone (a miss is rare: the sweep costs a stat per cached key).
void DropVanished(KeyCache& cache) {
  std::erase_if(cache.keys, [](const auto& entry) { return !IdentityOf(entry.first).has_value(); });
}

}  // namespace

ossl::UniquePtr<EVP_PKEY> CachedPrivateKey(const std::filesystem::path& file, const KeyLoader& load) {
  KeyCache& cache = TheKeyCache();
  if (!StoreCachingEnabled()) {  // nothing is kept, not even what an earlier call cached
    {
      const std::lock_guard lock(cache.mutex);
      cache.keys.clear();
    }
    return load(file);
  }
  // The generation and the identity are taken before the file is read: a change during the load
  // makes the next call load again.
  const std::optional<uint64_t> generation = FolderGeneration(file.parent_path());
  const std::optional<FileIdentity> identity = IdentityOf(file);
  {
    const std::lock_guard lock(cache.mutex);
    auto found = cache.keys.find(file.native());
    if (found != cache.keys.end()) {
      if (identity && found->second.folder_generation == generation && found->second.identity == *identity) {
        return NewReference(found->second.key.get());
      }
      cache.keys.erase(found);
    }
    DropVanished(cache);
  }
  ossl::UniquePtr<EVP_PKEY> key = load(file);
  if (key == nullptr || !identity) return key;
  ossl::UniquePtr<EVP_PKEY> kept = NewReference(key.get());
  if (kept != nullptr) {
    const std::lock_guard lock(cache.mutex);
    cache.keys.insert_or_assign(file.native(), CachedKey{*identity, generation, std::move(kept)});
  }
  return key;
}

}  // namespace corvane::platform
