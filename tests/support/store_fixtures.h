// Helpers for the store tests: what a store enumerates, and the certificate fields as OpenSSL
// sees them, to compare with the platform's CERT_INFO.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"

namespace corvane::testing {

// The thumbprints that CertEnumCertificatesInStore yields for a store, in order. Fails the
// current test (and returns nothing) when the store does not open.
std::vector<std::string> EnumeratedThumbprints(const char* store);

// The thumbprints a search of a freshly opened `store` by serial number yields, in order (the
// serial's significant bytes, least significant first); `through_index`, when given, tells
// whether the last came from a reading through the folder's index.
std::vector<std::string> SerialSearchThumbprints(const char* store, std::string serial,
                                                 bool* through_index = nullptr);

// Bytes of a blob as a string, for comparisons.
std::string BlobBytes(const BYTE* data, DWORD size);

// The FILETIME of an ASN1_TIME, computed by OpenSSL's own calendar (ASN1_TIME_to_tm).
FILETIME FileTimeOf(const ASN1_TIME* time);

// Dotted text of an OID.
std::string OidText(const ASN1_OBJECT* object);

// The private key linked to a store's certificate, found without ever asking for a PIN; null when
// there is none.
ossl::UniquePtr<EVP_PKEY> LinkedKey(PCCERT_CONTEXT context);

// Runs `corvane store ARGS`; returns the exit status, with standard output and error.
struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};
ToolRun RunStoreTool(const std::string& args);

}  // namespace corvane::testing
