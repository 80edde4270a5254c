#include "openssl_peer.h"

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/provider.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>
#include <vector>

#include "bench_home.h"

namespace corvane::bench {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("OpenSSL peer: ") + what);
}

ossl::UniquePtr<BIO> MemoryOf(const std::string& bytes) {
  return ossl::UniquePtr<BIO>(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
}

std::string Contents(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<size_t>(size));
}

// Line-broken Base64 of a PKCS #7 structure, through OpenSSL's streaming encoder.
std::string TextOf(PKCS7* message) {
  unsigned char* der = nullptr;
  const int der_length = i2d_PKCS7(message, &der);
  Check(der_length > 0, "i2d_PKCS7");
  std::string text(static_cast<size_t>(der_length / 48 + 2) * 65 + 1, '\0');
  const ossl::UniquePtr<EVP_ENCODE_CTX> context(EVP_ENCODE_CTX_new());
  EVP_EncodeInit(context.get());
  int written = 0;
  int last = 0;
  auto* out = reinterpret_cast<unsigned char*>(text.data());
  EVP_EncodeUpdate(context.get(), out, &written, der, der_length);
  EVP_EncodeFinal(context.get(), out + written, &last);
  OPENSSL_free(der);
  text.resize(static_cast<size_t>(written + last));
  return text;
}

ossl::UniquePtr<PKCS7> MessageOf(const std::string& text) {
  std::string der(text.size(), '\0');
  const ossl::UniquePtr<EVP_ENCODE_CTX> context(EVP_ENCODE_CTX_new());
  EVP_DecodeInit(context.get());
  int written = 0;
  int last = 0;
  auto* out = reinterpret_cast<unsigned char*>(der.data());
  const int result = EVP_DecodeUpdate(context.get(), out, &written,
                                      reinterpret_cast<const unsigned char*>(text.data()),
                                      static_cast<int>(text.size()));
  Check(result >= 0 && EVP_DecodeFinal(context.get(), out + written, &last) == 1, "Base64");
  const unsigned char* read = out;
  ossl::UniquePtr<PKCS7> message(d2i_PKCS7(nullptr, &read, written + last));
  Check(message != nullptr, "d2i_PKCS7");
  return message;
}

// The signer's certificate found as the exports find it, from the serial number's text and the
// fixed issuer, in each of `stores` in turn.
X509* FindBySerialText(X509* signer, std::initializer_list<STACK_OF(X509)*> stores) {
  BIGNUM* number = nullptr;
  Check(BN_hex2bn(&number, kSignerSerial) > 0, "serial number");
  const ossl::UniquePtr<BIGNUM> owned_number(number);
  const ossl::UniquePtr<ASN1_INTEGER> serial(BN_to_ASN1_INTEGER(number, nullptr));
  for (STACK_OF(X509)* store : stores) {
    X509* found = X509_find_by_issuer_and_serial(store, X509_get_issuer_name(signer), serial.get());
    if (found != nullptr) return found;
  }
  throw std::runtime_error("OpenSSL peer: no certificate of the serial number");
}

// RC4 comes from the legacy provider, which the default library context does not load.
const bool kProvidersLoaded = OSSL_PROVIDER_load(nullptr, "legacy") != nullptr &&
                              OSSL_PROVIDER_load(nullptr, "default") != nullptr;

// The certificates in the order the store lists them, ascending thumbprint (the SHA-1 of the
// DER), each with a reference of its own: a search walks them as far as the store's would.
ossl::UniquePtr<STACK_OF(X509)> CertificatesOf(STACK_OF(X509)* certificates) {
  std::vector<std::pair<std::array<unsigned char, EVP_MAX_MD_SIZE>, X509*>> ordered;
  for (int index = 0; index < sk_X509_num(certificates); ++index) {
    X509* certificate = sk_X509_value(certificates, index);
    std::array<unsigned char, EVP_MAX_MD_SIZE> thumbprint{};
    unsigned int length = 0;
    Check(X509_digest(certificate, EVP_sha1(), thumbprint.data(), &length) == 1, "thumbprint");
    ordered.emplace_back(thumbprint, certificate);
  }
  std::sort(ordered.begin(), ordered.end());
  ossl::UniquePtr<STACK_OF(X509)> listed(sk_X509_new_null());
  for (const auto& [thumbprint, certificate] : ordered) {
    X509_up_ref(certificate);
    sk_X509_push(listed.get(), certificate);
  }
  return listed;
}

ossl::UniquePtr<BIO> FileSource(const std::filesystem::path& path) {
  ossl::UniquePtr<BIO> file(BIO_new_file(path.c_str(), "r"));
  Check(file != nullptr, "cannot read a PEM file");
  return file;
}

}  // namespace

OpensslPeer::OpensslPeer(X509* signer, EVP_PKEY* key, STACK_OF(X509)* my, STACK_OF(X509)* ca,
                         STACK_OF(X509)* root, const std::filesystem::path& trusted_folder)
    : my_(CertificatesOf(my)), ca_(CertificatesOf(ca)), root_(CertificatesOf(root)),
      trusted_(X509_STORE_new()) {
  Check(kProvidersLoaded, "providers");
  X509_up_ref(signer);
  signer_.reset(signer);
  EVP_PKEY_up_ref(key);
  key_.reset(key);
  X509_LOOKUP* lookup = X509_STORE_add_lookup(trusted_.get(), X509_LOOKUP_hash_dir());
  Check(lookup != nullptr &&
            X509_LOOKUP_add_dir(lookup, trusted_folder.c_str(), X509_FILETYPE_PEM) == 1,
        "hashed directory");
}

OpensslPeer OpensslPeer::FromFiles(const std::filesystem::path& signer,
                                   const std::filesystem::path& key,
                                   const std::filesystem::path& trusted_folder) {
  const ossl::UniquePtr<X509> certificate(
      PEM_read_bio_X509(FileSource(signer).get(), nullptr, nullptr, nullptr));
  const ossl::UniquePtr<EVP_PKEY> private_key(
      PEM_read_bio_PrivateKey(FileSource(key).get(), nullptr, nullptr, nullptr));
  Check(certificate != nullptr && private_key != nullptr, "PEM");
  const ossl::UniquePtr<STACK_OF(X509)> mine(sk_X509_new_null());
  sk_X509_push(mine.get(), certificate.get());
  X509_up_ref(certificate.get());
  return OpensslPeer(certificate.get(), private_key.get(), mine.get(), mine.get(), nullptr,
                     trusted_folder);
}

std::string OpensslPeer::Run(Operation operation, const std::string& input, bool lookup) const {
  switch (operation) {
    case Operation::kSign:
      return Sign(input, lookup);
    case Operation::kVerify:
      return Verify(input);
    case Operation::kEnvelope:
      return Envelope(input, lookup);
    case Operation::kOpen:
      return Open(input, lookup);
  }
  return {};
}

std::string OpensslPeer::InputFor(Operation operation, const std::string& data) const {
  if (operation == Operation::kVerify) return Sign(data, false);
  if (operation == Operation::kOpen) return Envelope(data, false);
  return data;
}

std::string OpensslPeer::Sign(const std::string& data, bool lookup) const {
  X509* signer = lookup ? FindBySerialText(signer_.get(), {my_.get()}) : signer_.get();
  // SHA-1 as the export signs (PKCS7_sign alone would pick SHA-256), without attributes.
  const int flags = PKCS7_BINARY | PKCS7_NOATTR | PKCS7_PARTIAL;
  const auto in = MemoryOf(data);
  ossl::UniquePtr<PKCS7> message(PKCS7_sign(nullptr, nullptr, nullptr, nullptr, flags));
  Check(message != nullptr &&
            PKCS7_sign_add_signer(message.get(), signer, key_.get(), EVP_sha1(), flags) != nullptr &&
            PKCS7_final(message.get(), in.get(), flags) == 1,
        "PKCS7_sign");
  return TextOf(message.get());
}

std::string OpensslPeer::Verify(const std::string& text) const {
  const auto message = MessageOf(text);
  ossl::UniquePtr<BIO> out(BIO_new(BIO_s_mem()));
  Check(PKCS7_verify(message.get(), nullptr, trusted_.get(), nullptr, out.get(), PKCS7_BINARY) == 1,
        "PKCS7_verify");
  return Contents(out.get());
}

std::string OpensslPeer::Envelope(const std::string& data, bool lookup) const {
  X509* recipient =
      lookup ? FindBySerialText(signer_.get(), {ca_.get(), root_.get()}) : signer_.get();
  const auto in = MemoryOf(data);
  const ossl::UniquePtr<STACK_OF(X509)> recipients(sk_X509_new_null());
  X509_up_ref(recipient);
  sk_X509_push(recipients.get(), recipient);
  ossl::UniquePtr<PKCS7> message(PKCS7_encrypt(recipients.get(), in.get(), EVP_rc4(), PKCS7_BINARY));
  Check(message != nullptr, "PKCS7_encrypt");
  return TextOf(message.get());
}

std::string OpensslPeer::Open(const std::string& text, bool lookup) const {
  const auto message = MessageOf(text);
  X509* recipient = signer_.get();
  if (lookup) {
    const PKCS7_RECIP_INFO* info =
        sk_PKCS7_RECIP_INFO_value(message->d.enveloped->recipientinfo, 0);
    recipient = X509_find_by_issuer_and_serial(my_.get(), info->issuer_and_serial->issuer,
                                               info->issuer_and_serial->serial);
    Check(recipient != nullptr, "no certificate of the recipient");
  }
  ossl::UniquePtr<BIO> out(BIO_new(BIO_s_mem()));
  Check(PKCS7_decrypt(message.get(), key_.get(), recipient, out.get(), PKCS7_BINARY) == 1,
        "PKCS7_decrypt");
  return Contents(out.get());
}

}  // namespace corvane::bench
