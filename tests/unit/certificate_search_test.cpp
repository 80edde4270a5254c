// FindCertificateBySerial and FindCertificateBySubject on real stores: a small PKI installed into
// "CA" and "ROOT" of a throw-away store root.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "certs/certificate_search.h"
#include "platform/posix/store/thumbprint.h"
#include "support/store_fixtures.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane::certs {
namespace {

class CertificateSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto ca_key = testing::TestRsaKey(0);
    fixed_ca_ = SelfSigned({{"CN", "QDRA"}, {"OU", "config"}, {"O", "Ostrevalia"}}, ca_key.get());
    reordered_ca_ = SelfSigned({{"O", "Ostrevalia"}, {"OU", "config"}, {"CN", "QDRA"}}, ca_key.get());
    // Two certificates with one serial number and one subject, from different issuers.
    alice_ = Issued("Alice", "12AB", fixed_ca_.get());
    alice_reordered_ = Issued("Alice", "12AB", reordered_ca_.get());
    bob_ = Issued("Bob", "12", fixed_ca_.get());
    carol_ = Issued("Carol", "7F01", fixed_ca_.get());
    for (X509* certificate : {fixed_ca_.get(), reordered_ca_.get(), alice_.get(),
                              alice_reordered_.get(), bob_.get()}) {
      testing::InstallCertificate(home_.root(), "CA", certificate);
    }
    testing::InstallCertificate(home_.root(), "ROOT", alice_.get());
    testing::InstallCertificate(home_.root(), "ROOT", carol_.get());
    stores_[0] = CertOpenSystemStoreA(0, "CA");
    stores_[1] = CertOpenSystemStoreA(0, "ROOT");
    ASSERT_NE(stores_[0], nullptr);
    ASSERT_NE(stores_[1], nullptr);
  }

  void TearDown() override {
    // The check flag fails the close while a context of the store is still held: every context
    // the searches did not return must have been released.
    for (HCERTSTORE store : stores_) {
      EXPECT_TRUE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
    }
  }

  ossl::UniquePtr<X509> SelfSigned(testing::NameSpec subject, EVP_PKEY* key) {
    return testing::MakeCertificate({.subject = subject, .issuer = {}, .serial_hex = "01", .ca = true}, key,
                                    nullptr, key);
  }
  ossl::UniquePtr<X509> Issued(const std::string& cn, const std::string& serial, X509* issuer) {
    auto leaf_key = testing::TestRsaKey(1);
    auto issuer_key = testing::TestRsaKey(0);
    return testing::MakeCertificate({.subject = {{"CN", cn}}, .issuer = {}, .serial_hex = serial},
                                    leaf_key.get(), issuer, issuer_key.get());
  }

  // Which of the test's certificates a found context is ("none" for no context); the context is
  // released. `store` names the store it came from.
  std::string Identify(PCCERT_CONTEXT found, std::string* store = nullptr) {
    if (found == nullptr) return "none";
    const std::string der(reinterpret_cast<const char*>(found->pbCertEncoded), found->cbCertEncoded);
    if (store != nullptr) *store = found->hCertStore == stores_[0] ? "CA" : "ROOT";
    CertFreeCertificateContext(found);
    const std::pair<const char*, X509*> known[] = {{"alice", alice_.get()},
                                                   {"alice-reordered", alice_reordered_.get()},
                                                   {"bob", bob_.get()},
                                                   {"carol", carol_.get()}};
    for (const auto& [label, certificate] : known) {
      if (testing::DerOf(certificate) == der) return label;
    }
    return "another certificate";
  }

  std::string BySerial(const std::string& text, uint32_t length, const char* issuer,
                       int32_t count = 2, std::string* store = nullptr) {
    // A buffer of exactly the text's size, so that the sanitizers see any read past it.
    std::vector<char> serial(text.begin(), text.end());
    return Identify(FindCertificateBySerial(stores_, count, serial.data(), length, issuer), store);
  }

  testing::TestHome home_;
  ossl::UniquePtr<X509> fixed_ca_, reordered_ca_, alice_, alice_reordered_, bob_, carol_;
  HCERTSTORE stores_[2] = {nullptr, nullptr};
};

TEST_F(CertificateSearchTest, SerialTexts) {
  struct Case {
    std::string text;
    uint32_t length;
    const char* expected;
  };
  const Case cases[] = {
      {"12AB", 4, "alice"},      {"12ab", 4, "alice"},  {"0012AB", 6, "alice"},
      {"12ABCD", 4, "alice"},    {"12ABG", 5, "alice"}, {"12A", 3, "bob"},
      {"12", 2, "bob"},          {"7f01", 4, "carol"},  {"12 AB", 5, "none"},
      {"0x12AB", 6, "none"},     {"12AG", 4, "none"},   {"12AC", 4, "none"},
      {"G", 1000, "none"},       {"1:", 1000, "none"},  {"", 0, "none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(BySerial(c.text, c.length, kFixedIssuerText), c.expected);
  }
}

TEST_F(CertificateSearchTest, IssuerTextsAreComparedByteForByte) {
  EXPECT_EQ(BySerial("12AB", 4, "O=Ostrevalia, OU=config, CN=QDRA"), "alice-reordered");
  EXPECT_EQ(BySerial("12AB", 4, "CN=QDRA,OU=config,O=Ostrevalia"), "none");
  EXPECT_EQ(BySerial("12AB", 4, "CN=QDRA, OU=config, O=Ostrevalia "), "none");
  EXPECT_EQ(BySerial("12AB", 4, "cn=QDRA, OU=config, O=Ostrevalia"), "none");
  EXPECT_EQ(BySerial("12AB", 4, ""), "none");
}

TEST_F(CertificateSearchTest, StoresAreSearchedInListOrder) {
  std::string store;
  EXPECT_EQ(BySerial("12AB", 4, kFixedIssuerText, 2, &store), "alice");
  EXPECT_EQ(store, "CA");
  EXPECT_EQ(BySerial("7F01", 4, kFixedIssuerText, 2, &store), "carol");
  EXPECT_EQ(store, "ROOT");
  EXPECT_EQ(BySerial("7F01", 4, kFixedIssuerText, 1), "none");
  EXPECT_EQ(BySerial("12AB", 4, kFixedIssuerText, 0), "none");
  EXPECT_EQ(BySerial("12AB", 4, kFixedIssuerText, -1), "none");
  EXPECT_EQ(Identify(FindCertificateBySerial(stores_, 2, nullptr, 4, kFixedIssuerText)), "none");
  EXPECT_EQ(Identify(FindCertificateBySerial(stores_, 2, "12AB", 4, nullptr)), "none");
  EXPECT_EQ(Identify(FindCertificateBySerial(nullptr, 2, "12AB", 4, kFixedIssuerText)), "none");
}

TEST_F(CertificateSearchTest, BySubjectTakesTheFirstInStoreOrder) {
  auto subject_of = [](X509* certificate) {
    return testing::NameDer(X509_get_subject_name(certificate));
  };
  auto by_subject = [&](const std::string& der, int32_t count, std::string* store = nullptr) {
    return Identify(FindCertificateBySubject(stores_, count,
                                             reinterpret_cast<const BYTE*>(der.data()),
                                             static_cast<uint32_t>(der.size())),
                    store);
  };
  // Both Alices have one subject: the store's order (ascending thumbprint) decides.
  const bool fixed_first = platform::Thumbprint(alice_.get()) < platform::Thumbprint(alice_reordered_.get());
  std::string store;
  EXPECT_EQ(by_subject(subject_of(alice_.get()), 2, &store), fixed_first ? "alice" : "alice-reordered");
  EXPECT_EQ(store, "CA");
  EXPECT_EQ(by_subject(subject_of(carol_.get()), 2, &store), "carol");
  EXPECT_EQ(store, "ROOT");
  EXPECT_EQ(by_subject(subject_of(carol_.get()), 1), "none");
  EXPECT_EQ(by_subject(subject_of(bob_.get()), 0), "none");
  EXPECT_EQ(by_subject(subject_of(bob_.get()), -1), "none");
  ossl::UniquePtr<X509_NAME> nobody = testing::MakeName({{"CN", "Nobody"}});
  EXPECT_EQ(by_subject(testing::NameDer(nobody.get()), 2), "none");
}

}  // namespace
}  // namespace corvane::certs
