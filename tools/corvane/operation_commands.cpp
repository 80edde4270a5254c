#include "operation_commands.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "../common/message_exports.h"
#include "command_line.h"
#include "command_table.h"
#include "outcome_lines.h"
#include "ops/result_codes.h"
#include "serial_choice.h"
#include "certs/certificate_search.h"
#include "platform/posix/failure_detail.h"
#include "platform/posix/text/gbk.h"
#include "platform/posix/ui/ui_settings.h"
#include "../common/open_store.h"
#include "corvane.h"

namespace corvane::tool {
namespace {

// Runs an operation and writes its output; the exit status. The outcome is told as `said` tells
// it: the success text, or the result code's text and, where the platform or the tool knows why,
// the reason.
template <typename Operation>
int RunOperation(const std::string& input, const std::string& output_path, Operation operation,
                 const OutcomeLines& said, const char* success_text_gbk,
                 const std::function<std::string()>& why_no_certificate = {}) {
  if (input.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return Fail("input too large");
  }
  std::string output;
  platform::TakeFailureDetail();  // none left from before
  const int32_t result = operation(output);
  if (result != 0) {
    const bool no_certificate = result == CORVANE_E_NO_CERTIFICATE;
    return said.Failed(result, platform::TakeFailureDetail(),
                       no_certificate && why_no_certificate ? why_no_certificate() : "");
  }
  if (!WriteOutput(output_path, output)) return Fail("cannot write " + output_path);
  said.Succeeded(success_text_gbk);
  return 0;
}

// Why the user's choice gave no certificate: the stores hold none, no chooser could be shown, or
// the user cancelled it.
std::string WhyNoneWasChosen(const std::vector<const char*>& stores) {
  bool held = false;
  std::string where;
  for (const char* name : stores) {
    OpenStore store(name);
    const PCCERT_CONTEXT first = store.get() != nullptr ? CertEnumCertificatesInStore(store.get(), nullptr) : nullptr;
    held = held || first != nullptr;
    CertFreeCertificateContext(first);
    where += std::string(where.empty() ? "" : " and ") + name;
  }
  if (!held) return where + " hold no certificate: import one with `corvane store import`";
  if (platform::ReadUiSettings().front_end == platform::UiFrontEnd::kNone) {
    return "no chooser could be shown: no display and no terminal (CORVANE_UI=none, or neither DISPLAY nor "
           "/dev/tty); name the certificate with --serial";
  }
  return "no certificate was chosen: the chooser was cancelled";
}

// What `sign` and `encrypt` take: the data, where the output goes, and the certificate, with
// what to say when a serial number named none.
struct DataInput {
  std::string data;
  std::string out;
  CertificateChoice certificate;
  std::function<std::string()> why_no_certificate;  // asked only when none was had
};

// Nothing, after saying why, when the options are wrong or the input cannot be read.
std::optional<DataInput> ReadDataInput(const Options& options, std::string_view command,
                                       const std::vector<const char*>& stores) {
  if (options.error()) {
    Fail(*options.error());
    return std::nullopt;
  }
  if (options.Value("issuer") && !options.Value("serial")) {
    Fail(UsageLine(command));
    return std::nullopt;
  }
  const std::string in = options.Value("in").value_or("-");
  std::string failure;
  auto data = ReadInput(in, kMessageInputLimit, failure);
  if (!data) {
    Fail(failure);
    return std::nullopt;
  }
  DataInput input{std::move(*data), options.Value("out").value_or("-"), {}, {}};
  const auto serial = options.Value("serial");
  if (!serial) {
    input.why_no_certificate = [stores] { return WhyNoneWasChosen(stores); };
    return input;
  }
  std::string problem;
  bool found = false;
  const auto choice = ChooseBySerial(*serial, options.Value("issuer"), stores, problem, found);
  if (!choice) {
    Fail(problem);
    return std::nullopt;
  }
  input.certificate = *choice;
  if (found) return input;
  std::string where;
  for (const char* store : stores) where += std::string(where.empty() ? "" : " or ") + store;
  const std::string not_found = "no certificate of serial number " + *choice->serial + " under the issuer \"" +
                                text::GbkToUtf8(choice->issuer_gbk.value_or(certs::kFixedIssuerText)) + "\" in " +
                                where;
  input.why_no_certificate = [not_found] { return not_found; };
  return input;
}

}  // namespace

int RunDecryptCommand(const std::vector<std::string>& args) {
  const Options options(args, "decrypt");
  if (options.error()) return Fail(*options.error());
  const std::string in = options.Value("in").value_or("-");
  std::string failure;
  const auto text = ReadInput(in, kMessageInputLimit, failure);
  if (!text) return Fail(failure);
  const OutcomeLines said(options);
  return RunOperation(
      *text, options.Value("out").value_or("-"),
      [&](std::string& output) { return DecryptMessage(*text, output); }, said, ops::text::kDecrypted);
}

int RunSignCommand(const std::vector<std::string>& args) {
  const Options options(args, "sign");
  const auto input = ReadDataInput(options, "sign", {"MY"});
  if (!input) return 1;
  const OutcomeLines said(options);
  return RunOperation(
      input->data, input->out,
      [&](std::string& output) { return SignData(input->data, options.Flag("detached"), input->certificate, output); },
      said, ops::text::kSigned, input->why_no_certificate);
}

int RunEncryptCommand(const std::vector<std::string>& args) {
  const Options options(args, "encrypt");
  const auto input = ReadDataInput(options, "encrypt", {"CA", "ROOT"});
  if (!input) return 1;
  const OutcomeLines said(options);
  return RunOperation(
      input->data, input->out,
      [&](std::string& output) { return EncryptData(input->data, input->certificate, output); },
      said, ops::text::kEncrypted, input->why_no_certificate);
}

}  // namespace corvane::tool
