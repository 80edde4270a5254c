// libFuzzer target: a store folder holding fuzzed files. The input is cut at "\n%%\n" into files;
// the first byte of each picks what it is stored as (a certificate under one of the names a store
// reads, the private key of every certificate found, or a revocation list). The store is opened,
// enumerated, its names rendered, its keys and lists read, and checked as `store check` does.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/store/revocation_lists.h"
#include "platform/posix/store/store_check.h"
#include "platform/posix/store/thumbprint.h"

namespace {

namespace fs = std::filesystem;

// A store root of its own, removed when the run ends.
const fs::path& StoreFolder() {
  static char root[] = "/tmp/corvane-store-fuzz-XXXXXX";
  static const fs::path folder = [] {
    if (mkdtemp(root) == nullptr) abort();
    setenv("CORVANE_HOME", root, 1);
    atexit([] {
      std::error_code ignored;
      fs::remove_all(root, ignored);
    });
    return fs::path(root) / "stores" / "MY";
  }();
  return folder;
}

void Write(const fs::path& file, std::string_view bytes) {
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void UseStore() {
  HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
  if (store == nullptr) return;
  for (PCCERT_CONTEXT context = nullptr; (context = CertEnumCertificatesInStore(store, context)) != nullptr;) {
    char text[512];
    CertNameToStrA(X509_ASN_ENCODING, &context->pCertInfo->Subject, CERT_X500_NAME_STR, text, sizeof text);
    corvane::platform::CertificateX509(context);
    corvane::platform::LoadLinkedPrivateKey(context);
    DWORD flags = CERT_STORE_REVOCATION_FLAG;  // the folder's lists, each checked against it
    CertVerifySubjectCertificateContext(context, context, &flags);
  }
  CertCloseStore(store, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& folder = StoreFolder();
  fs::remove_all(folder);
  fs::create_directories(folder);
  static const char* const kNames[] = {".cer", ".pem", ".crt", ".der", ".key", ".crl"};
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string key;
  size_t start = 0;
  for (int file = 0; start <= input.size() && file < 8; ++file) {
    size_t end = input.find("\n%%\n", start);
    if (end == std::string_view::npos) end = input.size();
    std::string_view bytes = input.substr(start, end - start);
    start = end + 4;
    if (bytes.empty()) continue;
    const std::string kind = kNames[static_cast<uint8_t>(bytes[0]) % 6];
    bytes.remove_prefix(1);
    if (kind == ".key") {
      key.assign(bytes);
    } else {
      Write(folder / ("f" + std::to_string(file) + kind), bytes);
    }
  }
  if (!key.empty()) {
    // The key goes beside every certificate the store finds.
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    for (PCCERT_CONTEXT c = nullptr; store != nullptr && (c = CertEnumCertificatesInStore(store, c)) != nullptr;) {
      Write(folder / (corvane::platform::Thumbprint(c->pbCertEncoded, c->cbCertEncoded) + ".key"), key);
    }
    CertCloseStore(store, 0);
  }
  UseStore();
  std::vector<corvane::platform::StoreFinding> findings;
  (void)corvane::platform::CheckStore("MY", false, findings);
  return 0;
}
