// libFuzzer target: a store folder holding fuzzed files. The input is cut at "\n%%\n" into files;
// the first byte of each picks what it is stored as (a certificate under one of the names a store
// reads, the private key of every certificate found, or a revocation list). The store is opened,
// enumerated, its names rendered, its keys and lists read, and checked as `store check` does.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_setup.h"
#include "platform/platform.h"
#include "platform/posix/keys/linked_key.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/store/revocation_lists.h"
#include "platform/posix/admin/store_check.h"
#include "platform/posix/store/thumbprint.h"

namespace {

namespace fs = std::filesystem;

void UseStore() {
  HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
  if (store == nullptr) return;
  for (PCCERT_CONTEXT context = nullptr; (context = CertEnumCertificatesInStore(store, context)) != nullptr;) {
    char text[512];
    CertNameToStrA(X509_ASN_ENCODING, &context->pCertInfo->Subject, CERT_X500_NAME_STR, text, sizeof text);
    corvane::platform::CertificateX509(context);
    corvane::ossl::UniquePtr<EVP_PKEY> key;
    (void)corvane::platform::LoadLinkedPrivateKey(context, nullptr, key);
    DWORD flags = CERT_STORE_REVOCATION_FLAG;  // the folder's lists, each checked against it
    CertVerifySubjectCertificateContext(context, context, &flags);
  }
  CertCloseStore(store, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path folder = corvane::fuzz::Home().root() / "stores" / "MY";
  fs::remove_all(folder);
  fs::create_directories(folder);
  static const char* const kNames[] = {".cer", ".pem", ".crt", ".der", ".key", ".crl"};
  std::string key;
  int file = 0;
  for (std::string_view bytes : corvane::fuzz::SplitInput(data, size, 8)) {
    ++file;
    if (bytes.empty()) continue;
    const std::string kind = kNames[static_cast<uint8_t>(bytes[0]) % 6];
    bytes.remove_prefix(1);
    if (kind == ".key") {
      key.assign(bytes);
    } else {
      corvane::testing::WriteFile(folder / ("f" + std::to_string(file) + kind), std::string(bytes));
    }
  }
  if (!key.empty()) {
    // The key goes beside every certificate the store finds.
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    for (PCCERT_CONTEXT c = nullptr; store != nullptr && (c = CertEnumCertificatesInStore(store, c)) != nullptr;) {
      corvane::testing::WriteFile(folder / (corvane::platform::Thumbprint(c->pbCertEncoded, c->cbCertEncoded) + ".key"), key);
    }
    CertCloseStore(store, 0);
  }
  UseStore();
  std::vector<corvane::platform::StoreFinding> findings;
  (void)corvane::platform::CheckStore("MY", false, findings);
  return 0;
}
