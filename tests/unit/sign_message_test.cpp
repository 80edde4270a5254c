// CryptSignMessage: the exact form of the signed-data message, read back with OpenSSL, and the
// failure values of the signing call.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/posix/ossl.h"
#include "support/engine_fixtures.h"
#include "support/signed_message_view.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

class SignMessageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    signer_ = store_.ContextOf(signing_.certificate.get());
    keyless_context_ = store_.ContextOf(keyless_.certificate.get());
    ASSERT_NE(signer_, nullptr);
    ASSERT_NE(keyless_context_, nullptr);
  }
  void TearDown() override {
    CertFreeCertificateContext(signer_);
    CertFreeCertificateContext(keyless_context_);
  }

  testing::Party signing_ = testing::MakeParty(0, "Signer", "7F01");
  testing::Party keyless_ = testing::MakeParty(1, "Keyless", "05");
  testing::PersonalStore store_{{&signing_}, {&keyless_}};
  PCCERT_CONTEXT signer_ = nullptr;
  PCCERT_CONTEXT keyless_context_ = nullptr;
};

// True when OpenSSL's own verification accepts the signature over `content`.
bool SignatureVerifies(const std::string& der, const std::string& content, bool detached) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
  ossl::UniquePtr<PKCS7> message(d2i_PKCS7(nullptr, &bytes, static_cast<long>(der.size())));
  ossl::UniquePtr<BIO> data(BIO_new_mem_buf(content.data(), static_cast<int>(content.size())));
  ossl::UniquePtr<BIO> recovered(BIO_new(BIO_s_mem()));
  return message && PKCS7_verify(message.get(), nullptr, nullptr, detached ? data.get() : nullptr,
                                 recovered.get(), PKCS7_NOVERIFY | PKCS7_BINARY) == 1;
}

TEST_F(SignMessageTest, MessagesHaveTheFixedFormAndVerify) {
  const std::string binary = std::string("\0\0zero\0bytes\xff", 13) + testing::RandomBytes(2000, 1);
  const std::string certificate_der = testing::DerOf(signing_.certificate.get());
  // SHA-1 AlgorithmIdentifier with NULL parameters.
  const std::string sha1_with_null("\x30\x09\x06\x05\x2b\x0e\x03\x02\x1a\x05\x00", 11);
  const struct {
    std::string content;
    bool detached;
  } rows[] = {{"", false}, {"", true}, {binary, false}, {binary, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE((row.detached ? "detached, " : "attached, ") + std::to_string(row.content.size()));
    const testing::MessageCallResult signed_message =
        testing::SignWithCertificate(signer_, row.content, row.detached);
    ASSERT_TRUE(signed_message.ok) << std::hex << signed_message.error;
    const std::string& der = signed_message.output;
    EXPECT_GE(signed_message.size_pass, der.size());

    testing::ExpectLibrarySignedForm(der, certificate_der, row.content, row.detached);
    EXPECT_NE(der.find(sha1_with_null), std::string::npos);
    EXPECT_TRUE(SignatureVerifies(der, row.content, row.detached));
    if (row.detached) {
      EXPECT_FALSE(SignatureVerifies(der, row.content + "x", true));
    }

    // DER: OpenSSL's re-encoding of what it read gives the same bytes.
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
    ossl::UniquePtr<PKCS7> parsed(d2i_PKCS7(nullptr, &bytes, static_cast<long>(der.size())));
    EXPECT_EQ(ossl::DerOf(parsed.get(), i2d_PKCS7), der);
  }
}

TEST_F(SignMessageTest, FailureValues) {
  const struct {
    const char* name;
    PCCERT_CONTEXT certificate;
    const char* hash_oid;
    DWORD error;
  } rows[] = {
      {"no linked private key", keyless_context_, szOID_OIWSEC_sha1, CRYPT_E_NO_KEY_PROPERTY},
      {"hash OID OpenSSL does not know", signer_, "1.2.3.4.5", CRYPT_E_UNKNOWN_ALGO},
      {"not a hash OID", signer_, "1.2.840.113549.1.1.1", CRYPT_E_UNKNOWN_ALGO},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const testing::MessageCallResult result =
        testing::SignWithCertificate(row.certificate, "data", false, row.hash_oid);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, row.error) << std::hex << result.error;
  }
}

constexpr char kSha256[] = "2.16.840.1.101.3.4.2.1";
constexpr char kSha384[] = "2.16.840.1.101.3.4.2.2";
constexpr char kSha512[] = "2.16.840.1.101.3.4.2.3";

// The size query answers without signing: a bound that every message it stands for fits in,
// whatever the key, digest, certificate set and content length (around the points where DER
// lengths take another octet), and that wastes little.
TEST_F(SignMessageTest, SizeQueryBoundsTheMessage) {
  testing::Party small_key;
  small_key.key = testing::TestRsaKey(2, 1024);
  small_key.certificate = testing::MakeCertificate({.subject = {{"CN", "Small"}}, .serial_hex = "00FF"},
                                                   small_key.key.get(), nullptr, small_key.key.get());
  testing::Party ec;
  ec.key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-384"));
  ec.certificate = testing::MakeCertificate({.subject = {{"CN", "EC"}}}, ec.key.get(), nullptr,
                                            ec.key.get());
  testing::PersonalStore more({&small_key, &ec});
  PCCERT_CONTEXT small_context = more.ContextOf(small_key.certificate.get());
  PCCERT_CONTEXT ec_context = more.ContextOf(ec.certificate.get());
  const struct {
    PCCERT_CONTEXT signer;
    const char* hash_oid;
    size_t content_size;
    bool detached;
    int message_certificates;
  } rows[] = {
      {signer_, szOID_OIWSEC_sha1, 0, false, 0},      {signer_, szOID_OIWSEC_sha1, 0, true, 1},
      {signer_, szOID_OIWSEC_sha1, 127, false, 1},    {signer_, szOID_OIWSEC_sha1, 128, false, 1},
      {signer_, kSha256, 255, false, 1},    {signer_, kSha512, 256, false, 3},
      {signer_, szOID_OIWSEC_sha1, 65535, false, 1},  {signer_, szOID_OIWSEC_sha1, 65536, true, 1},
      {signer_, szOID_OIWSEC_sha1, 1 << 24, false, 1}, {small_context, szOID_OIWSEC_sha1, 100, false, 1},
      {ec_context, kSha384, 1000, false, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(&row - rows));
    const std::vector<PCCERT_CONTEXT> certificates(static_cast<size_t>(row.message_certificates),
                                                   row.signer);
    CRYPT_SIGN_MESSAGE_PARA parameters = testing::SignParameters(
        row.signer, row.hash_oid, certificates.data(), static_cast<DWORD>(certificates.size()));
    const std::string content = testing::RandomBytes(row.content_size, 3);
    const BYTE* contents[] = {reinterpret_cast<const BYTE*>(content.data())};
    DWORD sizes[] = {static_cast<DWORD>(content.size())};
    DWORD bound = 0;
    ASSERT_TRUE(CryptSignMessage(&parameters, row.detached, 1, contents, sizes, nullptr, &bound));
    std::vector<BYTE> buffer(bound);
    DWORD size = bound;
    ASSERT_TRUE(CryptSignMessage(&parameters, row.detached, 1, contents, sizes, buffer.data(), &size))
        << std::hex << GetLastError();
    EXPECT_LE(size, bound);
    EXPECT_LE(bound - size, 400u);
  }
  CertFreeCertificateContext(small_context);
  CertFreeCertificateContext(ec_context);
}

TEST_F(SignMessageTest, ShortBufferReportsTheSizeAndLeavesTheBufferAlone) {
  CRYPT_SIGN_MESSAGE_PARA parameters = testing::SignParameters(signer_, szOID_OIWSEC_sha1);
  const BYTE data[] = {'a', 'b'};
  const BYTE* contents[] = {data};
  DWORD sizes[] = {sizeof data};
  DWORD bound = 0;
  ASSERT_TRUE(CryptSignMessage(&parameters, FALSE, 1, contents, sizes, nullptr, &bound));
  std::vector<BYTE> buffer(bound, 0xAA);
  DWORD needed = bound;
  ASSERT_TRUE(CryptSignMessage(&parameters, FALSE, 1, contents, sizes, buffer.data(), &needed));
  std::fill(buffer.begin(), buffer.end(), 0xAA);
  DWORD size = needed - 1;
  EXPECT_FALSE(CryptSignMessage(&parameters, FALSE, 1, contents, sizes, buffer.data(), &size));
  EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
  EXPECT_EQ(size, needed);
  EXPECT_EQ(buffer, std::vector<BYTE>(bound, 0xAA));
  EXPECT_FALSE(CryptSignMessage(&parameters, FALSE, 2, contents, sizes, buffer.data(), &size));
  EXPECT_EQ(GetLastError(), E_INVALIDARG);
}

}  // namespace
}  // namespace corvane
