// CryptDecryptMessage on envelopes assembled field by field: the RC4 forms Windows writes, BER
// layouts, and the failure values callers map to their result codes.
#include <gtest/gtest.h>

#include "platform/posix/admin/store_index_update.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/message/enveloped_data.h"
#include "platform/posix/store/certificate_context.h"
#include "platform/posix/store/thumbprint.h"
#include "support/test_home.h"
#include "support/engine_fixtures.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

using testing::BuildEnvelope;
using testing::HandMadeEnvelope;
using testing::RandomBytes;

const char* const kAes128Cbc = "2.16.840.1.101.3.4.1.2";

class DecryptMessageTest : public ::testing::Test {
 protected:
  testing::Party mine_ = testing::MakeParty(0, "Recipient", "00F1");
  testing::Party keyless_ = testing::MakeParty(1, "Keyless", "02");
  testing::Party stranger_ = testing::MakeParty(2, "Stranger", "03");
  testing::Party bare_ = testing::WithoutKeyIdentifier(testing::MakeParty(3, "Bare", "04"));
  // Not in the store: mine's serial number under another issuer name.
  testing::Party namesake_ = testing::MakeParty(4, "Namesake", "00F1");
  testing::PersonalStore store_{{&mine_, &bare_}, {&keyless_}};
};

TEST_F(DecryptMessageTest, HandMadeEnvelopesOpenToTheirContent) {
  const std::string key5 = RandomBytes(5, 1);
  const std::string key16 = RandomBytes(16, 2);
  const std::string salt = RandomBytes(11, 3);
  const std::string long_salt = RandomBytes(20, 13);
  const std::string iv = RandomBytes(16, 4);
  const std::string zeros11(11, '\0');
  const std::string binary = std::string("\0\x01\0\xff", 4) + RandomBytes(5000, 5);
  const struct {
    const char* name;
    const char* algorithm;
    std::optional<std::string> parameters;
    std::string content_key;
    const char* cipher;
    std::string cipher_key;  // the key the content was really encrypted with
    std::string iv;
    size_t piece_size;
    bool indefinite;
    std::string plain;
    bool key_encryption_key_first = false;
  } rows[] = {
      {"RC4 128-bit, NULL parameters", szOID_RSA_RC4, testing::kNullTlv, key16, "RC4", key16, "", 0,
       false, binary},
      {"RC4 40-bit, NULL parameters: zero salt", szOID_RSA_RC4, testing::kNullTlv, key5, "RC4",
       key5 + zeros11, "", 0, false, "forty bits"},
      {"RC4 40-bit, no parameters: zero salt", szOID_RSA_RC4, std::nullopt, key5, "RC4",
       key5 + zeros11, "", 0, false, binary},
      {"RC4 40-bit, salt in the parameters", szOID_RSA_RC4, testing::OctetStringTlv(salt), key5,
       "RC4", key5 + salt, "", 0, false, binary},
      {"RC4 40-bit, a salt of 20 bytes is cut at a 16-byte key", szOID_RSA_RC4,
       testing::OctetStringTlv(long_salt), key5, "RC4", key5 + long_salt.substr(0, 11), "", 0, false,
       binary},
      {"a recipient of another kind before ours is passed over", szOID_RSA_RC4, testing::kNullTlv,
       key16, "RC4", key16, "", 0, true, "after a KEK recipient", true},
      {"RC4 empty content, BER", szOID_RSA_RC4, testing::kNullTlv, key16, "RC4", key16, "", 0, true,
       ""},
      {"AES-128 BER, split in pieces of 7", kAes128Cbc, testing::OctetStringTlv(iv), key16,
       "AES-128-CBC", key16, iv, 7, true, binary},
      {"3DES, definite lengths, pieces of 1000", szOID_RSA_DES_EDE3_CBC,
       testing::OctetStringTlv(iv.substr(0, 8)), key16 + key5 + "xyz", "DES-EDE3-CBC",
       key16 + key5 + "xyz", iv.substr(0, 8), 1000, false, binary},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HandMadeEnvelope envelope{.recipients = {stranger_.certificate.get(), mine_.certificate.get()},
                              .content_key = row.content_key,
                              .content_algorithm = row.algorithm,
                              .parameters = row.parameters,
                              .ciphertext = testing::EncryptWithCipher(row.cipher, row.cipher_key,
                                                                       row.iv, row.plain),
                              .piece_size = row.piece_size,
                              .indefinite = row.indefinite,
                              .key_encryption_key_first = row.key_encryption_key_first};
    const testing::MessageCallResult opened =
        testing::DecryptWithStore(store_.handle(), BuildEnvelope(envelope));
    ASSERT_TRUE(opened.ok) << std::hex << opened.error;
    EXPECT_EQ(opened.output, row.plain);
    // The size query reports the encrypted content's size: at most one block more.
    EXPECT_GE(opened.size_pass, row.plain.size());
    EXPECT_LE(opened.size_pass, row.plain.size() + 16);
  }
}

TEST_F(DecryptMessageTest, FailuresReportTheirCause) {
  const std::string key = RandomBytes(16, 6);
  const std::string iv = RandomBytes(16, 7);
  const std::string ciphertext = testing::EncryptWithCipher("AES-128-CBC", key, iv, "secret");
  const auto aes_envelope = [&](std::vector<X509*> recipients, std::string wrapped_key,
                                std::string content, std::optional<std::string> parameters) {
    return BuildEnvelope({.recipients = std::move(recipients),
                          .content_key = std::move(wrapped_key),
                          .content_algorithm = kAes128Cbc,
                          .parameters = std::move(parameters),
                          .ciphertext = std::move(content)});
  };
  X509* mine = mine_.certificate.get();
  const std::string iv_parameter = testing::OctetStringTlv(iv);
  const std::string good = aes_envelope({mine}, key, ciphertext, iv_parameter);

  PCCERT_CONTEXT signer = store_.ContextOf(mine);
  ASSERT_NE(signer, nullptr);
  const testing::MessageCallResult signed_message =
      testing::SignWithCertificate(signer, "signed, not enveloped", false);
  CertFreeCertificateContext(signer);
  ASSERT_TRUE(signed_message.ok);

  const struct {
    const char* name;
    std::string message;
    DWORD error;
  } rows[] = {
      {"empty input", "", CRYPT_E_OSS_ERROR},
      {"not BER at all", "certainly no message", CRYPT_E_OSS_ERROR},
      {"truncated", good.substr(0, good.size() - 3), CRYPT_E_OSS_ERROR},
      {"trailing bytes", good + std::string(1, '\0'), CRYPT_E_OSS_ERROR},
      {"signed data", signed_message.output, CRYPT_E_INVALID_MSG_TYPE},
      {"for a stranger only", aes_envelope({stranger_.certificate.get()}, key, ciphertext,
                                           iv_parameter),
       CRYPT_E_NO_DECRYPT_CERT},
      {"for a certificate without a key",
       aes_envelope({keyless_.certificate.get()}, key, ciphertext, iv_parameter),
       CRYPT_E_NO_DECRYPT_CERT},
      {"content under another key", aes_envelope({mine}, RandomBytes(16, 8), ciphertext, iv_parameter),
       NTE_BAD_DATA},
      {"ciphertext cut short", aes_envelope({mine}, key, ciphertext.substr(1), iv_parameter),
       NTE_BAD_DATA},
      {"key of the wrong size", aes_envelope({mine}, key.substr(0, 15), ciphertext, iv_parameter),
       NTE_BAD_KEY},
      {"no IV", aes_envelope({mine}, key, ciphertext, testing::kNullTlv), CRYPT_E_MSG_ERROR},
      {"IV shorter than the block",
       aes_envelope({mine}, key, ciphertext, testing::OctetStringTlv(iv.substr(0, 8))),
       CRYPT_E_MSG_ERROR},
      {"my serial number under another issuer",
       aes_envelope({namesake_.certificate.get()}, key, ciphertext, iv_parameter),
       CRYPT_E_NO_DECRYPT_CERT},
      {"key transport other than rsaEncryption (OAEP)",
       BuildEnvelope({.recipients = {mine}, .content_key = key, .content_algorithm = kAes128Cbc,
                      .parameters = iv_parameter, .ciphertext = ciphertext,
                      .key_transport = "1.2.840.113549.1.1.7"}),
       CRYPT_E_UNKNOWN_ALGO},
      {"wrapped key corrupted (RC4: no padding would notice)",
       BuildEnvelope({.recipients = {mine}, .content_key = key, .content_algorithm = szOID_RSA_RC4,
                      .ciphertext = testing::EncryptWithCipher("RC4", key, "", "secret"),
                      .corrupt_wrapped_key = true}),
       NTE_BAD_DATA},
      {"unknown cipher (RC2)",
       BuildEnvelope({.recipients = {mine}, .content_key = key,
                      .content_algorithm = "1.2.840.113549.3.2", .parameters = std::nullopt,
                      .ciphertext = ciphertext}),
       CRYPT_E_UNKNOWN_ALGO},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const testing::MessageCallResult opened = testing::DecryptWithStore(store_.handle(), row.message);
    EXPECT_FALSE(opened.ok);
    EXPECT_EQ(opened.error, row.error) << std::hex << opened.error;
  }
}

// A recipient named by key identifier matches a certificate without the extension through the
// SHA-1 of its public key, as on Windows. Behind the store's index it is looked up by that
// identifier: only its own file is read.
TEST_F(DecryptMessageTest, KeyIdentifierMatchesACertificateWithoutTheExtension) {
  const std::string key = RandomBytes(16, 12);
  const std::string message = BuildEnvelope(
      {.recipients = {bare_.certificate.get()}, .content_key = key,
       .content_algorithm = szOID_RSA_RC4, .parameters = std::nullopt,
       .ciphertext = testing::EncryptWithCipher("RC4", key, "", "by key identifier"),
       .piece_size = 0, .indefinite = false, .by_key_identifier = true});
  testing::TestHome indexed_home;
  for (const testing::Party* party : {&mine_, &bare_, &stranger_}) {
    testing::InstallCertificate(indexed_home.root(), "MY", party->certificate.get(), party->key.get());
  }
  ASSERT_TRUE(platform::UpdateStoreIndex(platform::StoreFolder("MY")).ok());
  indexed_home.SetEnv("CORVANE_CACHE", "off");  // a first reading, as of a fresh process
  HCERTSTORE indexed = CertOpenSystemStoreA(0, "MY");
  for (HCERTSTORE store : {store_.handle(), indexed}) {
    SCOPED_TRACE(store == indexed ? "behind the store's index" : "without an index");
    const testing::MessageCallResult opened = testing::DecryptWithStore(store, message);
    ASSERT_TRUE(opened.ok) << std::hex << opened.error;
    EXPECT_EQ(opened.output, "by key identifier");
  }
  platform::StoreObject* object = platform::AcquireOpenStore(indexed);
  const std::shared_ptr<const platform::StoreContents> read = object->Contents();
  platform::ReleaseStore(object);
  EXPECT_NE(read->indexed, nullptr);
  ASSERT_EQ(read->certificates.size(), 1u);
  EXPECT_EQ(read->certificates[0]->thumbprint, platform::Thumbprint(bare_.certificate.get()));
  CertCloseStore(indexed, 0);
}

// Whatever the buffer's capacity: the content when it fits (the cipher writing straight into the
// buffer, or through a buffer of its own where the caller's lacks the block more a block cipher
// may write), and the recipient; else ERROR_MORE_DATA with the content's size and no recipient.
// Content that does not decrypt leaves nothing decrypted in the buffer.
TEST_F(DecryptMessageTest, EveryCapacityGetsTheContentOrItsSize) {
  const std::string key = RandomBytes(16, 9);
  const std::string iv = RandomBytes(16, 11);
  const std::string plain = "twenty-one bytes here";  // AES pads it to 32
  const struct {
    const char* name;
    bool aes;
    bool right_key;
    DWORD capacity;
    DWORD error;
  } rows[] = {
      {"RC4, exactly the content", false, true, 21, 0},
      {"RC4, one byte short", false, true, 20, ERROR_MORE_DATA},
      {"AES, room for the ciphertext and a block", true, true, 48, 0},
      {"AES, exactly the content", true, true, 21, 0},
      {"AES, one byte short", true, true, 20, ERROR_MORE_DATA},
      {"AES under another key, room for the cipher", true, false, 48, NTE_BAD_DATA},
      {"AES under another key, exactly the content", true, false, 21, NTE_BAD_DATA},
  };
  HCERTSTORE store = store_.handle();
  CRYPT_DECRYPT_MESSAGE_PARA parameters{offsetof(CRYPT_DECRYPT_MESSAGE_PARA, dwFlags),
                                        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 1, &store, 0};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string message = BuildEnvelope(
        {.recipients = {mine_.certificate.get()},
         .content_key = row.right_key ? key : RandomBytes(16, 8),
         .content_algorithm = row.aes ? kAes128Cbc : szOID_RSA_RC4,
         .parameters = row.aes ? std::optional(testing::OctetStringTlv(iv)) : std::nullopt,
         .ciphertext = testing::EncryptWithCipher(row.aes ? "AES-128-CBC" : "RC4", key,
                                                  row.aes ? iv : "", plain)});
    std::string buffer(64, '\x5A');
    DWORD size = row.capacity;
    PCCERT_CONTEXT recipient = nullptr;
    const BOOL ok = CryptDecryptMessage(&parameters, reinterpret_cast<const BYTE*>(message.data()),
                                        static_cast<DWORD>(message.size()),
                                        reinterpret_cast<BYTE*>(buffer.data()), &size, &recipient);
    if (row.error == 0) {
      ASSERT_TRUE(ok) << std::hex << GetLastError();
      EXPECT_EQ(buffer.substr(0, size), plain);
      ASSERT_NE(recipient, nullptr);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(recipient->pbCertEncoded),
                            recipient->cbCertEncoded),
                testing::DerOf(mine_.certificate.get()));
      CertFreeCertificateContext(recipient);
      continue;
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), row.error) << std::hex << GetLastError();
    EXPECT_EQ(recipient, nullptr);
    if (row.error == ERROR_MORE_DATA) {
      EXPECT_EQ(size, plain.size());
    }
    // What the buffer held, or zeros where what was decrypted was wiped.
    EXPECT_EQ(buffer.find_first_not_of(std::string("\x5A\0", 2)), std::string::npos);
  }
}

// The reader is the part of the engine that sees hostile bytes: every cut of a valid BER message,
// absurd lengths and deep nesting must come back as malformed, inside the bounds of the input.
TEST(EnvelopedDataReader, RejectsCutsHugeLengthsAndDeepNesting) {
  const testing::Party party = testing::MakeParty(0, "Reader", "01");
  const std::string message = BuildEnvelope({.recipients = {party.certificate.get()},
                                             .content_key = RandomBytes(16, 10),
                                             .content_algorithm = szOID_RSA_RC4,
                                             .parameters = std::nullopt,
                                             .ciphertext = RandomBytes(40, 11),
                                             .piece_size = 9,
                                             .indefinite = true});
  const auto read = [](const std::string& bytes) {
    platform::EnvelopedData envelope;
    return platform::ReadEnvelopedData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                       envelope);
  };
  ASSERT_EQ(read(message), platform::EnvelopeReading::kRead);
  for (size_t cut = 0; cut < message.size(); ++cut) {
    ASSERT_EQ(read(message.substr(0, cut)), platform::EnvelopeReading::kMalformed) << cut;
  }
  std::string deep;
  for (int level = 0; level < 100000; ++level) deep += "\x30\x80";
  const std::string huge_length("\x30\x88\x7f\xff\xff\xff\xff\xff\xff\xff\x06\x00", 12);
  const std::string primitive_indefinite("\x30\x04\x04\x80\x00\x00", 6);
  for (const std::string& bad : {deep, huge_length, primitive_indefinite}) {
    EXPECT_EQ(read(bad), platform::EnvelopeReading::kMalformed);
  }
}

}  // namespace
}  // namespace corvane
