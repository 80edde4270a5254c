// CertCompareIntegerBlob: two little-endian signed integers are equal when their significant
// bytes are. Redundant sign bytes at the most significant end (a 0x00 above a byte <= 0x7F, a
// 0xFF above a byte >= 0x80) do not count, so 0x12AB equals 0x0012AB.
#include "platform/posix/platform_call.h"

namespace {

DWORD SignificantBytes(const CRYPT_INTEGER_BLOB& blob) {
  DWORD size = blob.cbData;
  while (size > 1) {
    const BYTE top = blob.pbData[size - 1];
    const BYTE below = blob.pbData[size - 2];
    if ((top == 0x00 && below <= 0x7F) || (top == 0xFF && below >= 0x80)) {
      --size;
    } else {
      break;
    }
  }
  return size;
}

bool IsValid(const CRYPT_INTEGER_BLOB* blob) {
  return blob != nullptr && (blob->cbData == 0 || blob->pbData != nullptr);
}

}  // namespace

extern "C" BOOL CertCompareIntegerBlob(PCRYPT_INTEGER_BLOB first, PCRYPT_INTEGER_BLOB second) {
  PLATFORM_ENTRY("CertCompareIntegerBlob");
  PLATFORM_ENSURE(IsValid(first) && IsValid(second), ERROR_INVALID_PARAMETER);
  const DWORD size = SignificantBytes(*first);
  if (size != SignificantBytes(*second)) return FALSE;
  for (DWORD i = 0; i < size; ++i) {
    if (first->pbData[i] != second->pbData[i]) return FALSE;
  }
  return TRUE;
}
