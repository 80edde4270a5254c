#include "platform/posix/message/signer_verification.h"

#include <openssl/objects.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <span>

#include "platform/posix/failure_detail.h"
#include "platform/posix/message/pkcs7_bytes.h"
#include "platform/posix/message/signed_data_parts.h"
#include "platform/posix/message/unsupported_algorithm.h"
#include "platform/posix/asn1/asn1_reader.h"
#include "platform/posix/ossl.h"
#include "platform/posix/policy/algorithm_policy.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/store/detached_certificate.h"

namespace corvane::platform {
namespace {

// The offset of the message's own content where the message holds it in one piece, a primitive
// OCTET STRING (as DER has it) found by the bounded reader at ContentInfo { type, [0] SignedData
// { version, digestAlgorithms, encapContentInfo { type, [0] OCTET STRING } ... } } and equal byte
// for byte to `decoded`; nothing for content in pieces.
std::optional<size_t> ContentOffset(const BYTE* message, size_t size, const ASN1_OCTET_STRING* decoded) {
  using asn1::Element;
  using asn1::TagClass;
  namespace universal = asn1::universal;
  // The child of `parent` after the `skipped` elements, when it has the tag asked for.
  const auto child = [](const Element& parent, int skipped, TagClass cls, uint32_t number) {
    asn1::Reader fields(parent);
    for (int index = 0; index < skipped; ++index) {
      if (!fields.Next()) return std::optional<Element>();
    }
    return fields.NextIf(cls, number);
  };
  asn1::Reader outer(message, size, asn1::Rules::kBer);
  std::optional<Element> element = outer.NextIf(TagClass::kUniversal, universal::kSequence);
  if (element) element = child(*element, 1, TagClass::kContext, 0);             // [0] content
  if (element) element = child(*element, 0, TagClass::kUniversal, universal::kSequence);  // SignedData
  if (element) element = child(*element, 2, TagClass::kUniversal, universal::kSequence);  // encapContentInfo
  if (element) element = child(*element, 1, TagClass::kContext, 0);             // [0] eContent
  if (element) element = child(*element, 0, TagClass::kUniversal, universal::kOctetString);
  const auto decoded_size = static_cast<size_t>(ASN1_STRING_length(decoded));
  if (!element || element->constructed || element->content_size != decoded_size ||
      (decoded_size != 0 &&
       std::memcmp(element->content, ASN1_STRING_get0_data(decoded), decoded_size) != 0)) {
    return std::nullopt;
  }
  return static_cast<size_t>(element->content - message);
}

bool SameBytes(const unsigned char* a, size_t a_size, const unsigned char* b, size_t b_size) {
  return a_size == b_size && (a_size == 0 || std::memcmp(a, b, a_size) == 0);
}

bool SameNameEncoding(const X509_NAME* a, const X509_NAME* b) {
  const unsigned char* a_der = nullptr;
  const unsigned char* b_der = nullptr;
  size_t a_size = 0;
  size_t b_size = 0;
  return X509_NAME_get0_der(a, &a_der, &a_size) == 1 &&
         X509_NAME_get0_der(b, &b_der, &b_size) == 1 && SameBytes(a_der, a_size, b_der, b_size);
}

bool IdentifiesCertificate(CMS_SignerInfo* signer, X509* certificate) {
  ASN1_OCTET_STRING* key_identifier = nullptr;
  X509_NAME* issuer = nullptr;
  ASN1_INTEGER* serial = nullptr;
  if (CMS_SignerInfo_get0_signer_id(signer, &key_identifier, &issuer, &serial) != 1) return false;
  if (key_identifier != nullptr) {
    const std::vector<uint8_t> own = KeyIdentifierOf(certificate);
    return !own.empty() &&
           SameBytes(own.data(), own.size(), ASN1_STRING_get0_data(key_identifier),
                     static_cast<size_t>(ASN1_STRING_length(key_identifier)));
  }
  return issuer != nullptr && serial != nullptr &&
         SameNameEncoding(issuer, X509_get_issuer_name(certificate)) &&
         ASN1_INTEGER_cmp(serial, X509_get0_serialNumber(certificate)) == 0;
}

// The message as OpenSSL reads it, the certificates it carries and, for a message read in parts,
// its own content where it lies in the message.
struct ReadMessage {
  ossl::UniquePtr<CMS_ContentInfo> info;
  std::vector<std::shared_ptr<const StoredCertificate>> certificates;
  bool in_parts = false;
  std::optional<std::span<const uint8_t>> own_content;  // read in parts only
  size_t content_offset = 0;
};

// The message taken apart (signed_data_parts.h); nothing when it is not of the plain shape, or a
// part does not read, and the message is then read whole.
std::optional<ReadMessage> ReadInParts(const BYTE* message, size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) return std::nullopt;  // refused when read whole
  std::optional<SignedDataParts> parts = SplitSignedData(message, size);
  if (!parts) return std::nullopt;
  ReadMessage read;
  read.info = ReadCmsMessage(reinterpret_cast<const BYTE*>(parts->skeleton.data()),
                             parts->skeleton.size());
  if (!read.info) return std::nullopt;
  for (const std::span<const uint8_t> der : parts->certificates) {
    read.certificates.push_back(CertificateFromMessage(der.data(), der.size()));
    if (read.certificates.back() == nullptr) return std::nullopt;
  }
  read.in_parts = true;
  read.own_content = parts->content;
  read.content_offset = parts->content_offset;
  return read;
}

ReadMessage ReadWhole(const BYTE* message, size_t size) {
  ReadMessage read;
  read.info = ReadCmsMessage(message, size);
  if (!read.info) return read;
  const ossl::UniquePtr<STACK_OF(X509)> certificates(CMS_get1_certs(read.info.get()));
  for (int index = 0; index < sk_X509_num(certificates.get()); ++index) {
    // A certificate that is not kept (its bytes are not those of a certificate as the store
    // reads them) is left out here, as it is left out of the signer's companions.
    X509* certificate = sk_X509_value(certificates.get(), index);
    if (auto kept = CertificateFromMessage(certificate)) read.certificates.push_back(std::move(kept));
  }
  return read;
}

// The signer's certificate as a context whose store holds the message's other certificates.
CertificateReference SignerCertificate(const ReadMessage& read, CMS_SignerInfo* signer) {
  std::shared_ptr<const StoredCertificate> found;
  std::vector<std::shared_ptr<const StoredCertificate>> companions;
  for (const std::shared_ptr<const StoredCertificate>& certificate : read.certificates) {
    if (found == nullptr && IdentifiesCertificate(signer, certificate->OpenSslCertificate())) {
      found = certificate;
    } else {
      companions.push_back(certificate);
    }
  }
  if (found == nullptr) return nullptr;
  CMS_SignerInfo_set1_signer_cert(signer, found->OpenSslCertificate());
  return CertificateReference(CreateDetachedCertificateContext(std::move(found), companions));
}

bool SignedWithSha1(CMS_SignerInfo* signer) {
  X509_ALGOR* digest = nullptr;
  CMS_SignerInfo_get0_algs(signer, nullptr, nullptr, &digest, nullptr);
  const ASN1_OBJECT* digest_oid = nullptr;
  if (digest != nullptr) X509_ALGOR_get0(&digest_oid, nullptr, nullptr, digest);
  return OBJ_obj2nid(digest_oid) == NID_sha1;
}

// The content type that the signed attributes name must be the message's.
bool ContentTypeAttributeMatches(CMS_ContentInfo* message, CMS_SignerInfo* signer) {
  const auto* named = static_cast<const ASN1_OBJECT*>(CMS_signed_get0_data_by_OBJ(
      signer, OBJ_nid2obj(NID_pkcs9_contentType), -3, V_ASN1_OBJECT));
  return named != nullptr && OBJ_cmp(named, CMS_get0_eContentType(message)) == 0;
}

// Runs the content through the message's digests: the message's own content (read through and
// dropped: it stays in the message's structure) or the detached pieces. Null when the digests
// cannot be set up.
ossl::UniquePtr<BIO> DigestContent(CMS_ContentInfo* message,
                                   const std::vector<ContentPiece>* detached) {
  if (detached == nullptr) {
    ossl::UniquePtr<BIO> chain(CMS_dataInit(message, nullptr));
    unsigned char buffer[16384];
    int read = 0;
    while (chain && (read = BIO_read(chain.get(), buffer, sizeof buffer)) > 0) continue;
    if (read < 0) return nullptr;
    return chain;
  }
  ossl::UniquePtr<BIO> sink(BIO_new(BIO_s_null()));
  if (sink == nullptr) return nullptr;
  ossl::UniquePtr<BIO> chain(CMS_dataInit(message, sink.get()));
  if (!chain) return nullptr;
  sink.release();  // now the end of the chain
  for (const ContentPiece& piece : *detached) {
    for (size_t done = 0; done < piece.size;) {
      const int part = static_cast<int>(std::min<size_t>(piece.size - done, INT_MAX));
      if (BIO_write(chain.get(), piece.data + done, part) != part) return nullptr;
      done += static_cast<size_t>(part);
    }
  }
  return chain;
}

// A signature that did not verify. Where the signer's key is of a type this layer neither signs
// nor verifies with (Ed25519, Ed448, DSA, ...), the detail says so: the failure is the same.
Status BadSignature(PCCERT_CONTEXT signer) {
  X509* x509 = CertificateX509(signer);
  const EVP_PKEY* key = x509 != nullptr ? X509_get0_pubkey(x509) : nullptr;
  const int type = key != nullptr ? EVP_PKEY_get_base_id(key) : EVP_PKEY_NONE;
  if (key == nullptr || type == EVP_PKEY_RSA || type == EVP_PKEY_EC) return Status(NTE_BAD_SIGNATURE);
  ASN1_OBJECT* algorithm = nullptr;
  char dotted[128] = {};
  if (X509_PUBKEY_get0_param(&algorithm, nullptr, nullptr, nullptr, X509_get_X509_PUBKEY(x509)) != 1 ||
      OBJ_obj2txt(dotted, sizeof dotted, algorithm, 1) <= 0) {
    return Status(NTE_BAD_SIGNATURE);
  }
  return UnsupportedAlgorithm("the signer's key algorithm", dotted, NTE_BAD_SIGNATURE);
}

}  // namespace

Status VerifyMessageSigner(const BYTE* message, size_t size, DWORD signer_index,
                           const std::vector<ContentPiece>* detached, VerifiedSigner& result) {
  AlgorithmPolicy policy;
  const Status policy_read = CurrentPolicy(policy);
  if (!policy_read.ok()) return policy_read;
  const ossl::ErrorQueueMark mark;
  std::optional<ReadMessage> in_parts = ReadInParts(message, size);
  const ReadMessage read = in_parts ? std::move(*in_parts) : ReadWhole(message, size);
  CMS_ContentInfo* info = read.info.get();
  if (info == nullptr || OBJ_obj2nid(CMS_get0_type(info)) != NID_pkcs7_signed) {
    return Status(CRYPT_E_OSS_ERROR);
  }
  STACK_OF(CMS_SignerInfo)* signers = CMS_get0_SignerInfos(info);
  if (signer_index >= static_cast<DWORD>(sk_CMS_SignerInfo_num(signers))) {
    return Status(CRYPT_E_NO_SIGNER);
  }
  CMS_SignerInfo* signer = sk_CMS_SignerInfo_value(signers, static_cast<int>(signer_index));

  CertificateReference certificate = SignerCertificate(read, signer);
  if (!certificate) return Status(CRYPT_E_NOT_FOUND);
  if (!policy.accept_sha1 && SignedWithSha1(signer)) {
    SetFailureDetail("the message is signed with SHA-1, which the policy refuses "
                     "(verify.accept_sha1 = no)");
    return Status(CRYPT_E_UNKNOWN_ALGO);
  }
  // The message's own content: in the structure OpenSSL read, or, for a message read in parts,
  // where it lies in the message, hashed from there as detached content is.
  const bool own = detached == nullptr;
  ASN1_OCTET_STRING** decoded_content = own && !read.in_parts ? CMS_get0_content(info) : nullptr;
  if (own && (read.in_parts ? !read.own_content
                            : decoded_content == nullptr || *decoded_content == nullptr)) {
    return Status(CRYPT_E_MSG_ERROR);
  }
  std::vector<ContentPiece> own_pieces;
  if (own && read.in_parts) {
    own_pieces.push_back(ContentPiece{read.own_content->data(), read.own_content->size()});
  }
  const ossl::UniquePtr<BIO> digests =
      DigestContent(info, own && read.in_parts ? &own_pieces : detached);
  if (!digests) return Status(CRYPT_E_UNKNOWN_ALGO);
  // Signed attributes: their signature first; without them the signature covers the content.
  if (CMS_signed_get_attr_count(signer) >= 0 &&
      (CMS_SignerInfo_verify(signer) != 1 || !ContentTypeAttributeMatches(info, signer))) {
    return BadSignature(certificate.get());
  }
  if (CMS_SignerInfo_verify_content(signer, digests.get()) != 1) return BadSignature(certificate.get());

  result.certificate = std::move(certificate);
  if (own && read.in_parts) {
    // The content is copied out of the message once, as reading it whole would have.
    result.content.reset(ASN1_OCTET_STRING_new());
    if (!result.content ||
        ASN1_OCTET_STRING_set(result.content.get(), read.own_content->data(),
                              static_cast<int>(read.own_content->size())) != 1) {
      return Status(NTE_NO_MEMORY);
    }
    result.content_offset = read.content_offset;
  } else if (own) {
    // The content leaves the structure it was decoded into, which goes: no copy is made.
    result.content.reset(*decoded_content);
    *decoded_content = nullptr;
    result.content_offset = ContentOffset(message, size, result.content.get());
  }
  return Status();
}

}  // namespace corvane::platform
