#include "platform/posix/admin/import_items.h"

#include <openssl/decoder.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include <cstring>

#include "platform/posix/pem_blocks.h"
#include "platform/posix/admin/pkcs12_iterations.h"

namespace corvane::platform {
namespace {

const unsigned char* Bytes(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

// A certificate from exactly these DER bytes, made in the private library context.
ossl::UniquePtr<X509> CertificateFromDer(const unsigned char* der, size_t size) {
  X509* target = X509_new_ex(ossl::LibraryContext(), ossl::kNoProperties);
  if (target == nullptr) return nullptr;
  const unsigned char* cursor = der;
  const bool parsed = d2i_X509(&target, &cursor, static_cast<long>(size)) != nullptr;
  ossl::UniquePtr<X509> certificate(target);  // d2i_X509 freed it when it failed
  if (!parsed || cursor != der + size) return nullptr;
  return certificate;
}

// A private key from PEM or DER bytes (PKCS #8, encrypted PKCS #8 or traditional).
ossl::UniquePtr<EVP_PKEY> KeyFrom(const unsigned char* data, size_t size, const char* input_type,
                                  const std::optional<std::string>& password) {
  EVP_PKEY* key = nullptr;
  const ossl::UniquePtr<OSSL_DECODER_CTX> decoder(OSSL_DECODER_CTX_new_for_pkey(
      &key, input_type, nullptr, nullptr, OSSL_KEYMGMT_SELECT_KEYPAIR, ossl::LibraryContext(),
      ossl::kNoProperties));
  if (decoder == nullptr) return nullptr;
  if (password) {
    OSSL_DECODER_CTX_set_passphrase(decoder.get(), Bytes(*password), password->size());
  }
  const unsigned char* cursor = data;
  size_t remaining = size;
  const bool decoded = OSSL_DECODER_from_data(decoder.get(), &cursor, &remaining) == 1;
  ossl::UniquePtr<EVP_PKEY> owner(key);
  if (!decoded) return nullptr;
  return owner;
}

// Why a file could not be read, and whether a password would have been needed for it.
struct ReadFailure {
  std::string reason;
  bool needs_password = false;
};

bool ReadPkcs12(const std::string& bytes, const std::optional<std::string>& password, ImportItems& items,
                ReadFailure& failure) {
  std::string& error = failure.reason;
  // Made in the private library context first, so that legacy PBE algorithms are found.
  PKCS12* target = PKCS12_init_ex(NID_pkcs7_data, ossl::LibraryContext(), ossl::kNoProperties);
  if (target == nullptr) return false;
  const unsigned char* cursor = Bytes(bytes);
  const bool parsed = d2i_PKCS12(&target, &cursor, static_cast<long>(bytes.size())) != nullptr;
  ossl::UniquePtr<PKCS12> p12(target);
  if (!parsed || cursor != Bytes(bytes) + bytes.size()) return false;
  // Counted before the password is used with any of them: a file may ask for endless rounds.
  const Status iterations = CheckPkcs12Iterations(*p12, password);
  if (!iterations.ok()) {
    error = iterations.Text();
    return true;
  }

  EVP_PKEY* key = nullptr;
  X509* certificate = nullptr;
  STACK_OF(X509)* chain_stack = nullptr;
  const char* pass = password ? password->c_str() : "";
  const bool opened = PKCS12_parse(p12.get(), pass, &key, &certificate, &chain_stack) == 1;
  const ossl::UniquePtr<STACK_OF(X509)> chain(chain_stack);
  if (!opened) {
    error = password ? "cannot open the PKCS #12 file (wrong password?)"
                     : "cannot open the PKCS #12 file (it needs a password)";
    failure.needs_password = !password;
    return true;  // it is a PKCS #12 file; the error says why it cannot be read
  }
  if (key != nullptr) items.keys.emplace_back(key);
  if (certificate != nullptr) items.certificates.emplace_back(certificate);
  // The chain's certificates move to items; the stack that owned them is freed empty.
  while (chain != nullptr && sk_X509_num(chain.get()) > 0) items.chain.emplace_back(sk_X509_shift(chain.get()));
  if (certificate == nullptr && key == nullptr && items.chain.empty()) error = "the PKCS #12 file is empty";
  return true;
}

bool IsKeyLabel(std::string_view label) { return label.find("PRIVATE KEY") != std::string_view::npos; }

bool ReadPem(const std::string& bytes, const std::optional<std::string>& password, ImportItems& items,
             ReadFailure& failure) {
  std::string& error = failure.reason;
  int blocks = 0;
  const PemEnd end = ForEachPemBlock(bytes, [&](const PemBlock& block) {
    ++blocks;
    if (block.label == "CERTIFICATE" || block.label == "X509 CERTIFICATE") {
      auto certificate = CertificateFromDer(block.der, static_cast<size_t>(block.size));
      if (certificate) items.certificates.push_back(std::move(certificate));
      else error = "a CERTIFICATE block is not a certificate";
    } else if (IsKeyLabel(block.label)) {
      // Handed to the decoder as PEM again: encrypted traditional keys keep their headers.
      const std::string label(block.label), header(block.header);
      ossl::UniquePtr<BIO> pem_block(BIO_new(BIO_s_mem()));
      PEM_write_bio(pem_block.get(), label.c_str(), header.c_str(), block.der, block.size);
      char* pem = nullptr;
      const long pem_length = BIO_get_mem_data(pem_block.get(), &pem);
      auto key = KeyFrom(reinterpret_cast<unsigned char*>(pem), static_cast<size_t>(pem_length), "PEM", password);
      if (key) {
        items.keys.push_back(std::move(key));
      } else {
        error = password ? "cannot read the private key (wrong password?)"
                         : "cannot read the private key (encrypted? it needs a password)";
        failure.needs_password = !password && (block.label == "ENCRYPTED PRIVATE KEY" ||
                                               block.header.find("ENCRYPTED") != std::string_view::npos);
      }
    } else {
      error = "unsupported PEM block \"" + std::string(block.label) + "\"";
    }
    return error.empty();
  });
  if (end == PemEnd::kMalformed) error = "malformed PEM data";
  else if (end == PemEnd::kEnd && blocks == 0) error = "no PEM data";
  return error.empty();
}

// The reading itself; false with the reason in `error`.
bool ReadItems(const std::string& bytes, const std::optional<std::string>& password,
               ImportItems& items, ReadFailure& failure) {
  const ossl::ErrorQueueMark mark;  // whatever is queued inside a read is dropped
  std::string& error = failure.reason;
  if (bytes.find("-----BEGIN ") != std::string::npos) return ReadPem(bytes, password, items, failure);
  if (auto certificate = CertificateFromDer(Bytes(bytes), bytes.size())) {
    items.certificates.push_back(std::move(certificate));
    return true;
  }
  if (ReadPkcs12(bytes, password, items, failure)) return error.empty();
  if (auto key = KeyFrom(Bytes(bytes), bytes.size(), "DER", password)) {
    items.keys.push_back(std::move(key));
    return true;
  }
  error = "not a certificate, private key or PKCS #12 file";
  return false;
}

}  // namespace

Status ReadImportFile(const std::string& origin, const std::string& bytes,
                      const std::optional<std::string>& password, ImportItems& items) {
  ReadFailure failure;
  ImportItems read_here;
  if (!ReadItems(bytes, password, read_here, failure)) {
    return Status(failure.needs_password ? ERROR_INVALID_PASSWORD : CRYPT_E_ASN1_CORRUPT)
        .Because(origin + ": " + failure.reason);
  }
  auto move_all = [](auto& from, auto& to) {
    for (auto& item : from) to.push_back(std::move(item));
  };
  move_all(read_here.certificates, items.certificates);
  move_all(read_here.keys, items.keys);
  move_all(read_here.chain, items.chain);
  items.key_origins.resize(items.keys.size(), origin);
  return Status();
}

}  // namespace corvane::platform
