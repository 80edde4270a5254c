#include "platform/posix/message/enveloped_data_encoding.h"

#include "platform/posix/message/key_checks.h"
#include "platform/posix/message/pkcs7_bytes.h"

namespace corvane::platform {

namespace {

// The largest block of the content ciphers a policy can name (AES's; RC4 has none): CBC padding
// adds at most one block.
constexpr uint64_t kLargestCipherBlock = 16;

// An AES key wrap of the largest content key: 32 bytes and the 8 of the integrity check.
constexpr uint64_t kWrappedKeyBound = 40;

// The DER length of one recipient's info; 0 when it cannot be measured.
uint64_t RecipientInfoBound(X509* recipient) {
  EVP_PKEY* key = X509_get0_pubkey(recipient);
  const size_t recipient_id = IssuerAndSerialSize(recipient);
  if (key == nullptr || recipient_id == 0) return 0;
  if (IsKeyAgreementKey(*key)) {
    // KeyAgreeRecipientInfo: version, [0] { [1] the ephemeral public key, shaped as the
    // recipient's SubjectPublicKeyInfo }, key encryption algorithm { KDF scheme, wrap algorithm },
    // SEQUENCE OF { issuer and serial, wrapped key }.
    const int public_key = i2d_PUBKEY(key, nullptr);
    if (public_key <= 0) return 0;
    return 6 * kDerHeaderBound + kVersionSize + static_cast<uint64_t>(public_key) +
           2 * kAlgorithmIdentifierBound + recipient_id + kWrappedKeyBound;
  }
  const int wrapped_key = EVP_PKEY_get_size(key);
  if (wrapped_key <= 0) return 0;
  // KeyTransRecipientInfo: version, issuer and serial, key transport algorithm, wrapped key.
  return kDerHeaderBound + kVersionSize + recipient_id + kAlgorithmIdentifierBound +
         kDerHeaderBound + static_cast<uint64_t>(wrapped_key);
}

}  // namespace

uint64_t EnvelopedDataSizeBound(const EnvelopedDataInput& input) {
  uint64_t recipient_infos = kDerHeaderBound;  // SET OF RecipientInfo
  for (X509* recipient : input.recipients) {
    const uint64_t info = RecipientInfoBound(recipient);
    if (info == 0) return 0;
    recipient_infos += info;
  }
  // EncryptedContentInfo { data, algorithm, [0] IMPLICIT encrypted content (padded to a block) }.
  const uint64_t content_info = kDerHeaderBound + kObjectIdentifierBound +
                                kAlgorithmIdentifierBound + kDerHeaderBound + input.content_size +
                                kLargestCipherBlock;
  const uint64_t enveloped_data = kDerHeaderBound + kVersionSize + recipient_infos + content_info;
  // ContentInfo { envelopedData, [0] EXPLICIT EnvelopedData }.
  return kDerHeaderBound + kObjectIdentifierBound + kDerHeaderBound + enveloped_data;
}

}  // namespace corvane::platform
