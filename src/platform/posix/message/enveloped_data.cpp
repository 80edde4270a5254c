#include "platform/posix/message/enveloped_data.h"

#include <optional>

#include "platform/posix/asn1/asn1_reader.h"

namespace corvane::platform {
namespace {

using asn1::Element;
using asn1::Reader;
using asn1::TagClass;
namespace universal = asn1::universal;

std::vector<uint8_t> Bytes(const uint8_t* data, size_t size) {
  return std::vector<uint8_t>(data, data + size);
}

bool ReadAlgorithmIdentifier(Reader& reader, AlgorithmIdentifier& algorithm) {
  const std::optional<Element> sequence = reader.NextIf(TagClass::kUniversal, universal::kSequence);
  if (!sequence) return false;
  Reader fields(*sequence);
  const std::optional<Element> oid = fields.Next();
  if (!oid) return false;
  const std::optional<std::string> text = asn1::ObjectIdentifierText(*oid);
  if (!text) return false;
  algorithm.oid = *text;
  algorithm.parameters = AlgorithmIdentifier::Parameters::kAbsent;
  if (fields.AtEnd()) return true;
  const std::optional<Element> parameters = fields.Next();
  if (!parameters || !fields.AtEnd()) return false;
  if (parameters->IsUniversal(universal::kNull)) {
    if (parameters->constructed || parameters->content_size != 0) return false;
    algorithm.parameters = AlgorithmIdentifier::Parameters::kNull;
  } else if (parameters->IsUniversal(universal::kOctetString)) {
    std::optional<std::vector<uint8_t>> octets = asn1::OctetStringValue(*parameters);
    if (!octets) return false;
    algorithm.parameters = AlgorithmIdentifier::Parameters::kOctetString;
    algorithm.octets = std::move(*octets);
  } else {
    algorithm.parameters = AlgorithmIdentifier::Parameters::kOther;
  }
  return true;
}

// The key identifier of a key agreement's rKeyId [0] { subjectKeyIdentifier, date, other }.
std::optional<std::vector<uint8_t>> AgreementKeyIdentifier(const Element& key_id) {
  if (!key_id.constructed) return std::nullopt;
  Reader fields(key_id);
  const std::optional<Element> identifier =
      fields.NextIf(TagClass::kUniversal, universal::kOctetString);
  if (!identifier) return std::nullopt;
  return asn1::OctetStringValue(*identifier);
}

bool ReadRecipientIdentifier(Reader& reader, EnvelopeRecipient& recipient) {
  if (const std::optional<Element> key_id = reader.NextIf(TagClass::kContext, 0)) {
    std::optional<std::vector<uint8_t>> value =
        recipient.kind == EnvelopeRecipient::Kind::kKeyAgreement ? AgreementKeyIdentifier(*key_id)
                                                                 : asn1::OctetStringValue(*key_id);
    if (!value) return false;
    recipient.identifier = EnvelopeRecipient::Identifier::kSubjectKeyIdentifier;
    recipient.key_identifier = std::move(*value);
    return true;
  }
  const std::optional<Element> issuer_and_serial =
      reader.NextIf(TagClass::kUniversal, universal::kSequence);
  if (!issuer_and_serial) return false;
  Reader fields(*issuer_and_serial);
  const std::optional<Element> issuer = fields.NextIf(TagClass::kUniversal, universal::kSequence);
  const std::optional<Element> serial = fields.NextIf(TagClass::kUniversal, universal::kInteger);
  if (!issuer || !serial || serial->constructed || serial->content_size == 0 || !fields.AtEnd()) {
    return false;
  }
  recipient.identifier = EnvelopeRecipient::Identifier::kIssuerAndSerialNumber;
  recipient.issuer = Bytes(issuer->encoding, issuer->encoding_size);
  recipient.serial_number = Bytes(serial->content, serial->content_size);
  return true;
}

bool ReadEncryptedKey(Reader& fields, EnvelopeRecipient& recipient) {
  const std::optional<Element> encrypted_key =
      fields.NextIf(TagClass::kUniversal, universal::kOctetString);
  if (!encrypted_key || !fields.AtEnd()) return false;
  std::optional<std::vector<uint8_t>> key = asn1::OctetStringValue(*encrypted_key);
  if (!key) return false;
  recipient.encrypted_key = std::move(*key);
  return true;
}

bool ReadKeyTransportRecipient(const Element& info, EnvelopeRecipient& recipient) {
  Reader fields(info);
  const std::optional<Element> version = fields.NextIf(TagClass::kUniversal, universal::kInteger);
  return version && ReadRecipientIdentifier(fields, recipient) &&
         ReadAlgorithmIdentifier(fields, recipient.key_encryption) &&
         ReadEncryptedKey(fields, recipient);
}

// One recipient per encrypted key of the info.
bool ReadKeyAgreementRecipients(const Element& info, std::vector<EnvelopeRecipient>& recipients) {
  Reader fields(info);
  EnvelopeRecipient agreement;
  agreement.kind = EnvelopeRecipient::Kind::kKeyAgreement;
  if (!fields.NextIf(TagClass::kUniversal, universal::kInteger) ||
      !fields.NextIf(TagClass::kContext, 0)) {
    return false;
  }
  fields.NextIf(TagClass::kContext, 1);  // user keying material
  if (!ReadAlgorithmIdentifier(fields, agreement.key_encryption)) return false;
  const std::optional<Element> keys = fields.NextIf(TagClass::kUniversal, universal::kSequence);
  if (!keys || !fields.AtEnd()) return false;
  Reader encrypted_keys(*keys);
  while (!encrypted_keys.AtEnd()) {
    const std::optional<Element> encrypted_key =
        encrypted_keys.NextIf(TagClass::kUniversal, universal::kSequence);
    if (!encrypted_key) return false;
    Reader key_fields(*encrypted_key);
    EnvelopeRecipient recipient = agreement;
    if (!ReadRecipientIdentifier(key_fields, recipient) || !ReadEncryptedKey(key_fields, recipient)) {
      return false;
    }
    recipients.push_back(std::move(recipient));
  }
  return true;
}

bool ReadRecipientInfos(Reader& reader, std::vector<EnvelopeRecipient>& recipients) {
  const std::optional<Element> set = reader.NextIf(TagClass::kUniversal, universal::kSet);
  if (!set) return false;
  Reader infos(*set);
  while (!infos.AtEnd()) {
    const std::optional<Element> info = infos.Next();
    if (!info || !info->constructed) return false;
    // Key transport recipients are plain SEQUENCEs, key agreement ones [1]; the other kinds
    // carry other context tags.
    if (info->Is(TagClass::kContext, 1)) {
      if (!ReadKeyAgreementRecipients(*info, recipients)) return false;
      continue;
    }
    if (!info->IsUniversal(universal::kSequence)) continue;
    EnvelopeRecipient recipient;
    if (!ReadKeyTransportRecipient(*info, recipient)) return false;
    recipients.push_back(std::move(recipient));
  }
  return true;
}

bool ReadEncryptedContentInfo(Reader& reader, EnvelopedData& envelope) {
  const std::optional<Element> sequence = reader.NextIf(TagClass::kUniversal, universal::kSequence);
  if (!sequence) return false;
  Reader fields(*sequence);
  const std::optional<Element> content_type = fields.Next();
  if (!content_type || !asn1::ObjectIdentifierText(*content_type) ||
      !ReadAlgorithmIdentifier(fields, envelope.content_encryption)) {
    return false;
  }
  envelope.has_encrypted_content = false;
  if (const std::optional<Element> content = fields.NextIf(TagClass::kContext, 0)) {
    envelope.has_encrypted_content = true;
    if (!content->constructed) {
      envelope.encrypted_content = {content->content, content->content_size};
    } else {
      std::optional<std::vector<uint8_t>> value = asn1::OctetStringValue(*content);
      if (!value) return false;
      envelope.joined_encrypted_content = std::move(*value);
      envelope.encrypted_content = envelope.joined_encrypted_content;
    }
  }
  return fields.AtEnd();
}

bool ReadEnvelope(const Element& content, EnvelopedData& envelope) {
  Reader outer(content);
  const std::optional<Element> sequence = outer.NextIf(TagClass::kUniversal, universal::kSequence);
  if (!sequence || !outer.AtEnd()) return false;
  Reader fields(*sequence);
  if (!fields.NextIf(TagClass::kUniversal, universal::kInteger)) return false;
  fields.NextIf(TagClass::kContext, 0);  // originatorInfo: certificates for key agreement only
  if (!ReadRecipientInfos(fields, envelope.recipients) ||
      !ReadEncryptedContentInfo(fields, envelope)) {
    return false;
  }
  fields.NextIf(TagClass::kContext, 1);  // unprotectedAttrs
  return fields.AtEnd();
}

}  // namespace

EnvelopeReading ReadEnvelopedData(const uint8_t* message, size_t size, EnvelopedData& envelope) {
  envelope = EnvelopedData{};
  Reader reader(message, size, asn1::Rules::kBer);
  const std::optional<Element> content_info = reader.NextIf(TagClass::kUniversal, universal::kSequence);
  if (!content_info || !reader.AtEnd()) return EnvelopeReading::kMalformed;
  Reader fields(*content_info);
  const std::optional<Element> type = fields.NextIf(TagClass::kUniversal, universal::kObjectIdentifier);
  if (!type) return EnvelopeReading::kMalformed;
  const std::optional<std::string> type_text = asn1::ObjectIdentifierText(*type);
  if (!type_text) return EnvelopeReading::kMalformed;
  const std::optional<Element> content = fields.NextIf(TagClass::kContext, 0);
  if (!fields.AtEnd() || (content && !content->constructed)) return EnvelopeReading::kMalformed;
  envelope.content_type = *type_text;
  if (*type_text != kEnvelopedDataOid) return EnvelopeReading::kOtherContentType;
  if (!content || !ReadEnvelope(*content, envelope)) return EnvelopeReading::kMalformed;
  return EnvelopeReading::kRead;
}

}  // namespace corvane::platform
