// CryptEncryptMessage: what it refuses, with the failure values of the enveloping call.
#include <gtest/gtest.h>

#include <functional>

#include "support/engine_fixtures.h"
#include "support/openssl_peer.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

TEST(EncryptMessage, RefusesWhatItDoesNotMakeAndReportsItsSize) {
  testing::Party rsa = testing::MakeParty(0, "RSA", "01"), ec;
  ec.key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  ec.certificate =
      testing::MakeCertificate({.subject = {{"CN", "EC"}}}, ec.key.get(), nullptr, ec.key.get());
  // A certificate whose public key is of an algorithm OpenSSL does not know (rsaEncryption's
  // object identifier changed in its last arc): it parses, but has no key to envelope for.
  testing::Party unknown_key;
  {
    std::string der = testing::DerOf(rsa.certificate.get());
    const std::string rsa_encryption("\x06\x09\x2A\x86\x48\x86\xF7\x0D\x01\x01\x01", 11);
    der.replace(der.find(rsa_encryption) + 10, 1, "\x7F");
    const auto* cursor = reinterpret_cast<const unsigned char*>(der.data());
    unknown_key.certificate.reset(d2i_X509(nullptr, &cursor, static_cast<long>(der.size())));
    ASSERT_NE(unknown_key.certificate, nullptr);
  }
  testing::PersonalStore store({}, {&rsa, &ec, &unknown_key});
  PCCERT_CONTEXT rsa_context = store.ContextOf(rsa.certificate.get());
  PCCERT_CONTEXT ec_context = store.ContextOf(ec.certificate.get());
  PCCERT_CONTEXT unknown_key_context = store.ContextOf(unknown_key.certificate.get());
  CERT_CONTEXT made_elsewhere = *rsa_context;
  BYTE null_parameters[] = {0x05, 0x00};
  DWORD key_bits = 128;
  char rc4[] = szOID_RSA_RC4, des3[] = szOID_RSA_DES_EDE3_CBC;
  using Para = CRYPT_ENCRYPT_MESSAGE_PARA;
  const struct {
    std::function<void(Para&, PCCERT_CONTEXT&)> change;
    DWORD error;  // 0: made
  } rows[] = {
      {[](Para&, PCCERT_CONTEXT&) {}, 0},
      {[&](Para& p, auto&) { p.ContentEncryptionAlgorithm.Parameters = {2, null_parameters}; },
       E_INVALIDARG},
      {[&](Para& p, auto&) { p.pvEncryptionAuxInfo = &key_bits; }, E_INVALIDARG},
      {[](Para& p, auto&) { p.dwFlags = 1; }, E_INVALIDARG},
      {[](Para& p, auto&) { p.dwInnerContentType = 2; }, E_INVALIDARG},
      {[](Para& p, auto&) { p.cbSize = 16; }, E_INVALIDARG},
      {[&](Para& p, auto&) { p.ContentEncryptionAlgorithm.pszObjId = des3; }, CRYPT_E_UNKNOWN_ALGO},
      {[&](Para&, auto& recipient) { recipient = ec_context; }, CRYPT_E_UNKNOWN_ALGO},
      {[&](Para&, auto& recipient) { recipient = unknown_key_context; }, CRYPT_E_UNKNOWN_ALGO},
      {[&](Para&, auto& recipient) { recipient = &made_elsewhere; }, E_INVALIDARG},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    Para parameters{sizeof(Para), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, {rc4, {}}};
    PCCERT_CONTEXT recipient = rsa_context;
    row.change(parameters, recipient);
    const BYTE content[] = "content";
    DWORD size = 0;
    // A refusal comes from the size query, or (a key the policy refuses) from the call that
    // makes the message.
    const BOOL sized = CryptEncryptMessage(&parameters, 1, &recipient, content, 7, nullptr, &size);
    std::vector<BYTE> buffer(sized ? size : 0);
    DWORD made = size;
    const BOOL ok = sized && CryptEncryptMessage(&parameters, 1, &recipient, content, 7, buffer.data(), &made);
    EXPECT_EQ(ok ? 0 : GetLastError(), row.error);
    if (!ok) continue;
    EXPECT_LE(made, size);
    DWORD capacity = made - 1;  // one byte short: refused, with the size reported again
    EXPECT_FALSE(
        CryptEncryptMessage(&parameters, 1, &recipient, content, 7, buffer.data(), &capacity));
    EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
    EXPECT_EQ(capacity, made);
  }
  for (PCCERT_CONTEXT context : {rsa_context, ec_context, unknown_key_context}) {
    CertFreeCertificateContext(context);
  }
}

// The size query answers without making a key or encrypting: a bound that every message it
// stands for fits in, for any recipients, content length (around the points where DER lengths
// take another octet) and cipher of the policy, and that wastes little. The message is the DER
// OpenSSL itself encodes (recipients in DER's order), and every recipient opens it.
TEST(EncryptMessage, SizeQueryBoundsTheMessageEveryRecipientOpens) {
  testing::Party first = testing::MakeParty(0, "First", "01");
  testing::Party small;
  small.key = testing::TestRsaKey(2, 1024);
  small.certificate = testing::MakeCertificate({.subject = {{"CN", "Small"}}, .serial_hex = "00FF"},
                                               small.key.get(), nullptr, small.key.get());
  testing::PersonalStore store({}, {&first, &small});
  PCCERT_CONTEXT recipients[] = {store.ContextOf(first.certificate.get()),
                                 store.ContextOf(small.certificate.get())};
  CRYPT_ENCRYPT_MESSAGE_PARA parameters{sizeof parameters, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                        0, {const_cast<LPSTR>(szOID_RSA_RC4), {}}};
  const struct {
    DWORD recipient_count;
    size_t content_size;
  } rows[] = {{1, 0}, {1, 127}, {1, 128}, {2, 255}, {2, 256}, {1, 65535}, {1, 65536}, {2, 1 << 24}};
  for (const char* cipher : {"rc4", "aes256"}) {
    testing::WriteFile(store.home().root() / "policy.conf",
                       std::string("envelope.cipher = ") + cipher + "\n");
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(cipher) + " " + std::to_string(&row - rows));
      const std::string content = testing::RandomBytes(row.content_size, 4);
      const auto* bytes = reinterpret_cast<const BYTE*>(content.data());
      const auto length = static_cast<DWORD>(content.size());
      DWORD bound = 0;
      ASSERT_TRUE(CryptEncryptMessage(&parameters, row.recipient_count, recipients, bytes, length,
                                      nullptr, &bound));
      std::vector<BYTE> buffer(bound);
      DWORD size = bound;
      ASSERT_TRUE(CryptEncryptMessage(&parameters, row.recipient_count, recipients, bytes, length,
                                      buffer.data(), &size))
          << std::hex << GetLastError();
      EXPECT_LE(size, bound);
      EXPECT_LE(bound - size, 400u);
      const std::string der(reinterpret_cast<const char*>(buffer.data()), size);
      const unsigned char* cursor = buffer.data();
      const ossl::UniquePtr<PKCS7> parsed(d2i_PKCS7(nullptr, &cursor, size));
      ASSERT_TRUE(parsed != nullptr);
      EXPECT_TRUE(ossl::DerOf<PKCS7>(parsed.get(), i2d_PKCS7) == der);
      for (const testing::Party* party : {&first, &small}) {
        if (party == &small && row.recipient_count == 1) break;
        EXPECT_TRUE(testing::OpensslOpenEnvelope(der, party->certificate.get(), party->key.get()) == content);
      }
    }
  }
  for (PCCERT_CONTEXT recipient : recipients) CertFreeCertificateContext(recipient);
}

}  // namespace
}  // namespace corvane
