#include "platform/posix/asn1/object_identifier_text.h"

#include <array>
#include <climits>
#include <cstring>

#include "platform/posix/ossl.h"

namespace corvane::platform {
namespace {

std::optional<std::string> ReadObjectIdentifier(const uint8_t* encoding, size_t size) {
  const unsigned char* at = encoding;
  ossl::UniquePtr<ASN1_OBJECT> object(d2i_ASN1_OBJECT(nullptr, &at, static_cast<long>(size)));
  if (!object || at != encoding + size) return std::nullopt;
  const int needed = OBJ_obj2txt(nullptr, 0, object.get(), 1);
  if (needed <= 0) return std::nullopt;
  std::string text(static_cast<size_t>(needed) + 1, '\0');
  OBJ_obj2txt(text.data(), needed + 1, object.get(), 1);
  text.resize(static_cast<size_t>(needed));
  return text;
}

// Names repeat the same few attribute types (CN, O, OU, C, ...): the texts of the last ones read
// are kept per thread, so that rendering a name does not read each type again.
struct RecentText {
  std::string encoding;
  std::string text;
};
constexpr size_t kRecentCount = 16;
thread_local std::array<RecentText, kRecentCount> recent;
thread_local size_t next_slot = 0;

}  // namespace

std::optional<std::string> ObjectIdentifierTextOf(const uint8_t* encoding, size_t size) {
  if (encoding == nullptr || size == 0 || size > LONG_MAX) return std::nullopt;
  for (const RecentText& known : recent) {
    if (known.encoding.size() == size && std::memcmp(known.encoding.data(), encoding, size) == 0) {
      return known.text;
    }
  }
  std::optional<std::string> text = ReadObjectIdentifier(encoding, size);
  if (text) {
    recent[next_slot] = {std::string(reinterpret_cast<const char*>(encoding), size), *text};
    next_slot = (next_slot + 1) % kRecentCount;
  }
  return text;
}

}  // namespace corvane::platform
