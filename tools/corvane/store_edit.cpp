// `corvane store export`, `remove` and `add-crl`.
#include <openssl/err.h>
#include <openssl/pem.h>

#include <iostream>

#include "command_line.h"
#include "platform/posix/store/atomic_file.h"
#include "platform/posix/store/thumbprint.h"
#include "platform/posix/store/certificate_file.h"
#include "platform/posix/store/store_layout.h"
#include "store_files.h"
#include "store_subcommands.h"

namespace corvane::tool {
namespace {

namespace fs = std::filesystem;

std::string PemBlock(const char* label, const std::string& der) {
  ossl::UniquePtr<BIO> bio(BIO_new(BIO_s_mem()));
  PEM_write_bio(bio.get(), label, "", reinterpret_cast<const unsigned char*>(der.data()),
                static_cast<long>(der.size()));
  char* data = nullptr;
  const long length = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<size_t>(length));
}

// The DER of the certificate with `thumbprint` in `store`; false with a message when there is none.
bool FindInStore(const std::string& store, const std::string& thumbprint, std::string& der, std::string& error) {
  HCERTSTORE handle = CertOpenSystemStoreA(0, store.c_str());
  if (handle == nullptr) {
    error = StoreOpenError(store, GetLastError());
    return false;
  }
  for (PCCERT_CONTEXT context = nullptr; (context = CertEnumCertificatesInStore(handle, context)) != nullptr;) {
    if (platform::Thumbprint(context->pbCertEncoded, context->cbCertEncoded) == thumbprint) {
      der.assign(reinterpret_cast<const char*>(context->pbCertEncoded), context->cbCertEncoded);
      CertFreeCertificateContext(context);
      break;
    }
  }
  CertCloseStore(handle, 0);
  if (der.empty()) error = "no certificate " + thumbprint + " in store " + platform::StoreFolderName(store);
  return !der.empty();
}

// STORE and THUMBPRINT of export and remove.
bool StoreAndThumbprint(const Options& options, const char* usage, std::string& store, fs::path& folder,
                        std::string& thumbprint, std::string& error) {
  if (options.error()) {
    error = *options.error();
    return false;
  }
  if (options.positional().size() != 2) {
    error = usage;
    return false;
  }
  store = options.positional()[0];
  thumbprint = NormalizeThumbprint(options.positional()[1]);
  if (thumbprint.empty()) {
    error = "\"" + options.positional()[1] + "\" is not a thumbprint (40 hex digits)";
    return false;
  }
  return StoreFolderOf(store, folder, error);
}

// Takes the certificate with `thumbprint` out of one certificate file. A DER file, or PEM text
// left without certificates, goes; otherwise only the certificate's blocks are cut out of the PEM
// text and everything else (other certificates, a key kept beside them) stays as it was, the
// file's permissions included.
bool RemoveFromFile(const fs::path& file, const std::string& thumbprint, bool& changed, std::string& error) {
  changed = false;
  std::string bytes;
  if (std::error_code failure = platform::ReadWholeFile(file, bytes)) {
    error = "cannot read " + file.string() + ": " + failure.message();
    return false;
  }
  const auto blocks = platform::PemCertificatesIn(bytes);
  std::string kept;
  size_t kept_certificates = 0;
  if (blocks) {
    size_t copied = 0;
    for (const platform::PemCertificate& block : *blocks) {
      if (platform::Thumbprint(block.der.data(), block.der.size()) != thumbprint) {
        ++kept_certificates;
        continue;
      }
      changed = true;
      kept.append(bytes, copied, block.begin - copied);
      copied = block.end;
    }
    kept.append(bytes, copied);
  } else if (bytes.find("-----BEGIN ") == std::string::npos) {
    changed = platform::Thumbprint(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()) == thumbprint;
  }  // else: not certificate data, not ours to touch
  if (!changed) return true;
  std::error_code failure;
  if (kept_certificates == 0) {
    fs::remove(file, failure);
  } else {
    const fs::perms permissions = fs::status(file, failure).permissions();
    if (!failure) {
      failure = platform::WriteFileAtomically(file, kept, static_cast<mode_t>(permissions & fs::perms::mask));
    }
  }
  if (failure) error = "cannot change " + file.string() + ": " + failure.message();
  return !failure;
}

}  // namespace

int RunStoreExport(const std::vector<std::string>& args) {
  const Options options(args, {});
  std::string store, thumbprint, error, der;
  fs::path folder;
  if (!StoreAndThumbprint(options, "usage: corvane store export STORE THUMBPRINT [--pem]", store, folder,
                          thumbprint, error) ||
      !FindInStore(store, thumbprint, der, error)) {
    return Fail(error);
  }
  if (!WriteOutput("-", options.Flag("pem") ? PemBlock("CERTIFICATE", der) : der)) {
    return Fail("cannot write to standard output");
  }
  return 0;
}

int RunStoreRemove(const std::vector<std::string>& args) {
  const Options options(args, {});
  std::string store, thumbprint, error, der;
  fs::path folder;
  if (!StoreAndThumbprint(options, "usage: corvane store remove STORE THUMBPRINT", store, folder, thumbprint,
                          error) ||
      !FindInStore(store, thumbprint, der, error)) {
    return Fail(error);
  }
  // Every file that holds the certificate: its own <THUMBPRINT>.cer and any file dropped in.
  std::error_code failure;
  for (fs::directory_iterator entry(folder, failure), end; !failure && entry != end; entry.increment(failure)) {
    if (!platform::IsCertificateFileName(entry->path()) || !entry->is_regular_file(failure)) continue;
    bool changed = false;
    if (!RemoveFromFile(entry->path(), thumbprint, changed, error)) return Fail(error);
    if (changed) std::cout << "removed certificate " << thumbprint << " from " << entry->path().string() << "\n";
  }
  if (failure) return Fail("cannot read " + folder.string() + ": " + failure.message());
  const fs::path key = folder / (thumbprint + std::string(platform::kKeyExtension));
  if (fs::remove(key, failure)) std::cout << "removed private key " << key.string() << "\n";
  if (failure) return Fail("cannot remove " + key.string() + ": " + failure.message());
  return 0;
}

int RunStoreAddCrl(const std::vector<std::string>& args) {
  const Options options(args, {});
  if (options.error()) return Fail(*options.error());
  if (options.positional().size() != 2) return Fail("usage: corvane store add-crl STORE FILE");
  const std::string& store = options.positional()[0];
  std::string error;
  fs::path folder;
  if (!StoreFolderOf(store, folder, error)) return Fail(error);
  const auto bytes = ReadInput(options.positional()[1]);
  if (!bytes) return Fail("cannot read " + options.positional()[1]);

  // PEM ("X509 CRL") or DER; either way parsed in the private library context and written as DER.
  ERR_set_mark();
  std::string der = *bytes;
  if (bytes->find("-----BEGIN ") != std::string::npos) {
    der.clear();
    ossl::UniquePtr<BIO> in(BIO_new_mem_buf(bytes->data(), static_cast<int>(bytes->size())));
    char* label = nullptr;
    char* header = nullptr;
    unsigned char* data = nullptr;
    long length = 0;
    while (der.empty() && PEM_read_bio(in.get(), &label, &header, &data, &length) == 1) {
      if (std::string(label) == "X509 CRL") der.assign(reinterpret_cast<char*>(data), static_cast<size_t>(length));
      OPENSSL_free(label);
      OPENSSL_free(header);
      OPENSSL_free(data);
    }
  }
  X509_CRL* target = X509_CRL_new_ex(ossl::LibraryContext(), ossl::kNoProperties);
  const unsigned char* cursor = reinterpret_cast<const unsigned char*>(der.data());
  const bool parsed = target != nullptr && !der.empty() &&
                      d2i_X509_CRL(&target, &cursor, static_cast<long>(der.size())) != nullptr &&
                      cursor == reinterpret_cast<const unsigned char*>(der.data()) + der.size();
  ossl::UniquePtr<X509_CRL> crl(target);
  ERR_pop_to_mark();
  if (!parsed) return Fail(options.positional()[1] + ": not a certificate revocation list");

  unsigned char* encoded = nullptr;
  const int encoded_length = i2d_X509_CRL(crl.get(), &encoded);
  if (encoded_length <= 0) return Fail("cannot encode the revocation list");
  der.assign(reinterpret_cast<char*>(encoded), static_cast<size_t>(encoded_length));
  OPENSSL_free(encoded);

  std::vector<ossl::UniquePtr<X509>> certificates;
  if (!LoadStoreCertificates(store, certificates, error)) return Fail(error);
  bool issuer_present = false;
  for (auto& certificate : certificates) {
    issuer_present |= X509_NAME_cmp(X509_get_subject_name(certificate.get()), X509_CRL_get_issuer(crl.get())) == 0;
  }
  if (!issuer_present) {
    std::cerr << "corvane: warning: no certificate of store " << platform::StoreFolderName(store)
              << " is the issuer of this revocation list\n";
  }

  const std::string name =
      platform::Thumbprint(reinterpret_cast<const BYTE*>(der.data()), der.size()) + std::string(platform::kCrlExtension);
  if (!WriteStoreFile(folder, name, der, 0644, error)) return Fail(error);
  std::cout << "revocation list -> " << (folder / name).string() << "\n";
  return 0;
}

}  // namespace corvane::tool
