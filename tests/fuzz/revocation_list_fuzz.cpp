// libFuzzer target: reading a store's revocation list file (DER or PEM) and the fields the chain
// engine looks at.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/posix/store/revocation_lists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<corvane::ossl::UniquePtr<X509_CRL>> lists;
  corvane::platform::AddRevocationListsOfFile(std::string(reinterpret_cast<const char*>(data), size), lists);
  for (const auto& list : lists) {
    X509_CRL_get_issuer(list.get());
    X509_CRL_get0_lastUpdate(list.get());
    sk_X509_REVOKED_num(X509_CRL_get_REVOKED(list.get()));
  }
  return 0;
}
