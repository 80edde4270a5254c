// `corvane store import STORE FILE... [--password PW] [--chain-to CA|ROOT|none]`.
//
// Certificates go to STORE. A private key goes beside the certificate whose public key it
// matches, among the certificates of this import or those already in STORE; a key that matches
// none is refused and nothing at all is written. The other certificates of a PKCS #12 file (its
// chain) go to CA or ROOT: by default a self-signed one to ROOT and any other to CA.
#include <iostream>

#include "command_line.h"
#include "platform/posix/store/store_layout.h"
#include "platform/posix/store/thumbprint.h"
#include "store_files.h"
#include "store_input.h"
#include "store_subcommands.h"

namespace corvane::tool {
namespace {

struct PendingFile {
  std::filesystem::path folder;
  std::string name;
  std::string bytes;
  mode_t mode;
  std::string report;
};

// Where a chain certificate goes: the store named by --chain-to, or by whether it is self-signed.
std::string ChainStore(X509* certificate, const std::optional<std::string>& chain_to) {
  if (chain_to) return *chain_to;
  return X509_self_signed(certificate, 0) == 1 ? "ROOT" : "CA";
}

// The subject in one line of UTF-8, for the report.
std::string SubjectOf(X509* certificate) {
  ossl::UniquePtr<BIO> bio(BIO_new(BIO_s_mem()));
  X509_NAME_print_ex(bio.get(), X509_get_subject_name(certificate), 0,
                     (XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB) | ASN1_STRFLGS_UTF8_CONVERT);
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(length));
}

}  // namespace

int RunStoreImport(const std::vector<std::string>& args) {
  const Options options(args, {"password", "chain-to"});
  if (options.error()) return Fail(*options.error());
  const std::vector<std::string>& positional = options.positional();
  if (positional.size() < 2) {
    return Fail("usage: corvane store import STORE FILE... [--password PW] [--chain-to CA|ROOT|none]");
  }
  std::optional<std::string> chain_to = options.Value("chain-to");
  if (chain_to) {
    *chain_to = platform::StoreFolderName(*chain_to);
    if (*chain_to != "CA" && *chain_to != "ROOT" && *chain_to != "NONE") {
      return Fail("--chain-to takes CA, ROOT or none");
    }
  }
  const std::string& store = positional[0];
  std::filesystem::path folder;
  std::string error;
  if (!StoreFolderOf(store, folder, error)) return Fail(error);

  // Read everything first: nothing is written unless every file and every key is usable.
  StoreItems items;
  std::vector<std::string> key_origins;
  for (size_t i = 1; i < positional.size(); ++i) {
    const auto bytes = ReadInput(positional[i]);
    if (!bytes) return Fail("cannot read " + positional[i]);
    if (!ReadStoreItems(*bytes, options.Value("password"), items, error)) return Fail(positional[i] + ": " + error);
    key_origins.resize(items.keys.size(), positional[i]);
  }
  if (items.certificates.empty() && items.keys.empty() && items.chain.empty()) return Fail("nothing to import");

  std::vector<ossl::UniquePtr<X509>> existing;
  if (!LoadStoreCertificates(store, existing, error)) return Fail(error);

  std::vector<PendingFile> writes;
  const std::string store_name = platform::StoreFolderName(store);
  for (auto& certificate : items.certificates) {
    const std::string thumbprint = platform::Thumbprint(certificate.get());
    writes.push_back({folder, thumbprint + std::string(platform::kCertificateExtension), DerOf(certificate.get()),
                      0644, "certificate " + thumbprint + " -> " + store_name + "  " + SubjectOf(certificate.get())});
  }
  for (size_t k = 0; k < items.keys.size(); ++k) {
    X509* match = nullptr;
    for (auto* list : {&items.certificates, &existing}) {
      for (auto& certificate : *list) {
        if (match == nullptr && EVP_PKEY_eq(items.keys[k].get(), X509_get0_pubkey(certificate.get())) == 1) {
          match = certificate.get();
        }
      }
    }
    if (match == nullptr) {
      return Fail("the private key in " + key_origins[k] + " matches no certificate of this import or of store " +
                  store_name + "; nothing was imported");
    }
    const std::string thumbprint = platform::Thumbprint(match);
    const std::string pem = PrivateKeyPem(items.keys[k].get());
    if (pem.empty()) return Fail("cannot encode the private key in " + key_origins[k]);
    writes.push_back({folder, thumbprint + std::string(platform::kKeyExtension), pem, 0600,
                      "private key -> " + store_name + ", linked to " + thumbprint});
  }
  for (auto& certificate : items.chain) {
    const std::string target = ChainStore(certificate.get(), chain_to);
    if (target == "NONE") continue;
    const std::string thumbprint = platform::Thumbprint(certificate.get());
    writes.push_back({platform::StoreFolder(target), thumbprint + std::string(platform::kCertificateExtension),
                      DerOf(certificate.get()), 0644,
                      "chain certificate " + thumbprint + " -> " + target + "  " + SubjectOf(certificate.get())});
  }

  for (const PendingFile& file : writes) {
    if (!WriteStoreFile(file.folder, file.name, file.bytes, file.mode, error)) return Fail(error);
    std::cout << file.report << "\n";
  }
  return 0;
}

}  // namespace corvane::tool
