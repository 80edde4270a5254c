// DER encoding of a PKCS #7 enveloped-data message, as CryptEncryptMessage makes it:
//
//   ContentInfo { envelopedData, EnvelopedData {
//     version 0,
//     recipientInfos { RecipientInfo { version 0, issuerAndSerialNumber of the certificate,
//                                      rsaEncryption (NULL parameters),
//                                      the content key under the certificate's RSA public key,
//                                      PKCS #1 v1.5 } ... one per recipient },
//     encryptedContentInfo { data, contentEncryptionAlgorithm, [0] the encrypted content } } }
//
// OpenSSL makes the content key afresh for every message from its private random generator and
// keeps it in memory it cleanses; it never reaches this layer. A cipher without an IV (RC4) gets
// no algorithm parameters at all: OpenSSL refuses NULL parameters for RC4, while Windows, Bouncy
// Castle and OpenSSL all read absent ones, and the key length is then the cipher's own (128 bits
// for RC4), which is what peers assume when the parameters give none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/posix/ossl.h"

namespace corvane::platform {

struct EnvelopedDataInput {
  std::vector<X509*> recipients;  // RSA certificates (EC ones for key_agreement_envelope.h)
  const EVP_CIPHER* cipher = nullptr;
  const uint8_t* content = nullptr;
  size_t content_size = 0;
};

// The enveloped message; null when OpenSSL refuses (a key it cannot encrypt to, content over
// INT_MAX bytes).
ossl::UniquePtr<PKCS7> MakeEnvelopedData(const EnvelopedDataInput& input);

// At least the DER length of MakeEnvelopedData's or MakeKeyAgreementEnvelope's message under any
// of the content ciphers a policy can name (the input's cipher is not looked at), found without
// making a key or encrypting: each wrapped key is at most its recipient's key size (an AES key
// wrap for EC recipients, beside an ephemeral public key of the recipient's shape), the encrypted
// content at most one AES block longer than the content. It exceeds the exact length by a few
// hundred bytes at most. 0 when the input cannot be measured.
uint64_t EnvelopedDataSizeBound(const EnvelopedDataInput& input);

}  // namespace corvane::platform
