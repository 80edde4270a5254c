// CryptVerifyMessageSignature and CryptVerifyDetachedMessageSignature on messages made by the
// openssl command: one table of forms other tools write, and of changed messages.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/store/thumbprint.h"
#include "support/openssl_peer.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

using testing::PeerSigner;

const std::string kContent = "peer content 0123456789";

struct Verified {
  bool ok = false;
  DWORD error = 0;
  std::string content;
  std::string signer_thumbprint;
};

CRYPT_VERIFY_MESSAGE_PARA Parameters() {
  CRYPT_VERIFY_MESSAGE_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.dwMsgAndCertEncodingType = PKCS_7_ASN_ENCODING | X509_ASN_ENCODING;
  return parameters;
}

Verified Finish(BOOL ok, PCCERT_CONTEXT signer) {
  Verified result;
  result.ok = ok != FALSE;
  result.error = ok ? 0 : GetLastError();
  if (signer != nullptr) {
    result.signer_thumbprint = platform::Thumbprint(signer->pbCertEncoded, signer->cbCertEncoded);
    CertFreeCertificateContext(signer);
  }
  return result;
}

// Size first, then the content into a buffer of that size.
Verified VerifyAttached(const std::string& der) {
  CRYPT_VERIFY_MESSAGE_PARA parameters = Parameters();
  const auto* message = reinterpret_cast<const BYTE*>(der.data());
  DWORD size = 0;
  if (!CryptVerifyMessageSignature(&parameters, 0, message, der.size(), nullptr, &size, nullptr)) {
    return Finish(FALSE, nullptr);
  }
  std::string content(size, '\0');
  PCCERT_CONTEXT signer = nullptr;
  const BOOL ok = CryptVerifyMessageSignature(
      &parameters, 0, message, der.size(), reinterpret_cast<BYTE*>(content.data()), &size, &signer);
  Verified result = Finish(ok, signer);
  result.content = content.substr(0, size);
  return result;
}

Verified VerifyDetached(const std::string& der, const std::string& data) {
  CRYPT_VERIFY_MESSAGE_PARA parameters = Parameters();
  const BYTE* pieces[] = {reinterpret_cast<const BYTE*>(data.data())};
  DWORD sizes[] = {static_cast<DWORD>(data.size())};
  PCCERT_CONTEXT signer = nullptr;
  const BOOL ok =
      CryptVerifyDetachedMessageSignature(&parameters, 0, reinterpret_cast<const BYTE*>(der.data()),
                                          der.size(), 1, pieces, sizes, &signer);
  return Finish(ok, signer);
}

enum class Extra { kNone, kDecoyThenSigner, kFirstSignerOnly };
enum class Change {
  kNone,
  kContentByte,
  kSignatureByte,
  kSignatureAlgorithmSha256WithRsa,
  kContentTypeNotSigned,
  kBerContentRemoved,
};

struct PeerCase {
  const char* name;
  const char* options;
  int signers;
  Extra extra;
  bool detached;
  Change change;
  DWORD error;  // 0: verifies, signer 0 named, content handed back
};

const PeerCase kPeerCases[] = {
    {"attached_no_attributes_sha1", "-nodetach -noattr -md sha1", 1, Extra::kNone, false,
     Change::kNone, 0},
    {"attached_attributes_sha256", "-nodetach -md sha256", 1, Extra::kNone, false, Change::kNone,
     0},
    {"attached_attributes_sha384", "-nodetach -md sha384", 1, Extra::kNone, false, Change::kNone,
     0},
    {"attached_no_attributes_sha512", "-nodetach -noattr -md sha512", 1, Extra::kNone, false,
     Change::kNone, 0},
    {"attached_ber_indefinite", "-nodetach -stream -md sha256", 1, Extra::kNone, false,
     Change::kNone, 0},
    {"detached_attributes_sha1", "-md sha1", 1, Extra::kNone, true, Change::kNone, 0},
    {"detached_no_attributes_sha256", "-noattr -md sha256", 1, Extra::kNone, true, Change::kNone,
     0},
    {"detached_ber_indefinite", "-nodetach -stream", 1, Extra::kNone, true,
     Change::kBerContentRemoved, 0},
    {"signer_by_key_identifier", "-nodetach -keyid", 1, Extra::kNone, false, Change::kNone, 0},
    {"sha256_with_rsa_as_signature_algorithm", "-nodetach -noattr -md sha256", 1, Extra::kNone,
     false, Change::kSignatureAlgorithmSha256WithRsa, 0},
    // The second signer's certificate is not even in the message: only the first is verified.
    {"two_signers_first_verified", "-nodetach -nocerts", 2, Extra::kFirstSignerOnly, false,
     Change::kNone, 0},
    {"same_serial_other_issuer_first", "-nodetach -nocerts", 1, Extra::kDecoyThenSigner, false,
     Change::kNone, 0},
    {"no_signer_certificate", "-nodetach -nocerts", 1, Extra::kNone, false, Change::kNone,
     CRYPT_E_NOT_FOUND},
    {"content_byte_attributes", "-nodetach", 1, Extra::kNone, false, Change::kContentByte,
     NTE_BAD_SIGNATURE},
    {"content_byte_no_attributes", "-nodetach -noattr", 1, Extra::kNone, false,
     Change::kContentByte, NTE_BAD_SIGNATURE},
    {"signature_byte", "-nodetach -noattr", 1, Extra::kNone, false, Change::kSignatureByte,
     NTE_BAD_SIGNATURE},
    // The content type outside the signed attributes is not covered by the signature.
    {"content_type_other_than_signed", "-nodetach", 1, Extra::kNone, false,
     Change::kContentTypeNotSigned, NTE_BAD_SIGNATURE},
    {"detached_data_byte", "-md sha256", 1, Extra::kNone, true, Change::kContentByte,
     NTE_BAD_SIGNATURE},
};

class VerifyMessageTest : public ::testing::TestWithParam<PeerCase> {
 protected:
  VerifyMessageTest() {
    ca_key_ = testing::TestRsaKey(2);
    ca_ = testing::MakeCertificate({.subject = {{"CN", "Peer CA"}}, .ca = true}, ca_key_.get(),
                                   nullptr, ca_key_.get());
    key_ = testing::TestRsaKey(0);
    signer_ = testing::MakeCertificate({.subject = {{"CN", "Signer"}}, .serial_hex = "51"},
                                       key_.get(), ca_.get(), ca_key_.get());
    second_key_ = testing::TestRsaKey(1);
    second_ = testing::MakeCertificate({.subject = {{"CN", "Second"}}, .serial_hex = "52"},
                                       second_key_.get(), ca_.get(), ca_key_.get());
    // Same serial number as the signer, another issuer, the second signer's key; shorter than
    // the signer's certificate, so that it comes first in the DER set of certificates.
    decoy_ = testing::MakeCertificate(
        {.subject = {{"CN", "Signer"}}, .issuer = {{"CN", "O"}}, .serial_hex = "51"},
        second_key_.get(), nullptr, second_key_.get());
  }

  ossl::UniquePtr<EVP_PKEY> ca_key_, key_, second_key_;
  ossl::UniquePtr<X509> ca_, signer_, second_, decoy_;
};

void Replace(std::string& bytes, const std::string& what, const std::string& by, bool last = true) {
  const size_t at = last ? bytes.rfind(what) : bytes.find(what);
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, what.size(), by);
}

TEST_P(VerifyMessageTest, PeerMessage) {
  const PeerCase& row = GetParam();
  std::vector<PeerSigner> signers = {{signer_.get(), key_.get()}};
  if (row.signers == 2) signers.push_back({second_.get(), second_key_.get()});
  std::vector<X509*> extra;
  if (row.extra == Extra::kDecoyThenSigner) extra = {decoy_.get(), signer_.get()};
  if (row.extra == Extra::kFirstSignerOnly) extra = {signer_.get()};
  std::string der = testing::OpensslSign(kContent, signers, row.options, extra);
  std::string data = kContent;

  switch (row.change) {
    case Change::kNone:
      break;
    case Change::kContentByte:
      if (row.detached) {
        data[3] ^= 1;
      } else {
        Replace(der, kContent, "peer content 0123456788");
      }
      break;
    case Change::kSignatureByte:
      der.back() ^= 1;
      break;
    case Change::kContentTypeNotSigned:  // the first id-data is the eContentType
      Replace(der, std::string("\x2A\x86\x48\x86\xF7\x0D\x01\x07\x01", 9),
              std::string("\x2A\x86\x48\x86\xF7\x0D\x01\x07\x05", 9), false);
      break;
    case Change::kBerContentRemoved: {  // [0] { constructed OCTET STRING } and both its ends
      const size_t begin = der.find(std::string("\xA0\x80\x24\x80", 4));
      const size_t end = der.find(std::string(4, '\0'), begin);
      ASSERT_NE(end, std::string::npos);
      der.erase(begin, end + 4 - begin);
      ASSERT_FALSE(VerifyAttached(der).ok) << "the content is still there";
      break;
    }
    case Change::kSignatureAlgorithmSha256WithRsa:  // the last rsaEncryption is the signer's
      Replace(der, std::string("\x2A\x86\x48\x86\xF7\x0D\x01\x01\x01", 9),
              std::string("\x2A\x86\x48\x86\xF7\x0D\x01\x01\x0B", 9));
      break;
  }

  const Verified verified = row.detached ? VerifyDetached(der, data) : VerifyAttached(der);
  if (row.error != 0) {
    EXPECT_FALSE(verified.ok);
    EXPECT_EQ(verified.error, row.error) << std::hex << verified.error;
    EXPECT_TRUE(verified.signer_thumbprint.empty());
    return;
  }
  ASSERT_TRUE(verified.ok) << std::hex << verified.error;
  EXPECT_EQ(verified.signer_thumbprint, platform::Thumbprint(signer_.get()));
  if (!row.detached) {
    EXPECT_EQ(verified.content, kContent);
  }
}

INSTANTIATE_TEST_SUITE_P(Peers, VerifyMessageTest, ::testing::ValuesIn(kPeerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VerifyMessageTest, WhatIsNoSignedMessageOrHasNoContent) {
  const std::string detached = testing::OpensslSign(kContent, {{signer_.get(), key_.get()}}, "");
  EXPECT_FALSE(VerifyAttached(detached).ok) << "a detached signature carries no content";
  EXPECT_EQ(VerifyAttached("not a message").error, CRYPT_E_OSS_ERROR);
  const std::string envelope = testing::OpensslEnvelope(kContent, {signer_.get()}, "-aes128");
  EXPECT_EQ(VerifyAttached(envelope).error, CRYPT_E_OSS_ERROR);
  EXPECT_EQ(VerifyDetached(envelope, kContent).error, CRYPT_E_OSS_ERROR);
}

// Certificates read from earlier messages are taken again only for the very same bytes: a twin
// of the signer's certificate (same issuer, serial number and subject, another key) in the next
// message is that message's own, in either order.
TEST_F(VerifyMessageTest, ATwinOfACertificateSeenBeforeIsReadOnItsOwn) {
  const ossl::UniquePtr<X509> twin = testing::MakeCertificate(
      {.subject = {{"CN", "Signer"}}, .serial_hex = "51"}, second_key_.get(), ca_.get(), ca_key_.get());
  const std::string genuine = testing::OpensslSign(kContent, {{signer_.get(), key_.get()}}, "-nodetach -noattr");
  const std::string by_twin = testing::OpensslSign(kContent, {{twin.get(), second_key_.get()}}, "-nodetach -noattr");
  using Row = std::pair<const std::string*, X509*>;
  for (const Row& row : {Row{&genuine, signer_.get()}, Row{&by_twin, twin.get()}, Row{&genuine, signer_.get()}}) {
    const Verified verified = VerifyAttached(*row.first);
    ASSERT_TRUE(verified.ok) << std::hex << verified.error;
    EXPECT_EQ(verified.signer_thumbprint, platform::Thumbprint(row.second));
  }
}

// A call with a content buffer that follows a size query may take that query's result, but only
// for the very same bytes and signer: anything else is verified on its own.
TEST_F(VerifyMessageTest, ContentCallChecksItsOwnBytesAfterASizeQuery) {
  const std::string same_length = "peer content 9876543210";
  const std::string message = testing::OpensslSign(kContent, {{signer_.get(), key_.get()}}, "-nodetach -noattr");
  const std::string other = testing::OpensslSign(same_length, {{signer_.get(), key_.get()}}, "-nodetach -noattr");
  std::string tampered = message;
  Replace(tampered, kContent, "peer content 0123456788");
  std::string signature_changed = message;
  signature_changed.back() ^= 1;
  // BER, the content in pieces: the memo keeps the whole message.
  const std::string in_pieces = testing::OpensslSign(kContent, {{signer_.get(), key_.get()}}, "-nodetach -noattr -stream");
  std::string in_pieces_tampered = in_pieces;
  Replace(in_pieces_tampered, kContent, "peer content 0123456788");
  const struct {
    const char* name;
    std::vector<const std::string*> size_queries;  // in order, before the content call
    const std::string* content_call;
    DWORD signer_index;
    DWORD error;  // 0: kContent handed back
  } rows[] = {
      {"same bytes", {&message}, &message, 0, 0},
      {"one content byte changed", {&message}, &tampered, 0, NTE_BAD_SIGNATURE},
      {"one byte after the content changed", {&message}, &signature_changed, 0, NTE_BAD_SIGNATURE},
      {"content in pieces, same bytes", {&in_pieces}, &in_pieces, 0, 0},
      {"content in pieces, one byte changed", {&in_pieces}, &in_pieces_tampered, 0, NTE_BAD_SIGNATURE},
      {"another signer", {&message}, &message, 1, CRYPT_E_NO_SIGNER},
      {"a later query for another message", {&message, &other}, &message, 0, 0},
      {"no query before", {}, &message, 0, 0},
  };
  CRYPT_VERIFY_MESSAGE_PARA parameters = Parameters();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    for (const std::string* queried : row.size_queries) {
      DWORD size = 0;
      PCCERT_CONTEXT signer = nullptr;
      ASSERT_TRUE(CryptVerifyMessageSignature(&parameters, 0,
                                              reinterpret_cast<const BYTE*>(queried->data()),
                                              queried->size(), nullptr, &size, &signer));
      EXPECT_EQ(size, kContent.size());
      EXPECT_EQ(Finish(TRUE, signer).signer_thumbprint, platform::Thumbprint(signer_.get()));
    }
    std::string content(64, '\0');
    DWORD size = static_cast<DWORD>(content.size());
    PCCERT_CONTEXT signer = nullptr;
    const BOOL ok = CryptVerifyMessageSignature(
        &parameters, row.signer_index, reinterpret_cast<const BYTE*>(row.content_call->data()),
        row.content_call->size(), reinterpret_cast<BYTE*>(content.data()), &size, &signer);
    const Verified verified = Finish(ok, signer);
    EXPECT_EQ(verified.error, row.error) << std::hex << verified.error;
    if (row.error == 0) {
      EXPECT_EQ(content.substr(0, size), kContent);
      EXPECT_EQ(verified.signer_thumbprint, platform::Thumbprint(signer_.get()));
    }
  }
}

}  // namespace
}  // namespace corvane
