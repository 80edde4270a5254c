#include "platform/posix/store/revocation_lists.h"

#include <openssl/pem.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <string>

#include "platform/posix/pem_blocks.h"
#include "platform/posix/files/whole_file.h"
#include "platform/posix/files/store_layout.h"

namespace corvane::platform {

bool IsRevocationListFileName(std::string_view name) {
  // From the last dot, unless the name starts there.
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  std::string extension(name.substr(dot));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == kCrlExtension;
}

bool IsRevocationListFile(const std::filesystem::path& file) {
  return IsRevocationListFileName(std::string_view(file.filename().native()));
}

namespace {

ossl::UniquePtr<X509_CRL> ParseDer(const unsigned char* der, long size) {
  X509_CRL* target = X509_CRL_new_ex(ossl::LibraryContext(), ossl::kNoProperties);
  const unsigned char* cursor = der;
  // d2i_X509_CRL frees `target` and sets it null when the bytes do not decode.
  const bool parsed = target != nullptr && d2i_X509_CRL(&target, &cursor, size) != nullptr &&
                      cursor == der + size;
  ossl::UniquePtr<X509_CRL> owner(target);
  if (!parsed) return nullptr;
  return owner;
}

}  // namespace

void AddRevocationListsOfFile(const std::string& bytes, std::vector<ossl::UniquePtr<X509_CRL>>& lists) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(LONG_MAX)) return;
  if (auto list = ParseDer(reinterpret_cast<const unsigned char*>(bytes.data()),
                           static_cast<long>(bytes.size()))) {
    lists.push_back(std::move(list));
    return;
  }
  (void)ForEachPemBlock(bytes, [&](const PemBlock& block) {
    if (block.label == PEM_STRING_X509_CRL) {
      if (auto list = ParseDer(block.der, block.size)) lists.push_back(std::move(list));
    }
    return true;
  });
}

std::vector<ossl::UniquePtr<X509_CRL>> RevocationListsOfFile(const std::filesystem::path& file) {
  std::vector<ossl::UniquePtr<X509_CRL>> lists;
  (void)ReadRevocationListFile(file, lists);
  return lists;
}

Status ReadRevocationListFile(const std::filesystem::path& file, std::vector<ossl::UniquePtr<X509_CRL>>& lists) {
  std::string bytes;
  const Status read = ReadWholeFile(file, bytes, kRevocationListLimit);
  if (!read.ok()) return read;
  const ossl::ErrorQueueMark mark;
  const size_t before = lists.size();
  AddRevocationListsOfFile(bytes, lists);
  if (lists.size() == before) return Status(CRYPT_E_ASN1_CORRUPT).Because("holds no revocation list");
  return Status();
}

bool IsIssuerOf(X509* issuer, X509_CRL* list) {
  const ossl::ErrorQueueMark mark;
  EVP_PKEY* key = X509_get0_pubkey(issuer);
  return X509_NAME_cmp(X509_CRL_get_issuer(list), X509_get_subject_name(issuer)) == 0 &&
         key != nullptr && X509_CRL_verify(list, key) == 1;
}

ListIssuer FindListIssuer(const std::vector<X509*>& certificates, X509_CRL* list) {
  ListIssuer found = ListIssuer::kAbsent;
  for (X509* certificate : certificates) {
    if (IsIssuerOf(certificate, list)) return ListIssuer::kPresent;
    if (X509_NAME_cmp(X509_get_subject_name(certificate), X509_CRL_get_issuer(list)) == 0) {
      found = ListIssuer::kSignatureBad;
    }
  }
  return found;
}

}  // namespace corvane::platform
