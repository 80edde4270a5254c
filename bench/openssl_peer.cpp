#include "openssl_peer.h"

#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/provider.h>

#include <stdexcept>

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
  EVP_ENCODE_CTX* context = EVP_ENCODE_CTX_new();
  EVP_EncodeInit(context);
  int written = 0;
  int last = 0;
  auto* out = reinterpret_cast<unsigned char*>(text.data());
  EVP_EncodeUpdate(context, out, &written, der, der_length);
  EVP_EncodeFinal(context, out + written, &last);
  EVP_ENCODE_CTX_free(context);
  OPENSSL_free(der);
  text.resize(static_cast<size_t>(written + last));
  return text;
}

ossl::UniquePtr<PKCS7> MessageOf(const std::string& text) {
  std::string der(text.size(), '\0');
  EVP_ENCODE_CTX* context = EVP_ENCODE_CTX_new();
  EVP_DecodeInit(context);
  int written = 0;
  int last = 0;
  auto* out = reinterpret_cast<unsigned char*>(der.data());
  const int result = EVP_DecodeUpdate(context, out, &written,
                                      reinterpret_cast<const unsigned char*>(text.data()),
                                      static_cast<int>(text.size()));
  Check(result >= 0 && EVP_DecodeFinal(context, out + written, &last) == 1, "Base64");
  EVP_ENCODE_CTX_free(context);
  const unsigned char* read = out;
  ossl::UniquePtr<PKCS7> message(d2i_PKCS7(nullptr, &read, written + last));
  Check(message != nullptr, "d2i_PKCS7");
  return message;
}

// RC4 comes from the legacy provider, which the default library context does not load.
const bool kProvidersLoaded = OSSL_PROVIDER_load(nullptr, "legacy") != nullptr &&
                              OSSL_PROVIDER_load(nullptr, "default") != nullptr;

}  // namespace

OpensslPeer::OpensslPeer(X509* certificate, EVP_PKEY* key, X509* ca)
    : certificate_(certificate), key_(key), trusted_(X509_STORE_new()) {
  Check(kProvidersLoaded, "providers");
  X509_STORE_add_cert(trusted_.get(), ca);
}

std::string OpensslPeer::SignAttached(const std::string& data) const {
  // SHA-1 as the export signs (PKCS7_sign alone would pick SHA-256).
  const int flags = PKCS7_BINARY | PKCS7_NOSMIMECAP | PKCS7_PARTIAL;
  const auto in = MemoryOf(data);
  ossl::UniquePtr<PKCS7> message(PKCS7_sign(nullptr, nullptr, nullptr, nullptr, flags));
  Check(message != nullptr &&
            PKCS7_sign_add_signer(message.get(), certificate_, key_, EVP_sha1(), flags) != nullptr &&
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

std::string OpensslPeer::EnvelopeRc4(const std::string& data) const {
  const auto in = MemoryOf(data);
  STACK_OF(X509)* recipients = sk_X509_new_null();
  sk_X509_push(recipients, certificate_);
  ossl::UniquePtr<PKCS7> message(PKCS7_encrypt(recipients, in.get(), EVP_rc4(), PKCS7_BINARY));
  sk_X509_free(recipients);
  Check(message != nullptr, "PKCS7_encrypt");
  return TextOf(message.get());
}

std::string OpensslPeer::Open(const std::string& text) const {
  const auto message = MessageOf(text);
  ossl::UniquePtr<BIO> out(BIO_new(BIO_s_mem()));
  Check(PKCS7_decrypt(message.get(), key_, certificate_, out.get(), PKCS7_BINARY) == 1,
        "PKCS7_decrypt");
  return Contents(out.get());
}

}  // namespace corvane::bench
