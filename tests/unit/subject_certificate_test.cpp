// CertVerifySubjectCertificateContext's signature test: a pair that verified once is remembered,
// and nothing else rides on that: every other pair is checked on its own.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/store/detached_certificate.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

PCCERT_CONTEXT ContextOf(const std::string& der) {
  return platform::CreateDetachedCertificateContext(reinterpret_cast<const BYTE*>(der.data()),
                                                    der.size());
}

TEST(SubjectCertificate, SignatureTestHoldsForExactlyThePairThatVerified) {
  ossl::UniquePtr<EVP_PKEY> issuer_key = testing::TestRsaKey(2);
  ossl::UniquePtr<EVP_PKEY> other_key = testing::TestRsaKey(1);
  ossl::UniquePtr<X509> issuer = testing::MakeCertificate(
      {.subject = {{"CN", "Memo CA"}}, .ca = true}, issuer_key.get(), nullptr, issuer_key.get());
  // The same name on another key: a certificate the subject's issuer name also points to.
  ossl::UniquePtr<X509> impostor = testing::MakeCertificate(
      {.subject = {{"CN", "Memo CA"}}, .ca = true}, other_key.get(), nullptr, other_key.get());
  ossl::UniquePtr<EVP_PKEY> subject_key = testing::TestRsaKey(0);
  ossl::UniquePtr<X509> subject = testing::MakeCertificate(
      {.subject = {{"CN", "Memo subject"}}, .serial_hex = "4D"}, subject_key.get(), issuer.get(),
      issuer_key.get());
  const std::string genuine = testing::DerOf(subject.get());
  std::string forged = genuine;
  forged.back() ^= 1;  // the last byte of the signature

  PCCERT_CONTEXT issuer_context = ContextOf(testing::DerOf(issuer.get()));
  PCCERT_CONTEXT impostor_context = ContextOf(testing::DerOf(impostor.get()));
  PCCERT_CONTEXT genuine_context = ContextOf(genuine);
  PCCERT_CONTEXT forged_context = ContextOf(forged);
  const struct {
    const char* name;
    PCCERT_CONTEXT subject;
    PCCERT_CONTEXT issuer;
    bool verifies;
  } rows[] = {
      {"genuine", genuine_context, issuer_context, true},
      {"genuine again", genuine_context, issuer_context, true},
      {"signature changed", forged_context, issuer_context, false},
      {"issuer of the same name, other key", genuine_context, impostor_context, false},
      {"forged again", forged_context, issuer_context, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DWORD flags = CERT_STORE_SIGNATURE_FLAG;
    ASSERT_TRUE(CertVerifySubjectCertificateContext(row.subject, row.issuer, &flags));
    EXPECT_EQ(flags == 0, row.verifies);
  }
  for (PCCERT_CONTEXT context : {issuer_context, impostor_context, genuine_context, forged_context}) {
    CertFreeCertificateContext(context);
  }
}

}  // namespace
}  // namespace corvane
