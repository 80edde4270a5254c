// libFuzzer target: `corvane store import` without its command line: up to three files read as
// import files (PEM, DER, PKCS #8, PKCS #12), then imported into a store of a fresh store root.
// The input is a flags byte and the files, cut at "\n%%\n". Flags: bits 0-1 the store (MY, CA,
// ROOT or another), bits 2-3 where a PKCS #12 file's chain goes, bit 4 the password "fuzz".
// What an import writes, the stores must read: no file of theirs is passed over, no key file is
// found wanting, and every key file links to its certificate.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_setup.h"
#include "platform/platform.h"
#include "platform/posix/keys/linked_key.h"
#include "platform/posix/admin/import_items.h"
#include "platform/posix/admin/store_check.h"
#include "platform/posix/admin/store_import.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/store/thumbprint.h"

namespace {

using namespace corvane::platform;

void RequireKeysLinked(const std::string& store) {
  HCERTSTORE handle = CertOpenSystemStoreA(0, store.c_str());
  if (handle == nullptr) __builtin_trap();
  for (PCCERT_CONTEXT context = nullptr; (context = CertEnumCertificatesInStore(handle, context)) != nullptr;) {
    const std::string key_file = KeyFileName(Thumbprint(context->pbCertEncoded, context->cbCertEncoded));
    corvane::ossl::UniquePtr<EVP_PKEY> key;
    if (std::filesystem::exists(StoreFolder(store) / key_file) &&
        !LoadLinkedPrivateKey(context, nullptr, key).ok()) {
      __builtin_trap();
    }
  }
  CertCloseStore(handle, 0);
}

void RequireStoreReadsAll(const std::string& store) {
  std::vector<SkippedEntry> skipped;
  if (!SkippedStoreEntries(store, skipped).ok() || !skipped.empty()) __builtin_trap();
  std::vector<StoreFinding> findings;
  if (!CheckStore(store, false, findings).ok()) __builtin_trap();
  for (const StoreFinding& finding : findings) {
    if (std::filesystem::path(finding.file).extension() == kKeyExtension) __builtin_trap();
  }
  RequireKeysLinked(store);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool uncached = (corvane::fuzz::Home().SetEnv("CORVANE_CACHE", "off"), true);
  (void)uncached;
  if (size == 0) return 0;
  static const char* const kStores[] = {"MY", "CA", "ROOT", "Fuzz"};
  static const ChainDestination kChains[] = {ChainDestination::kBySelfSignature, ChainDestination::kCa,
                                             ChainDestination::kRoot, ChainDestination::kNowhere};
  const std::string store = kStores[data[0] & 3];
  const ChainDestination chain = kChains[(data[0] >> 2) & 3];
  const std::optional<std::string> password =
      (data[0] & 0x10) ? std::optional<std::string>("fuzz") : std::nullopt;
  std::filesystem::remove_all(StoresFolder());

  ImportItems items;
  int file = 0;
  for (std::string_view bytes : corvane::fuzz::SplitInput(data + 1, size - 1, 3)) {
    const std::string origin = "file " + std::to_string(++file);
    if (!ReadImportFile(origin, std::string(bytes), password, items).ok()) return 0;
  }
  std::vector<std::string> report;
  if (!ImportIntoStore(store, items, chain, report).ok()) return 0;
  std::error_code error;
  for (std::filesystem::directory_iterator folder(StoresFolder(), error), end; !error && folder != end;
       folder.increment(error)) {
    RequireStoreReadsAll(folder->path().filename().string());
  }
  return 0;
}
