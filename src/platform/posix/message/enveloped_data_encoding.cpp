#include "platform/posix/message/enveloped_data_encoding.h"

#include "platform/posix/message/pkcs7_bytes.h"

namespace corvane::platform {

ossl::UniquePtr<PKCS7> MakeEnvelopedData(const EnvelopedDataInput& input) {
  ossl::UniquePtr<PKCS7> message(PKCS7_new_ex(ossl::LibraryContext(), ossl::kNoProperties));
  if (!message || PKCS7_set_type(message.get(), NID_pkcs7_enveloped) != 1 ||
      PKCS7_set_cipher(message.get(), input.cipher) != 1) {
    return nullptr;
  }
  for (X509* recipient : input.recipients) {
    if (PKCS7_add_recipient(message.get(), recipient) == nullptr) return nullptr;
  }
  // Binary content as it is, without MIME canonicalisation.
  const ossl::UniquePtr<BIO> content = ContentSource(input.content, input.content_size);
  if (!content || PKCS7_final(message.get(), content.get(), PKCS7_BINARY) != 1) return nullptr;
  return message;
}

uint64_t EnvelopedDataSizeBound(const EnvelopedDataInput& input) {
  uint64_t recipient_infos = kDerHeaderBound;  // SET OF RecipientInfo
  for (X509* recipient : input.recipients) {
    const size_t recipient_id = IssuerAndSerialSize(recipient);
    const int wrapped_key = EVP_PKEY_get_size(X509_get0_pubkey(recipient));
    if (recipient_id == 0 || wrapped_key <= 0) return 0;
    // RecipientInfo: version, issuer and serial, key transport algorithm, wrapped key.
    recipient_infos += kDerHeaderBound + kVersionSize + recipient_id + kAlgorithmIdentifierBound +
                       kDerHeaderBound + static_cast<uint64_t>(wrapped_key);
  }
  const int block = EVP_CIPHER_get_block_size(input.cipher);
  if (block <= 0) return 0;
  // EncryptedContentInfo { data, algorithm, [0] IMPLICIT encrypted content (padded to a block) }.
  const uint64_t content_info = kDerHeaderBound + kObjectIdentifierBound +
                                kAlgorithmIdentifierBound + kDerHeaderBound + input.content_size +
                                static_cast<uint64_t>(block);
  const uint64_t enveloped_data = kDerHeaderBound + kVersionSize + recipient_infos + content_info;
  // ContentInfo { envelopedData, [0] EXPLICIT EnvelopedData }.
  return kDerHeaderBound + kObjectIdentifierBound + kDerHeaderBound + enveloped_data;
}

}  // namespace corvane::platform
