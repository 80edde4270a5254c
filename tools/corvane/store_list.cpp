// `corvane store list [STORE]`: each certificate's thumbprint, subject and issuer (as the library
// renders them), serial number (grouped, and as the plain digits `corvane sign --serial` takes),
// validity in UTC and whether a private key is linked; then the entries the store skipped, each
// with its file name and why.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <vector>

#include "../common/certificate_fields.h"
#include "certs/certificate_text.h"
#include "command_line.h"
#include "command_table.h"
#include "platform/posix/admin/store_admin.h"
#include "platform/posix/text/gbk.h"
#include "platform/serial_number.h"
#include "store_subcommands.h"

namespace corvane::tool {
namespace {

// A field as the library renders it, converted to UTF-8 for the terminal.
std::string FieldText(PCCERT_CONTEXT context, int field) {
  return text::GbkToUtf8(CertificateFieldGbk(context, field));
}

std::string KeyStatus(PCCERT_CONTEXT context, const std::filesystem::path& folder, const std::string& thumbprint) {
  // A token key is shown by its token, without logging in to it (no PIN asked for a listing).
  if (const auto uri = platform::LinkedTokenKeyUri(context)) return "token (" + uri->token + ")";
  ossl::UniquePtr<EVP_PKEY> key;
  if (platform::LoadLinkedPrivateKey(context, nullptr, key).ok()) return "linked";
  std::error_code ignored;
  if (std::filesystem::exists(folder / platform::KeyFileName(thumbprint), ignored)) {
    return "none (the .key file does not match or cannot be read)";
  }
  return "none";
}

void ListSkippedEntries(const std::string& store) {
  std::vector<platform::SkippedEntry> skipped;
  if (!platform::SkippedStoreEntries(store, skipped).ok()) return;
  for (const platform::SkippedEntry& entry : skipped) {
    std::cout << "  skipped " << entry.file << ": " << entry.reason << "\n";
  }
}

bool ListStore(const std::string& store) {
  HCERTSTORE handle = CertOpenSystemStoreA(0, store.c_str());
  if (handle == nullptr) {
    Fail(platform::StoreNotOpened(store, GetLastError()).Text());
    return false;
  }
  const std::filesystem::path folder = platform::StoreFolder(store);
  std::cout << "Store " << platform::StoreFolderName(store) << "  (" << folder.string() << ")\n";
  int count = 0;
  for (PCCERT_CONTEXT context = nullptr; (context = CertEnumCertificatesInStore(handle, context)) != nullptr;) {
    ++count;
    const std::string thumbprint = platform::Thumbprint(context->pbCertEncoded, context->cbCertEncoded);
    const CERT_INFO& info = *context->pCertInfo;
    std::cout << "  " << thumbprint << "\n"
              << "    Subject:     " << FieldText(context, certs::kSubjectName) << "\n"
              << "    Issuer:      " << FieldText(context, certs::kIssuerName) << "\n"
              << "    Serial:      " << FieldText(context, certs::kSerialNumber)
              << "  (--serial " << SerialDigits(info.SerialNumber) << ")\n"
              << "    Not before:  " << UtcTimeText(info.NotBefore) << "\n"
              << "    Not after:   " << UtcTimeText(info.NotAfter) << "\n"
              << "    Private key: " << KeyStatus(context, folder, thumbprint) << "\n";
  }
  if (count == 0) std::cout << "  (no certificates)\n";
  CertCloseStore(handle, 0);
  ListSkippedEntries(store);
  return true;
}

}  // namespace

// MY, CA and ROOT first, then every other store folder by name.
std::vector<std::string> AllStores() {
  std::vector<std::string> stores = {"MY", "CA", "ROOT"};
  std::vector<std::string> others;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(platform::StoresFolder(), error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (entry->is_directory(error) && platform::IsValidStoreName(name) &&
        std::find(stores.begin(), stores.end(), name) == stores.end()) {
      others.push_back(name);
    }
  }
  std::sort(others.begin(), others.end());
  stores.insert(stores.end(), others.begin(), others.end());
  return stores;
}

int RunStoreList(const std::vector<std::string>& args) {
  const Options options(args, "store list");
  if (options.error()) return Fail(*options.error());
  if (options.positional().size() > 1) return Fail(UsageLine("store list"));
  if (options.positional().size() == 1 && !platform::IsValidStoreName(options.positional()[0])) {
    return Fail("\"" + options.positional()[0] + "\" is not a store name");
  }
  const std::vector<std::string> stores = options.positional().empty() ? AllStores() : options.positional();
  bool all_listed = true;
  for (size_t i = 0; i < stores.size(); ++i) {
    if (i > 0) std::cout << "\n";
    all_listed = ListStore(stores[i]) && all_listed;
  }
  return all_listed ? 0 : 1;
}

}  // namespace corvane::tool
