#include "fuzz_setup.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "codec/base64.h"
#include "corvane.h"
#include "support/test_pki.h"

namespace corvane::fuzz {
namespace {

ossl::UniquePtr<EVP_PKEY> FixedKey(const char* name) {
  auto key = testing::ReadPrivateKeyPem(std::filesystem::path(CORVANE_FUZZ_KEYS_DIR) / name);
  if (key == nullptr) throw std::runtime_error(std::string("fuzz setup: cannot read key ") + name);
  return key;
}

FixedPki MakePki() {
  FixedPki pki;
  pki.root_key = FixedKey("root.pem");
  pki.ca_key = FixedKey("ca.pem");
  pki.entity_key = FixedKey("entity.pem");
  pki.root = testing::MakeCertificate({.subject = {{"CN", "Corvane Fuzz Root"}}, .serial_hex = "01", .ca = true},
                                      pki.root_key.get(), nullptr, pki.root_key.get());
  pki.ca = testing::MakeCertificate({.subject = {{"CN", "Corvane Fuzz CA"}}, .serial_hex = "02", .ca = true},
                                    pki.ca_key.get(), pki.root.get(), pki.root_key.get());
  const auto issued_by_ca = [&](const char* serial) {
    return testing::MakeCertificate({.subject = {{"CN", "Corvane Fuzz Entity"}}, .serial_hex = serial},
                                    pki.entity_key.get(), pki.ca.get(), pki.ca_key.get());
  };
  pki.entity = issued_by_ca(kEntitySerial);
  pki.revoked = issued_by_ca(kRevokedSerial);
  return pki;
}

// 0, or a result code include/corvane.h says an export returns.
bool IsDocumentedResult(int32_t code) {
  return code == CORVANE_OK ||
         (code >= CORVANE_E_DECRYPTION_FAILED && code <= CORVANE_E_NO_MEMORY && code != -10004 &&
          code != -10006 && code != -10008 && code != CORVANE_E_FIELD_NOT_RENDERABLE);
}

}  // namespace

std::string Base64Text(std::string_view der) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(der.data());
  const auto length = static_cast<int32_t>(der.size());
  int32_t text_length = 0;
  codec::EncodeBase64(bytes, length, nullptr, &text_length, 1);
  std::string text(static_cast<size_t>(text_length), '\0');
  if (codec::EncodeBase64(bytes, length, text.data(), &text_length, 1) != codec::kBase64Done) __builtin_trap();
  return text;
}


testing::TestHome& Home() {
  // In memory when the machine has a memory file system: imports and list replacements flush
  // every file they write, which on a disk costs more than the rest of a run.
  static const bool in_memory = [] {
    if (getenv("TMPDIR") == nullptr && access("/dev/shm", W_OK) == 0) setenv("TMPDIR", "/dev/shm", 1);
    return true;
  }();
  (void)in_memory;
  static testing::TestHome home;
  static const bool quiet = [] {
    home.SetEnv("CORVANE_UI_LOG", std::nullopt);
    home.SetEnv("CORVANE_PKCS11_MODULE", (home.root() / "no-such-module.so").string());
    return true;
  }();
  (void)quiet;
  return home;
}

const FixedPki& Pki() {
  static const FixedPki pki = MakePki();
  return pki;
}

void InstallFixedPki() {
  const FixedPki& pki = Pki();
  const std::filesystem::path& root = Home().root();
  testing::InstallCertificate(root, "ROOT", pki.root.get());
  testing::InstallCertificate(root, "CA", pki.ca.get());
  testing::InstallCertificate(root, "MY", pki.entity.get(), pki.entity_key.get());
  testing::WriteFile(RevocationListPath(false),
                     testing::RevocationListDer(pki.ca.get(), pki.ca_key.get(), pki.revoked.get()));
}

std::filesystem::path RevocationListPath(bool root) {
  return Home().root() / "stores" / (root ? "ROOT" : "CA") / "revocation-list.crl";
}

std::vector<std::string_view> SplitInput(const uint8_t* data, size_t size, size_t count) {
  static constexpr std::string_view kSeparator = "\n%%\n";
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < count) {
    const size_t end = rest.find(kSeparator);
    if (end == std::string_view::npos) break;
    parts.push_back(rest.substr(0, end));
    rest.remove_prefix(end + kSeparator.size());
  }
  parts.push_back(rest);
  return parts;
}

void CallMessageExport(MessageExport message_export, std::string_view der, std::string_view data) {
  const std::string text = Base64Text(der);
  const auto text_length = static_cast<int32_t>(text.size());
  int32_t capacity = -1;
  if (message_export(text.data(), text_length, nullptr, &capacity) != CORVANE_OK || capacity != text_length) {
    __builtin_trap();
  }
  std::vector<char> buffer(std::max(static_cast<size_t>(capacity), data.size()));
  std::copy(data.begin(), data.end(), buffer.begin());
  int32_t length = data.empty() ? capacity : static_cast<int32_t>(data.size());
  const int32_t result = message_export(text.data(), text_length, buffer.data(), &length);
  if (!IsDocumentedResult(result)) __builtin_trap();
  if (result == CORVANE_OK && (length < 0 || static_cast<size_t>(length) > buffer.size())) __builtin_trap();
}

}  // namespace corvane::fuzz
