// Certificate contexts for certificates that come from no store, such as the certificates
// carried in a signed message: the same CERT_CONTEXT and CERT_INFO as a store's contexts, freed
// with CertFreeCertificateContext. Such a context has no linked private key, and its hCertStore
// is no open store (enumerating it fails). Its store holds the certificate and the companions it
// came with (the other certificates of the same message), for the chain engine to build on.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"
#include "platform/posix/store/store_contents.h"

namespace corvane::platform {

// A new context (one reference) for exactly one DER certificate; null with GetLastError
// CRYPT_E_ASN1_CORRUPT when the bytes are not one well-formed certificate. Companions that are
// not well-formed certificates are left out of its store.
PCCERT_CONTEXT CreateDetachedCertificateContext(
    const BYTE* der, size_t length, const std::vector<std::vector<BYTE>>& companions = {});

// A certificate a message carries, read from exactly these DER bytes, with its OpenSSL form; or
// the one read before from the same bytes (compared byte for byte) while it is among the last
// ones read. What is read from a certificate depends on its bytes alone, and OpenSSL takes about
// 100 µs to read one, more than the rest of verifying a small message: a signer's messages carry
// the same certificate every time. Null when the bytes are not one well-formed certificate.
std::shared_ptr<const StoredCertificate> CertificateFromMessage(const BYTE* der, size_t length);

// The same for a certificate OpenSSL has already read from a message: its encoding is taken from
// it, and it serves as the OpenSSL form (with a reference of its own), so it is not read again.
std::shared_ptr<const StoredCertificate> CertificateFromMessage(X509* parsed);

// A context for a certificate from CertificateFromMessage (none: null with GetLastError
// CRYPT_E_ASN1_CORRUPT), whose store holds the companions (null ones are left out).
PCCERT_CONTEXT CreateDetachedCertificateContext(
    std::shared_ptr<const StoredCertificate> certificate,
    const std::vector<std::shared_ptr<const StoredCertificate>>& companions);

}  // namespace corvane::platform
