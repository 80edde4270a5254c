#include "platform/posix/message/signed_data_parts.h"

#include <string_view>

#include "platform/posix/asn1/asn1_reader.h"
#include "platform/posix/asn1/der_writer.h"

namespace corvane::platform {
namespace {

using asn1::Element;

constexpr std::string_view kSignedDataOid = "1.2.840.113549.1.7.2";

std::string_view Encoding(const Element& element) {
  return {reinterpret_cast<const char*>(element.encoding), element.encoding_size};
}

// The single element inside `parent`, when it has identifier octet `tag`.
std::optional<Element> OnlyChild(const Element& parent, uint8_t tag) {
  asn1::Reader children(parent);
  std::optional<Element> child = children.NextIf(tag);
  if (!child || !children.AtEnd()) return std::nullopt;
  return child;
}

}  // namespace

std::optional<SignedDataParts> SplitSignedData(const uint8_t* message, size_t size) {
  asn1::Reader outer(message, size, asn1::Rules::kDer);
  const std::optional<Element> content_info = outer.NextIf(asn1::kSequence);
  if (!content_info || !outer.AtEnd()) return std::nullopt;
  asn1::Reader info_fields(*content_info);
  const std::optional<Element> type = info_fields.NextIf(asn1::kObjectIdentifier);
  const std::optional<Element> wrapper = info_fields.NextIf(asn1::ContextConstructed(0));
  if (!type || !wrapper || !info_fields.AtEnd() || asn1::ObjectIdentifierText(*type) != kSignedDataOid) {
    return std::nullopt;
  }
  const std::optional<Element> signed_data = OnlyChild(*wrapper, asn1::kSequence);
  if (!signed_data) return std::nullopt;

  asn1::Reader fields(*signed_data);
  const std::optional<Element> version = fields.NextIf(asn1::kInteger);
  const std::optional<Element> digest_algorithms = fields.NextIf(asn1::kSet);
  const std::optional<Element> encapsulated = fields.NextIf(asn1::kSequence);
  const std::optional<Element> certificates = fields.NextIf(asn1::ContextConstructed(0));
  const std::optional<Element> revocation_lists = fields.NextIf(asn1::ContextConstructed(1));
  const std::optional<Element> signer_infos = fields.NextIf(asn1::kSet);
  if (!version || !digest_algorithms || !encapsulated || !signer_infos || !fields.AtEnd()) {
    return std::nullopt;
  }

  SignedDataParts parts;
  asn1::Reader encapsulated_fields(*encapsulated);
  const std::optional<Element> content_type = encapsulated_fields.NextIf(asn1::kObjectIdentifier);
  if (!content_type) return std::nullopt;
  if (const std::optional<Element> explicit_content = encapsulated_fields.NextIf(asn1::ContextConstructed(0))) {
    const std::optional<Element> octets = OnlyChild(*explicit_content, asn1::kOctetString);
    if (!octets) return std::nullopt;
    parts.content.emplace(octets->content, octets->content_size);
    parts.content_offset = static_cast<size_t>(octets->content - message);
  }
  if (!encapsulated_fields.AtEnd()) return std::nullopt;
  if (certificates) {
    asn1::Reader each(*certificates);
    while (!each.AtEnd()) {
      const std::optional<Element> certificate = each.NextIf(asn1::kSequence);
      if (!certificate) return std::nullopt;  // another kind of certificate, or malformed
      parts.certificates.emplace_back(certificate->encoding, certificate->encoding_size);
    }
  }

  std::string signed_fields(Encoding(*version));
  signed_fields += Encoding(*digest_algorithms);
  signed_fields += asn1::DerElement(asn1::kDerSequence, Encoding(*content_type));
  if (revocation_lists) signed_fields += Encoding(*revocation_lists);
  signed_fields += Encoding(*signer_infos);
  std::string info_fields_text(Encoding(*type));
  info_fields_text += asn1::DerElement(asn1::DerContext(0, true),
                                       asn1::DerElement(asn1::kDerSequence, signed_fields));
  parts.skeleton = asn1::DerElement(asn1::kDerSequence, info_fields_text);
  if (parts.skeleton.empty()) return std::nullopt;
  return parts;
}

}  // namespace corvane::platform
