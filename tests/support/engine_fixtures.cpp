#include "support/engine_fixtures.h"

#include <gtest/gtest.h>
#include <openssl/provider.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>

#include <stdexcept>


namespace corvane::testing {
namespace {

void Require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("engine fixture: ") + what);
}

std::string LengthOctets(size_t length) {
  if (length < 0x80) return std::string(1, static_cast<char>(length));
  std::string octets;
  for (size_t rest = length; rest != 0; rest >>= 8) {
    octets.insert(octets.begin(), static_cast<char>(rest & 0xff));
  }
  return static_cast<char>(0x80 | octets.size()) + octets;
}

OSSL_LIB_CTX* TestCipherContext() {
  static OSSL_LIB_CTX* context = [] {
    OSSL_LIB_CTX* created = OSSL_LIB_CTX_new();
    OSSL_PROVIDER_load(created, "default");
    OSSL_PROVIDER_load(created, "legacy");
    return created;
  }();
  return context;
}

std::string RsaWrap(X509* recipient, const std::string& key) {
  EVP_PKEY* public_key = X509_get0_pubkey(recipient);
  ossl::UniquePtr<EVP_PKEY_CTX> context(
      EVP_PKEY_CTX_new_from_pkey(TestCipherContext(), public_key, nullptr));
  Require(context && EVP_PKEY_encrypt_init(context.get()) == 1 &&
              EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1,
          "RSA encrypt init");
  size_t size = 0;
  const auto* in = reinterpret_cast<const unsigned char*>(key.data());
  Require(EVP_PKEY_encrypt(context.get(), nullptr, &size, in, key.size()) == 1, "RSA size");
  std::string wrapped(size, '\0');
  Require(EVP_PKEY_encrypt(context.get(), reinterpret_cast<unsigned char*>(wrapped.data()), &size,
                           in, key.size()) == 1,
          "RSA encrypt");
  wrapped.resize(size);
  return wrapped;
}

// Two passes as the library's callers make them; `call` takes (buffer, size pointer).
template <typename Call>
MessageCallResult CallTwice(Call call) {
  MessageCallResult result;
  DWORD size = 0;
  if (!call(nullptr, &size)) {
    result.error = GetLastError();
    return result;
  }
  result.size_pass = size;
  std::vector<BYTE> buffer(size + 1, 0);
  if (!call(buffer.data(), &size)) {
    result.error = GetLastError();
    return result;
  }
  result.ok = true;
  result.output.assign(reinterpret_cast<char*>(buffer.data()), size);
  return result;
}

}  // namespace

PersonalStore::PersonalStore(const std::vector<const Party*>& with_keys,
                             const std::vector<const Party*>& without_keys) {
  for (const Party* party : with_keys) {
    InstallCertificate(home_.root(), "MY", party->certificate.get(), party->key.get());
  }
  for (const Party* party : without_keys) {
    InstallCertificate(home_.root(), "MY", party->certificate.get());
  }
  store_ = CertOpenSystemStoreA(0, "MY");
  Require(store_ != nullptr, "CertOpenSystemStoreA(MY)");
}

PersonalStore::~PersonalStore() { CertCloseStore(store_, 0); }

PCCERT_CONTEXT PersonalStore::ContextOf(X509* certificate) const {
  const std::string der = DerOf(certificate);
  PCCERT_CONTEXT context = nullptr;
  while ((context = CertEnumCertificatesInStore(store_, context)) != nullptr) {
    if (std::string(reinterpret_cast<const char*>(context->pbCertEncoded),
                    context->cbCertEncoded) == der) {
      return context;
    }
  }
  return nullptr;
}

MessageCallResult DecryptWithStore(HCERTSTORE store, const std::string& message) {
  CRYPT_DECRYPT_MESSAGE_PARA parameters{};
  parameters.cbSize = offsetof(CRYPT_DECRYPT_MESSAGE_PARA, dwFlags);
  parameters.dwMsgAndCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  parameters.cCertStore = 1;
  parameters.rghCertStore = &store;
  return CallTwice([&](BYTE* out, DWORD* size) {
    return CryptDecryptMessage(&parameters, reinterpret_cast<const BYTE*>(message.data()),
                               static_cast<DWORD>(message.size()), out, size, nullptr);
  });
}

CRYPT_SIGN_MESSAGE_PARA SignParameters(PCCERT_CONTEXT signer, const char* hash_oid,
                                       const PCCERT_CONTEXT* certificates, DWORD count) {
  CRYPT_SIGN_MESSAGE_PARA parameters{};
  parameters.cbSize = offsetof(CRYPT_SIGN_MESSAGE_PARA, HashEncryptionAlgorithm);
  parameters.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  parameters.pSigningCert = signer;
  parameters.HashAlgorithm.pszObjId = const_cast<LPSTR>(hash_oid);
  parameters.cMsgCert = count;
  parameters.rgpMsgCert = const_cast<PCCERT_CONTEXT*>(certificates);
  return parameters;
}

MessageCallResult SignWithCertificate(PCCERT_CONTEXT signer, const std::string& content,
                                      bool detached, const char* hash_oid) {
  CRYPT_SIGN_MESSAGE_PARA parameters = SignParameters(signer, hash_oid, &signer, 1);
  const BYTE* contents[] = {reinterpret_cast<const BYTE*>(content.data())};
  DWORD sizes[] = {static_cast<DWORD>(content.size())};
  return CallTwice([&](BYTE* out, DWORD* size) {
    return CryptSignMessage(&parameters, detached, 1, contents, sizes, out, size);
  });
}

std::string Tlv(unsigned char tag, const std::string& content) {
  return static_cast<char>(tag) + LengthOctets(content.size()) + content;
}

std::string IndefiniteTlv(unsigned char tag, const std::string& content) {
  return std::string{static_cast<char>(tag), '\x80'} + content + std::string(2, '\0');
}

std::string OidTlv(const char* dotted) {
  ossl::UniquePtr<ASN1_OBJECT> object(OBJ_txt2obj(dotted, 1));
  Require(object != nullptr, "OID");
  return ossl::DerOf(object.get(), i2d_ASN1_OBJECT);
}

std::string OctetStringTlv(const std::string& value) { return Tlv(0x04, value); }

std::string BuildEnvelope(const HandMadeEnvelope& envelope) {
  const auto constructed = [&](unsigned char tag, const std::string& content) {
    return envelope.indefinite ? IndefiniteTlv(tag, content) : Tlv(tag, content);
  };
  std::string recipient_infos;
  if (envelope.key_encryption_key_first) {
    // [2] KEKRecipientInfo { version 4, kekid { keyIdentifier }, AES key wrap, encryptedKey }
    recipient_infos += Tlv(0xA2, Tlv(0x02, "\4") + Tlv(0x30, OctetStringTlv("kek")) +
                                     Tlv(0x30, OidTlv("2.16.840.1.101.3.4.1.5")) +
                                     OctetStringTlv(std::string(24, 'w')));
  }
  for (X509* recipient : envelope.recipients) {
    std::string identifier;
    if (envelope.by_key_identifier) {
      unsigned char digest[SHA_DIGEST_LENGTH];
      const ASN1_BIT_STRING* key_bits = X509_get0_pubkey_bitstr(recipient);
      SHA1(ASN1_STRING_get0_data(key_bits), static_cast<size_t>(ASN1_STRING_length(key_bits)),
           digest);
      identifier = Tlv(0x80, std::string(reinterpret_cast<char*>(digest), sizeof digest));
    } else {
      identifier = Tlv(
          0x30, NameDer(X509_get_issuer_name(recipient)) +
                    ossl::DerOf(X509_get0_serialNumber(recipient), i2d_ASN1_INTEGER));
    }
    std::string wrapped = RsaWrap(recipient, envelope.content_key);
    if (envelope.corrupt_wrapped_key) wrapped[wrapped.size() / 2] ^= 0x10;
    recipient_infos += constructed(
        0x30, Tlv(0x02, std::string(1, envelope.by_key_identifier ? '\2' : '\0')) + identifier +
                  Tlv(0x30, OidTlv(envelope.key_transport) + kNullTlv) +
                  OctetStringTlv(wrapped));
  }
  std::string encrypted_content;
  if (envelope.piece_size == 0) {
    encrypted_content = Tlv(0x80, envelope.ciphertext);
  } else {
    std::string pieces;
    for (size_t at = 0; at < envelope.ciphertext.size(); at += envelope.piece_size) {
      pieces += OctetStringTlv(envelope.ciphertext.substr(at, envelope.piece_size));
    }
    encrypted_content = constructed(0xA0, pieces);
  }
  const std::string algorithm =
      Tlv(0x30, OidTlv(envelope.content_algorithm) + envelope.parameters.value_or(""));
  const std::string encrypted_content_info =
      constructed(0x30, OidTlv("1.2.840.113549.1.7.1") + algorithm + encrypted_content);
  const std::string enveloped_data = constructed(
      0x30, Tlv(0x02, std::string(1, '\0')) + constructed(0x31, recipient_infos) +
                encrypted_content_info);
  return constructed(0x30, OidTlv("1.2.840.113549.1.7.3") + constructed(0xA0, enveloped_data));
}

std::string EncryptWithCipher(const char* cipher_name, const std::string& key,
                              const std::string& iv, const std::string& plain) {
  ossl::UniquePtr<EVP_CIPHER> cipher(EVP_CIPHER_fetch(TestCipherContext(), cipher_name, nullptr));
  ossl::UniquePtr<EVP_CIPHER_CTX> context(EVP_CIPHER_CTX_new());
  Require(cipher && context &&
              EVP_EncryptInit_ex2(context.get(), cipher.get(), nullptr, nullptr, nullptr) == 1 &&
              EVP_CIPHER_CTX_set_key_length(context.get(), static_cast<int>(key.size())) == 1 &&
              EVP_EncryptInit_ex2(context.get(), nullptr,
                                  reinterpret_cast<const unsigned char*>(key.data()),
                                  iv.empty() ? nullptr
                                             : reinterpret_cast<const unsigned char*>(iv.data()),
                                  nullptr) == 1,
          "cipher init");
  std::string out(plain.size() + 32, '\0');
  int written = 0;
  int final_written = 0;
  auto* buffer = reinterpret_cast<unsigned char*>(out.data());
  Require(EVP_EncryptUpdate(context.get(), buffer, &written,
                            reinterpret_cast<const unsigned char*>(plain.data()),
                            static_cast<int>(plain.size())) == 1 &&
              EVP_EncryptFinal_ex(context.get(), buffer + written, &final_written) == 1,
          "encrypt");
  out.resize(static_cast<size_t>(written + final_written));
  return out;
}

}  // namespace corvane::testing
