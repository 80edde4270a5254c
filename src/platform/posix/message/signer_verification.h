// One signer of a PKCS #7 / CMS signed-data message verified with OpenSSL's CMS code, as the two
// verification calls of the platform need it.
//
// OpenSSL reads the message (DER or BER: indefinite lengths, constructed OCTET STRING content;
// a DER message of the plain shape in parts, signed_data_parts.h) and does the cryptography: the signature over the signed attributes and their message digest,
// or over the content digest when there are none. On top of it this adds what Windows does:
// - only the signer asked for is verified; the others are not looked at;
// - the signer's certificate is taken from the certificates the message carries: the first one
//   whose issuer Name has exactly the encoding of the signer's issuer (byte for byte, not
//   OpenSSL's canonical comparison) and whose serial number is the signer's, or, for a signer
//   named by subject key identifier, whose key identifier it is;
// - with signed attributes, the content-type attribute must name the message's content type;
// - a SHA-1 signature verifies only where the policy accepts SHA-1 (policy/algorithm_policy.h).
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"
#include "platform/posix/status.h"
#include "platform/posix/store/certificate_reference.h"

namespace corvane::platform {

struct VerifiedSigner {
  // The signer's certificate; the message's other certificates are in the context's store.
  CertificateReference certificate;
  // The message's own content, the very bytes that were hashed (null for detached content): as
  // OpenSSL decoded it, or copied from the message read in parts; and where the message holds
  // exactly these bytes in one piece, as DER always does: their offset in the message's bytes.
  ossl::UniquePtr<ASN1_OCTET_STRING> content;
  std::optional<size_t> content_offset;

  const BYTE* content_data() const { return content ? ASN1_STRING_get0_data(content.get()) : nullptr; }
  size_t content_size() const {
    return content ? static_cast<size_t>(ASN1_STRING_length(content.get())) : 0;
  }
};

struct ContentPiece {
  const BYTE* data = nullptr;
  size_t size = 0;
};

// Verifies signer `signer_index`. With `detached` null the content is the message's own (a
// message that carries none fails); otherwise it is the pieces, hashed in order.
// Fails with:
//   the policy's error    a policy file cannot be read (CurrentPolicy, algorithm_policy.h)
//   CRYPT_E_OSS_ERROR     not an ASN.1 message, or not signed data
//   CRYPT_E_NO_SIGNER     no signer with that index
//   CRYPT_E_NOT_FOUND     the signer's certificate is not in the message
//   CRYPT_E_MSG_ERROR     the message carries no content and none was given
//   CRYPT_E_UNKNOWN_ALGO  a digest algorithm OpenSSL does not know, or SHA-1 when the algorithm
//                         policy does not accept it (verify.accept_sha1 = no)
//   NTE_BAD_SIGNATURE     the signature, the message digest or the content type does not match
Status VerifyMessageSigner(const BYTE* message, size_t size, DWORD signer_index,
                           const std::vector<ContentPiece>* detached, VerifiedSigner& result);

}  // namespace corvane::platform
