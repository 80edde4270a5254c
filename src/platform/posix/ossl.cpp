#include <openssl/provider.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/posix/ossl.h"

namespace corvane::ossl {
namespace {

// The algorithms fetched so far, by name; never destroyed (calls may still come while the process
// exits), like the context they come from.
template <typename Algorithm>
struct Fetched {
  std::mutex lock;
  std::map<std::string, UniquePtr<Algorithm>, std::less<>> by_name;
};

template <typename Algorithm>
const Algorithm* FetchOnce(const char* name,
                           Algorithm* (*fetch)(OSSL_LIB_CTX*, const char*, const char*)) {
  static auto* fetched = new Fetched<Algorithm>;
  const std::lock_guard guard(fetched->lock);
  const auto found = fetched->by_name.find(std::string_view(name));
  if (found != fetched->by_name.end()) return found->second.get();
  UniquePtr<Algorithm> algorithm(fetch(LibraryContext(), name, kNoProperties));
  if (algorithm == nullptr) return nullptr;
  return fetched->by_name.emplace(name, std::move(algorithm)).first->second.get();
}

}  // namespace

const EVP_CIPHER* FetchedCipher(const char* name) { return FetchOnce(name, EVP_CIPHER_fetch); }

const EVP_MD* FetchedDigest(const char* name) { return FetchOnce(name, EVP_MD_fetch); }

OSSL_LIB_CTX* LibraryContext() {
  // Created once and kept for the life of the process: providers loaded into it are never
  // unloaded while another thread might be using a fetched algorithm.
  static OSSL_LIB_CTX* context = [] {
    OSSL_LIB_CTX* created = OSSL_LIB_CTX_new();
    if (created != nullptr) {
      OSSL_PROVIDER_load(created, "default");
      // The legacy provider carries RC4; without it only RC4 envelopes fail to open.
      OSSL_PROVIDER_load(created, "legacy");
    }
    return created;
  }();
  return context;
}

}  // namespace corvane::ossl
