// What a user of OpenSSL's PKCS #7 API writes to do exactly the exports' work, with the same key
// and certificates: signing with SHA-1, no signed attributes and only the signer's certificate;
// verification against an X509_STORE of the certificates of ROOT and CA (read from a hashed
// directory when needed: X509_STORE_add_cert sorts the store's whole list at every addition, and
// 20,000 certificates would take minutes to add); enveloping with RC4-128;
// opening; Base64 in and out through OpenSSL's own line-breaking codec. The lookup variants add
// what the exports must do besides, find the certificate by issuer and serial number
// (X509_find_by_issuer_and_serial over the store's certificates): the signer's in MY from the
// serial number's text, the recipient's in CA then ROOT, and when opening, the certificate the
// message names in MY.
#pragma once

#include <filesystem>
#include <string>

#include "export_calls.h"
#include "platform/posix/ossl.h"

namespace corvane::bench {

class OpensslPeer {
 public:
  // The stores' certificates are taken with a reference each, in the stores' own order (so that
  // a lookup walks as far as the export's store would); `my` holds the signer's. The
  // certificates of ROOT and CA are trusted from `trusted_folder`, a hashed directory.
  OpensslPeer(X509* signer, EVP_PKEY* key, STACK_OF(X509)* my, STACK_OF(X509)* ca,
              STACK_OF(X509)* root, const std::filesystem::path& trusted_folder);

  // A peer that reads what it needs from files, as a fresh process does: the signer's
  // certificate and key (PEM), and the hashed directory of the certificates of ROOT and CA.
  static OpensslPeer FromFiles(const std::filesystem::path& signer,
                               const std::filesystem::path& key,
                               const std::filesystem::path& trusted_folder);

  // The operation's output (text, or the content); empty when OpenSSL fails.
  std::string Run(Operation operation, const std::string& input, bool lookup) const;

  // The message verification or opening reads, made by this peer from `data`.
  std::string InputFor(Operation operation, const std::string& data) const;

 private:
  std::string Sign(const std::string& data, bool lookup) const;
  std::string Verify(const std::string& text) const;
  std::string Envelope(const std::string& data, bool lookup) const;
  std::string Open(const std::string& text, bool lookup) const;

  ossl::UniquePtr<X509> signer_;
  ossl::UniquePtr<EVP_PKEY> key_;
  ossl::UniquePtr<STACK_OF(X509)> my_, ca_, root_;
  ossl::UniquePtr<X509_STORE> trusted_;
};

}  // namespace corvane::bench
