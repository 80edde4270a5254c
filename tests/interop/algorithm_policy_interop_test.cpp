// The algorithm policy in the user's policy.conf, by key type and operation: what the exports make
// (the algorithms `openssl cms -cmsout -print` shows), whether OpenSSL and Bouncy Castle verify or
// open it, and whether the library verifies or opens its own message. EC rows with the key on a
// SoftHSM token sign and open through PKCS #11.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "codec/base64.h"
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

enum class Key { kRsa, kRsa1024, kP256, kP384, kP521, kSecp256k1, kEd25519 };
enum class Operation { kSign, kEnvelope };

ossl::UniquePtr<EVP_PKEY> MakeKey(Key kind) {
  if (kind == Key::kRsa) return testing::TestRsaKey(0);
  if (kind == Key::kRsa1024) return testing::TestRsaKey(1, 1024);
  if (kind == Key::kEd25519) return ossl::UniquePtr<EVP_PKEY>(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
  constexpr const char* kCurves[] = {"P-256", "P-384", "P-521", "secp256k1"};
  const auto curve = kCurves[static_cast<int>(kind) - static_cast<int>(Key::kP256)];
  return ossl::UniquePtr<EVP_PKEY>(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", curve));
}

std::string Der(const std::string& text) {
  std::string der(text.size(), '\0');
  int32_t length = 0;
  codec::DecodeBase64(text.data(), static_cast<int32_t>(text.size()),
                      reinterpret_cast<uint8_t*>(der.data()), &length);
  der.resize(static_cast<size_t>(std::max(length, 0)));
  return der;
}

// The algorithm name `openssl cms -cmsout -print` shows first after `field`.
std::string PrintedAlgorithm(const std::string& printed, const std::string& field) {
  const size_t at = printed.find(field + ":");
  const size_t name = at == std::string::npos ? at : printed.find("algorithm: ", at + field.size() + 1);
  if (name == std::string::npos) return "(none)";
  const size_t start = name + 11;
  return printed.substr(start, printed.find(' ', start) - start);
}

// Signing: the digest and signature algorithms. Enveloping: the content cipher and the key
// transport or agreement.
struct PeerView {
  const char* algorithm;
  const char* key_algorithm;
};

struct Row {
  const char* name;
  const char* policy;  // the user's policy.conf; null: none
  Key key;
  bool on_token;
  Operation operation;
  int32_t code;
  PeerView seen;
  int32_t own_code;    // the library verifying or opening its own message
  const char* reason;  // the failure detail of a refused key
};

constexpr PeerView kNothing{"", ""};

const Row kRows[] = {
    {"defaults: RSA signs with SHA-1", nullptr, Key::kRsa, false, Operation::kSign, 0,
     {"sha1", "rsaEncryption"}, 0, ""},
    {"defaults: RSA recipient gets RC4", nullptr, Key::kRsa, false, Operation::kEnvelope, 0,
     {"rc4", "rsaEncryption"}, 0, ""},
    {"defaults: 1024-bit RSA still signs", nullptr, Key::kRsa1024, false, Operation::kSign, 0,
     {"sha1", "rsaEncryption"}, 0, ""},
    {"defaults: EC signs with SHA-1", nullptr, Key::kP256, false, Operation::kSign, 0,
     {"sha1", "ecdsa-with-SHA1"}, 0, ""},
    {"defaults: EC recipient refused, RC4 has no key wrap", nullptr, Key::kP256, false,
     Operation::kEnvelope, -10022, kNothing, 0, "needs an AES envelope"},
    {"sha256: RSA", "sign.digest = sha256\n", Key::kRsa, false, Operation::kSign, 0,
     {"sha256", "rsaEncryption"}, 0, ""},
    {"sha384: P-384", "sign.digest = sha384\n", Key::kP384, false, Operation::kSign, 0,
     {"sha384", "ecdsa-with-SHA384"}, 0, ""},
    {"sha512: P-521", "sign.digest=sha512 # strongest\n", Key::kP521, false, Operation::kSign, 0,
     {"sha512", "ecdsa-with-SHA512"}, 0, ""},
    {"aes128: RSA", "envelope.cipher = aes128\n", Key::kRsa, false, Operation::kEnvelope, 0,
     {"aes-128-cbc", "rsaEncryption"}, 0, ""},
    {"aes256: RSA", "envelope.cipher = aes256\n", Key::kRsa, false, Operation::kEnvelope, 0,
     {"aes-256-cbc", "rsaEncryption"}, 0, ""},
    {"aes128: P-256 key agreement", "envelope.cipher = aes128\n", Key::kP256, false,
     Operation::kEnvelope, 0, {"aes-128-cbc", "dhSinglePass-stdDH-sha256kdf-scheme"}, 0, ""},
    {"aes256: P-384 key agreement", "envelope.cipher = aes256\n", Key::kP384, false,
     Operation::kEnvelope, 0, {"aes-256-cbc", "dhSinglePass-stdDH-sha384kdf-scheme"}, 0, ""},
    {"aes256: P-521 key agreement", "envelope.cipher = aes256\n", Key::kP521, false,
     Operation::kEnvelope, 0, {"aes-256-cbc", "dhSinglePass-stdDH-sha512kdf-scheme"}, 0, ""},
    {"secp256k1 recipient refused", "envelope.cipher = aes128\n", Key::kSecp256k1, false,
     Operation::kEnvelope, -10022, kNothing, 0, "on curve secp256k1"},
    {"min 2048: 1024-bit signer refused", "key.min_rsa_bits = 2048\n", Key::kRsa1024, false,
     Operation::kSign, -10020, kNothing, 0, "1024-bit RSA key"},
    {"min 2048: 1024-bit recipient refused", "key.min_rsa_bits = 2048\n", Key::kRsa1024, false,
     Operation::kEnvelope, -10022, kNothing, 0, "1024-bit RSA key"},
    {"min 2048: 2048-bit signer", "key.min_rsa_bits = 2048\n", Key::kRsa, false,
     Operation::kSign, 0, {"sha1", "rsaEncryption"}, 0, ""},
    {"no SHA-1: peers verify, the library does not", "verify.accept_sha1 = no\n", Key::kRsa,
     false, Operation::kSign, 0, {"sha1", "rsaEncryption"}, -10021, ""},
    {"no SHA-1 with sha256 signing", "verify.accept_sha1 = no\nsign.digest = sha256\n",
     Key::kP256, false, Operation::kSign, 0, {"sha256", "ecdsa-with-SHA256"}, 0, ""},
    {"Ed25519 signer refused", "sign.digest = sha256\n", Key::kEd25519, false, Operation::kSign,
     -10020, kNothing, 0, "is Ed25519"},
    {"Ed25519 recipient refused", "envelope.cipher = aes256\n", Key::kEd25519, false,
     Operation::kEnvelope, -10022, kNothing, 0, "ED25519 key"},
    {"token: P-384 opens a key agreement", "envelope.cipher = aes256\n", Key::kP384, true,
     Operation::kEnvelope, 0, {"aes-256-cbc", "dhSinglePass-stdDH-sha384kdf-scheme"}, 0, ""},
    {"token: P-384 signs with SHA-384", "sign.digest = sha384\n", Key::kP384, true,
     Operation::kSign, 0, {"sha384", "ecdsa-with-SHA384"}, 0, ""},
};

testing::ExportResult CallWithText(const std::string& text,
                                   int32_t (*call)(const char*, int32_t, char*, int32_t*)) {
  return testing::CallExport([&](char* out, int32_t* length) {
    return call(text.data(), static_cast<int32_t>(text.size()), out, length);
  });
}

TEST(AlgorithmPolicyInterop, WhatPeersAndTheLibrarySeeOfEachPolicyKeyAndOperation) {
  const std::string data("policy\0table\n", 13);
  auto issuer_key = testing::TestRsaKey(2);
  std::vector<testing::PeerCheck> peer_checks;
  std::vector<std::string> peer_rows;
  std::vector<ossl::UniquePtr<EVP_PKEY>> keys;
  std::vector<ossl::UniquePtr<X509>> certificates;
  testing::PeerSigner token{nullptr, nullptr};
  std::unique_ptr<testing::TestHome> token_home;
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    // The token rows share one home, key and certificate: the process keeps the PKCS #11 module,
    // and with it the first token it saw.
    const bool first_on_token = row.on_token && token.certificate == nullptr;
    std::unique_ptr<testing::TestHome> own_home;
    if (!row.on_token) own_home = std::make_unique<testing::TestHome>();
    if (first_on_token) token_home = std::make_unique<testing::TestHome>();
    testing::TestHome& home = row.on_token ? *token_home : *own_home;
    if (!row.on_token || first_on_token) {
      keys.push_back(MakeKey(row.key));
      // An Ed25519 certificate is issued by an RSA key: OpenSSL signs certificates with a digest.
      const bool edwards = row.key == Key::kEd25519;
      certificates.push_back(testing::MakeCertificate(
          {.subject = {{"CN", row.name}}, .issuer = {{"CN", edwards ? "Policy Issuer" : row.name}},
           .serial_hex = "7A"},
          keys.back().get(), nullptr, edwards ? issuer_key.get() : keys.back().get()));
      if (row.on_token) token = {certificates.back().get(), keys.back().get()};
    }
    X509* certificate = row.on_token ? token.certificate : certificates.back().get();
    EVP_PKEY* key = row.on_token ? token.key : keys.back().get();
    if (row.policy != nullptr) testing::WriteFile(home.root() / "policy.conf", row.policy);
    testing::InstallCertificate(home.root(), "ROOT", certificate);
    testing::InstallCertificate(home.root(), "CA", certificate);
    if (first_on_token) {
      testing::MakeSoftToken(home, key, certificate);
      testing::LinkTokenCertificate(home, certificate);
      home.SetEnv("CORVANE_UI_PIN", testing::kTokenPin);
    } else if (!row.on_token) {
      testing::InstallCertificate(home.root(), "MY", certificate, key);
    }

    const bool signing = row.operation == Operation::kSign;
    home.SetEnv("CORVANE_UI_CHOICES", "0");
    platform::TakeFailureDetail();
    const testing::ExportResult made = testing::CallExport([&](char* out, int32_t* length) {
      return signing ? generateSingleSignedMsg(data.data(), data.size(), 0, out, length)
                     : composeSingleEnvelopedMsg(data.data(), data.size(), out, length);
    });
    EXPECT_EQ(made.code, row.code);
    EXPECT_NE(platform::TakeFailureDetail().find(row.reason), std::string::npos);
    if (made.code != 0) continue;

    const std::string der = Der(made.output);
    const std::string printed = testing::OpensslPrint(der);
    EXPECT_EQ(PrintedAlgorithm(printed, signing ? "digestAlgorithm" : "contentEncryptionAlgorithm"),
              row.seen.algorithm);
    EXPECT_EQ(PrintedAlgorithm(printed, signing ? "signatureAlgorithm" : "keyEncryptionAlgorithm"),
              row.seen.key_algorithm);
    if (signing) {
      std::string recovered;
      EXPECT_TRUE(testing::OpensslVerifies(der, nullptr, &recovered)) << recovered;
      EXPECT_EQ(recovered, data);
      // RSA signatures are deterministic: the message is OpenSSL's own, byte for byte.
      if (row.key == Key::kRsa || row.key == Key::kRsa1024) {
        EXPECT_TRUE(der == testing::OpensslPkcs7Sign(data, certificate, key, row.seen.algorithm))
            << "not the message of OpenSSL's PKCS #7 signing";
      }
    } else {
      EXPECT_EQ(testing::OpensslOpenEnvelope(der, certificate, key), data);
    }
    peer_checks.push_back({der, certificate, signing ? nullptr : key, data});
    peer_rows.push_back(row.name);

    home.SetEnv("CORVANE_UI_CHOICES", "0");
    const testing::ExportResult own =
        CallWithText(made.output, signing ? verifySingleSignedMsg : decomposeSingleEnvelopedMsg);
    EXPECT_EQ(own.code, row.own_code);
    if (own.code == 0) EXPECT_EQ(own.output, data);
  }

  const std::vector<std::string> peer_outcomes = testing::BouncyCastleChecks(peer_checks);
  ASSERT_EQ(peer_outcomes.size(), peer_rows.size());
  for (size_t index = 0; index < peer_rows.size(); ++index) {
    EXPECT_EQ(peer_outcomes[index], "ok") << "Bouncy Castle, " << peer_rows[index];
  }
}

}  // namespace
}  // namespace corvane
