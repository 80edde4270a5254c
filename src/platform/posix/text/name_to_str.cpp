// CertNameToStrA: a DER distinguished name as the Windows X.500 name string (CERT_X500_NAME_STR,
// no further flags), in the ANSI code page (GBK).
//
// The form, after the Windows documentation of CertNameToStr and CertRDNValueToStr
// (https://learn.microsoft.com/en-us/windows/win32/api/wincrypt/nf-wincrypt-certnametostra,
//  https://learn.microsoft.com/en-us/windows/win32/api/wincrypt/nf-wincrypt-certrdnvaluetostra,
//  https://learn.microsoft.com/en-us/windows/win32/api/wincrypt/nf-wincrypt-certstrtonamea):
// - relative distinguished names in encoded order, joined by ", "; the attributes of one
//   multi-valued name in encoded order, joined by " + "; each attribute as KEY=value, the key
//   from x500_attribute_key.h;
// - values quoted and decoded as name_value_text.h describes; an empty name is "".
//
// Decisions where the documentation is silent or this layer differs on purpose:
// - Only X509_ASN_ENCODING (the low word of the encoding type) and CERT_X500_NAME_STR are served;
//   anything else fails (Windows renders an empty string for an unknown encoding type).
// - A name that is not one well-formed DER Name with nothing after it (trailing bytes, a
//   relative distinguished name without attributes, a malformed string value) fails with
//   CRYPT_E_ASN1_CORRUPT and 0.
// - A buffer smaller than the text receives as much of the text as fits, cut at a character
//   boundary and zero-terminated; the count written (terminator included) is returned. The ANSI
//   function of Windows leaves the buffer empty and returns 1 instead; nothing in the library
//   depends on either, and every caller asks for the size first.
// - Success sets the last error to ERROR_SUCCESS, as Windows does.
//
// The text depends on the name's bytes alone: the last names rendered are kept with their
// encodings, compared byte for byte, since every call renders the same few names (a search by
// issuer text renders each candidate's issuer, twice; a verification names its signer).
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/asn1/asn1_reader.h"
#include "platform/posix/recent_successes.h"
#include "platform/posix/text/gbk.h"
#include "platform/posix/text/name_value_text.h"
#include "platform/posix/platform_call.h"
#include "platform/posix/text/x500_attribute_key.h"

namespace corvane::platform {
namespace {

// One AttributeTypeAndValue: KEY=value.
bool AppendAttribute(asn1::Reader& attributes, text::GbkEncoder& encoder, std::string& out) {
  const std::optional<asn1::Element> attribute = attributes.NextIf(asn1::kSequence);
  if (!attribute) return false;
  asn1::Reader fields(*attribute);
  const std::optional<asn1::Element> type = fields.NextIf(asn1::kObjectIdentifier);
  const std::optional<asn1::Element> value = type ? fields.Next() : std::nullopt;
  if (!value || !fields.AtEnd()) return false;
  const std::optional<std::string> dotted = asn1::ObjectIdentifierText(*type);
  if (!dotted) return false;
  out += X500AttributeKey(*dotted);
  out += '=';
  return AppendNameValueText(*value, encoder, out);
}

std::optional<std::string> RenderX500Name(const BYTE* der, size_t size) {
  asn1::Reader whole(der, size, asn1::Rules::kDer);
  const std::optional<asn1::Element> name = whole.NextIf(asn1::kSequence);
  if (!name || !whole.AtEnd()) return std::nullopt;
  text::GbkEncoder encoder;
  std::string out;
  asn1::Reader names(*name);
  for (bool first_name = true; !names.AtEnd();) {
    const std::optional<asn1::Element> relative_name = names.NextIf(asn1::kSet);
    if (!relative_name) return std::nullopt;
    // A relative name without attributes (OpenSSL and other peers accept one) adds nothing.
    if (relative_name->content_size == 0) continue;
    if (!first_name) out += ", ";
    first_name = false;
    asn1::Reader attributes(*relative_name);
    for (bool first_attribute = true; !attributes.AtEnd(); first_attribute = false) {
      if (!first_attribute) out += " + ";
      if (!AppendAttribute(attributes, encoder, out)) return std::nullopt;
    }
  }
  return out;
}

struct RenderedName {
  std::string der;
  std::string text;
};

using RenderedNames = RecentSuccesses<RenderedName, 32>;

std::optional<std::string> NameText(const BYTE* der, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(der), size);
  std::optional<std::string> text;
  if (RenderedNames::Instance().Contains([&](const RenderedName& kept) {
        if (kept.der != bytes) return false;
        text = kept.text;
        return true;
      })) {
    return text;
  }
  text = RenderX500Name(der, size);
  if (text) RenderedNames::Instance().Add(RenderedName{std::string(bytes), *text});
  return text;
}

// The length of the longest prefix of GBK `text` that fits in `limit` bytes without splitting
// a two-byte character (lead bytes 0x81-0xFE).
size_t WholeCharactersWithin(const std::string& text, size_t limit) {
  size_t end = 0;
  while (end < text.size()) {
    const size_t step = static_cast<unsigned char>(text[end]) >= 0x81 ? 2 : 1;
    if (end + step > limit) break;
    end += step;
  }
  return end;
}

}  // namespace
}  // namespace corvane::platform

extern "C" DWORD CertNameToStrA(DWORD encoding, PCERT_NAME_BLOB name, DWORD string_type,
                                LPSTR text, DWORD text_size) {
  PLATFORM_ENTRY("CertNameToStrA");
  PLATFORM_ENSURE((encoding & 0xFFFF) == X509_ASN_ENCODING, ERROR_FILE_NOT_FOUND);
  PLATFORM_ENSURE(string_type == CERT_X500_NAME_STR, E_INVALIDARG);
  PLATFORM_ENSURE(name != nullptr && (name->pbData != nullptr || name->cbData == 0), E_INVALIDARG);
  const std::optional<std::string> rendered =
      corvane::platform::NameText(name->pbData, name->cbData);
  PLATFORM_ENSURE(rendered.has_value(), CRYPT_E_ASN1_CORRUPT);
  PLATFORM_ENSURE(rendered->size() < std::numeric_limits<DWORD>::max(), ERROR_NOT_ENOUGH_MEMORY);
  SetLastError(ERROR_SUCCESS);
  const DWORD needed = static_cast<DWORD>(rendered->size() + 1);
  if (text == nullptr || text_size == 0) return needed;
  const size_t copied = corvane::platform::WholeCharactersWithin(*rendered, text_size - 1);
  rendered->copy(text, copied);
  text[copied] = '\0';
  return static_cast<DWORD>(copied + 1);
}
