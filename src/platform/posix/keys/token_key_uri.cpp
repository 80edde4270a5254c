#include "platform/posix/keys/token_key_uri.h"

#include <openssl/crypto.h>

#include <set>

namespace corvane::platform {
namespace {

std::optional<std::string> PercentDecoded(std::string_view value) {
  std::string decoded;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '%') {
      decoded.push_back(value[i]);
      continue;
    }
    if (i + 2 >= value.size()) return std::nullopt;  // a cut-off escape
    const int high = OPENSSL_hexchar2int(static_cast<unsigned char>(value[i + 1]));
    const int low = OPENSSL_hexchar2int(static_cast<unsigned char>(value[i + 2]));
    if (high < 0 || low < 0) return std::nullopt;
    decoded.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return decoded;
}

// Characters RFC 7512 lets stand unescaped in a path attribute value.
bool Unreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_' || c == '~';
}

std::string PercentEncoded(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const unsigned char c : value) {
    if (Unreserved(c)) {
      encoded.push_back(static_cast<char>(c));
    } else {
      encoded += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return encoded;
}

}  // namespace

bool IsTokenKeyUri(std::string_view text) { return text.starts_with(kTokenKeyScheme); }

std::optional<TokenKeyUri> ParseTokenKeyUri(std::string_view text) {
  if (text.ends_with('\n')) text.remove_suffix(1);
  if (text.ends_with('\r')) text.remove_suffix(1);
  if (!IsTokenKeyUri(text) || text.size() > kMaxTokenKeyUri) return std::nullopt;
  text.remove_prefix(kTokenKeyScheme.size());
  text = text.substr(0, text.find('?'));
  TokenKeyUri uri;
  std::set<std::string_view> names;  // an attribute may not be given twice (RFC 7512)
  while (!text.empty()) {
    const std::string_view attribute = text.substr(0, text.find(';'));
    text.remove_prefix(std::min(text.size(), attribute.size() + 1));
    const size_t equals = attribute.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view name = attribute.substr(0, equals);
    if (!names.insert(name).second) return std::nullopt;
    const std::optional<std::string> value = PercentDecoded(attribute.substr(equals + 1));
    // Only the id is binary; a zero byte in a label could not be compared as text.
    if (!value || (name != "id" && value->find('\0') != std::string::npos)) return std::nullopt;
    if (name == "token") {
      uri.token = *value;
    } else if (name == "id") {
      uri.id.assign(value->begin(), value->end());
    } else if (name == "object") {
      uri.object = *value;
    } else if (name == "type" && *value != "private") {
      return std::nullopt;
    }
  }
  if (!names.contains("token") || (uri.id.empty() && uri.object.empty())) return std::nullopt;
  return uri;
}

std::string FormatTokenKeyUri(const TokenKeyUri& uri) {
  std::string text(kTokenKeyScheme);
  text += "token=" + PercentEncoded(uri.token);
  if (!uri.id.empty()) {
    text += ";id=" + PercentEncoded(std::string_view(reinterpret_cast<const char*>(uri.id.data()),
                                                     uri.id.size()));
  }
  if (!uri.object.empty()) text += ";object=" + PercentEncoded(uri.object);
  return text + ";type=private";
}

}  // namespace corvane::platform
