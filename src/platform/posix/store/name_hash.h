// The hash OpenSSL files names under (X509_NAME_hash_ex): of a name's canonical form, the form
// OpenSSL compares issuer and subject names in (string types, case and spacing aside), so that
// two encodings of one name always have the same hash.
#pragma once

#include <optional>

#include "platform/posix/ossl.h"

namespace corvane::platform {

struct StoredCertificate;

// The hash of `name`; nothing when OpenSSL cannot put it in canonical form.
std::optional<unsigned long> NameHash(const X509_NAME* name);

// The hash of a certificate's subject name, read from the name's encoding (without OpenSSL
// reading the whole certificate).
std::optional<unsigned long> SubjectNameHash(const StoredCertificate& certificate);

}  // namespace corvane::platform
