#include "ops/verified_text.h"

#include <cstring>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "certs/certificate_text.h"

namespace corvane::ops {
namespace {

// 验证签名成功，该信息是由颁发者：
constexpr std::string_view kLead =
    "\xD1\xE9\xD6\xA4\xC7\xA9\xC3\xFB\xB3\xC9\xB9\xA6\xA3\xAC\xB8\xC3\xD0\xC5\xCF\xA2\xCA\xC7"
    "\xD3\xC9\xB0\xE4\xB7\xA2\xD5\xDF\xA3\xBA";
constexpr std::string_view kSerialLead = "  \xA3\xAC\xD0\xF2\xC1\xD0\xBA\xC5\xA3\xBA";  //   ，序列号：
constexpr std::string_view kTail = "  \xB5\xC4\xD6\xA4\xCA\xE9\xC7\xA9\xB7\xA2\xB5\xC4";  //   的证书签发的

struct RenderedField {
  certs::LocalArea<char> area;
  int length = 0;
};

// A field by the two-pass convention: its length, then an area of length + 1 zero bytes.
RenderedField Render(PCCERT_CONTEXT signer, int field) {
  int length = 0;
  if (certs::FormatCertificateField(signer, field, nullptr, &length) != 0 || length <= 0) return {};
  certs::LocalArea<char> area = certs::AllocateZeroed<char>(static_cast<size_t>(length) + 1);
  if (!area || certs::FormatCertificateField(signer, field, area.get(), &length) != 0) return {};
  return {std::move(area), length};
}

// Appends `piece` at `*used` if it fits with room for the terminating zero.
bool Append(char* area, size_t size, size_t* used, std::string_view piece) {
  if (piece.size() >= size - *used) return false;
  std::memcpy(area + *used, piece.data(), piece.size());
  *used += piece.size();
  return true;
}

}  // namespace

certs::LocalArea<char> ComposeVerifiedText(PCCERT_CONTEXT signer) {
  const RenderedField issuer = Render(signer, certs::kIssuerName);
  const RenderedField serial = Render(signer, certs::kSerialNumber);
  if (!issuer.area || !serial.area) return nullptr;
  const size_t size = static_cast<size_t>(issuer.length) + static_cast<size_t>(serial.length) + 100;
  certs::LocalArea<char> text = certs::AllocateZeroed<char>(size);
  if (!text) return nullptr;
  // The name's length counts its terminating zero; the serial's has none. Both end at a zero.
  const std::string_view issuer_text(issuer.area.get(),
                                     strnlen(issuer.area.get(), static_cast<size_t>(issuer.length)));
  const std::string_view serial_text(serial.area.get(),
                                     strnlen(serial.area.get(), static_cast<size_t>(serial.length)));
  size_t used = 0;
  for (const std::string_view piece : {kLead, issuer_text, kSerialLead, serial_text, kTail}) {
    if (!Append(text.get(), size, &used, piece)) return nullptr;
  }
  return text;
}

}  // namespace corvane::ops
