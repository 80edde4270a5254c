#include "platform/posix/message/key_agreement_envelope.h"

#include <openssl/cms.h>

#include <string>

#include "platform/posix/message/pkcs7_bytes.h"

namespace corvane::platform {
namespace {

// The KDF digest that matches the curve's strength.
const char* KdfDigestFor(const EVP_PKEY& key) {
  const int bits = EVP_PKEY_get_bits(&key);
  return bits > 384 ? "SHA512" : bits > 256 ? "SHA384" : "SHA256";
}

bool ChooseKdfDigest(CMS_RecipientInfo* info, X509* recipient) {
  if (CMS_RecipientInfo_type(info) != CMS_RECIPINFO_AGREE) return true;
  const ossl::UniquePtr<EVP_MD> digest(EVP_MD_fetch(
      ossl::LibraryContext(), KdfDigestFor(*X509_get0_pubkey(recipient)), ossl::kNoProperties));
  EVP_PKEY_CTX* agreement = CMS_RecipientInfo_get0_pkey_ctx(info);
  return digest && agreement != nullptr &&
         EVP_PKEY_CTX_set_ecdh_kdf_md(agreement, digest.get()) == 1;
}

}  // namespace

ossl::UniquePtr<CMS_ContentInfo> MakeKeyAgreementEnvelope(const EnvelopedDataInput& input) {
  ossl::UniquePtr<CMS_ContentInfo> message(
      CMS_EnvelopedData_create_ex(input.cipher, ossl::LibraryContext(), ossl::kNoProperties));
  // The encrypted content goes inside the message.
  if (!message || CMS_set_detached(message.get(), 0) != 1) return nullptr;
  for (X509* recipient : input.recipients) {
    CMS_RecipientInfo* info = CMS_add1_recipient_cert(message.get(), recipient, 0);
    if (info == nullptr || !ChooseKdfDigest(info, recipient)) return nullptr;
  }
  const ossl::UniquePtr<BIO> content = ContentSource(input.content, input.content_size);
  if (!content || CMS_final(message.get(), content.get(), nullptr, CMS_BINARY) != 1) {
    return nullptr;
  }
  return message;
}

Status OpenKeyAgreementEnvelope(const uint8_t* message, size_t size, X509* certificate,
                                EVP_PKEY* private_key, std::vector<uint8_t>& content) {
  const ossl::ErrorQueueMark mark;
  const ossl::UniquePtr<CMS_ContentInfo> envelope = ReadCmsMessage(message, size);
  if (!envelope) return Status(CRYPT_E_OSS_ERROR);
  const ossl::UniquePtr<BIO> output(BIO_new(BIO_s_mem()));
  if (!output) return Status(NTE_NO_MEMORY);
  if (CMS_decrypt_set1_pkey_and_peer(envelope.get(), private_key, certificate, nullptr) != 1 ||
      CMS_decrypt(envelope.get(), nullptr, nullptr, nullptr, output.get(), CMS_BINARY) != 1) {
    return Status(NTE_BAD_DATA);
  }
  BUF_MEM* opened = nullptr;
  BIO_get_mem_ptr(output.get(), &opened);
  if (opened == nullptr) return Status(NTE_NO_MEMORY);
  content.assign(opened->data, opened->data + opened->length);
  return Status();
}

}  // namespace corvane::platform
