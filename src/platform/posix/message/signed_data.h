// DER encoding of a PKCS #7 signed-data message with one signer, as CryptSignMessage makes it:
//
//   ContentInfo { signedData, SignedData {
//     version 1, digestAlgorithms { digest with NULL parameters },
//     contentInfo { data, [0] content (left out when detached) },
//     certificates [0] the given certificates, no CRLs,
//     signerInfos { SignerInfo { version 1, issuerAndSerialNumber of the signer, digest,
//                                no authenticated attributes, the key's signature algorithm
//                                (rsaEncryption; ecdsa-with-SHA256 ... for EC keys, DSA's),
//                                signature (RSA PKCS #1 v1.5, ECDSA or DSA over the content's
//                                digest), no unauthenticated attributes } } } }
//
// AlgorithmIdentifiers carry NULL parameters (05 00), as OpenSSL and Windows write them. RSA
// PKCS #1 v1.5 signatures are deterministic, so the same input always gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/posix/ossl.h"

namespace corvane::platform {

struct SignedDataInput {
  X509* signer = nullptr;
  EVP_PKEY* private_key = nullptr;
  const EVP_MD* digest = nullptr;
  std::vector<X509*> certificates;  // the message's certificate set, in this order
  const uint8_t* content = nullptr;
  size_t content_size = 0;
  bool detached = false;
};

// The signed message; null when OpenSSL refuses (for instance a key that does not belong to the
// certificate, or content over INT_MAX bytes).
ossl::UniquePtr<PKCS7> MakeSignedData(const SignedDataInput& input);

// At least the DER length of MakeSignedData's message, found without signing: everything but the
// signature is known from the input, and the signature is at most the key's size. It exceeds the
// exact length by a few hundred bytes at most. 0 when the input cannot be measured.
uint64_t SignedDataSizeBound(const SignedDataInput& input);

}  // namespace corvane::platform
