// What the message engine and the tools need of the on-disk certificate stores beyond the
// Windows calls: the full OpenSSL certificate behind a context and its linked private key.
//
// Store layout (under StoreRoot()):
//   stores/<NAME>/<THUMBPRINT>.cer   DER certificate (THUMBPRINT: upper-case hex SHA-1 of the DER)
//   stores/<NAME>/<THUMBPRINT>.key   its private key, PKCS #8 PEM, mode 0600
//   stores/<NAME>/*.crl              revocation lists
// Other certificate files (*.cer *.crt *.der *.pem) are read too and ordered by their computed
// thumbprint; a certificate present twice is listed once. Enumeration is by ascending thumbprint.
#pragma once

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/posix/ossl.h"

namespace corvane::platform {

// $CORVANE_HOME, else $XDG_DATA_HOME/corvane, else ~/.local/share/corvane. Not created here.
std::filesystem::path StoreRoot();

// Folder of a named store ("my" and "MY" are one store: the folder name is upper case).
std::filesystem::path StoreFolder(const std::string& store_name);

// Upper-case hex SHA-1 of a DER certificate.
std::string Thumbprint(const BYTE* der, size_t length);

// The same for an OpenSSL certificate (its DER encoding); empty when it cannot be encoded.
std::string Thumbprint(X509* certificate);

// The OpenSSL certificate of a context, parsed on first use and cached in the context (borrowed:
// valid as long as the context). Null when the DER does not parse.
X509* CertificateX509(PCCERT_CONTEXT context);

// The private key linked to a context's certificate: the .key file beside it whose public key
// matches the certificate's. Null when there is none (or it does not match).
ossl::UniquePtr<EVP_PKEY> LoadLinkedPrivateKey(PCCERT_CONTEXT context);

}  // namespace corvane::platform
