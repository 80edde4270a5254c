#include "platform/posix/message/content_key.h"

#include <openssl/core_names.h>
#include <openssl/params.h>
#include <openssl/rsa.h>

#include "platform/posix/message/unsupported_algorithm.h"

namespace corvane::platform {

std::string WrapContentKey(EVP_PKEY* public_key, const SecretBytes& content_key) {
  if (public_key == nullptr) return {};
  const ossl::UniquePtr<EVP_PKEY_CTX> context(
      EVP_PKEY_CTX_new_from_pkey(ossl::LibraryContext(), public_key, ossl::kNoProperties));
  size_t size = 0;
  if (!context || EVP_PKEY_encrypt_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1 ||
      EVP_PKEY_encrypt(context.get(), nullptr, &size, content_key.data(), content_key.size()) != 1) {
    return {};
  }
  std::string wrapped(size, '\0');
  if (EVP_PKEY_encrypt(context.get(), reinterpret_cast<unsigned char*>(wrapped.data()), &size,
                       content_key.data(), content_key.size()) != 1) {
    return {};
  }
  wrapped.resize(size);
  return wrapped;
}

Status UnwrapContentKey(EVP_PKEY* private_key, const EnvelopeRecipient& recipient,
                       SecretBytes& content_key) {
  if (recipient.key_encryption.oid != kRsaEncryptionOid) {
    return UnsupportedAlgorithm("the envelope's key transport", recipient.key_encryption.oid,
                                CRYPT_E_UNKNOWN_ALGO);
  }
  ossl::UniquePtr<EVP_PKEY_CTX> context(
      EVP_PKEY_CTX_new_from_pkey(ossl::LibraryContext(), private_key, ossl::kNoProperties));
  if (!context || EVP_PKEY_decrypt_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1) {
    return Status(NTE_BAD_DATA);
  }
  // OpenSSL 3.2 and later answer a key that does not unwrap with a random one ("implicit
  // rejection"), which would open an RC4 envelope to garbage without an error. Ask for the error
  // instead, as the platform reports it; earlier versions do not know the setting (the result is
  // not checked) and report the error anyway.
  unsigned int implicit_rejection = 0;
  OSSL_PARAM no_implicit_rejection[] = {
      OSSL_PARAM_construct_uint("implicit-rejection", &implicit_rejection), OSSL_PARAM_construct_end()};
  EVP_PKEY_CTX_set_params(context.get(), no_implicit_rejection);
  size_t size = 0;
  if (EVP_PKEY_decrypt(context.get(), nullptr, &size, recipient.encrypted_key.data(),
                       recipient.encrypted_key.size()) != 1) {
    return Status(NTE_BAD_DATA);
  }
  std::vector<uint8_t> key(size);
  const int decrypted = EVP_PKEY_decrypt(context.get(), key.data(), &size,
                                         recipient.encrypted_key.data(),
                                         recipient.encrypted_key.size());
  key.resize(decrypted == 1 ? size : 0);
  SecretBytes unwrapped(std::move(key));
  if (decrypted != 1 || unwrapped.size() == 0) return Status(NTE_BAD_DATA);
  content_key = std::move(unwrapped);
  return Status();
}

}  // namespace corvane::platform
