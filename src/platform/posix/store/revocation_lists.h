// The revocation lists a store holds: the *.crl files of its folder, DER or PEM ("X509 CRL"
// blocks), parsed in the private library context. A file that cannot be read or parsed is passed
// over, as a store passes over a certificate file it cannot read.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"
#include "platform/posix/status.h"

namespace corvane::platform {

// The most a revocation list file may hold. Real CAs publish lists of tens of megabytes, far past
// the limit of certificate and key files; a list skipped for its size would let every certificate
// it revokes pass, so the limit is set far above any list in use.
inline constexpr size_t kRevocationListLimit = size_t{256} << 20;

// True for the files of a store that hold revocation lists: *.crl (any letter case), the
// extension as std::filesystem::path tells it.
bool IsRevocationListFileName(std::string_view name);
bool IsRevocationListFile(const std::filesystem::path& file);

// True when `issuer` issued `list`: the list names it as issuer and its signature verifies with
// its key.
bool IsIssuerOf(X509* issuer, X509_CRL* list);

// Whether one of `certificates` issued `list`.
enum class ListIssuer {
  kPresent,        // one of them did
  kSignatureBad,   // some have the list's issuer name, but the signature verifies with none
  kAbsent,         // none has the list's issuer name
};
ListIssuer FindListIssuer(const std::vector<X509*>& certificates, X509_CRL* list);

// Reads one list file (a regular file within kRevocationListLimit, links followed) and adds the
// lists it holds; fails, adding none, when it cannot be read or holds no list.
Status ReadRevocationListFile(const std::filesystem::path& file, std::vector<ossl::UniquePtr<X509_CRL>>& lists);

// The lists the file `file` holds; none when it cannot be read or holds none (`store check`
// names such a file).
std::vector<ossl::UniquePtr<X509_CRL>> RevocationListsOfFile(const std::filesystem::path& file);

// Adds the lists one file holds (DER, or PEM "X509 CRL" blocks); bytes that hold none add nothing.
void AddRevocationListsOfFile(const std::string& bytes, std::vector<ossl::UniquePtr<X509_CRL>>& lists);

}  // namespace corvane::platform
