// SelectCertificate and the chooser dialog through the script front end and the UI log: the
// lines the user is shown, the index the dialog hands back and the certificate that comes out.
#include "certs/certificate_selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "certs/certificate_entry_list.h"
#include "certs/certificate_selection_dialog.h"
#include "platform/posix/fault_injection.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane::certs {
namespace {

using platform::testing::ArmFault;
using platform::testing::ClearFaults;
using platform::testing::PlatformCallCount;
using platform::testing::ResetPlatformCallCount;

TEST(ShortNameLabelTest, FirstKeyInOrderCnOuOThenUpToTheComma) {
  const std::pair<const char*, const char*> rows[] = {
      {"C=CN, O=Org, OU=Unit, CN=Alice", "Alice"},
      {"C=CN, O=Org, CN=Test CA", "Test CA"},
      {"C=CN, O=Org, OU=Unit", "Unit"},  // OU= is looked for before O=
      {"C=CN, O=Org", "Org"},
      {"C=CN, L=Beijing", "C=CN, L=Beijing"},  // no key: the whole text
      {"CN=\"Smith, John\", O=Org", "\"Smith"},  // cut at the quoted comma
      {"O=Org, CN=Bob", "Bob"},
      {"OU=A, OU=B", "A"},
      {"cn=lower, O=Up", "Up"},  // keys are case-sensitive
      {"CN=, O=Org", ""},
      {"", ""},
  };
  for (const auto& [name, label] : rows) EXPECT_EQ(ShortNameLabel(name), label) << name;
}

// The chooser lines of the one "choose" line logged (UTF-8), without its answer.
std::vector<std::string> LoggedLines(const std::vector<std::string>& log) {
  EXPECT_EQ(log.size(), 1u);
  std::vector<std::string> fields;
  if (log.empty()) return fields;
  std::string line = log.back();
  for (size_t start = 0;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  EXPECT_EQ(fields.front(), "choose");
  return std::vector<std::string>(fields.begin() + 1, fields.end() - 1);
}

class CertificateSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    ca_key_ = testing::TestRsaKey(2);
    ca_ = testing::MakeCertificate(
        {.subject = {{"C", "CN"}, {"O", "Org"}, {"CN", "Test CA"}}, .issuer = {}, .ca = true}, ca_key_.get(),
        nullptr, ca_key_.get());
  }
  void TearDown() override {
    ClearFaults();
    for (HCERTSTORE store : open_stores_) CertCloseStore(store, 0);
  }

  // Installs a certificate issued by the test CA into `store`; returns its DER.
  std::string Install(const testing::NameSpec& subject, const std::string& serial,
                      const char* store = "MY") {
    auto certificate = testing::MakeCertificate({.subject = subject, .issuer = {}, .serial_hex = serial},
                                                testing::TestRsaKey(0).get(), ca_.get(),
                                                ca_key_.get());
    testing::InstallCertificate(home_.root(), store, certificate.get());
    return testing::DerOf(certificate.get());
  }

  HCERTSTORE Open(const char* name) {
    HCERTSTORE store = CertOpenSystemStoreA(0, name);
    EXPECT_NE(store, nullptr) << name;
    open_stores_.push_back(store);
    return store;
  }

  // Runs the selection over `stores` with the given scripted choices; the chosen certificate's
  // DER ("" for none) and the context's store.
  std::string Select(std::vector<HCERTSTORE> stores, const std::string& choices,
                     HCERTSTORE* found_in = nullptr) {
    home_.SetEnv("CORVANE_UI_CHOICES", choices);
    home_.ClearUiLog();
    PCCERT_CONTEXT chosen =
        SelectCertificate(stores.data(), static_cast<int32_t>(stores.size()), "purpose");
    if (chosen == nullptr) return "";
    std::string der(reinterpret_cast<const char*>(chosen->pbCertEncoded), chosen->cbCertEncoded);
    if (found_in) *found_in = chosen->hCertStore;
    CertFreeCertificateContext(chosen);
    return der;
  }

  // The DER of the certificates of a store in enumeration order.
  std::vector<std::string> Enumerated(HCERTSTORE store) {
    std::vector<std::string> ders;
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store, certificate)) != nullptr) {
      ders.emplace_back(reinterpret_cast<const char*>(certificate->pbCertEncoded),
                        certificate->cbCertEncoded);
    }
    return ders;
  }

  testing::TestHome home_;
  ossl::UniquePtr<EVP_PKEY> ca_key_;
  ossl::UniquePtr<X509> ca_;
  std::vector<HCERTSTORE> open_stores_;
};

TEST_F(CertificateSelectionTest, NoStoresMeansNoChooser) {
  ResetPlatformCallCount();
  HCERTSTORE store = nullptr;
  home_.SetEnv("CORVANE_UI_CHOICES", "0");
  EXPECT_EQ(SelectCertificate(&store, 0, "purpose"), nullptr);
  EXPECT_EQ(PlatformCallCount("ShowChooser"), 0u);
  EXPECT_TRUE(home_.UiLog().empty());
}

TEST_F(CertificateSelectionTest, EmptyStoreShowsAnEmptyChooser) {
  HCERTSTORE my = Open("MY");
  for (const char* choices : {"0", "ok", "cancel"}) {
    EXPECT_EQ(Select({my}, choices), "") << choices;
    EXPECT_TRUE(LoggedLines(home_.UiLog()).empty()) << choices;
  }
}

TEST_F(CertificateSelectionTest, OneCertificateNeedsItsLineChosen) {
  const std::string alice = Install({{"C", "CN"}, {"O", "Org"}, {"OU", "Unit"}, {"CN", "Alice"}}, "01");
  HCERTSTORE my = Open("MY");
  struct Row {
    const char* choices;
    std::string expected;
  };
  for (const Row& row : {Row{"0", alice}, Row{"ok", ""}, Row{"cancel", ""}, Row{"1", ""}}) {
    EXPECT_EQ(Select({my}, row.choices), row.expected) << row.choices;
    EXPECT_EQ(LoggedLines(home_.UiLog()),
              std::vector<std::string>{"签发者：Test CA ，主题：Alice"});
  }
}

TEST_F(CertificateSelectionTest, EachLineGivesItsOwnCertificate) {
  Install({{"CN", "Alice"}}, "01");
  Install({{"O", "Org"}, {"OU", "Bob's unit"}}, "02");
  Install({{"C", "CN"}, {"O", "Carol Ltd"}}, "03");
  HCERTSTORE my = Open("MY");
  const std::vector<std::string> order = Enumerated(my);
  ASSERT_EQ(order.size(), 3u);
  std::vector<std::string> labels;
  for (size_t s = 0; s < order.size(); ++s) {
    EXPECT_EQ(Select({my}, std::to_string(s)), order[s]) << s;
    labels = LoggedLines(home_.UiLog());
  }
  std::sort(labels.begin(), labels.end());
  EXPECT_EQ(labels, (std::vector<std::string>{"签发者：Test CA ，主题：Alice",
                                              "签发者：Test CA ，主题：Bob's unit",
                                              "签发者：Test CA ，主题：Carol Ltd"}));
}

TEST_F(CertificateSelectionTest, EqualSubjectsGiveTheFirstOfThem) {
  Install({{"CN", "Twin"}}, "0A");
  Install({{"CN", "Twin"}}, "0B");
  HCERTSTORE my = Open("MY");
  const std::vector<std::string> order = Enumerated(my);
  for (const char* choices : {"0", "1"}) EXPECT_EQ(Select({my}, choices), order[0]) << choices;
}

TEST_F(CertificateSelectionTest, EarlierStoreWinsAndLinesFollowTheStoreOrder) {
  Install({{"CN", "Both"}}, "01", "CA");
  Install({{"CN", "Both"}}, "01", "ROOT");
  Install({{"CN", "Root only"}}, "02", "ROOT");
  HCERTSTORE ca = Open("CA");
  HCERTSTORE root = Open("ROOT");
  EXPECT_EQ(Select({ca, root}, "cancel"), "");
  const std::vector<std::string> lines = LoggedLines(home_.UiLog());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "签发者：Test CA ，主题：Both");  // CA's certificate first
  // The twin listed from ROOT is found in CA, the first store.
  const size_t twin = lines[1] == lines[0] ? 1 : 2;
  ASSERT_EQ(lines[twin], lines[0]);
  HCERTSTORE found_in = nullptr;
  EXPECT_NE(Select({ca, root}, std::to_string(twin), &found_in), "");
  EXPECT_EQ(found_in, ca);
}

TEST_F(CertificateSelectionTest, EmptyOrUnrenderableNamesShowPlaceholders) {
  struct Row {
    testing::NameSpec subject;
    const char* fault;  // a platform call failing throughout, or null
    const char* line;
  };
  const Row rows[] = {
      {{{"O", "Org"}, {"CN", "", V_ASN1_UTF8STRING}}, nullptr, "签发者：Test CA ，主题：\"\""},
      {{{"O", "x CN=,y"}}, nullptr, "签发者：Test CA ，主题：没有主题"},  // empty label
      {{}, nullptr, "签发者：Test CA ，主题：没有主题"},                 // empty name text
      {{{"CN", "Alice"}}, "CertNameToStrA", "签发者：没有颁发者 ，主题：没有主题"},
  };
  for (const Row& row : rows) {
    std::filesystem::remove_all(home_.root() / "stores");
    const std::string installed = Install(row.subject, "01");
    HCERTSTORE my = Open("MY");
    if (row.fault) ArmFault(row.fault, ERROR_INVALID_PARAMETER, 0, -1);
    const std::string chosen = Select({my}, "0");
    ClearFaults();
    EXPECT_EQ(LoggedLines(home_.UiLog()), std::vector<std::string>{row.line}) << row.line;
    // Three entries kept: the line's index still names the subject, which is found again.
    EXPECT_EQ(chosen, installed) << row.line;
  }
}

// The dialog on its own: one line per candidate only when the list holds exactly 3n entries, and
// the index 3s + 2 for line s.
class SelectionDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFaults();
    ASSERT_EQ(CertificateEntryList::Create(&entries_), CertificateEntryList::kOk);
    for (const char* name : {"A", "B", "C"}) {
      const std::string subject = std::string("subject ") + name;
      const std::string issuer = std::string("issuer ") + name;
      entries_->Append(subject.data(), static_cast<int32_t>(subject.size()));
      entries_->Append(issuer.data(), static_cast<int32_t>(issuer.size()));
      entries_->Append("der", 3);
    }
  }
  void TearDown() override {
    ClearFaults();
    CertificateEntryList::Free(entries_);
  }

  int32_t Show(int32_t candidates, const std::string& choices) {
    home_.SetEnv("CORVANE_UI_CHOICES", choices);
    home_.ClearUiLog();
    CertificateSelectionDialog dialog(candidates, entries_);
    dialog.ShowModal(nullptr);
    return dialog.chosen_index();
  }

  testing::TestHome home_;
  CertificateEntryList* entries_ = nullptr;
};

TEST_F(SelectionDialogTest, ChosenIndexNamesTheSubjectNameEntry) {
  const std::pair<const char*, int32_t> rows[] = {
      {"0", 2}, {"1", 5}, {"2", 8}, {"3", -1}, {"ok", -1}, {"cancel", -1}, {"", -1}};
  for (const auto& [choices, index] : rows) EXPECT_EQ(Show(3, choices), index) << choices;
  EXPECT_EQ(LoggedLines(home_.UiLog()),
            (std::vector<std::string>{"签发者：issuer A ，主题：subject A",
                                      "签发者：issuer B ，主题：subject B",
                                      "签发者：issuer C ，主题：subject C"}));
}

TEST_F(SelectionDialogTest, WrongEntryCountShowsNoLines) {
  for (int32_t candidates : {2, 4}) {
    EXPECT_EQ(Show(candidates, "0"), -1) << candidates;  // line 0 does not exist: OK, no line
    EXPECT_TRUE(LoggedLines(home_.UiLog()).empty()) << candidates;
  }
  entries_->Append("extra", 5);  // 10 entries for 3 candidates
  EXPECT_EQ(Show(3, "0"), -1);
  EXPECT_TRUE(LoggedLines(home_.UiLog()).empty());
}

TEST_F(SelectionDialogTest, NoMemoryForALineKeepsTheLinesBeforeIt) {
  ArmFault("LocalAlloc", ERROR_NOT_ENOUGH_MEMORY, 1);  // the second line's area
  EXPECT_EQ(Show(3, "0"), 2);
  EXPECT_EQ(LoggedLines(home_.UiLog()),
            std::vector<std::string>{"签发者：issuer A ，主题：subject A"});
}

}  // namespace
}  // namespace corvane::certs
