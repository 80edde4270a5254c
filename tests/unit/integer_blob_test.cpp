// CertCompareIntegerBlob: equal integers compare equal whatever redundant sign bytes they carry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

// Blobs written most significant byte first (as one reads a number); the test reverses them
// into the platform's least-significant-first order.
struct BlobCase {
  std::vector<BYTE> first;
  std::vector<BYTE> second;
  bool equal;
};

CRYPT_INTEGER_BLOB LittleEndian(const std::vector<BYTE>& big_endian, std::vector<BYTE>& storage) {
  storage.assign(big_endian.rbegin(), big_endian.rend());
  return CRYPT_INTEGER_BLOB{static_cast<DWORD>(storage.size()), storage.empty() ? nullptr : storage.data()};
}

TEST(IntegerBlobTest, ComparesIntegerValues) {
  const std::vector<BlobCase> cases = {
      {{0x12, 0xAB}, {0x12, 0xAB}, true},
      {{0x12, 0xAB}, {0x00, 0x12, 0xAB}, true},          // redundant positive sign byte
      {{0x12, 0xAB}, {0x00, 0x00, 0x00, 0x12, 0xAB}, true},
      {{0x00, 0x80}, {0x80}, false},                     // 0x80 alone is -128, not 128
      {{0x00, 0x80}, {0x00, 0x00, 0x80}, true},
      {{0xFF, 0x80}, {0x80}, true},                      // redundant negative sign byte
      {{0xFF, 0xFF, 0x80}, {0x80}, true},
      {{0xFF, 0x7F}, {0x7F}, false},                     // 0xFF is significant above 0x7F
      {{0x00, 0xFF}, {0xFF}, false},
      {{0x12, 0xAB}, {0x12, 0xAC}, false},
      {{0x12, 0xAB}, {0x12, 0xAB, 0x00}, false},         // trailing zero bytes are value bytes
      {{0x00}, {0x00, 0x00}, true},
      {{0xFF}, {0xFF, 0xFF}, true},
      {{0x00}, {0xFF}, false},
      {{}, {}, true},
      {{}, {0x00}, false},                               // as on Windows: no bytes is not zero
  };
  for (const BlobCase& test : cases) {
    std::vector<BYTE> a, b;
    CRYPT_INTEGER_BLOB first = LittleEndian(test.first, a);
    CRYPT_INTEGER_BLOB second = LittleEndian(test.second, b);
    EXPECT_EQ(CertCompareIntegerBlob(&first, &second), test.equal ? TRUE : FALSE)
        << ::testing::PrintToString(test.first) << " vs " << ::testing::PrintToString(test.second);
    EXPECT_EQ(CertCompareIntegerBlob(&second, &first), test.equal ? TRUE : FALSE) << "reversed";
  }
}

TEST(IntegerBlobTest, RejectsMissingBlobs) {
  CRYPT_INTEGER_BLOB blob{0, nullptr};
  CRYPT_INTEGER_BLOB broken{2, nullptr};
  EXPECT_FALSE(CertCompareIntegerBlob(nullptr, &blob));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(CertCompareIntegerBlob(&blob, &broken));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
