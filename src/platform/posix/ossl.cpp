#include <openssl/provider.h>

#include <mutex>

#include "platform/posix/ossl.h"

namespace corvane::ossl {

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
