#include "platform/posix/store/certificate_file.h"

#include <string>

namespace corvane::platform {
namespace {

constexpr std::string_view kBegin = "-----BEGIN ";
constexpr std::string_view kEnd = "-----END ";
constexpr std::string_view kDashes = "-----";

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The label of a "-----BEGIN label-----" line starting at `text`; nothing when it is not one.
std::optional<std::string_view> BeginLabel(std::string_view line) {
  if (line.substr(0, kBegin.size()) != kBegin) return std::nullopt;
  line.remove_prefix(kBegin.size());
  const size_t dashes = line.find(kDashes);
  if (dashes == std::string_view::npos) return std::nullopt;
  return line.substr(0, dashes);
}

}  // namespace

std::optional<std::vector<BYTE>> DecodePemBase64(std::string_view text) {
  std::vector<BYTE> bytes;
  bytes.reserve(text.size() / 4 * 3);
  uint32_t group = 0;
  int count = 0;
  int padding = 0;
  for (char c : text) {
    if (IsSpace(c)) continue;
    if (c == '=') {
      ++padding;
      if (count + padding > 4 || count < 2) return std::nullopt;
      continue;
    }
    const int value = Base64Value(c);
    if (value < 0 || padding > 0) return std::nullopt;
    group = (group << 6) | static_cast<uint32_t>(value);
    if (++count == 4) {
      bytes.push_back(static_cast<BYTE>(group >> 16));
      bytes.push_back(static_cast<BYTE>(group >> 8));
      bytes.push_back(static_cast<BYTE>(group));
      group = 0;
      count = 0;
    }
  }
  if (count == 0 && padding == 0) return bytes;
  if (count + padding != 4) return std::nullopt;
  if (count == 2) {
    bytes.push_back(static_cast<BYTE>(group >> 4));
  } else {
    bytes.push_back(static_cast<BYTE>(group >> 10));
    bytes.push_back(static_cast<BYTE>(group >> 2));
  }
  return bytes;
}

std::optional<std::vector<PemCertificate>> PemCertificatesIn(std::string_view text) {
  std::vector<PemCertificate> certificates;
  size_t position = 0;
  while ((position = text.find(kBegin, position)) != std::string_view::npos) {
    const auto label = BeginLabel(text.substr(position));
    if (!label) return std::nullopt;
    const size_t body = text.find('\n', position);
    if (body == std::string_view::npos) return std::nullopt;
    const std::string end_line = std::string(kEnd) + std::string(*label) + std::string(kDashes);
    const size_t end = text.find(end_line, body);
    if (end == std::string_view::npos) return std::nullopt;
    size_t block_end = end + end_line.size();
    if (text.substr(block_end, 2) == "\r\n") block_end += 2;
    else if (text.substr(block_end, 1) == "\n") block_end += 1;
    if (*label == "CERTIFICATE" || *label == "X509 CERTIFICATE") {
      auto der = DecodePemBase64(text.substr(body + 1, end - body - 1));
      if (!der || der->empty()) return std::nullopt;
      certificates.push_back(PemCertificate{std::move(*der), position, block_end});
    }
    position = block_end;
  }
  if (certificates.empty()) return std::nullopt;
  return certificates;
}

std::optional<std::vector<std::vector<BYTE>>> CertificatesInFile(std::string_view bytes) {
  std::vector<std::vector<BYTE>> certificates;
  if (bytes.find(kBegin) == std::string_view::npos) {
    certificates.emplace_back(bytes.begin(), bytes.end());
    return certificates;
  }
  auto blocks = PemCertificatesIn(bytes);
  if (!blocks) return std::nullopt;
  for (PemCertificate& block : *blocks) certificates.push_back(std::move(block.der));
  return certificates;
}

}  // namespace corvane::platform
