// `corvane store import`, `export`, `remove` and `add-crl`: the arguments and the printing. The
// work is the platform's store administration (src/platform/posix/store/).
#include <iostream>

#include "command_line.h"
#include "command_table.h"
#include "password_input.h"
#include "platform/posix/admin/store_admin.h"
#include "store_subcommands.h"

namespace corvane::tool {
namespace {

// A store the library reads: what goes anywhere else is never seen by an operation. Nothing (a
// failure said) when `name` is none of them.
bool IsLibraryStore(const std::string& name) {
  const std::string folder = platform::IsValidStoreName(name) ? platform::StoreFolderName(name) : "";
  if (folder == "MY" || folder == "CA" || folder == "ROOT") return true;
  Fail("\"" + name + "\" is not a store the library reads: MY (your certificates and keys), CA (others' "
       "certificates) or ROOT (the roots you trust)");
  return false;
}

// Prints what was done, then the failure if there was one; the exit status.
int Report(const std::vector<std::string>& lines, const platform::Status& status) {
  for (const std::string& line : lines) std::cout << line << "\n";
  return status.ok() ? 0 : Fail(status.Text());
}

// STORE and THUMBPRINT of export and remove; empty with a message printed when they are wrong.
bool StoreAndThumbprint(const Options& options, std::string_view command, std::string& store,
                        std::string& thumbprint) {
  if (options.error()) return Fail(*options.error()), false;
  if (options.positional().size() != 2) return Fail(UsageLine(command)), false;
  store = options.positional()[0];
  thumbprint = platform::ParseThumbprint(options.positional()[1]);
  if (thumbprint.empty()) {
    Fail("\"" + options.positional()[1] + "\" is not a thumbprint (40 hex digits)");
    return false;
  }
  return true;
}

// Reads one import file; a file that needs a password nobody gave is read again with one asked
// for on the terminal (kept for the files after it).
platform::Status ReadImportFile(const std::string& file, std::optional<std::string>& password,
                                platform::ImportItems& items) {
  std::string failure;
  const auto bytes = ReadInput(file, kImportInputLimit, failure);
  if (!bytes) return platform::Status(ERROR_FILE_NOT_FOUND).Because(failure);
  platform::Status read = platform::ReadImportFile(file, *bytes, password, items);
  if (read.error() != ERROR_INVALID_PASSWORD || password) return read;
  password = AskPassword(file);
  if (!password) return read.Because(file + ": it needs a password (--password-file, --password-env, or a terminal)");
  return platform::ReadImportFile(file, *bytes, password, items);
}

}  // namespace

int RunStoreImport(const std::vector<std::string>& args) {
  const Options options(args, "store import");
  if (options.error()) return Fail(*options.error());
  const std::vector<std::string>& positional = options.positional();
  if (positional.size() < 2) {
    return Fail(UsageLine("store import"));
  }
  std::optional<std::string> password;
  if (!PasswordFromOptions(options, password)) return 1;
  auto chain = platform::ChainDestination::kBySelfSignature;
  if (const auto chain_to = options.Value("chain-to")) {
    const std::string name = platform::StoreFolderName(*chain_to);
    if (name == "CA") chain = platform::ChainDestination::kCa;
    else if (name == "ROOT") chain = platform::ChainDestination::kRoot;
    else if (name == "NONE") chain = platform::ChainDestination::kNowhere;
    else return Fail("--chain-to takes CA, ROOT or none");
  }
  if (!IsLibraryStore(positional[0])) return 1;
  platform::ImportItems items;
  for (size_t i = 1; i < positional.size(); ++i) {
    const platform::Status read = ReadImportFile(positional[i], password, items);
    if (!read.ok()) return Fail(read.Text());
  }
  std::vector<std::string> report;
  const platform::Status imported = platform::ImportIntoStore(positional[0], items, chain, report);
  return Report(report, imported);
}

int RunStoreExport(const std::vector<std::string>& args) {
  const Options options(args, "store export");
  std::string store, thumbprint, bytes;
  if (!StoreAndThumbprint(options, "store export", store, thumbprint)) {
    return 1;
  }
  const platform::Status exported =
      platform::ExportCertificate(store, thumbprint, options.Flag("pem"), bytes);
  if (!exported.ok()) return Fail(exported.Text());
  if (!WriteOutput("-", bytes)) return Fail("cannot write to standard output");
  return 0;
}

int RunStoreRemove(const std::vector<std::string>& args) {
  const Options options(args, "store remove");
  std::string store, thumbprint;
  if (!StoreAndThumbprint(options, "store remove", store, thumbprint)) {
    return 1;
  }
  std::vector<std::string> report;
  const platform::Status removed = platform::RemoveCertificate(store, thumbprint, report);
  return Report(report, removed);
}

int RunStoreAddCrl(const std::vector<std::string>& args) {
  const Options options(args, "store add-crl");
  if (options.error()) return Fail(*options.error());
  if (options.positional().size() != 2) return Fail(UsageLine("store add-crl"));
  if (!IsLibraryStore(options.positional()[0])) return 1;
  const std::string& file = options.positional()[1];
  std::string failure;
  const auto bytes = ReadInput(file, platform::kRevocationListLimit, failure);
  if (!bytes) return Fail(failure);
  std::vector<std::string> report, warnings;
  const platform::Status added =
      platform::AddCrl(options.positional()[0], file, *bytes, report, warnings);
  for (const std::string& warning : warnings) std::cerr << "corvane: warning: " << warning << "\n";
  return Report(report, added);
}

}  // namespace corvane::tool
