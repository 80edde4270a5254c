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
// The content key is made afresh for every message from OpenSSL's private random generator and
// wiped from memory once the recipients' copies are encrypted. A cipher without an IV (RC4) gets
// no algorithm parameters at all: OpenSSL refuses NULL parameters for RC4, while Windows, Bouncy
// Castle and OpenSSL all read absent ones, and the key length is then the cipher's own (128 bits
// for RC4), which is what peers assume when the parameters give none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"
#include "platform/posix/status.h"

namespace corvane::platform {

struct EnvelopedDataInput {
  std::vector<X509*> recipients;  // RSA certificates (EC ones for key_agreement_envelope.h)
  const EVP_CIPHER* cipher = nullptr;
  const uint8_t* content = nullptr;
  size_t content_size = 0;
};

// Makes the enveloped message for RSA recipients and writes its DER into `output`, whose capacity
// is `*size`, setting `*size` to the DER's length: ERROR_MORE_DATA (with the length reported)
// when it does not fit, CRYPT_E_MSG_ERROR when it cannot be made (a key OpenSSL cannot encrypt
// to, content over INT_MAX bytes, a message of 2 GiB or more).
Status WriteEnvelopedData(const EnvelopedDataInput& input, BYTE* output, DWORD* size);

// At least the DER length of WriteEnvelopedData's or MakeKeyAgreementEnvelope's message under any
// of the content ciphers a policy can name (the input's cipher is not looked at), found without
// making a key or encrypting: each wrapped key is at most its recipient's key size (an AES key
// wrap for EC recipients, beside an ephemeral public key of the recipient's shape), the encrypted
// content at most one AES block longer than the content. It exceeds the exact length by a few
// hundred bytes at most. 0 when the input cannot be measured.
uint64_t EnvelopedDataSizeBound(const EnvelopedDataInput& input);

}  // namespace corvane::platform
