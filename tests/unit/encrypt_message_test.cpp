// CryptEncryptMessage: what it refuses, with the failure values of the enveloping call.
#include <gtest/gtest.h>

#include <functional>

#include "support/engine_fixtures.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

TEST(EncryptMessage, RefusesWhatItDoesNotMakeAndReportsItsSize) {
  testing::Party rsa = testing::MakeParty(0, "RSA", "01");
  testing::Party ec;
  ec.key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  ec.certificate =
      testing::MakeCertificate({.subject = {{"CN", "EC"}}}, ec.key.get(), nullptr, ec.key.get());
  testing::PersonalStore store({}, {&rsa, &ec});
  PCCERT_CONTEXT rsa_context = store.ContextOf(rsa.certificate.get());
  PCCERT_CONTEXT ec_context = store.ContextOf(ec.certificate.get());
  CERT_CONTEXT made_elsewhere = *rsa_context;
  BYTE null_parameters[] = {0x05, 0x00};
  DWORD key_bits = 128;

  using Change = std::function<void(CRYPT_ENCRYPT_MESSAGE_PARA&, PCCERT_CONTEXT&)>;
  const struct {
    const char* name;
    Change change;
    DWORD error;  // 0: succeeds
  } rows[] = {
      {"as the export calls it", [](auto&, auto&) {}, 0},
      {"NULL parameters",
       [&](auto& p, auto&) {
         p.ContentEncryptionAlgorithm.Parameters = {2, null_parameters};
       },
       E_INVALIDARG},
      {"key length", [&](auto& p, auto&) { p.pvEncryptionAuxInfo = &key_bits; }, E_INVALIDARG},
      {"flags", [](auto& p, auto&) { p.dwFlags = 1; }, E_INVALIDARG},
      {"inner content type", [](auto& p, auto&) { p.dwInnerContentType = 2; }, E_INVALIDARG},
      {"short cbSize", [](auto& p, auto&) { p.cbSize = 16; }, E_INVALIDARG},
      {"3DES",
       [](auto& p, auto&) {
         p.ContentEncryptionAlgorithm.pszObjId = const_cast<LPSTR>(szOID_RSA_DES_EDE3_CBC);
       },
       CRYPT_E_UNKNOWN_ALGO},
      {"EC recipient", [&](auto&, auto& r) { r = ec_context; }, CRYPT_E_UNKNOWN_ALGO},
      {"foreign context", [&](auto&, auto& r) { r = &made_elsewhere; }, E_INVALIDARG},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CRYPT_ENCRYPT_MESSAGE_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    parameters.ContentEncryptionAlgorithm.pszObjId = const_cast<LPSTR>(szOID_RSA_RC4);
    PCCERT_CONTEXT recipient = rsa_context;
    row.change(parameters, recipient);
    const BYTE content[] = "content";
    DWORD size = 0;
    const BOOL sized = CryptEncryptMessage(&parameters, 1, &recipient, content, 7, nullptr, &size);
    EXPECT_EQ(sized ? 0 : GetLastError(), row.error);
    if (!sized) continue;
    // One byte short: refused with the size reported again.
    std::vector<BYTE> buffer(size);
    DWORD capacity = size - 1;
    EXPECT_FALSE(
        CryptEncryptMessage(&parameters, 1, &recipient, content, 7, buffer.data(), &capacity));
    EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
    EXPECT_EQ(capacity, size);
  }
  CertFreeCertificateContext(rsa_context);
  CertFreeCertificateContext(ec_context);
}

}  // namespace
}  // namespace corvane
