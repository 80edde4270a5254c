// Chains built from the certificates and revocation lists of ROOT and CA, which the chain engine
// keeps between calls while the two stores are unchanged: what changes in them is seen by the
// next chain, and an issuer is found by its name as OpenSSL compares names (in canonical form),
// not only by the exact bytes of its encoding. Behind the stores' indexes, chains come out the
// same: an issuer is found through its folder's index by the canonical name, a revocation list
// by the name the index gives it, a stale index or one a file does not bear out counts for
// nothing, and no file a chain does not need is read.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/admin/store_index_update.h"
#include "platform/posix/store/certificate_context.h"
#include "platform/posix/store/detached_certificate.h"
#include "platform/posix/store/store_index.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

struct ChainOutcome {
  size_t length = 0;
  DWORD errors = 0;
  size_t through_index = 0;  // the certificates of the chain taken from a reading through an index
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
    for (DWORD element = 0; element < outcome.length; ++element) {
      const platform::ContextObject* taken = platform::ContextOf(chain->rgpChain[0]->rgpElement[element]->pCertContext);
      outcome.through_index += taken->contents->indexed != nullptr;
    }
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
  // Each certificate names its issuer in a UTF8String with other case and spacing than the
  // issuer's PrintableString subject: the same name once both are in canonical form.
  auto root = testing::MakeCertificate({.subject = {{"CN", "Material Root", V_ASN1_PRINTABLESTRING}}, .ca = true},
                                       root_key.get(), nullptr, root_key.get());
  auto middle = testing::MakeCertificate({.subject = {{"CN", "Mid CA", V_ASN1_PRINTABLESTRING}},
                                          .issuer = {{"CN", " material  ROOT"}}, .serial_hex = "21", .ca = true},
                                         middle_key.get(), nullptr, root_key.get());
  auto end = testing::MakeCertificate(
      {.subject = {{"CN", "Material End"}}, .issuer = {{"CN", "MID  ca"}}, .serial_hex = "22"},
      end_key.get(), nullptr, middle_key.get());
  // Filler certificates of other names in both stores, which no chain needs.
  std::vector<fs::path> fillers;
  for (int filler = 0; filler < 20; ++filler) {
    auto other = testing::MakeCertificate(
        {.subject = {{"CN", "Filler " + std::to_string(filler)}}, .serial_hex = std::to_string(30 + filler), .ca = true},
        middle_key.get(), root.get(), root_key.get());
    fillers.push_back(testing::InstallCertificate(home.root(), filler % 4 == 0 ? "ROOT" : "CA", other.get()));
  }
  const fs::path stores = home.root() / "stores";
  const fs::path root_file = testing::InstallCertificate(home.root(), "ROOT", root.get());
  const fs::path middle_file = testing::InstallCertificate(home.root(), "CA", middle.get());

  const fs::path crl_file = stores / "CA" / "middle.crl";
  const std::string unlisted = testing::RevocationListDer(middle.get(), middle_key.get());
  const std::string listing = testing::RevocationListDer(middle.get(), middle_key.get(), end.get());
  const auto nothing = [] {};
  const auto index_stores = [&] {
    for (const char* store : {"ROOT", "CA"}) ASSERT_TRUE(platform::UpdateStoreIndex(stores / store).ok());
  };
  // The tool's indexes, CA's then changed to give the intermediate's file another certificate.
  const std::string other_thumbprint(40, 'A');
  const auto misindexed_middle = [&] {
    index_stores();
    const std::string written = testing::ReadFile(stores / "CA.index");  // what the index views
    std::optional<platform::StoreIndex> index = platform::ParseStoreIndex(written);
    ASSERT_TRUE(index.has_value());
    const std::string middle_name = middle_file.filename().string();
    for (platform::IndexedFile& file : index->files) {
      if (platform::FileNameOf(*index, file) != middle_name) continue;
      file.name = middle_name;  // kept, and written out, as the thumbprint no longer gives it
      index->certificates[file.first].thumbprint = other_thumbprint;
    }
    testing::WriteFile(stores / "CA.index", platform::EncodeStoreIndex(*index));
  };
  const struct {
    const char* name;
    std::function<void()> change;
    DWORD flags;
    size_t length;
    DWORD errors;
    bool index_follows;  // the tool writes the indexes anew after the change
    size_t through_index;  // behind the indexes
  } rows[] = {
      {"whole chain", nothing, 0, 3, 0, true, 2},
      {"the same again", nothing, 0, 3, 0, true, 2},
      {"intermediate removed from CA", [&] { fs::remove(middle_file); }, 0, 1, CERT_TRUST_IS_PARTIAL_CHAIN, true, 0},
      {"intermediate back in CA",
       [&] { testing::InstallCertificate(home.root(), "CA", middle.get()); }, 0, 3, 0, true, 2},
      {"root removed from ROOT", [&] { fs::remove(root_file); }, 0, 2, CERT_TRUST_IS_PARTIAL_CHAIN, true, 1},
      {"root back in ROOT", [&] { testing::InstallCertificate(home.root(), "ROOT", root.get()); }, 0, 3, 0, true, 2},
      {"root removed behind ROOT's index", [&] { fs::remove(root_file); }, 0, 2, CERT_TRUST_IS_PARTIAL_CHAIN, false, 1},
      {"root back in ROOT again", [&] { testing::InstallCertificate(home.root(), "ROOT", root.get()); }, 0, 3, 0, true, 2},
      {"the index gives the intermediate's file another certificate", misindexed_middle, 0, 3, 0, false, 1},
      {"files no chain needs overwritten in place behind the indexes",
       [&] {
         index_stores();
         for (const fs::path& filler : fillers) testing::WriteFile(filler, "not a certificate");
       },
       0, 3, 0, false, 2},
      {"a list of the intermediate in CA, end not on it",
       [&] { testing::WriteFile(crl_file, unlisted); }, CERT_CHAIN_REVOCATION_CHECK_END_CERT, 3, 0, true, 2},
      {"the list replaced by one that lists the end", [&] { testing::WriteFile(crl_file, listing); },
       CERT_CHAIN_REVOCATION_CHECK_END_CERT, 3, CERT_TRUST_IS_REVOKED, true, 2},
      {"the list replaced behind CA's index", [&] { testing::WriteFile(crl_file, unlisted); },
       CERT_CHAIN_REVOCATION_CHECK_END_CERT, 3, 0, false, 2},
      {"the list removed", [&] { fs::remove(crl_file); }, CERT_CHAIN_REVOCATION_CHECK_END_CERT, 3,
       CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION, true, 2},
      {"a list that lists the end added by hand behind CA's index, which it leaves stale",
       [&] { testing::WriteFile(crl_file, listing); }, CERT_CHAIN_REVOCATION_CHECK_END_CERT, 3,
       CERT_TRUST_IS_REVOKED, false, 1},
  };
  // Behind the indexes, without the cache: each chain reads the stores as a fresh process does.
  for (const bool indexed : {true, false}) {
    SCOPED_TRACE(indexed ? "behind the indexes" : "without indexes");
    home.SetEnv("CORVANE_CACHE", indexed ? std::optional<std::string>("off") : std::nullopt);
    for (const auto& row : rows) {
      SCOPED_TRACE(row.name);
      row.change();
      for (const char* store : {"ROOT", "CA"}) {
        if (!indexed) fs::remove(stores / (std::string(store) + ".index"));
        if (indexed && row.index_follows) {
          ASSERT_TRUE(platform::UpdateStoreIndex(stores / store).ok());
        }
      }
      const ChainOutcome outcome = BuildChain(end.get(), row.flags);
      EXPECT_EQ(outcome.length, row.length);
      EXPECT_EQ(outcome.errors, row.errors) << std::hex << outcome.errors;
      EXPECT_EQ(outcome.through_index, indexed ? row.through_index : 0);
    }
  }
}

}  // namespace
}  // namespace corvane
