// The algorithm policy in the user's policy.conf, by key type and operation: what the exports make
// (the algorithms `openssl cms -cmsout -print` shows), whether OpenSSL and Bouncy Castle verify or
// open it, and whether the library verifies or opens its own message. EC rows with the key on a
// SoftHSM token sign and open through PKCS #11.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "corvane.h"
#include "platform/posix/failure_detail.h"
#include "support/bouncy_castle_peer.h"
#include "support/export_call.h"
#include "support/openssl_peer.h"
#include "support/signed_message_view.h"
#include "support/soft_token.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

enum class Key { kRsa, kRsa1024, kP256, kP384, kP521, kSecp256k1, kEd25519, kP384OnToken };
enum Operation { kSign, kEnvelope };

struct Party {
  ossl::UniquePtr<EVP_PKEY> key;
  ossl::UniquePtr<X509> certificate;
};

// Self-signed, but for Ed25519, which an RSA key issues: OpenSSL signs certificates with a digest.
Party MakeParty(Key kind, EVP_PKEY* issuer_key) {
  constexpr const char* kCurves[] = {"P-256", "P-384", "P-521", "secp256k1"};
  Party party;
  if (kind == Key::kRsa || kind == Key::kRsa1024) {
    party.key = testing::TestRsaKey(kind == Key::kRsa ? 0 : 1, kind == Key::kRsa ? 2048 : 1024);
  } else if (kind == Key::kEd25519) {
    party.key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
  } else {
    const int curve = kind == Key::kP384OnToken ? 1 : static_cast<int>(kind) - 2;
    party.key.reset(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", kCurves[curve]));
  }
  const std::string name = "Policy party " + std::to_string(static_cast<int>(kind));
  const bool edwards = kind == Key::kEd25519;
  party.certificate = testing::MakeCertificate(
      {.subject = {{"CN", name}}, .issuer = {{"CN", edwards ? "Policy Issuer" : name}}},
      party.key.get(), nullptr, edwards ? issuer_key : party.key.get());
  return party;
}

// The algorithm names `openssl cms -cmsout -print` shows first after each field, space-separated.
std::string PrintedAlgorithms(const std::string& printed, const std::vector<std::string>& fields) {
  std::string names;
  for (const std::string& field : fields) {
    const size_t at = printed.find(field + ":");
    const size_t name = at == std::string::npos ? at : printed.find("algorithm: ", at + field.size());
    if (name == std::string::npos) return names + "(no " + field + ")";
    const size_t start = name + 11;
    names += (names.empty() ? "" : " ") + printed.substr(start, printed.find(' ', start) - start);
  }
  return names;
}

struct Row {
  const char* policy;  // the user's policy.conf; null: none
  Key key;
  Operation operation;
  int32_t code;
  // The digest or content cipher, then the signature or key encryption algorithm that peers see;
  // for a refused key, words of the reason given.
  const char* seen;
  int32_t own_code;  // of the library verifying or opening its own message
};

const Row kRows[] = {
    {nullptr, Key::kRsa, kSign, 0, "sha1 rsaEncryption", 0},
    {nullptr, Key::kRsa, kEnvelope, 0, "rc4 rsaEncryption", 0},
    {nullptr, Key::kRsa1024, kSign, 0, "sha1 rsaEncryption", 0},
    {nullptr, Key::kP256, kSign, 0, "sha1 ecdsa-with-SHA1", 0},
    {nullptr, Key::kP256, kEnvelope, -10022, "needs an AES envelope; RC4 has no key wrap", 0},
    {"sign.digest = sha256\n", Key::kRsa, kSign, 0, "sha256 rsaEncryption", 0},
    {"sign.digest = sha384\n", Key::kP384, kSign, 0, "sha384 ecdsa-with-SHA384", 0},
    {"sign.digest=sha512 # strongest\n", Key::kP521, kSign, 0, "sha512 ecdsa-with-SHA512", 0},
    {"envelope.cipher = aes128\n", Key::kRsa, kEnvelope, 0, "aes-128-cbc rsaEncryption", 0},
    {"envelope.cipher = aes256\n", Key::kRsa, kEnvelope, 0, "aes-256-cbc rsaEncryption", 0},
    {"envelope.cipher = aes128\n", Key::kP256, kEnvelope, 0,
     "aes-128-cbc dhSinglePass-stdDH-sha256kdf-scheme", 0},
    {"envelope.cipher = aes256\n", Key::kP384, kEnvelope, 0,
     "aes-256-cbc dhSinglePass-stdDH-sha384kdf-scheme", 0},
    {"envelope.cipher = aes256\n", Key::kP521, kEnvelope, 0,
     "aes-256-cbc dhSinglePass-stdDH-sha512kdf-scheme", 0},
    {"envelope.cipher = aes128\n", Key::kSecp256k1, kEnvelope, -10022, "on curve secp256k1", 0},
    {"key.min_rsa_bits = 2048\n", Key::kRsa1024, kSign, -10020, "1024-bit RSA key", 0},
    {"key.min_rsa_bits = 2048\n", Key::kRsa1024, kEnvelope, -10022, "1024-bit RSA key", 0},
    {"key.min_rsa_bits = 2048\n", Key::kRsa, kSign, 0, "sha1 rsaEncryption", 0},
    {"verify.accept_sha1 = no\n", Key::kRsa, kSign, 0, "sha1 rsaEncryption", -10021},
    {"verify.accept_sha1 = no\nsign.digest = sha256\n", Key::kP256, kSign, 0,
     "sha256 ecdsa-with-SHA256", 0},
    {"sign.digest = sha256\n", Key::kEd25519, kSign, -10020, "is Ed25519", 0},
    {"envelope.cipher = aes256\n", Key::kEd25519, kEnvelope, -10022, "ED25519 key", 0},
    {"envelope.cipher = aes256\n", Key::kP384OnToken, kEnvelope, 0,
     "aes-256-cbc dhSinglePass-stdDH-sha384kdf-scheme", 0},
    {"sign.digest = sha384\n", Key::kP384OnToken, kSign, 0, "sha384 ecdsa-with-SHA384", 0},
};

TEST(AlgorithmPolicyInterop, WhatPeersAndTheLibrarySeeOfEachPolicyKeyAndOperation) {
  const std::string data("policy\0table\n", 13);
  const auto issuer_key = testing::TestRsaKey(2);
  std::map<Key, Party> parties;
  std::vector<testing::PeerCheck> peer_checks;
  std::vector<std::string> peer_rows;
  // The token rows share one home: the process keeps the PKCS #11 module, and with it the first
  // token it saw.
  std::unique_ptr<testing::TestHome> token_home;
  for (const Row& row : kRows) {
    const std::string trace = "key " + std::to_string(static_cast<int>(row.key)) +
                              (row.operation == kSign ? " signs" : " receives") + " under " +
                              (row.policy ? row.policy : "the defaults");
    SCOPED_TRACE(trace);
    const bool on_token = row.key == Key::kP384OnToken;
    if (!parties.count(row.key)) parties.emplace(row.key, MakeParty(row.key, issuer_key.get()));
    X509* certificate = parties[row.key].certificate.get();
    EVP_PKEY* key = parties[row.key].key.get();
    std::unique_ptr<testing::TestHome> fresh_home;
    std::unique_ptr<testing::TestHome>& home_owner = on_token ? token_home : fresh_home;
    const bool new_home = home_owner == nullptr;
    if (new_home) home_owner = std::make_unique<testing::TestHome>();
    testing::TestHome& home = *home_owner;
    if (new_home) {
      testing::InstallCertificate(home.root(), "ROOT", certificate);
      testing::InstallCertificate(home.root(), "CA", certificate);
      if (on_token) {
        testing::MakeSoftToken(home, key, certificate);
        testing::LinkTokenCertificate(home, certificate);
        home.SetEnv("CORVANE_UI_PIN", testing::kTokenPin);
      } else {
        testing::InstallCertificate(home.root(), "MY", certificate, key);
      }
    }
    if (row.policy != nullptr) testing::WriteFile(home.root() / "policy.conf", row.policy);

    const bool signing = row.operation == kSign;
    home.SetEnv("CORVANE_UI_CHOICES", "0");
    platform::TakeFailureDetail();
    const testing::ExportResult made = testing::CallExport([&](char* out, int32_t* length) {
      return signing ? generateSingleSignedMsg(data.data(), data.size(), 0, out, length)
                     : composeSingleEnvelopedMsg(data.data(), data.size(), out, length);
    });
    EXPECT_EQ(made.code, row.code);
    if (made.code != 0) {
      EXPECT_NE(platform::TakeFailureDetail().find(row.seen), std::string::npos);
      continue;
    }

    const std::string der = testing::DecodedText(made.output);
    EXPECT_EQ(PrintedAlgorithms(testing::OpensslPrint(der),
                                signing ? std::vector<std::string>{"digestAlgorithm", "signatureAlgorithm"}
                                        : std::vector<std::string>{"contentEncryptionAlgorithm",
                                                                   "keyEncryptionAlgorithm"}),
              row.seen);
    if (signing) {
      std::string recovered;
      EXPECT_TRUE(testing::OpensslVerifies(der, nullptr, &recovered)) << recovered;
      EXPECT_EQ(recovered, data);
      // RSA signatures are deterministic: the message is OpenSSL's own, byte for byte.
      const std::string digest = std::string(row.seen).substr(0, std::string(row.seen).find(' '));
      if (EVP_PKEY_is_a(key, "RSA")) {
        EXPECT_TRUE(der == testing::OpensslPkcs7Sign(data, certificate, key, digest))
            << "not the message of OpenSSL's PKCS #7 signing";
      }
    } else {
      EXPECT_EQ(testing::OpensslOpenEnvelope(der, certificate, key), data);
    }
    peer_checks.push_back({der, certificate, signing ? nullptr : key, data});
    peer_rows.push_back(trace);

    const testing::ExportResult own = testing::CallExport([&](char* out, int32_t* length) {
      const auto size = static_cast<int32_t>(made.output.size());
      return signing ? verifySingleSignedMsg(made.output.data(), size, out, length)
                     : decomposeSingleEnvelopedMsg(made.output.data(), size, out, length);
    });
    EXPECT_EQ(own.code, row.own_code);
    if (own.code == 0) {
      EXPECT_EQ(own.output, data);
    }
  }

  const std::vector<std::string> peer_outcomes = testing::BouncyCastleChecks(peer_checks);
  ASSERT_EQ(peer_outcomes.size(), peer_rows.size());
  for (size_t index = 0; index < peer_rows.size(); ++index) {
    EXPECT_EQ(peer_outcomes[index], "ok") << "Bouncy Castle, " << peer_rows[index];
  }
}

}  // namespace
}  // namespace corvane
