// WriteEnvelopedData: the enveloped message written straight into the caller's buffer.
//
// The message is put together from parts that OpenSSL encodes (object identifiers, the version
// and serial number INTEGERs, AlgorithmIdentifiers, every element's tag and length through
// ASN1_put_object) and encrypted by OpenSSL's cipher into its place in the buffer. It is the DER
// that i2d_PKCS7 gives for the same message (the unit tests hold every message to that), without
// what building it as OpenSSL's PKCS7 structure costs: a copy of each recipient's issuer name,
// parsed and canonicalised again; the content copied through a chain of BIOs into memory of its
// own; the encoding copied out of that memory once more.
#include <openssl/rand.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/asn1/der_writer.h"
#include "platform/posix/message/content_key.h"
#include "platform/posix/message/enveloped_data_encoding.h"
#include "platform/posix/secret_bytes.h"

namespace corvane::platform {
namespace {

using asn1::DerContext;
using asn1::DerElement;
using asn1::DerElementSize;
using asn1::PutDerBytes;
using asn1::PutDerHeader;

constexpr asn1::DerTag kExplicitContent = DerContext(0, true);             // ContentInfo's [0]
constexpr asn1::DerTag kImplicitEncryptedContent = DerContext(0, false);  // [0] OCTET STRING

std::string ObjectDer(int nid) { return ossl::DerOf<ASN1_OBJECT>(OBJ_nid2obj(nid), i2d_ASN1_OBJECT); }

// The parts that are the same in every message, encoded once.
struct FixedParts {
  std::string enveloped_data_type = ObjectDer(NID_pkcs7_enveloped);
  std::string data_type = ObjectDer(NID_pkcs7_data);
  std::string version_zero;    // both EnvelopedData's and each RecipientInfo's version
  std::string rsa_encryption;  // the key transport algorithm, with NULL parameters

  FixedParts() {
    const ossl::UniquePtr<ASN1_INTEGER> zero(ASN1_INTEGER_new());
    if (zero && ASN1_INTEGER_set(zero.get(), 0) == 1) {
      version_zero = ossl::DerOf<ASN1_INTEGER>(zero.get(), i2d_ASN1_INTEGER);
    }
    const ossl::UniquePtr<X509_ALGOR> algorithm(X509_ALGOR_new());
    if (algorithm &&
        X509_ALGOR_set0(algorithm.get(), OBJ_nid2obj(NID_rsaEncryption), V_ASN1_NULL, nullptr) == 1) {
      rsa_encryption = ossl::DerOf<X509_ALGOR>(algorithm.get(), i2d_X509_ALGOR);
    }
  }

  bool complete() const {
    return !enveloped_data_type.empty() && !data_type.empty() && !version_zero.empty() &&
           !rsa_encryption.empty();
  }
};

// Made once, when first made completely (a failed making is tried again by the next message);
// never destroyed, as calls may still come while the process exits.
const FixedParts* Fixed() {
  static std::atomic<const FixedParts*> made{nullptr};
  if (const FixedParts* parts = made.load(std::memory_order_acquire)) return parts;
  auto parts = std::make_unique<FixedParts>();
  if (!parts->complete()) return nullptr;
  const FixedParts* first = nullptr;
  if (made.compare_exchange_strong(first, parts.get(), std::memory_order_acq_rel)) {
    return parts.release();
  }
  return first;  // another thread made them meanwhile
}

// The content cipher under a fresh key (and a fresh IV where the cipher has one), and its
// AlgorithmIdentifier: the IV as its parameters, none at all for a cipher without one (RC4).
struct ContentCipher {
  ossl::UniquePtr<EVP_CIPHER_CTX> context;
  SecretBytes key;
  std::string algorithm;
};

bool StartContentCipher(const EVP_CIPHER* cipher, ContentCipher& started) {
  started.context.reset(EVP_CIPHER_CTX_new());
  EVP_CIPHER_CTX* context = started.context.get();
  if (context == nullptr || EVP_EncryptInit_ex2(context, cipher, nullptr, nullptr, nullptr) != 1) {
    return false;
  }
  const int key_length = EVP_CIPHER_CTX_get_key_length(context);
  const int iv_length = EVP_CIPHER_CTX_get_iv_length(context);
  if (key_length <= 0 || iv_length < 0 || iv_length > EVP_MAX_IV_LENGTH) return false;
  std::vector<uint8_t> key(static_cast<size_t>(key_length));
  unsigned char iv[EVP_MAX_IV_LENGTH] = {};
  const bool keyed =
      EVP_CIPHER_CTX_rand_key(context, key.data()) == 1 &&
      (iv_length == 0 || RAND_bytes_ex(ossl::LibraryContext(), iv, static_cast<size_t>(iv_length), 0) == 1) &&
      EVP_EncryptInit_ex2(context, nullptr, key.data(), iv_length > 0 ? iv : nullptr, nullptr) == 1;
  started.key = SecretBytes(std::move(key));
  if (!keyed) return false;

  const ossl::UniquePtr<X509_ALGOR> algorithm(X509_ALGOR_new());
  if (!algorithm || X509_ALGOR_set0(algorithm.get(), OBJ_nid2obj(EVP_CIPHER_get_type(cipher)),
                                    V_ASN1_UNDEF, nullptr) != 1) {
    return false;
  }
  if (iv_length > 0) {
    algorithm->parameter = ASN1_TYPE_new();
    if (algorithm->parameter == nullptr ||
        EVP_CIPHER_param_to_asn1(context, algorithm->parameter) <= 0) {
      return false;
    }
  }
  started.algorithm = ossl::DerOf<X509_ALGOR>(algorithm.get(), i2d_X509_ALGOR);
  return !started.algorithm.empty();
}

// RecipientInfo { version 0, issuerAndSerialNumber, rsaEncryption, encryptedKey }; empty when it
// cannot be made.
std::string RecipientInfo(X509* recipient, const SecretBytes& key, const FixedParts& fixed) {
  const unsigned char* issuer = nullptr;
  size_t issuer_size = 0;
  if (X509_NAME_get0_der(X509_get_issuer_name(recipient), &issuer, &issuer_size) != 1) return {};
  const std::string serial =
      ossl::DerOf<ASN1_INTEGER>(X509_get0_serialNumber(recipient), i2d_ASN1_INTEGER);
  const std::string wrapped = WrapContentKey(X509_get0_pubkey(recipient), key);
  if (serial.empty() || wrapped.empty()) return {};
  std::string issuer_and_serial(reinterpret_cast<const char*>(issuer), issuer_size);
  issuer_and_serial += serial;
  const std::string content = fixed.version_zero + DerElement(asn1::kDerSequence, issuer_and_serial) +
                              fixed.rsa_encryption + DerElement(asn1::kDerOctetString, wrapped);
  return DerElement(asn1::kDerSequence, content);
}

// DER orders the elements of a SET OF by their encodings, as OpenSSL's encoder does: octet by
// octet, and a shorter encoding before a longer one that starts with it.
bool EncodedBefore(const std::string& a, const std::string& b) {
  const int order = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  return order != 0 ? order < 0 : a.size() < b.size();
}

// The encrypted content's length: the content's for a stream cipher, padded to the next whole
// block (always at least one octet of padding) for a block cipher.
int64_t EncryptedSize(const EVP_CIPHER_CTX* context, size_t content_size) {
  const auto block = static_cast<size_t>(EVP_CIPHER_CTX_get_block_size(context));
  if (block <= 1) return static_cast<int64_t>(content_size);
  return static_cast<int64_t>((content_size / block + 1) * block);
}

}  // namespace

Status WriteEnvelopedData(const EnvelopedDataInput& input, BYTE* output, DWORD* size) {
  const FixedParts* fixed_parts = Fixed();
  ContentCipher cipher;
  if (fixed_parts == nullptr || input.content_size > static_cast<size_t>(INT_MAX) ||
      !StartContentCipher(input.cipher, cipher)) {
    return Status(CRYPT_E_MSG_ERROR);
  }
  const FixedParts& fixed = *fixed_parts;
  std::vector<std::string> recipient_infos;
  int64_t recipient_infos_size = 0;
  for (X509* recipient : input.recipients) {
    recipient_infos.push_back(RecipientInfo(recipient, cipher.key, fixed));
    if (recipient_infos.back().empty()) return Status(CRYPT_E_MSG_ERROR);
    recipient_infos_size += static_cast<int64_t>(recipient_infos.back().size());
  }
  std::sort(recipient_infos.begin(), recipient_infos.end(), EncodedBefore);

  // ContentInfo { envelopedData, [0] EXPLICIT EnvelopedData { version, SET OF RecipientInfo,
  //   EncryptedContentInfo { data, algorithm, [0] IMPLICIT encrypted content } } }
  const int64_t encrypted_size = EncryptedSize(cipher.context.get(), input.content_size);
  const int64_t encrypted_element = DerElementSize(encrypted_size, kImplicitEncryptedContent);
  const int64_t content_info_size =
      static_cast<int64_t>(fixed.data_type.size() + cipher.algorithm.size()) + encrypted_element;
  const int64_t content_info_element = DerElementSize(content_info_size, asn1::kDerSequence);
  const int64_t recipient_set = DerElementSize(recipient_infos_size, asn1::kDerSet);
  const int64_t enveloped_size = static_cast<int64_t>(fixed.version_zero.size()) + recipient_set +
                                 content_info_element;
  const int64_t enveloped_sequence = DerElementSize(enveloped_size, asn1::kDerSequence);
  const int64_t enveloped_element = DerElementSize(enveloped_sequence, kExplicitContent);
  const int64_t message_size = static_cast<int64_t>(fixed.enveloped_data_type.size()) + enveloped_element;
  const int64_t total = DerElementSize(message_size, asn1::kDerSequence);
  if (encrypted_element < 0 || content_info_element < 0 || recipient_set < 0 ||
      enveloped_sequence < 0 || enveloped_element < 0 || total < 0) {
    return Status(CRYPT_E_MSG_ERROR);
  }
  const DWORD capacity = *size;
  *size = static_cast<DWORD>(total);
  if (capacity < *size) return Status(ERROR_MORE_DATA);

  unsigned char* cursor = output;
  PutDerHeader(&cursor, message_size, asn1::kDerSequence);
  cursor = PutDerBytes(cursor, fixed.enveloped_data_type);
  PutDerHeader(&cursor, enveloped_sequence, kExplicitContent);
  PutDerHeader(&cursor, enveloped_size, asn1::kDerSequence);
  cursor = PutDerBytes(cursor, fixed.version_zero);
  PutDerHeader(&cursor, recipient_infos_size, asn1::kDerSet);
  for (const std::string& info : recipient_infos) cursor = PutDerBytes(cursor, info);
  PutDerHeader(&cursor, content_info_size, asn1::kDerSequence);
  cursor = PutDerBytes(cursor, fixed.data_type);
  cursor = PutDerBytes(cursor, cipher.algorithm);
  PutDerHeader(&cursor, encrypted_size, kImplicitEncryptedContent);
  // The cipher writes the content's length, then the padding, exactly what was measured.
  int written = 0;
  int padding = 0;
  const unsigned char* content = input.content_size == 0 ? cursor : input.content;
  if (EVP_EncryptUpdate(cipher.context.get(), cursor, &written, content,
                        static_cast<int>(input.content_size)) != 1 ||
      written > encrypted_size ||
      EVP_EncryptFinal_ex(cipher.context.get(), cursor + written, &padding) != 1 ||
      written + padding != encrypted_size || cursor + written + padding != output + total) {
    return Status(CRYPT_E_MSG_ERROR);
  }
  return Status();
}

}  // namespace corvane::platform
