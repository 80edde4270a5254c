// Chain validation through verifySingleSignedMsg: one row per way a signer's certificate can
// stand in the stores, with real certificates and revocation lists made in the test.
#include <openssl/x509v3.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "corvane.h"
#include "platform/posix/admin/store_index_update.h"
#include "platform/posix/store/store_index.h"
#include "platform/posix/store/thumbprint.h"
#include "support/export_call.h"
#include "support/openssl_peer.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

constexpr long kDay = 24 * 3600;
const std::string kContent = "chain content";

enum class Setup {
  kIssuerMissing,
  kIssuerKeyWrong,
  kIssuerNameInCaAndRoot,
  kExpired,
  kNotYetValid,
  kRootInstalled,
  kIntermediateExpired,
  kIntermediateNotCa,
  kRootOnlyInCa,
  kRootMissing,
  kSelfSignedInRoot,
  kValidityNotNested,
  // The intermediate CA renewed on a new key, both in CA, the renewed one's file first: a signer
  // of the old key, of the new key, and of the old key without key identifiers.
  kCaRenewed,
  kCaRenewedNewKeySigns,
  kCaRenewedWithoutKeyIdentifiers,
  // Only a forgery of the intermediate's name on another key in CA, giving the intermediate's key
  // identifier or its own; the signer names the intermediate's key.
  kForgedCaSameKeyIdentifier,
  kForgedCaOwnKeyIdentifier,
};

// A revocation list written into the ROOT folder: who signs it (under the root's name, unless
// the intermediate CA, which did not issue the signer, issues it) and whether it names the signer.
// Lists that the root did not sign count for nothing; any list of the root that names the signer
// revokes it, whatever the order of the files and however old the list.
enum class Signer { kRoot, kOtherKey, kIntermediate };

struct ListFile {
  const char* file;
  Signer signer;
  bool revoking;
  testing::ListShape shape = {};
};

constexpr testing::ListShape kExpiredList{.last_update_offset = -3 * kDay, .next_update_offset = -kDay};
constexpr testing::ListShape kListOverOneMebibyte{.other_entries = 60000};  // past the file limit

struct ChainCase {
  const char* name;
  Setup setup;
  int32_t code;
  std::vector<ListFile> lists = {};
  bool index_naming_no_list = false;  // ROOT's index as the tool writes it, its list names left out
};

const ChainCase kChainCases[] = {
    {"issuer_missing", Setup::kIssuerMissing, -10014},
    {"issuer_name_matches_other_key_signed", Setup::kIssuerKeyWrong, -10017},
    {"issuer_name_on_other_key_in_ca_root_copy_verifies", Setup::kIssuerNameInCaAndRoot, 0},
    {"expired", Setup::kExpired, -10011},
    {"not_yet_valid", Setup::kNotYetValid, -10011},
    {"revoked_in_issuer_store", Setup::kRootInstalled, -10012, {{"root.crl", Signer::kRoot, true}}},
    {"no_revocation_list", Setup::kRootInstalled, 0},
    {"revocation_list_without_signer", Setup::kRootInstalled, 0, {{"root.crl", Signer::kRoot, false}}},
    {"revoked_by_list_over_one_mebibyte", Setup::kRootInstalled, -10012,
     {{"root.crl", Signer::kRoot, true, kListOverOneMebibyte}}},
    {"forged_list_revoking_is_ignored", Setup::kRootInstalled, 0, {{"root.crl", Signer::kOtherKey, true}}},
    {"forged_list_clean_is_ignored", Setup::kRootInstalled, 0, {{"root.crl", Signer::kOtherKey, false}}},
    {"forged_list_after_genuine_does_not_revoke", Setup::kRootInstalled, 0,
     {{"a.crl", Signer::kRoot, false}, {"z.crl", Signer::kOtherKey, true}}},
    {"forged_list_before_genuine_does_not_revoke", Setup::kRootInstalled, 0,
     {{"a.crl", Signer::kOtherKey, true}, {"z.crl", Signer::kRoot, false}}},
    {"genuine_list_revokes_beside_forged_clean_list", Setup::kRootInstalled, -10012,
     {{"a.crl", Signer::kOtherKey, false}, {"z.crl", Signer::kRoot, true}}},
    {"revoked_behind_index_naming_no_list", Setup::kRootInstalled, -10012, {{"root.crl", Signer::kRoot, true}}, true},
    {"other_issuers_list_is_ignored", Setup::kRootInstalled, 0, {{"ca.crl", Signer::kIntermediate, true}}},
    {"revoked_by_first_of_two_lists", Setup::kRootInstalled, -10012,
     {{"a.crl", Signer::kRoot, true}, {"z.crl", Signer::kRoot, false}}},
    {"revoked_by_last_of_two_lists", Setup::kRootInstalled, -10012,
     {{"a.crl", Signer::kRoot, false}, {"z.crl", Signer::kRoot, true}}},
    {"revoked_by_expired_list", Setup::kRootInstalled, -10012, {{"root.crl", Signer::kRoot, true, kExpiredList}}},
    {"expired_clean_list", Setup::kRootInstalled, 0, {{"root.crl", Signer::kRoot, false, kExpiredList}}},
    {"intermediate_expired", Setup::kIntermediateExpired, -10013},
    {"intermediate_not_a_ca", Setup::kIntermediateNotCa, -10013},
    {"root_not_trusted", Setup::kRootOnlyInCa, -10013},
    {"root_missing", Setup::kRootMissing, -10013},
    {"self_signed_signer_in_root", Setup::kSelfSignedInRoot, 0},
    {"validity_not_nested", Setup::kValidityNotNested, 0},
    {"ca_renewed_old_key_signer", Setup::kCaRenewed, 0},
    {"ca_renewed_new_key_signer", Setup::kCaRenewedNewKeySigns, 0},
    {"ca_renewed_old_key_signer_without_key_identifiers", Setup::kCaRenewedWithoutKeyIdentifiers, 0},
    {"forged_ca_giving_the_key_identifier", Setup::kForgedCaSameKeyIdentifier, -10017},
    {"forged_ca_giving_its_own_key_identifier", Setup::kForgedCaOwnKeyIdentifier, -10017},
};

class CertificateChainTest : public ::testing::TestWithParam<ChainCase> {
 protected:
  ossl::UniquePtr<X509> Certificate(const char* name, EVP_PKEY* key, X509* issuer,
                                    EVP_PKEY* issuer_key, long not_before, long not_after,
                                    bool ca, bool ca_key_usage = false,
                                    bool authority_key_identifier = false,
                                    std::string subject_key_identifier = "hash") {
    return testing::MakeCertificate({.subject = {{"CN", name}},
                                     .serial_hex = std::to_string(++serial_),
                                     .not_before_offset = not_before,
                                     .not_after_offset = not_after,
                                     .ca = ca,
                                     .ca_key_usage = ca_key_usage,
                                     .subject_key_identifier = std::move(subject_key_identifier),
                                     .authority_key_identifier = authority_key_identifier},
                                    key, issuer, issuer_key);
  }
  void Install(const char* store, X509* certificate) {
    testing::InstallCertificate(home_.root(), store, certificate);
  }

  testing::TestHome home_;
  int serial_ = 0x40;
};

TEST_P(CertificateChainTest, VerifiedThroughTheExport) {
  const ChainCase& row = GetParam();
  auto root_key = testing::TestRsaKey(2);
  auto other_key = testing::TestRsaKey(4);
  auto intermediate_key = testing::TestRsaKey(3);
  auto key = testing::TestRsaKey(0);
  auto root =
      Certificate("Root CA", root_key.get(), nullptr, root_key.get(), -kDay, 30 * kDay, true);
  // The root's name on another key.
  auto impostor =
      Certificate("Root CA", other_key.get(), nullptr, other_key.get(), -kDay, 30 * kDay, true);
  auto intermediate = Certificate("Intermediate CA", intermediate_key.get(), root.get(),
                                  root_key.get(), -kDay, 30 * kDay, true);
  long not_before = -kDay;
  long not_after = 10 * kDay;
  X509* issuer = root.get();
  EVP_PKEY* issuer_key = root_key.get();
  bool names_issuer_key = false;  // the signer gives its issuer's key identifier
  ossl::UniquePtr<X509> other_ca;  // the intermediate's name on another key

  switch (row.setup) {
    case Setup::kIssuerMissing:
      break;
    case Setup::kIssuerKeyWrong:
      Install("ROOT", root.get());
      issuer = impostor.get();
      issuer_key = other_key.get();
      break;
    case Setup::kIssuerNameInCaAndRoot:
      Install("ROOT", root.get());
      Install("CA", impostor.get());
      break;
    case Setup::kExpired:
      Install("ROOT", root.get());
      not_before = -3 * kDay;
      not_after = -kDay;
      break;
    case Setup::kNotYetValid:
      Install("ROOT", root.get());
      not_before = kDay;
      break;
    case Setup::kRootInstalled:
      Install("ROOT", root.get());
      break;
    case Setup::kIntermediateExpired:
    case Setup::kIntermediateNotCa: {
      const bool expired = row.setup == Setup::kIntermediateExpired;  // else a CA but for CA:TRUE
      Install("ROOT", root.get());
      intermediate = Certificate("Intermediate CA", intermediate_key.get(), root.get(), root_key.get(),
                                 expired ? -3 * kDay : -kDay, expired ? -kDay : 30 * kDay, expired, !expired);
      Install("CA", intermediate.get());
      issuer = intermediate.get();
      issuer_key = intermediate_key.get();
      break;
    }
    case Setup::kRootOnlyInCa:
      Install("CA", root.get());
      [[fallthrough]];
    case Setup::kRootMissing:
      Install("CA", intermediate.get());
      issuer = intermediate.get();
      issuer_key = intermediate_key.get();
      break;
    case Setup::kSelfSignedInRoot:
      issuer = nullptr;
      issuer_key = key.get();
      break;
    case Setup::kValidityNotNested:
      Install("ROOT", root.get());
      not_after = 400 * kDay;
      break;
    case Setup::kCaRenewed:
    case Setup::kCaRenewedNewKeySigns:
    case Setup::kCaRenewedWithoutKeyIdentifiers:
      Install("ROOT", root.get());
      do {
        other_ca = Certificate("Intermediate CA", other_key.get(), root.get(), root_key.get(), -kDay, 30 * kDay, true);
      } while (platform::Thumbprint(other_ca.get()) > platform::Thumbprint(intermediate.get()));
      Install("CA", intermediate.get());
      Install("CA", other_ca.get());
      issuer = row.setup == Setup::kCaRenewedNewKeySigns ? other_ca.get() : intermediate.get();
      issuer_key = row.setup == Setup::kCaRenewedNewKeySigns ? other_key.get() : intermediate_key.get();
      names_issuer_key = row.setup != Setup::kCaRenewedWithoutKeyIdentifiers;
      break;
    case Setup::kForgedCaSameKeyIdentifier:
    case Setup::kForgedCaOwnKeyIdentifier: {
      Install("ROOT", root.get());
      char* hex = i2s_ASN1_OCTET_STRING(nullptr, X509_get0_subject_key_id(intermediate.get()));
      const std::string genuine_identifier = hex;
      OPENSSL_free(hex);
      other_ca = Certificate("Intermediate CA", other_key.get(), root.get(), root_key.get(), -kDay, 30 * kDay, true,
                             false, false,
                             row.setup == Setup::kForgedCaSameKeyIdentifier ? genuine_identifier : "hash");
      Install("CA", other_ca.get());
      issuer = intermediate.get();
      issuer_key = intermediate_key.get();
      names_issuer_key = true;
      break;
    }
  }
  auto signer = Certificate("Signer", key.get(), issuer, issuer_key, not_before, not_after, false, false,
                            names_issuer_key);
  if (row.setup == Setup::kSelfSignedInRoot) Install("ROOT", signer.get());
  for (const ListFile& list : row.lists) {
    const bool intermediate_signs = list.signer == Signer::kIntermediate;
    if (intermediate_signs) Install("CA", intermediate.get());
    const fs::path file = home_.root() / "stores" / "ROOT" / list.file;
    testing::WriteFile(file, testing::RevocationListDer(
                                 intermediate_signs ? intermediate.get() : root.get(),
                                 list.signer == Signer::kRoot ? root_key.get()
                                 : intermediate_signs         ? intermediate_key.get()
                                                              : other_key.get(),
                                 list.revoking ? signer.get() : nullptr, list.shape));
    if (list.shape.other_entries > 0) {
      ASSERT_GT(fs::file_size(file), 1u << 20);
    }
  }
  if (row.index_naming_no_list) {  // a forgery only its writer's access to the stores limits
    const fs::path folder = home_.root() / "stores" / "ROOT";
    ASSERT_TRUE(platform::UpdateStoreIndex(folder).ok());
    const std::string written = testing::ReadFile(platform::StoreIndexFile(folder));
    std::optional<platform::StoreIndex> index = platform::ParseStoreIndex(written);
    ASSERT_TRUE(index && !index->revocation_lists.empty());
    index->revocation_lists.clear();
    testing::WriteFile(platform::StoreIndexFile(folder), platform::EncodeStoreIndex(*index));
    home_.SetEnv("CORVANE_CACHE", "off");  // read as a fresh process reads
  }

  const std::string text =
      testing::OpensslBase64(testing::OpensslSignedMessage(kContent, signer.get(), key.get()));
  const testing::ExportResult result = testing::CallExport([&](char* out, int32_t* length) {
    return verifySingleSignedMsg(text.data(), static_cast<int32_t>(text.size()), out, length);
  });
  EXPECT_EQ(result.code, row.code);
  if (row.code == 0) {
    EXPECT_EQ(result.output, kContent);
  } else {
    EXPECT_TRUE(result.untouched);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CertificateChainTest, ::testing::ValuesIn(kChainCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane
