// Bytes into and out of the PKCS #7 / CMS messages that OpenSSL builds and reads: the content as a
// memory source, a message read with OpenSSL's CMS code, the finished message's DER written into
// a caller's buffer, and the size bounds with which the message calls answer a size query without
// building the message.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "platform/posix/ossl.h"
#include "platform/posix/status.h"

namespace corvane::platform {

// A read-only memory source over the content (size at most INT_MAX; empty content allowed).
ossl::UniquePtr<BIO> ContentSource(const uint8_t* content, size_t size);

// The message as OpenSSL's CMS structure, made in the library context; null when the bytes are
// no ASN.1 ContentInfo.
ossl::UniquePtr<CMS_ContentInfo> ReadCmsMessage(const BYTE* message, size_t size);

// Writes the message's DER into `output`, whose capacity is `*size`, and sets `*size` to the
// DER's length. ERROR_MORE_DATA (with the length reported, nothing written) when it does not
// fit; CRYPT_E_MSG_ERROR for no message (null: OpenSSL refused to make it), when OpenSSL cannot
// encode it or it is 4 GiB or more.
Status WriteMessageDer(PKCS7* message, BYTE* output, DWORD* size);
Status WriteMessageDer(CMS_ContentInfo* message, BYTE* output, DWORD* size);

// The output step of the calls that make a message of `content_size` bytes of content: a size
// query (null `output`) is answered with `bound` (0: unknown), without making the message; a call
// with a buffer has `write(output, size)` make the message and write it with its exact size
// (WriteMessageDer's contract), which is never more than the bound. CRYPT_E_MSG_ERROR for what
// cannot be made or told (content over INT_MAX bytes, a size of 4 GiB or more).
template <typename Write>
Status WriteMadeMessage(uint64_t bound, size_t content_size, Write write, BYTE* output,
                        DWORD* size) {
  if (content_size > 0x7FFFFFFF) return Status(CRYPT_E_MSG_ERROR);
  if (output == nullptr) {
    if (bound == 0 || bound > 0xFFFFFFFF) return Status(CRYPT_E_MSG_ERROR);
    *size = static_cast<DWORD>(bound);
    return Status();
  }
  return write(output, size);
}

// Upper bounds of DER parts, for messages under 4 GiB: a tag with a definite length of up to four
// octets; an object identifier (the ones these messages carry have at most 11 octets); an
// AlgorithmIdentifier with NULL parameters or an IV of up to 16 octets.
constexpr size_t kDerHeaderBound = 6;
constexpr size_t kObjectIdentifierBound = kDerHeaderBound + 16;
constexpr size_t kAlgorithmIdentifierBound =
    kDerHeaderBound + kObjectIdentifierBound + kDerHeaderBound + 16;
// A small INTEGER (a version) as DER.
constexpr size_t kVersionSize = 3;

// The DER length of an issuer and serial number of `certificate` (its Name's encoding as it is,
// the serial as an INTEGER); 0 when OpenSSL cannot encode them.
size_t IssuerAndSerialSize(X509* certificate);

}  // namespace corvane::platform
