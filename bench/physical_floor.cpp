#include "physical_floor.h"

#include <openssl/rsa.h>
#include <openssl/sha.h>

#include <stdexcept>

#include "codec/base64.h"

namespace corvane::bench {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("physical floor: ") + what);
}

ossl::UniquePtr<EVP_PKEY_CTX> RsaContext(EVP_PKEY* key, int (*init)(EVP_PKEY_CTX*)) {
  ossl::UniquePtr<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new(key, nullptr));
  Check(context && init(context.get()) == 1 &&
            EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1,
        "RSA context");
  return context;
}

}  // namespace

PhysicalFloor::PhysicalFloor(EVP_PKEY* key, const std::string& data)
    : key_(key), data_(data), bytes_(data.size() + 512), signature_(512), wrapped_key_(512) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
  text_out_.resize(static_cast<size_t>(codec::EncodedBase64Length(int64_t(data.size()) + 512, 1)));
  int32_t length = 0;
  Check(codec::EncodeBase64(bytes, static_cast<int32_t>(data.size()), text_out_.data(), &length,
                            1) == codec::kBase64Done,
        "Base64");
  text_.assign(text_out_.data(), static_cast<size_t>(length));
  Sign();
  Envelope();
}

void PhysicalFloor::Run(Operation operation) {
  switch (operation) {
    case Operation::kSign:
      return Sign();
    case Operation::kVerify:
      return Verify();
    case Operation::kEnvelope:
      return Envelope();
    case Operation::kOpen:
      return Open();
  }
}

void PhysicalFloor::Encode(const uint8_t* bytes, size_t size) {
  int32_t length = 0;
  codec::EncodeBase64(bytes, static_cast<int32_t>(size), text_out_.data(), &length, 1);
}

void PhysicalFloor::Decode() {
  int32_t length = 0;
  codec::DecodeBase64(text_.data(), static_cast<int32_t>(text_.size()), bytes_.data(), &length);
}

void PhysicalFloor::Rc4(const uint8_t* in, size_t size, uint8_t* out) {
  const ossl::UniquePtr<EVP_CIPHER_CTX> context(EVP_CIPHER_CTX_new());
  int written = 0;
  Check(context && EVP_EncryptInit_ex2(context.get(), EVP_rc4(), content_key_, nullptr, nullptr) == 1 &&
            EVP_EncryptUpdate(context.get(), out, &written, in, static_cast<int>(size)) == 1,
        "RC4");
}

void PhysicalFloor::Sign() {
  uint8_t digest[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const uint8_t*>(data_.data()), data_.size(), digest);
  const auto context = RsaContext(key_, EVP_PKEY_sign_init);
  size_t size = signature_.size();
  Check(EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha1()) == 1 &&
            EVP_PKEY_sign(context.get(), signature_.data(), &size, digest, sizeof digest) == 1,
        "RSA signature");
  signature_.resize(size);
  Encode(reinterpret_cast<const uint8_t*>(data_.data()), data_.size());
  Encode(signature_.data(), signature_.size());
}

void PhysicalFloor::Verify() {
  Decode();
  uint8_t digest[SHA_DIGEST_LENGTH];
  SHA1(bytes_.data(), data_.size(), digest);
  const auto context = RsaContext(key_, EVP_PKEY_verify_init);
  Check(EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha1()) == 1 &&
            EVP_PKEY_verify(context.get(), signature_.data(), signature_.size(), digest,
                            sizeof digest) == 1,
        "RSA verification");
}

void PhysicalFloor::Envelope() {
  const auto context = RsaContext(key_, EVP_PKEY_encrypt_init);
  size_t size = 512;
  wrapped_key_.resize(size);
  Check(EVP_PKEY_encrypt(context.get(), wrapped_key_.data(), &size, content_key_,
                         sizeof content_key_) == 1,
        "RSA encryption");
  wrapped_key_.resize(size);
  Rc4(reinterpret_cast<const uint8_t*>(data_.data()), data_.size(), bytes_.data());
  Encode(bytes_.data(), data_.size());
}

void PhysicalFloor::Open() {
  Decode();
  const auto context = RsaContext(key_, EVP_PKEY_decrypt_init);
  uint8_t key[512];
  size_t size = sizeof key;
  Check(EVP_PKEY_decrypt(context.get(), key, &size, wrapped_key_.data(), wrapped_key_.size()) == 1,
        "RSA decryption");
  Rc4(bytes_.data(), data_.size(), bytes_.data());
}

}  // namespace corvane::bench
