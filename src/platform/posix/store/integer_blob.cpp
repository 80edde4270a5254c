// CertCompareIntegerBlob: two little-endian signed integers are equal when their significant
// bytes are (integer_blob.h).
#include "platform/posix/store/integer_blob.h"

#include "platform/posix/platform_call.h"

namespace corvane::platform {

std::string_view SignificantIntegerBytes(const CRYPT_INTEGER_BLOB& integer) {
  DWORD size = integer.cbData;
  while (size > 1) {
    const BYTE top = integer.pbData[size - 1];
    const BYTE below = integer.pbData[size - 2];
    if (!(top == 0x00 && below <= 0x7F) && !(top == 0xFF && below >= 0x80)) break;
    --size;
  }
  return {reinterpret_cast<const char*>(integer.pbData), size};
}

}  // namespace corvane::platform

namespace {

bool IsValid(const CRYPT_INTEGER_BLOB* blob) {
  return blob != nullptr && (blob->cbData == 0 || blob->pbData != nullptr);
}

}  // namespace

extern "C" BOOL CertCompareIntegerBlob(PCRYPT_INTEGER_BLOB first, PCRYPT_INTEGER_BLOB second) {
  PLATFORM_ENTRY("CertCompareIntegerBlob");
  PLATFORM_ENSURE(IsValid(first) && IsValid(second), ERROR_INVALID_PARAMETER);
  return corvane::platform::SignificantIntegerBytes(*first) == corvane::platform::SignificantIntegerBytes(*second)
             ? TRUE
             : FALSE;
}
