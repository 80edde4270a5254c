// Certificate contexts for certificates that come from no store, such as the certificates
// carried in a signed message: the same CERT_CONTEXT and CERT_INFO as a store's contexts, freed
// with CertFreeCertificateContext. Such a context has no linked private key, and its hCertStore
// is no open store (enumerating it fails). Its store holds the certificate and the companions it
// came with (the other certificates of the same message), for the chain engine to build on.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"

namespace corvane::platform {

// A new context (one reference) for exactly one DER certificate; null with GetLastError
// CRYPT_E_ASN1_CORRUPT when the bytes are not one well-formed certificate. Companions that are
// not well-formed certificates are left out of its store.
PCCERT_CONTEXT CreateDetachedCertificateContext(
    const BYTE* der, size_t length, const std::vector<std::vector<BYTE>>& companions = {});

// The same for certificates OpenSSL has already read (from a message): their encodings are taken
// from them, and they serve as the contexts' OpenSSL forms (with references of their own), so
// they are not read again.
PCCERT_CONTEXT CreateDetachedCertificateContext(X509* certificate,
                                                const std::vector<X509*>& companions);

}  // namespace corvane::platform
