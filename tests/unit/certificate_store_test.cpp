// The on-disk certificate stores through the platform calls: CERT_INFO against OpenSSL's view of
// the same certificate, order and de-duplication, store names, failing opens, context lifetime,
// subject search, linked keys, and the DER reader's bounds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/files/atomic_file.h"
#include "platform/posix/files/whole_file.h"
#include "platform/posix/store/certificate_context.h"
#include "platform/posix/store/store_contents.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/store/thumbprint.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/store/detached_certificate.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/store/tbs_certificate.h"
#include "support/store_fixtures.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using testing::BlobBytes;
using testing::EnumeratedThumbprints;
using platform::Thumbprint;

constexpr long kYear = 365L * 24 * 3600;

class CertificateStoreTest : public ::testing::Test {
 protected:
  ossl::UniquePtr<X509> Make(const std::string& cn, const std::string& serial = "01", int key = 0) {
    return testing::MakeParty(key, cn, serial).certificate;
  }
  fs::path Folder(const std::string& name) const { return home_.root() / "stores" / name; }

  testing::TestHome home_;
};

struct InfoCase {
  const char* label;
  testing::CertificateSpec wanted;
  std::string serial_blob_hex;  // expected SerialNumber bytes, least significant first
};

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char c : bytes) {
    text += kDigits[c >> 4];
    text += kDigits[c & 15];
  }
  return text;
}

TEST_F(CertificateStoreTest, CertInfoAgreesWithOpenSsl) {
  const std::vector<InfoCase> cases = {
      {"small serial", {.subject = {{"CN", "One"}}, .issuer = {}, .serial_hex = "01"}, "01"},
      {"sign byte kept", {.subject = {{"CN", "Two"}}, .issuer = {}, .serial_hex = "80"}, "8000"},
      {"long serial", {.subject = {{"CN", "Three"}}, .issuer = {}, .serial_hex = "7FEEDDCCBBAA99887766554433221100"},
       "00112233445566778899AABBCCDDEE7F"},
      {"sign byte before high bit", {.subject = {{"CN", "Four"}}, .issuer = {}, .serial_hex = "F00D"}, "0DF000"},
      {"serial of 20 bytes, the most RFC 5280 allows",
       {.subject = {{"CN", "Five"}}, .issuer = {}, .serial_hex = "7F0102030405060708090A0B0C0D0E0F10111213"},
       "131211100F0E0D0C0B0A0908070605040302017F"},
      {"serial of 32 bytes, longer than RFC 5280 allows",
       {.subject = {{"CN", "Six"}}, .issuer = {}, .serial_hex = "7F0102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"},
       "1F1E1D1C1B1A191817161514131211100F0E0D0C0B0A0908070605040302017F"},
      {"generalized time after 2049",
       {.subject = {{"CN", "Late"}}, .issuer = {}, .serial_hex = "01", .not_before_offset = 30 * kYear, .not_after_offset = 60 * kYear},
       "01"},
      {"generalized time before 1950",
       {.subject = {{"CN", "Early"}}, .issuer = {}, .serial_hex = "01", .not_before_offset = -90 * kYear, .not_after_offset = -85 * kYear},
       "01"},
      {"names of several types",
       {.subject = {{"C", "CN", V_ASN1_PRINTABLESTRING},
                    {"O", "测试机构", V_ASN1_UTF8STRING},
                    {"OU", "单位", V_ASN1_BMPSTRING},
                    {"CN", "Multi", MBSTRING_UTF8},
                    {"serialNumber", "42", V_ASN1_PRINTABLESTRING, false}},
        .issuer = {{"CN", "QDRA"}, {"OU", "config"}, {"O", "Ostrevalia"}}},
       "01"},
  };
  auto key = testing::TestRsaKey(0);
  for (const InfoCase& test : cases) {
    SCOPED_TRACE(test.label);
    testing::TestHome home;
    auto certificate = testing::MakeCertificate(test.wanted, key.get(), nullptr, key.get());
    testing::InstallCertificate(home.root(), "MY", certificate.get());
    X509* x = certificate.get();

    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    ASSERT_NE(store, nullptr);
    PCCERT_CONTEXT context = CertEnumCertificatesInStore(store, nullptr);
    ASSERT_NE(context, nullptr);
    const CERT_INFO& info = *context->pCertInfo;

    EXPECT_EQ(context->dwCertEncodingType, X509_ASN_ENCODING);
    EXPECT_EQ(BlobBytes(context->pbCertEncoded, context->cbCertEncoded), testing::DerOf(x));
    EXPECT_EQ(context->hCertStore, store);
    EXPECT_EQ(info.dwVersion, static_cast<DWORD>(X509_get_version(x)));
    EXPECT_EQ(Hex(BlobBytes(info.SerialNumber.pbData, info.SerialNumber.cbData)), test.serial_blob_hex);

    const X509_ALGOR* signature = X509_get0_tbs_sigalg(x);
    const ASN1_OBJECT* signature_oid = nullptr;
    X509_ALGOR_get0(&signature_oid, nullptr, nullptr, signature);
    EXPECT_STREQ(info.SignatureAlgorithm.pszObjId, testing::OidText(signature_oid).c_str());
    EXPECT_EQ(Hex(BlobBytes(info.SignatureAlgorithm.Parameters.pbData, info.SignatureAlgorithm.Parameters.cbData)),
              "0500");

    EXPECT_EQ(BlobBytes(info.Issuer.pbData, info.Issuer.cbData), testing::NameDer(X509_get_issuer_name(x)));
    EXPECT_EQ(BlobBytes(info.Subject.pbData, info.Subject.cbData), testing::NameDer(X509_get_subject_name(x)));

    const FILETIME not_before = testing::FileTimeOf(X509_get0_notBefore(x));
    const FILETIME not_after = testing::FileTimeOf(X509_get0_notAfter(x));
    EXPECT_EQ(info.NotBefore.dwHighDateTime, not_before.dwHighDateTime);
    EXPECT_EQ(info.NotBefore.dwLowDateTime, not_before.dwLowDateTime);
    EXPECT_EQ(info.NotAfter.dwHighDateTime, not_after.dwHighDateTime);
    EXPECT_EQ(info.NotAfter.dwLowDateTime, not_after.dwLowDateTime);

    const ASN1_OBJECT* key_oid = nullptr;
    X509_PUBKEY_get0_param(const_cast<ASN1_OBJECT**>(&key_oid), nullptr, nullptr, nullptr,
                           X509_get_X509_PUBKEY(x));
    EXPECT_STREQ(info.SubjectPublicKeyInfo.Algorithm.pszObjId, testing::OidText(key_oid).c_str());
    const ASN1_BIT_STRING* key_bits = X509_get0_pubkey_bitstr(x);
    EXPECT_EQ(BlobBytes(info.SubjectPublicKeyInfo.PublicKey.pbData, info.SubjectPublicKeyInfo.PublicKey.cbData),
              BlobBytes(ASN1_STRING_get0_data(key_bits), static_cast<DWORD>(ASN1_STRING_length(key_bits))));
    EXPECT_EQ(info.SubjectPublicKeyInfo.PublicKey.cUnusedBits, 0u);
    EXPECT_EQ(info.IssuerUniqueId.cbData, 0u);
    EXPECT_EQ(info.SubjectUniqueId.cbData, 0u);

    ASSERT_EQ(info.cExtension, static_cast<DWORD>(X509_get_ext_count(x)));
    for (int i = 0; i < X509_get_ext_count(x); ++i) {
      X509_EXTENSION* extension = X509_get_ext(x, i);
      EXPECT_STREQ(info.rgExtension[i].pszObjId, testing::OidText(X509_EXTENSION_get_object(extension)).c_str());
      EXPECT_EQ(info.rgExtension[i].fCritical != 0, X509_EXTENSION_get_critical(extension) != 0);
      const ASN1_OCTET_STRING* value = X509_EXTENSION_get_data(extension);
      EXPECT_EQ(BlobBytes(info.rgExtension[i].Value.pbData, info.rgExtension[i].Value.cbData),
                BlobBytes(ASN1_STRING_get0_data(value), static_cast<DWORD>(ASN1_STRING_length(value))));
    }

    X509* parsed = platform::CertificateX509(context);
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(X509_cmp(parsed, x), 0);
    EXPECT_EQ(platform::CertificateX509(context), parsed);  // cached

    EXPECT_TRUE(CertFreeCertificateContext(context));
    EXPECT_TRUE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
  }
}

TEST_F(CertificateStoreTest, EnumeratesByThumbprintListingEachCertificateOnce) {
  std::vector<ossl::UniquePtr<X509>> certificates;
  for (int i = 0; i < 5; ++i) certificates.push_back(Make("Cert " + std::to_string(i), "0" + std::to_string(i + 1)));
  // Three in the tool's layout, one as a lower-case .crt DER file, two in one PEM bundle (one of
  // them a duplicate of an installed certificate), one duplicated as .der.
  for (int i = 0; i < 3; ++i) testing::InstallCertificate(home_.root(), "CA", certificates[i].get());
  testing::WriteFile(Folder("CA") / "dropped.CRT", testing::DerOf(certificates[3].get()));
  testing::WriteFile(Folder("CA") / "bundle.pem",
                     testing::PemOf(certificates[4].get()) + testing::PemOf(certificates[0].get()));
  testing::WriteFile(Folder("CA") / "again.der", testing::DerOf(certificates[1].get()));
  testing::WriteFile(Folder("CA") / "notes.txt", "not a certificate, not read");
  testing::WriteFile(Folder("CA") / "revoked.crl", "not read by the certificate store");
  fs::create_directory(Folder("CA") / "sub.cer");  // a folder with a certificate's name: passed over

  std::vector<std::string> expected;
  for (auto& certificate : certificates) expected.push_back(Thumbprint(certificate.get()));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(EnumeratedThumbprints("CA"), expected);
}

TEST_F(CertificateStoreTest, StoreNamesAreCaseInsensitive) {
  auto certificate = Make("Root cert");
  testing::InstallCertificate(home_.root(), "Root", certificate.get());
  ASSERT_TRUE(fs::is_directory(Folder("ROOT")));
  const std::vector<std::string> expected = {Thumbprint(certificate.get())};
  for (const char* name : {"ROOT", "Root", "root", "rOoT"}) EXPECT_EQ(EnumeratedThumbprints(name), expected) << name;
}

TEST_F(CertificateStoreTest, MissingStoreOpensEmptyWithoutCreatingIt) {
  EXPECT_TRUE(EnumeratedThumbprints("MY").empty());
  EXPECT_FALSE(fs::exists(home_.root() / "stores"));
}

TEST_F(CertificateStoreTest, OpenFailsOnUnusableStores) {
  auto certificate = Make("Good");
  struct Case {
    const char* label;
    std::function<void(const fs::path& folder)> prepare;
    DWORD error;
    bool other_stores_open = true;
  };
  const std::vector<Case> cases = {
      {"file in the store's place", [](const fs::path& folder) { testing::WriteFile(folder, "x"); }, ERROR_DIRECTORY},
      {"file in the place of the stores folder",
       [](const fs::path& folder) {
         fs::remove_all(folder.parent_path());
         testing::WriteFile(folder.parent_path(), "x");
       },
       ERROR_DIRECTORY, false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    testing::TestHome home;
    const fs::path folder = home.root() / "stores" / "MY";
    testing::InstallCertificate(home.root(), "CA", certificate.get());
    test.prepare(folder);
    SetLastError(0);
    EXPECT_EQ(CertOpenSystemStoreA(0, "MY"), nullptr);
    EXPECT_EQ(GetLastError(), test.error);
    // Other stores are not affected.
    if (test.other_stores_open) {
      EXPECT_EQ(EnumeratedThumbprints("CA").size(), 1u);
    }
  }
  for (const char* bad_name : {"", ".", "..", "A/B", "..\\x"}) {
    EXPECT_EQ(CertOpenSystemStoreA(0, bad_name), nullptr) << bad_name;
    EXPECT_EQ(GetLastError(), E_INVALIDARG);
  }
}

// One bad entry does not take the store down: the store opens with its good certificate, and
// the entry is reported by name with its reason. Devices, FIFOs and oversized files are refused
// before they are read (a read of /dev/zero would never end).
TEST_F(CertificateStoreTest, SkipsEntriesThatCannotBeRead) {
  auto good = Make("Good");
  auto key = testing::TestRsaKey(0);
  const std::string der = testing::DerOf(good.get());
  const std::string pem = testing::PemOf(good.get());
  struct Case {
    const char* label;
    std::function<void(const fs::path& file)> prepare;
    const char* reason;  // part of the reported reason
  };
  const std::vector<Case> cases = {
      {"random bytes", [](const fs::path& f) { testing::WriteFile(f, "hello"); }, "not certificate data"},
      {"empty file", [](const fs::path& f) { testing::WriteFile(f, ""); }, "empty file"},
      {"truncated DER", [&](const fs::path& f) { testing::WriteFile(f, der.substr(0, der.size() - 1)); },
       "not certificate data"},
      {"DER with trailing bytes", [&](const fs::path& f) { testing::WriteFile(f, der + "x"); }, "not certificate data"},
      {"PEM with broken Base64",
       [&](const fs::path& f) {
         std::string broken = pem;
         broken[40] = '*';
         testing::WriteFile(f, broken);
       },
       "not certificate data"},
      {"private key under a certificate's name",
       [&](const fs::path& f) { testing::WriteFile(f, testing::PrivateKeyPemOf(key.get())); }, "private key"},
      {"revocation list under a certificate's name",
       [&](const fs::path& f) { testing::WriteFile(f, testing::CrlPemOf(testing::RevocationListDer(good.get(), key.get()))); },
       "revocation list"},
      {"dangling link", [](const fs::path& f) { fs::create_symlink(f.parent_path() / "nowhere", f); }, "No such file"},
      {"link loop", [](const fs::path& f) { fs::create_symlink(f, f); }, "symbolic links"},
      {"link to /dev/zero", [](const fs::path& f) { fs::create_symlink("/dev/zero", f); }, "not a regular file"},
      {"FIFO", [](const fs::path& f) { ASSERT_EQ(mkfifo(f.c_str(), 0644), 0); }, "not a regular file"},
      {"folder", [](const fs::path& f) { fs::create_directory(f); }, "not a regular file"},
      {"sparse file past the limit",
       [](const fs::path& f) {
         testing::WriteFile(f, "");
         fs::resize_file(f, platform::kStoreFileLimit + 1);
       },
       "larger than"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    testing::TestHome home;
    testing::InstallCertificate(home.root(), "MY", good.get());
    const fs::path folder = home.root() / "stores" / "MY";
    test.prepare(folder / "bad.cer");
    EXPECT_EQ(EnumeratedThumbprints("MY"), std::vector<std::string>{Thumbprint(good.get())});
    std::shared_ptr<platform::StoreContents> contents;
    ASSERT_TRUE(platform::LoadStoreContents(folder, contents).ok());
    ASSERT_EQ(contents->skipped.size(), 1u);
    EXPECT_EQ(contents->skipped[0].file, "bad.cer");
    EXPECT_NE(contents->skipped[0].reason.find(test.reason), std::string::npos) << contents->skipped[0].reason;
  }
}

// A certificate OpenSSL reads is a certificate, even with an empty relative name in its subject.
TEST_F(CertificateStoreTest, EmptyRelativeNameIsListed) {
  auto key = testing::TestRsaKey(0);
  auto certificate = testing::MakeEmptyRelativeNameCertificate(key.get());
  ASSERT_NE(certificate, nullptr);
  testing::InstallCertificate(home_.root(), "MY", certificate.get(), key.get());
  EXPECT_EQ(EnumeratedThumbprints("MY"), std::vector<std::string>{Thumbprint(certificate.get())});
}

// A store read again (CERT_STORE_CTRL_RESYNC) sees certificates removed and added since it was
// opened; contexts taken before stay valid, and an enumeration goes on after their thumbprint.
TEST_F(CertificateStoreTest, ResyncReadsTheFolderAgain) {
  auto first = Make("First", "01");
  auto second = Make("Second", "02");
  const fs::path first_file = testing::InstallCertificate(home_.root(), "MY", first.get());
  HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
  ASSERT_NE(store, nullptr);
  PCCERT_CONTEXT held = CertEnumCertificatesInStore(store, nullptr);
  ASSERT_NE(held, nullptr);
  fs::remove(first_file);
  testing::InstallCertificate(home_.root(), "MY", second.get());
  EXPECT_EQ(CertEnumCertificatesInStore(store, CertDuplicateCertificateContext(held)), nullptr);  // old view
  ASSERT_TRUE(CertControlStore(store, 0, CERT_STORE_CTRL_RESYNC, nullptr));
  PCCERT_CONTEXT found = CertEnumCertificatesInStore(store, nullptr);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(Thumbprint(found->pbCertEncoded, found->cbCertEncoded), Thumbprint(second.get()));
  // Going on from the context of the earlier reading: after its thumbprint in the new one.
  const bool second_after_first = Thumbprint(second.get()) > Thumbprint(first.get());
  PCCERT_CONTEXT next = CertEnumCertificatesInStore(store, CertDuplicateCertificateContext(held));
  EXPECT_EQ(next != nullptr, second_after_first);
  CertFreeCertificateContext(next);
  EXPECT_EQ(Thumbprint(held->pbCertEncoded, held->cbCertEncoded), Thumbprint(first.get()));
  CertFreeCertificateContext(found);
  CertFreeCertificateContext(held);
  EXPECT_FALSE(CertControlStore(store, 0, 99, nullptr));
  EXPECT_EQ(GetLastError(), E_INVALIDARG);
  EXPECT_TRUE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
}

// A key file that is a link to /dev/zero or oversized is no key: signing would otherwise read
// forever.
TEST_F(CertificateStoreTest, UnboundedKeyFilesAreNoKeys) {
  auto key = testing::TestRsaKey(0);
  auto certificate = Make("Signer");
  const fs::path key_file = testing::InstallCertificate(home_.root(), "MY", certificate.get(), key.get())
                                .replace_extension(".key");
  for (const auto& replace : std::vector<std::function<void()>>{
           [&] { fs::create_symlink("/dev/zero", key_file); },
           [&] {
             testing::WriteFile(key_file, testing::PrivateKeyPemOf(key.get()));
             fs::resize_file(key_file, 3 * platform::kStoreFileLimit);
           }}) {
    fs::remove(key_file);
    replace();
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    PCCERT_CONTEXT context = CertEnumCertificatesInStore(store, nullptr);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(testing::LinkedKey(context), nullptr);
    CertFreeCertificateContext(context);
    CertCloseStore(store, 0);
  }
}

// A file whose size the system understates (/proc says 0) is still cut off at the limit.
TEST(ReadWholeFileTest, StopsAtTheLimitWhateverTheSizeSays) {
  std::string bytes;
  const platform::Status read = platform::ReadWholeFile("/proc/self/status", bytes, 64);
  EXPECT_NE(read.Text().find("grew past 64 bytes"), std::string::npos) << read.Text();
  EXPECT_TRUE(bytes.empty());
}

TEST_F(CertificateStoreTest, ContextsOutliveTheirStore) {
  auto first = Make("First", "01");
  auto second = Make("Second", "02");
  testing::InstallCertificate(home_.root(), "MY", first.get());
  testing::InstallCertificate(home_.root(), "MY", second.get());

  HCERTSTORE store = CertOpenSystemStoreA(0, "my");
  ASSERT_NE(store, nullptr);
  PCCERT_CONTEXT context = CertEnumCertificatesInStore(store, nullptr);
  ASSERT_NE(context, nullptr);
  PCCERT_CONTEXT duplicate = CertDuplicateCertificateContext(context);
  EXPECT_EQ(duplicate, context);
  const std::string der = BlobBytes(context->pbCertEncoded, context->cbCertEncoded);

  SetLastError(0);
  EXPECT_FALSE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
  EXPECT_EQ(GetLastError(), CRYPT_E_PENDING_CLOSE);
  // The handle is closed: a second close and an enumeration find nothing.
  EXPECT_FALSE(CertCloseStore(store, 0));
  EXPECT_EQ(CertEnumCertificatesInStore(store, nullptr), nullptr);

  EXPECT_TRUE(CertFreeCertificateContext(context));
  // One reference is left: the data is still there, and the OpenSSL form can still be made.
  EXPECT_EQ(BlobBytes(duplicate->pbCertEncoded, duplicate->cbCertEncoded), der);
  ASSERT_NE(platform::CertificateX509(duplicate), nullptr);
  EXPECT_EQ(testing::DerOf(platform::CertificateX509(duplicate)), der);
  EXPECT_TRUE(CertFreeCertificateContext(duplicate));
  EXPECT_TRUE(CertFreeCertificateContext(nullptr));
  // A context freed once too often, or one this layer did not make, is refused, not followed.
  SetLastError(0);
  EXPECT_FALSE(CertFreeCertificateContext(duplicate));
  EXPECT_EQ(GetLastError(), E_INVALIDARG);
  const CERT_CONTEXT foreign{};
  EXPECT_FALSE(CertFreeCertificateContext(&foreign));
  EXPECT_EQ(CertDuplicateCertificateContext(&foreign), nullptr);
  EXPECT_EQ(platform::CertificateX509(&foreign), nullptr);
}

TEST_F(CertificateStoreTest, EnumerationReleasesThePreviousContext) {
  for (int i = 0; i < 3; ++i) testing::InstallCertificate(home_.root(), "MY", Make("C" + std::to_string(i)).get());
  HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
  ASSERT_NE(store, nullptr);
  int count = 0;
  for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c)) != nullptr;) ++count;
  EXPECT_EQ(count, 3);
  // Every context was released by the enumeration itself: nothing is outstanding.
  EXPECT_TRUE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));

  // A call that fails takes over `previous` all the same, also when the failure is injected.
  using Next = std::function<PCCERT_CONTEXT(HCERTSTORE, PCCERT_CONTEXT)>;
  const std::pair<const char*, Next> calls[] = {
      {"CertEnumCertificatesInStore", CertEnumCertificatesInStore},
      {"CertFindCertificateInStore", [](HCERTSTORE s, PCCERT_CONTEXT previous) {
         return CertFindCertificateInStore(s, X509_ASN_ENCODING, 0, CERT_FIND_ANY, nullptr, previous);
       }}};
  for (const auto& [api, next] : calls) {
    SCOPED_TRACE(api);
    store = CertOpenSystemStoreA(0, "MY");
    ASSERT_NE(store, nullptr);
    PCCERT_CONTEXT first = next(store, nullptr);
    ASSERT_NE(first, nullptr);
    platform::testing::ArmFault(api, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(next(store, first), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
  }
}

// Enumeration hands the caller's `previous` on to the next certificate when the caller held its
// only reference; every other case takes the careful way, and each ends as it always did.
TEST_F(CertificateStoreTest, EnumerationGoesOnFromEachKindOfPrevious) {
  std::vector<std::string> thumbprints;  // of the row's store, in order
  const struct {
    const char* name;
    // Done between taking the first certificate and going on from it; returns the handle to go
    // on with and may keep a duplicate of the first context in `kept`.
    std::function<HCERTSTORE(HCERTSTORE store, PCCERT_CONTEXT first, PCCERT_CONTEXT& kept)> before;
    int next;          // index into `thumbprints` of what comes next; -1: the call fails
    DWORD error;       // its last error when it fails
  } rows[] = {
      {"held by the caller alone", [](HCERTSTORE store, PCCERT_CONTEXT, PCCERT_CONTEXT&) { return store; }, 1, 0},
      {"duplicated before",
       [](HCERTSTORE store, PCCERT_CONTEXT first, PCCERT_CONTEXT& kept) {
         kept = CertDuplicateCertificateContext(first);
         return store;
       },
       1, 0},
      {"store read again without the next certificate",
       [&](HCERTSTORE store, PCCERT_CONTEXT, PCCERT_CONTEXT&) {
         fs::remove(Folder("MY") / (thumbprints[1] + ".cer"));
         EXPECT_TRUE(CertControlStore(store, 0, CERT_STORE_CTRL_RESYNC, nullptr));
         return store;
       },
       2, 0},
      {"handle closed",
       [](HCERTSTORE store, PCCERT_CONTEXT, PCCERT_CONTEXT&) {
         CertCloseStore(store, 0);
         return store;
       },
       -1, E_INVALIDARG},
      {"from another handle of the same store",
       [](HCERTSTORE, PCCERT_CONTEXT, PCCERT_CONTEXT&) { return CertOpenSystemStoreA(0, "MY"); }, -1, E_INVALIDARG},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(Folder("MY"));
    for (int i = 0; i < 3; ++i) testing::InstallCertificate(home_.root(), "MY", Make("E" + std::to_string(i)).get());
    thumbprints = EnumeratedThumbprints("MY");
    const size_t live = platform::LiveContextCount();
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    ASSERT_NE(store, nullptr);
    PCCERT_CONTEXT first = CertEnumCertificatesInStore(store, nullptr);
    ASSERT_NE(first, nullptr);
    PCCERT_CONTEXT kept = nullptr;
    HCERTSTORE target = row.before(store, first, kept);
    SetLastError(0);
    PCCERT_CONTEXT next = CertEnumCertificatesInStore(target, first);
    if (row.next < 0) {
      EXPECT_EQ(next, nullptr);
      EXPECT_EQ(GetLastError(), row.error);
    } else {
      ASSERT_NE(next, nullptr);
      EXPECT_EQ(Thumbprint(next->pbCertEncoded, next->cbCertEncoded), thumbprints[row.next]);
    }
    if (kept != nullptr) {  // the duplicate still shows the first certificate
      EXPECT_EQ(Thumbprint(kept->pbCertEncoded, kept->cbCertEncoded), thumbprints[0]);
      EXPECT_TRUE(CertFreeCertificateContext(kept));
    }
    if (next != nullptr) {
      EXPECT_TRUE(CertFreeCertificateContext(next));
    }
    if (target != store) CertCloseStore(target, 0);
    CertCloseStore(store, 0);
    EXPECT_EQ(platform::LiveContextCount(), live);  // `first` was released or handed on
  }
}

// One handle used from several threads at once: each enumerates, keeps duplicates and frees
// them (run under the sanitizers, this checks the reference counts).
TEST_F(CertificateStoreTest, OneStoreServesSeveralThreads) {
  for (int i = 0; i < 8; ++i) testing::InstallCertificate(home_.root(), "MY", Make("T" + std::to_string(i)).get());
  HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
  ASSERT_NE(store, nullptr);
  std::vector<std::thread> threads;
  std::vector<int> counts(4, 0);
  std::vector<PCCERT_CONTEXT> kept(4, nullptr);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c)) != nullptr;) {
          ++counts[t];
          if (kept[t] != nullptr) CertFreeCertificateContext(kept[t]);
          kept[t] = CertDuplicateCertificateContext(c);
          platform::CertificateX509(c);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(counts[t], 8 * 50);
  EXPECT_FALSE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));  // the kept duplicates
  for (PCCERT_CONTEXT c : kept) EXPECT_TRUE(CertFreeCertificateContext(c));
}

// A certificate removed (or put back) while a store is being opened: the open sees the store
// with or without it, never fails for it.
TEST_F(CertificateStoreTest, OpensWhileACertificateComesAndGoes) {
  auto stays = Make("Stays", "01");
  auto churns = Make("Churns", "02");
  testing::InstallCertificate(home_.root(), "MY", stays.get());
  const fs::path churning = Folder("MY") / "churn.cer";
  const std::string der = testing::DerOf(churns.get());
  std::atomic<bool> stop{false};
  std::thread changer([&] {
    while (!stop) {
      ASSERT_TRUE(platform::WriteFileAtomically(churning, der, 0644).ok());
      fs::remove(churning);
    }
  });
  int failures = 0;
  for (int i = 0; i < 2000; ++i) {
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    if (store == nullptr) {
      ++failures;
      continue;
    }
    CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG);
  }
  stop = true;
  changer.join();
  EXPECT_EQ(failures, 0);
}

TEST_F(CertificateStoreTest, FindsBySubjectAndSerialInThumbprintOrder) {
  auto one = Make("Twin", "01", 0);
  auto two = Make("Twin", "02", 1);
  auto other = Make("Other", "01", 2);
  for (X509* x : {one.get(), two.get(), other.get()}) testing::InstallCertificate(home_.root(), "MY", x);
  auto sorted = [](std::vector<std::string> thumbprints) {
    std::sort(thumbprints.begin(), thumbprints.end());
    return thumbprints;
  };
  std::string subject = testing::NameDer(X509_get_subject_name(one.get()));
  std::string serial = "\x01", padded_serial = std::string("\x01\x00\x00", 3), other_serial = "\x02\x01";
  // Certificates of the second Twin's key, one giving that key's identifier, one giving none: its
  // issuer is found by the key identifier, else by name.
  auto issued_key = testing::TestRsaKey(3);
  auto two_key = testing::TestRsaKey(1);
  for (const bool names_key : {true, false}) {
    testing::InstallCertificate(home_.root(), "CA", testing::MakeCertificate({.subject = {{"CN", "Issued"}},
                                                                              .serial_hex = names_key ? "0A" : "0B",
                                                                              .authority_key_identifier = names_key},
                                                                             issued_key.get(), two.get(), two_key.get())
                                                        .get());
  }
  HCERTSTORE issued_store = CertOpenSystemStoreA(0, "CA");
  ASSERT_NE(issued_store, nullptr);
  PCCERT_CONTEXT issued[2] = {CertEnumCertificatesInStore(issued_store, nullptr), nullptr};
  ASSERT_NE(issued[0], nullptr);
  issued[1] = CertDuplicateCertificateContext(issued[0]);
  issued[1] = CertEnumCertificatesInStore(issued_store, issued[1]);
  ASSERT_NE(issued[1], nullptr);
  if (X509_get0_authority_key_id(platform::CertificateX509(issued[0])) == nullptr) std::swap(issued[0], issued[1]);
  struct Row {
    const char* label;
    DWORD find_type;
    std::string* key;
    std::vector<std::string> expected;
    PCCERT_CONTEXT issued = nullptr;  // what CERT_FIND_ISSUER_OF is given instead of a key
  };
  const Row rows[] = {
      {"subject", CERT_FIND_SUBJECT_NAME, &subject, sorted({Thumbprint(one.get()), Thumbprint(two.get())})},
      {"serial", CORVANE_CERT_FIND_SERIAL_NUMBER, &serial, sorted({Thumbprint(one.get()), Thumbprint(other.get())})},
      {"serial with sign bytes", CORVANE_CERT_FIND_SERIAL_NUMBER, &padded_serial,
       sorted({Thumbprint(one.get()), Thumbprint(other.get())})},
      {"other serial", CORVANE_CERT_FIND_SERIAL_NUMBER, &other_serial, {}},
      {"issuer by key identifier", CERT_FIND_ISSUER_OF, nullptr, {Thumbprint(two.get())}, issued[0]},
      {"issuer by name", CERT_FIND_ISSUER_OF, nullptr, sorted({Thumbprint(one.get()), Thumbprint(two.get())}),
       issued[1]},
  };
  HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
  ASSERT_NE(store, nullptr);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    CRYPT_INTEGER_BLOB key{};
    if (row.key != nullptr) key = {static_cast<DWORD>(row.key->size()), reinterpret_cast<BYTE*>(row.key->data())};
    const void* find_para = row.issued != nullptr ? static_cast<const void*>(row.issued) : &key;
    std::vector<std::string> found;
    PCCERT_CONTEXT context = nullptr;
    while ((context = CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, row.find_type,
                                                 find_para, context)) != nullptr) {
      found.push_back(platform::Thumbprint(context->pbCertEncoded, context->cbCertEncoded));
    }
    EXPECT_EQ(GetLastError(), CRYPT_E_NOT_FOUND);
    EXPECT_EQ(found, row.expected);
  }

  // A name that differs in one byte matches nothing.
  subject.back() ^= 1;
  CERT_NAME_BLOB other_name{static_cast<DWORD>(subject.size()), reinterpret_cast<BYTE*>(subject.data())};
  EXPECT_EQ(CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_NAME, &other_name, nullptr),
            nullptr);

  int any = 0;
  for (PCCERT_CONTEXT c = nullptr;
       (c = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_ANY, nullptr, c)) != nullptr;) {
    ++any;
  }
  EXPECT_EQ(any, 3);
  EXPECT_TRUE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
  for (PCCERT_CONTEXT context : issued) CertFreeCertificateContext(context);
  EXPECT_TRUE(CertCloseStore(issued_store, CERT_CLOSE_STORE_CHECK_FLAG));
}

TEST_F(CertificateStoreTest, LinkedKeyMustMatchTheCertificate) {
  auto key = testing::TestRsaKey(0);
  auto other_key = testing::TestRsaKey(1);
  auto with_key = Make("With key", "01", 0);
  auto wrong_key = Make("Wrong key", "02", 2);
  auto without_key = Make("No key", "03", 3);
  testing::InstallCertificate(home_.root(), "MY", with_key.get(), key.get());
  testing::InstallCertificate(home_.root(), "MY", wrong_key.get(), other_key.get());
  testing::InstallCertificate(home_.root(), "MY", without_key.get());

  HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
  ASSERT_NE(store, nullptr);
  int checked = 0;
  for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c)) != nullptr; ++checked) {
    const std::string thumbprint = platform::Thumbprint(c->pbCertEncoded, c->cbCertEncoded);
    ossl::UniquePtr<EVP_PKEY> linked = testing::LinkedKey(c);
    if (thumbprint == Thumbprint(with_key.get())) {
      ASSERT_NE(linked, nullptr);
      EXPECT_EQ(EVP_PKEY_eq(linked.get(), key.get()), 1);
    } else {
      EXPECT_EQ(linked, nullptr) << thumbprint;
    }
  }
  EXPECT_EQ(checked, 3);
  EXPECT_TRUE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
}

TEST_F(CertificateStoreTest, ProviderIsHeldUntilTheStoreCloses) {
  HCRYPTPROV provider = 0;
  ASSERT_TRUE(CryptAcquireContextA(&provider, nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  HCERTSTORE store = CertOpenSystemStoreA(provider, "MY");
  ASSERT_NE(store, nullptr);
  EXPECT_TRUE(CryptReleaseContext(provider, 0));  // the store still holds it
  EXPECT_TRUE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
  // Both references are gone: the context has ended, and stores cannot be opened with it.
  EXPECT_FALSE(CryptReleaseContext(provider, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(CertOpenSystemStoreA(provider, "MY"), nullptr);
  EXPECT_EQ(GetLastError(), E_INVALIDARG);
}

TEST_F(CertificateStoreTest, DetachedContextsCarryTheSameFields) {
  auto key = testing::TestRsaKey(0);
  auto certificate = Make("Carried", "00C0", 0);
  // Even with its key installed beside it in MY, a detached context has no linked key.
  testing::InstallCertificate(home_.root(), "MY", certificate.get(), key.get());
  const std::string der = testing::DerOf(certificate.get());
  PCCERT_CONTEXT context = platform::CreateDetachedCertificateContext(reinterpret_cast<const BYTE*>(der.data()),
                                                                      der.size());
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(BlobBytes(context->pbCertEncoded, context->cbCertEncoded), der);
  EXPECT_EQ(BlobBytes(context->pCertInfo->Subject.pbData, context->pCertInfo->Subject.cbData),
            testing::NameDer(X509_get_subject_name(certificate.get())));
  EXPECT_EQ(Hex(BlobBytes(context->pCertInfo->SerialNumber.pbData, context->pCertInfo->SerialNumber.cbData)), "C000");
  ASSERT_NE(platform::CertificateX509(context), nullptr);
  EXPECT_EQ(testing::LinkedKey(context), nullptr);
  EXPECT_EQ(CertEnumCertificatesInStore(context->hCertStore, nullptr), nullptr);
  PCCERT_CONTEXT duplicate = CertDuplicateCertificateContext(context);
  EXPECT_TRUE(CertFreeCertificateContext(context));
  EXPECT_EQ(BlobBytes(duplicate->pbCertEncoded, duplicate->cbCertEncoded), der);
  EXPECT_TRUE(CertFreeCertificateContext(duplicate));

  SetLastError(0);
  EXPECT_EQ(platform::CreateDetachedCertificateContext(reinterpret_cast<const BYTE*>(der.data()), der.size() - 1),
            nullptr);
  EXPECT_EQ(GetLastError(), CRYPT_E_ASN1_CORRUPT);
}

TEST(StoreRootTest, FollowsTheEnvironment) {
  struct Case {
    std::optional<std::string> corvane_home, xdg_data_home, home;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"/a/corvane-home", "/b/data", "/c/home", "/a/corvane-home"},
      {std::nullopt, "/b/data", "/c/home", "/b/data/corvane"},
      {"", "/b/data", "/c/home", "/b/data/corvane"},
      {std::nullopt, std::nullopt, "/c/home", "/c/home/.local/share/corvane"},
      {std::nullopt, "relative/data", "/c/home", "/c/home/.local/share/corvane"},  // ignored by the XDG rules
  };
  for (const Case& test : cases) {
    testing::TestHome home;
    home.SetEnv("CORVANE_HOME", test.corvane_home);
    home.SetEnv("XDG_DATA_HOME", test.xdg_data_home);
    home.SetEnv("HOME", test.home);
    EXPECT_EQ(platform::StoreRoot(), fs::path(test.expected));
    EXPECT_EQ(platform::StoreFolder("Root"), fs::path(test.expected) / "stores" / "ROOT");
  }
}

// The TBSCertificate reader on every prefix and on random corruptions of a real certificate:
// it must reject what is malformed without reading outside the buffer (checked under ASan).
TEST(TbsCertificateTest, RejectsTruncatedAndSurvivesCorruptedInput) {
  auto key = testing::TestRsaKey(0);
  auto certificate = testing::MakeCertificate({.subject = {{"CN", "Fuzz"}}, .issuer = {}}, key.get(), nullptr, key.get());
  const std::string der = testing::DerOf(certificate.get());
  auto bytes = [](const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); };
  ASSERT_NE(platform::TbsCertificate::Parse(bytes(der)), nullptr);
  for (size_t length = 0; length < der.size(); ++length) {
    EXPECT_EQ(platform::TbsCertificate::Parse(bytes(der.substr(0, length))), nullptr) << length;
  }
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string corrupted = der;
    for (int flips = 1 + round % 3; flips > 0; --flips) {
      corrupted[random() % corrupted.size()] ^= static_cast<char>(1 << (random() % 8));
    }
    // The result may go either way; an accepted certificate must still be self-consistent.
    auto parsed = platform::TbsCertificate::Parse(bytes(corrupted));
    if (parsed != nullptr) {
      const CERT_INFO& info = *parsed->info();
      const BYTE* begin = parsed->der().data();
      const BYTE* end = begin + parsed->der().size();
      EXPECT_TRUE(info.Subject.pbData >= begin && info.Subject.pbData + info.Subject.cbData <= end);
      EXPECT_TRUE(info.Issuer.pbData >= begin && info.Issuer.pbData + info.Issuer.cbData <= end);
    }
  }
}

}  // namespace
}  // namespace corvane
