// The revocation lists a store holds: the *.crl files of its folder, DER or PEM ("X509 CRL"
// blocks), parsed in the private library context. A file that cannot be read or parsed is passed
// over, as a store passes over a certificate file it cannot read.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"

namespace corvane::platform {

// True for the files of a store that hold revocation lists: *.crl (any letter case).
bool IsRevocationListFile(const std::filesystem::path& file);

// The lists the file `file` holds; none when it cannot be read or holds none.
std::vector<ossl::UniquePtr<X509_CRL>> RevocationListsOfFile(const std::filesystem::path& file);

// Adds the lists one file holds (DER, or PEM "X509 CRL" blocks); bytes that hold none add nothing.
void AddRevocationListsOfFile(const std::string& bytes, std::vector<ossl::UniquePtr<X509_CRL>>& lists);

// The lists in the store that `issuer` came from which it issued: the list's issuer is the
// certificate's subject and its signature verifies with the certificate's key. None for a
// certificate from no store folder.
std::vector<ossl::UniquePtr<X509_CRL>> RevocationListsIssuedBy(PCCERT_CONTEXT issuer);

}  // namespace corvane::platform
