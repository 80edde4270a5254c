#include "platform/posix/store/tbs_certificate.h"

#include <algorithm>

#include "platform/posix/asn1/certificate_time.h"
#include "platform/posix/asn1/der_reader.h"

namespace corvane::platform {
namespace {

BYTE* Mutable(const uint8_t* bytes) { return const_cast<BYTE*>(bytes); }

CRYPT_DATA_BLOB BlobOf(const uint8_t* bytes, size_t size) {
  return CRYPT_DATA_BLOB{static_cast<DWORD>(size), size == 0 ? nullptr : Mutable(bytes)};
}

// BIT STRING content: the unused-bits byte (0-7, 0 when there are no bits) and the bits.
bool ReadBits(const der::Element& element, CRYPT_BIT_BLOB& bits) {
  if (element.content_size == 0 || element.content[0] > 7) return false;
  if (element.content_size == 1 && element.content[0] != 0) return false;
  bits.cbData = static_cast<DWORD>(element.content_size - 1);
  bits.pbData = bits.cbData == 0 ? nullptr : Mutable(element.content + 1);
  bits.cUnusedBits = element.content[0];
  return true;
}

// Name ::= SEQUENCE OF SET OF SEQUENCE { type OBJECT IDENTIFIER, value ANY }.
bool CheckName(const der::Element& name) {
  der::Reader rdns(name);
  der::Element rdn, attribute, type, value;
  while (!rdns.AtEnd()) {
    if (!rdns.Expect(der::kSet, rdn)) return false;
    der::Reader attributes(rdn);
    if (attributes.AtEnd()) return false;
    while (!attributes.AtEnd()) {
      if (!attributes.Expect(der::kSequence, attribute)) return false;
      der::Reader parts(attribute);
      if (!parts.Expect(der::kObjectIdentifier, type) || !parts.Next(value) || !parts.AtEnd()) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<TbsCertificate> TbsCertificate::Parse(std::vector<BYTE> der) {
  std::unique_ptr<TbsCertificate> certificate(new TbsCertificate());
  certificate->der_ = std::move(der);
  if (!certificate->ParseTbs()) return nullptr;
  return certificate;
}

LPSTR TbsCertificate::KeepText(std::string text) {
  texts_.push_back(std::move(text));
  return texts_.back().data();
}

bool TbsCertificate::ParseTbs() {
  // Certificate ::= SEQUENCE { tbsCertificate, signatureAlgorithm, signatureValue }, all of the
  // bytes and nothing after it.
  der::Reader file(der_.data(), der_.size());
  der::Element certificate, tbs, outer_algorithm, signature;
  if (!file.Expect(der::kSequence, certificate) || !file.AtEnd()) return false;
  der::Reader outer(certificate);
  if (!outer.Expect(der::kSequence, tbs) || !outer.Expect(der::kSequence, outer_algorithm) ||
      !outer.Expect(der::kBitString, signature) || !outer.AtEnd()) {
    return false;
  }

  der::Reader fields(tbs);
  der::Element element;

  auto read_algorithm = [this](const der::Element& sequence, CRYPT_ALGORITHM_IDENTIFIER& algorithm) {
    der::Reader parts(sequence);
    der::Element oid, parameters;
    if (!parts.Expect(der::kObjectIdentifier, oid)) return false;
    auto text = der::ObjectIdentifierText(oid);
    if (!text) return false;
    algorithm.pszObjId = KeepText(std::move(*text));
    if (!parts.AtEnd()) {
      if (!parts.Next(parameters) || !parts.AtEnd()) return false;
      algorithm.Parameters = BlobOf(parameters.encoding, parameters.encoding_size);
    }
    return true;
  };

  // version [0] EXPLICIT INTEGER DEFAULT v1
  info_.dwVersion = 0;
  if (fields.NextHasTag(der::ContextConstructed(0))) {
    der::Element wrapper, version;
    if (!fields.Next(wrapper)) return false;
    der::Reader inner(wrapper);
    if (!inner.Expect(der::kInteger, version) || !inner.AtEnd() || version.content_size != 1 ||
        version.content[0] > 2) {
      return false;
    }
    info_.dwVersion = version.content[0];
  }

  // serialNumber INTEGER: kept as encoded (sign byte included), least significant byte first.
  if (!fields.Expect(der::kInteger, element) || element.content_size == 0) return false;
  serial_.assign(element.content, element.content + element.content_size);
  std::reverse(serial_.begin(), serial_.end());
  info_.SerialNumber = BlobOf(serial_.data(), serial_.size());

  if (!fields.Expect(der::kSequence, element) || !read_algorithm(element, info_.SignatureAlgorithm)) {
    return false;
  }

  if (!fields.Expect(der::kSequence, element) || !CheckName(element)) return false;
  info_.Issuer = BlobOf(element.encoding, element.encoding_size);

  der::Element validity, not_before, not_after;
  if (!fields.Expect(der::kSequence, validity)) return false;
  der::Reader times(validity);
  if (!times.Next(not_before) || !times.Next(not_after) || !times.AtEnd()) return false;
  const auto from = CertificateTimeToFileTime(not_before);
  const auto to = CertificateTimeToFileTime(not_after);
  if (!from || !to) return false;
  info_.NotBefore = *from;
  info_.NotAfter = *to;

  if (!fields.Expect(der::kSequence, element) || !CheckName(element)) return false;
  info_.Subject = BlobOf(element.encoding, element.encoding_size);

  // SubjectPublicKeyInfo ::= SEQUENCE { algorithm AlgorithmIdentifier, subjectPublicKey BIT STRING }
  der::Element key_info, key_algorithm, key_bits;
  if (!fields.Expect(der::kSequence, key_info)) return false;
  der::Reader key_parts(key_info);
  if (!key_parts.Expect(der::kSequence, key_algorithm) ||
      !read_algorithm(key_algorithm, info_.SubjectPublicKeyInfo.Algorithm) ||
      !key_parts.Expect(der::kBitString, key_bits) ||
      !ReadBits(key_bits, info_.SubjectPublicKeyInfo.PublicKey) || !key_parts.AtEnd()) {
    return false;
  }

  // issuerUniqueID [1] IMPLICIT BIT STRING OPTIONAL, subjectUniqueID [2] likewise
  if (fields.Expect(der::ContextPrimitive(1), element) && !ReadBits(element, info_.IssuerUniqueId)) {
    return false;
  }
  if (fields.Expect(der::ContextPrimitive(2), element) && !ReadBits(element, info_.SubjectUniqueId)) {
    return false;
  }

  // extensions [3] EXPLICIT SEQUENCE OF Extension
  if (fields.NextHasTag(der::ContextConstructed(3))) {
    der::Element wrapper, list;
    if (!fields.Next(wrapper)) return false;
    der::Reader inner(wrapper);
    if (!inner.Expect(der::kSequence, list) || !inner.AtEnd()) return false;
    der::Reader entries(list);
    while (!entries.AtEnd()) {
      // Extension ::= SEQUENCE { extnID OID, critical BOOLEAN DEFAULT FALSE, extnValue OCTET STRING }
      der::Element extension, oid, critical, value;
      if (!entries.Expect(der::kSequence, extension)) return false;
      der::Reader parts(extension);
      if (!parts.Expect(der::kObjectIdentifier, oid)) return false;
      CERT_EXTENSION entry{};
      if (parts.NextHasTag(der::kBoolean)) {
        if (!parts.Next(critical) || critical.content_size != 1) return false;
        entry.fCritical = critical.content[0] != 0 ? TRUE : FALSE;
      }
      if (!parts.Expect(der::kOctetString, value) || !parts.AtEnd()) return false;
      auto text = der::ObjectIdentifierText(oid);
      if (!text) return false;
      entry.pszObjId = KeepText(std::move(*text));
      entry.Value = BlobOf(value.content, value.content_size);
      extensions_.push_back(entry);
    }
  }
  if (!fields.AtEnd()) return false;

  info_.cExtension = static_cast<DWORD>(extensions_.size());
  info_.rgExtension = extensions_.empty() ? nullptr : extensions_.data();
  return true;
}

}  // namespace corvane::platform
