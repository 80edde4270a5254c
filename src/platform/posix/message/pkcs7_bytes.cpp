#include "platform/posix/message/pkcs7_bytes.h"

#include <climits>

namespace corvane::platform {

ossl::UniquePtr<BIO> ContentSource(const uint8_t* content, size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) return nullptr;
  return ossl::UniquePtr<BIO>(BIO_new_mem_buf(
      size == 0 ? "" : static_cast<const void*>(content), static_cast<int>(size)));
}

ossl::UniquePtr<CMS_ContentInfo> ReadCmsMessage(const BYTE* message, size_t size) {
  if (message == nullptr || size == 0 || size > static_cast<size_t>(INT_MAX)) return nullptr;
  CMS_ContentInfo* target = CMS_ContentInfo_new_ex(ossl::LibraryContext(), ossl::kNoProperties);
  if (target == nullptr) return nullptr;
  // Decoded from the bytes where they are, without reading a copy first; a failed decoding
  // frees `target` and sets it null.
  const unsigned char* cursor = message;
  d2i_CMS_ContentInfo(&target, &cursor, static_cast<long>(size));
  return ossl::UniquePtr<CMS_ContentInfo>(target);
}

namespace {

template <typename Message, typename Encode>
Status WriteDer(Message* message, Encode encode, BYTE* output, DWORD* size) {
  if (message == nullptr) return Status(CRYPT_E_MSG_ERROR);
  const int length = encode(message, nullptr);
  if (length <= 0) return Status(CRYPT_E_MSG_ERROR);
  const DWORD capacity = *size;
  *size = static_cast<DWORD>(length);
  if (capacity < static_cast<DWORD>(length)) return Status(ERROR_MORE_DATA);
  unsigned char* cursor = output;
  if (encode(message, &cursor) != length) return Status(CRYPT_E_MSG_ERROR);
  return Status();
}

}  // namespace

Status WriteMessageDer(PKCS7* message, BYTE* output, DWORD* size) {
  return WriteDer(message, i2d_PKCS7, output, size);
}

Status WriteMessageDer(CMS_ContentInfo* message, BYTE* output, DWORD* size) {
  return WriteDer(message, i2d_CMS_ContentInfo, output, size);
}

size_t IssuerAndSerialSize(X509* certificate) {
  const unsigned char* issuer = nullptr;
  size_t issuer_size = 0;
  const int serial_size = i2d_ASN1_INTEGER(X509_get0_serialNumber(certificate), nullptr);
  if (X509_NAME_get0_der(X509_get_issuer_name(certificate), &issuer, &issuer_size) != 1 ||
      serial_size <= 0) {
    return 0;
  }
  return kDerHeaderBound + issuer_size + static_cast<size_t>(serial_size);
}

}  // namespace corvane::platform
