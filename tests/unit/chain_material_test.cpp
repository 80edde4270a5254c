// Chains built from the certificates and revocation lists of ROOT and CA, which the chain engine
// keeps between calls while the two stores are unchanged: what changes in them is seen by the
// next chain, and an intermediate is found by its name as OpenSSL compares names (in canonical
// form), not only by the exact bytes of its encoding.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/posix/store/detached_certificate.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct ChainOutcome {
  size_t length = 0;
  DWORD errors = 0;
};

ChainOutcome BuildChain(X509* end, DWORD flags) {
  const std::string der = testing::DerOf(end);
  PCCERT_CONTEXT context = platform::CreateDetachedCertificateContext(
      reinterpret_cast<const BYTE*>(der.data()), der.size());
  CERT_CHAIN_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  ChainOutcome outcome;
  if (CertGetCertificateChain(nullptr, context, nullptr, nullptr, &parameters, flags, nullptr, &chain)) {
    outcome.length = chain->rgpChain[0]->cElement;
    outcome.errors = chain->TrustStatus.dwErrorStatus;
    CertFreeCertificateChain(chain);
  }
  CertFreeCertificateContext(context);
  return outcome;
}

TEST(ChainMaterial, StoresChangedBetweenChainsAndNamesInOtherEncodings) {
  testing::TestHome home;
  auto root_key = testing::TestRsaKey(2);
  auto middle_key = testing::TestRsaKey(1);
  auto end_key = testing::TestRsaKey(0);
  auto root = testing::MakeCertificate({.subject = {{"CN", "Material Root"}}, .ca = true},
                                       root_key.get(), nullptr, root_key.get());
  // The intermediate's name is a PrintableString; the end certificate names its issuer in a
  // UTF8String with other case and spacing: the same name once both are in canonical form.
  auto middle = testing::MakeCertificate(
      {.subject = {{"CN", "Mid CA", V_ASN1_PRINTABLESTRING}}, .serial_hex = "21", .ca = true},
      middle_key.get(), root.get(), root_key.get());
  auto end = testing::MakeCertificate(
      {.subject = {{"CN", "Material End"}}, .issuer = {{"CN", "MID  ca"}}, .serial_hex = "22"},
      end_key.get(), nullptr, middle_key.get());
  // Filler intermediates of other names, which the chain does not need.
  for (int filler = 0; filler < 20; ++filler) {
    auto other = testing::MakeCertificate(
        {.subject = {{"CN", "Filler " + std::to_string(filler)}}, .serial_hex = std::to_string(30 + filler), .ca = true},
        middle_key.get(), root.get(), root_key.get());
    testing::InstallCertificate(home.root(), "CA", other.get());
  }
  const fs::path root_file = testing::InstallCertificate(home.root(), "ROOT", root.get());
  const fs::path middle_file = testing::InstallCertificate(home.root(), "CA", middle.get());

  const fs::path crl_file = home.root() / "stores" / "CA" / "middle.crl";
  const std::string unlisted = testing::RevocationListDer(middle.get(), middle_key.get());
  const std::string listing = testing::RevocationListDer(middle.get(), middle_key.get(), end.get());
  const auto nothing = [] {};
  const struct {
    const char* name;
    std::function<void()> change;
    DWORD flags;
    size_t length;
    DWORD errors;
  } rows[] = {
      {"whole chain", nothing, 0, 3, 0},
      {"the same again", nothing, 0, 3, 0},
      {"intermediate removed from CA", [&] { fs::remove(middle_file); }, 0, 1,
       CERT_TRUST_IS_PARTIAL_CHAIN},
      {"intermediate back in CA",
       [&] { testing::InstallCertificate(home.root(), "CA", middle.get()); }, 0, 3, 0},
      {"root removed from ROOT", [&] { fs::remove(root_file); }, 0, 2, CERT_TRUST_IS_PARTIAL_CHAIN},
      {"root back in ROOT", [&] { testing::InstallCertificate(home.root(), "ROOT", root.get()); },
       0, 3, 0},
      {"a list of the intermediate in CA, end not on it",
       [&] { testing::WriteFile(crl_file, unlisted); }, CERT_CHAIN_REVOCATION_CHECK_END_CERT, 3, 0},
      {"the list replaced by one that lists the end",
       [&] { testing::WriteFile(crl_file, listing); }, CERT_CHAIN_REVOCATION_CHECK_END_CERT, 3,
       CERT_TRUST_IS_REVOKED},
      {"the list removed", [&] { fs::remove(crl_file); }, CERT_CHAIN_REVOCATION_CHECK_END_CERT, 3,
       CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.change();
    const ChainOutcome outcome = BuildChain(end.get(), row.flags);
    EXPECT_EQ(outcome.length, row.length);
    EXPECT_EQ(outcome.errors, row.errors) << std::hex << outcome.errors;
  }
}

}  // namespace
}  // namespace corvane
