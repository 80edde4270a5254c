// `corvane store link-token [--token LABEL] [--all | NUMBER...]`: lists the certificates on the
// present tokens that have a private key beside them, numbered from 0; with --all or the numbers
// of some of them, puts those into MY with their key URIs as .key files.
#include <iostream>

#include "command_line.h"
#include "command_table.h"
#include "platform/posix/admin/store_admin.h"
#include "platform/posix/ui/ui.h"
#include "store_subcommands.h"

namespace corvane::tool {
namespace {


std::string SubjectText(X509* certificate) {
  char text[512] = "";
  X509_NAME_oneline(X509_get_subject_name(certificate), text, sizeof text);
  return text;
}

platform::Status Link(const platform::TokenCertificate& entry) {
  platform::ImportItems items;
  items.certificates.emplace_back(X509_dup(entry.certificate.get()));
  std::vector<std::string> report;
  platform::Status status =
      platform::ImportIntoStore("MY", items, platform::ChainDestination::kNowhere, report);
  if (!status.ok()) return status;
  const std::string thumbprint = platform::Thumbprint(entry.certificate.get());
  return platform::WriteStoreFile(platform::StoreFolder("MY"), platform::KeyFileName(thumbprint),
                                 platform::FormatTokenKeyUri(entry.key) + "\n", 0600);
}

}  // namespace

int RunStoreLinkToken(const std::vector<std::string>& args) {
  const Options options(args, "store link-token");
  if (options.error()) return Fail(*options.error() + "\n" + UsageLine("store link-token"));
  std::vector<platform::TokenCertificate> found;
  const platform::Status listed =
      platform::ListTokenCertificates(options.Value("token").value_or(""), platform::AskPin, found);
  if (!listed.ok()) return Fail(listed.Text());
  std::vector<bool> chosen(found.size(), options.Flag("all"));
  for (const std::string& number : options.positional()) {
    const size_t index = number.find_first_not_of("0123456789") == std::string::npos &&
                                 !number.empty() && number.size() < 6
                             ? std::stoul(number)
                             : found.size();
    if (index >= found.size()) return Fail("no token certificate number " + number + "\n" + UsageLine("store link-token"));
    chosen[index] = true;
  }
  int status = 0;
  for (size_t i = 0; i < found.size(); ++i) {
    std::cout << i << ") " << SubjectText(found[i].certificate.get()) << "\n   "
              << platform::FormatTokenKeyUri(found[i].key) << "\n";
    if (!chosen[i]) continue;
    const platform::Status linked = Link(found[i]);
    if (linked.ok()) {
      std::cout << "   linked into MY\n";
    } else {
      status = Fail(linked.Text());
    }
  }
  if (found.empty()) std::cout << "no certificate with a private key on the tokens\n";
  return status;
}

}  // namespace corvane::tool
