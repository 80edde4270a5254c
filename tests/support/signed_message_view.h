// What a PKCS #7 signed message holds, read back with OpenSSL for checks in the tests.
#pragma once

#include <string>

namespace corvane::testing {

struct SignedMessageView {
  bool parsed = false;
  long version = -1;
  long signer_version = -1;
  int signer_count = 0;
  int digest_nid = 0;
  int authenticated_attributes = -1;
  int certificate_count = 0;
  std::string first_certificate_der;
  bool content_present = false;
  std::string content;
};

SignedMessageView ViewSignedMessage(const std::string& der);

// Expects the one form the library signs in: version 1, one version-1 signer, SHA-1, no
// authenticated attributes, exactly the signer's certificate, and the content only when attached.
void ExpectLibrarySignedForm(const std::string& der, const std::string& signer_certificate_der,
                             const std::string& content, bool detached);

// Verifies with `openssl cms -verify -noverify` (the content for a detached signature); returns
// the content the peer recovered, or nullopt-like "!" prefixed error text on failure.
bool OpensslVerifies(const std::string& der, const std::string* detached_content,
                     std::string* recovered_content);

}  // namespace corvane::testing
