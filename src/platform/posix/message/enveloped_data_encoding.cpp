#include "platform/posix/message/enveloped_data_encoding.h"

#include "platform/posix/message/pkcs7_bytes.h"

namespace corvane::platform {

std::optional<std::vector<uint8_t>> EncodeEnvelopedData(const EnvelopedDataInput& input) {
  ossl::UniquePtr<PKCS7> message(PKCS7_new_ex(ossl::LibraryContext(), ossl::kNoProperties));
  if (!message || PKCS7_set_type(message.get(), NID_pkcs7_enveloped) != 1 ||
      PKCS7_set_cipher(message.get(), input.cipher) != 1) {
    return std::nullopt;
  }
  for (X509* recipient : input.recipients) {
    if (PKCS7_add_recipient(message.get(), recipient) == nullptr) return std::nullopt;
  }
  // Binary content as it is, without MIME canonicalisation.
  const ossl::UniquePtr<BIO> content = ContentSource(input.content, input.content_size);
  if (!content || PKCS7_final(message.get(), content.get(), PKCS7_BINARY) != 1) {
    return std::nullopt;
  }

  return Pkcs7Der(message.get());
}

}  // namespace corvane::platform
