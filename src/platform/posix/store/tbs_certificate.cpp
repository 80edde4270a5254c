#include "platform/posix/store/tbs_certificate.h"


#include "platform/posix/asn1/asn1_reader.h"
#include "platform/posix/asn1/certificate_time.h"
#include "platform/serial_number.h"

namespace corvane::platform {
namespace {

using asn1::Element;
using asn1::Reader;

BYTE* Mutable(const uint8_t* bytes) { return const_cast<BYTE*>(bytes); }

CRYPT_DATA_BLOB BlobOf(const uint8_t* bytes, size_t size) {
  return CRYPT_DATA_BLOB{static_cast<DWORD>(size), size == 0 ? nullptr : Mutable(bytes)};
}

// BIT STRING content: the unused-bits byte (0-7, 0 when there are no bits) and the bits.
bool ReadBits(const Element& element, CRYPT_BIT_BLOB& bits) {
  if (element.content_size == 0 || element.content[0] > 7) return false;
  if (element.content_size == 1 && element.content[0] != 0) return false;
  bits.cbData = static_cast<DWORD>(element.content_size - 1);
  bits.pbData = bits.cbData == 0 ? nullptr : Mutable(element.content + 1);
  bits.cUnusedBits = element.content[0];
  return true;
}

// Name ::= SEQUENCE OF SET OF SEQUENCE { type OBJECT IDENTIFIER, value ANY }. A relative name
// without attributes is let through, as OpenSSL reads it: the certificate is usable, and only its
// rendering (CertNameToStrA) refuses such a name.
bool IsName(const Element& name) {
  Reader rdns(name);
  while (!rdns.AtEnd()) {
    const std::optional<Element> rdn = rdns.NextIf(asn1::kSet);
    if (!rdn) return false;
    Reader attributes(*rdn);
    while (!attributes.AtEnd()) {
      const std::optional<Element> attribute = attributes.NextIf(asn1::kSequence);
      if (!attribute) return false;
      Reader parts(*attribute);
      if (!parts.NextIf(asn1::kObjectIdentifier) || !parts.Next() || !parts.AtEnd()) return false;
    }
  }
  return true;
}

// The content of an [n] EXPLICIT wrapper holding exactly one element with `tag`.
std::optional<Element> Explicit(const Element& wrapper, uint8_t tag) {
  Reader inner(wrapper);
  std::optional<Element> element = inner.NextIf(tag);
  if (!element || !inner.AtEnd()) return std::nullopt;
  return element;
}

}  // namespace

std::unique_ptr<TbsCertificate> TbsCertificate::Parse(std::vector<BYTE> der) {
  std::unique_ptr<TbsCertificate> certificate(new TbsCertificate());
  certificate->der_ = std::move(der);
  if (!certificate->ParseCertificate()) return nullptr;
  return certificate;
}

LPSTR TbsCertificate::KeepText(std::string text) {
  texts_.push_back(std::move(text));
  return texts_.back().data();
}

bool TbsCertificate::ParseCertificate() {
  // Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm, signatureValue }, all of the
  // bytes and nothing after it.
  Reader file(der_.data(), der_.size(), asn1::Rules::kDer);
  const std::optional<Element> certificate = file.NextIf(asn1::kSequence);
  if (!certificate || !file.AtEnd()) return false;
  Reader outer(*certificate);
  const std::optional<Element> tbs = outer.NextIf(asn1::kSequence);
  if (!tbs || !outer.NextIf(asn1::kSequence) || !outer.NextIf(asn1::kBitString) || !outer.AtEnd()) {
    return false;
  }
  Reader fields(*tbs);
  if (!ReadVersion(fields) || !ReadSerialNumber(fields) ||
      !ReadAlgorithm(fields.NextIf(asn1::kSequence), info_.SignatureAlgorithm) ||
      !ReadName(fields, info_.Issuer) || !ReadValidity(fields) || !ReadName(fields, info_.Subject) ||
      !ReadPublicKeyInfo(fields) || !ReadUniqueIds(fields) || !ReadExtensions(fields)) {
    return false;
  }
  return fields.AtEnd();
}

bool TbsCertificate::ReadAlgorithm(const std::optional<Element>& sequence,
                                   CRYPT_ALGORITHM_IDENTIFIER& algorithm) {
  if (!sequence) return false;
  Reader parts(*sequence);
  const std::optional<Element> oid = parts.NextIf(asn1::kObjectIdentifier);
  std::optional<std::string> text = oid ? asn1::ObjectIdentifierText(*oid) : std::nullopt;
  if (!text) return false;
  algorithm.pszObjId = KeepText(std::move(*text));
  if (parts.AtEnd()) return true;
  const std::optional<Element> parameters = parts.Next();
  if (!parameters || !parts.AtEnd()) return false;
  algorithm.Parameters = BlobOf(parameters->encoding, parameters->encoding_size);
  return true;
}

// version [0] EXPLICIT INTEGER DEFAULT v1
bool TbsCertificate::ReadVersion(Reader& fields) {
  info_.dwVersion = 0;
  if (!fields.NextHasTag(asn1::ContextConstructed(0))) return true;
  const std::optional<Element> wrapper = fields.Next();
  const std::optional<Element> version = wrapper ? Explicit(*wrapper, asn1::kInteger) : std::nullopt;
  if (!version || version->content_size != 1 || version->content[0] > 2) return false;
  info_.dwVersion = version->content[0];
  return true;
}

// serialNumber INTEGER: kept as encoded (sign byte included), least significant byte first.
bool TbsCertificate::ReadSerialNumber(Reader& fields) {
  const std::optional<Element> serial = fields.NextIf(asn1::kInteger);
  if (!serial || serial->content_size == 0) return false;
  const size_t size = serial->content_size;
  if (size > short_serial_.size()) long_serial_.resize(size);
  BYTE* const serial_bytes = size > short_serial_.size() ? long_serial_.data() : short_serial_.data();
  ReverseSerialBytes(serial->content, size, serial_bytes);
  info_.SerialNumber = BlobOf(serial_bytes, size);
  return true;
}

bool TbsCertificate::ReadName(Reader& fields, CERT_NAME_BLOB& name) {
  const std::optional<Element> element = fields.NextIf(asn1::kSequence);
  if (!element || !IsName(*element)) return false;
  name = BlobOf(element->encoding, element->encoding_size);
  return true;
}

// Validity ::= SEQUENCE { notBefore Time, notAfter Time }
bool TbsCertificate::ReadValidity(Reader& fields) {
  const std::optional<Element> validity = fields.NextIf(asn1::kSequence);
  if (!validity) return false;
  Reader times(*validity);
  const std::optional<Element> not_before = times.Next();
  const std::optional<Element> not_after = not_before ? times.Next() : std::nullopt;
  if (!not_after || !times.AtEnd()) return false;
  const auto from = CertificateTimeToFileTime(*not_before);
  const auto to = CertificateTimeToFileTime(*not_after);
  if (!from || !to) return false;
  info_.NotBefore = *from;
  info_.NotAfter = *to;
  return true;
}

// SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier, subjectPublicKey BIT STRING }
bool TbsCertificate::ReadPublicKeyInfo(Reader& fields) {
  const std::optional<Element> key_info = fields.NextIf(asn1::kSequence);
  if (!key_info) return false;
  Reader parts(*key_info);
  if (!ReadAlgorithm(parts.NextIf(asn1::kSequence), info_.SubjectPublicKeyInfo.Algorithm)) {
    return false;
  }
  const std::optional<Element> key_bits = parts.NextIf(asn1::kBitString);
  return key_bits && ReadBits(*key_bits, info_.SubjectPublicKeyInfo.PublicKey) && parts.AtEnd();
}

// issuerUniqueID [1] IMPLICIT BIT STRING OPTIONAL, subjectUniqueID [2] likewise
bool TbsCertificate::ReadUniqueIds(Reader& fields) {
  if (const auto issuer = fields.NextIf(asn1::ContextPrimitive(1))) {
    if (!ReadBits(*issuer, info_.IssuerUniqueId)) return false;
  }
  if (const auto subject = fields.NextIf(asn1::ContextPrimitive(2))) {
    if (!ReadBits(*subject, info_.SubjectUniqueId)) return false;
  }
  return true;
}

// extensions [3] EXPLICIT SEQUENCE OF Extension
bool TbsCertificate::ReadExtensions(Reader& fields) {
  if (fields.NextHasTag(asn1::ContextConstructed(3))) {
    const std::optional<Element> wrapper = fields.Next();
    const std::optional<Element> list = wrapper ? Explicit(*wrapper, asn1::kSequence) : std::nullopt;
    if (!list) return false;
    Reader entries(*list);
    while (!entries.AtEnd()) {
      if (!ReadExtension(entries)) return false;
    }
  }
  info_.cExtension = static_cast<DWORD>(extensions_.size());
  info_.rgExtension = extensions_.empty() ? nullptr : extensions_.data();
  return true;
}

// Extension ::= SEQUENCE { extnID OID, critical BOOLEAN DEFAULT FALSE, extnValue OCTET STRING }
bool TbsCertificate::ReadExtension(Reader& entries) {
  const std::optional<Element> extension = entries.NextIf(asn1::kSequence);
  if (!extension) return false;
  Reader parts(*extension);
  const std::optional<Element> oid = parts.NextIf(asn1::kObjectIdentifier);
  if (!oid) return false;
  CERT_EXTENSION entry{};
  if (parts.NextHasTag(asn1::kBoolean)) {
    const std::optional<Element> critical = parts.Next();
    if (!critical || critical->content_size != 1) return false;
    entry.fCritical = critical->content[0] != 0 ? TRUE : FALSE;
  }
  const std::optional<Element> value = parts.NextIf(asn1::kOctetString);
  if (!value || !parts.AtEnd()) return false;
  std::optional<std::string> text = asn1::ObjectIdentifierText(*oid);
  if (!text) return false;
  entry.pszObjId = KeepText(std::move(*text));
  entry.Value = BlobOf(value->content, value->content_size);
  extensions_.push_back(entry);
  return true;
}

}  // namespace corvane::platform
