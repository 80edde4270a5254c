#include "platform/posix/store/name_hash.h"

#include "platform/posix/store/store_contents.h"

namespace corvane::platform {

std::optional<unsigned long> NameHash(const X509_NAME* name) {
  int ok = 0;
  const unsigned long hash = X509_NAME_hash_ex(name, ossl::LibraryContext(), ossl::kNoProperties, &ok);
  if (ok != 1) return std::nullopt;
  return hash;
}

std::optional<unsigned long> SubjectNameHash(const StoredCertificate& certificate) {
  const CERT_NAME_BLOB& subject = certificate.tbs->info()->Subject;
  const unsigned char* cursor = subject.pbData;
  ossl::UniquePtr<X509_NAME> name(d2i_X509_NAME(nullptr, &cursor, subject.cbData));
  if (!name) return std::nullopt;
  return NameHash(name.get());
}

}  // namespace corvane::platform
