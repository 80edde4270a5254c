#include "operation_commands.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "../common/message_exports.h"
#include "../common/result_text.h"
#include "command_line.h"
#include "command_table.h"
#include "platform/posix/failure_detail.h"
#include "platform/posix/text/gbk.h"

namespace corvane::tool {
namespace {

// Runs an operation and writes its output; the exit status. A failure shows the result code's
// text and, where the platform told why, the reason.
template <typename Operation>
int RunOperation(const std::string& input, const std::string& output_path, Operation operation) {
  if (input.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return Fail("input too large");
  }
  std::string output;
  platform::TakeFailureDetail();  // none left from before
  const int32_t result = operation(output);
  if (result != 0) {
    Fail(ResultCodeText(result));
    if (const std::string detail = platform::TakeFailureDetail(); !detail.empty()) Fail(detail);
    return 1;
  }
  if (!WriteOutput(output_path, output)) return Fail("cannot write " + output_path);
  return 0;
}

// What `sign` and `encrypt` take: the data, where the output goes, and the certificate.
struct DataInput {
  std::string data;
  std::string out;
  CertificateChoice certificate;
};

// Nothing, after saying why, when the options are wrong or the input cannot be read.
std::optional<DataInput> ReadDataInput(const Options& options, std::string_view command) {
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
  DataInput input{std::move(*data), options.Value("out").value_or("-"), {options.Value("serial"), std::nullopt}};
  // Names are compared in the library's code page: the terminal's UTF-8 issuer becomes GBK.
  if (const auto issuer = options.Value("issuer")) input.certificate.issuer_gbk = text::Utf8ToGbk(*issuer);
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
  return RunOperation(*text, options.Value("out").value_or("-"),
                      [&](std::string& output) { return DecryptMessage(*text, output); });
}

int RunSignCommand(const std::vector<std::string>& args) {
  const Options options(args, "sign");
  const auto input = ReadDataInput(options, "sign");
  if (!input) return 1;
  return RunOperation(input->data, input->out, [&](std::string& output) {
    return SignData(input->data, options.Flag("detached"), input->certificate, output);
  });
}

int RunEncryptCommand(const std::vector<std::string>& args) {
  const Options options(args, "encrypt");
  const auto input = ReadDataInput(options, "encrypt");
  if (!input) return 1;
  return RunOperation(input->data, input->out, [&](std::string& output) {
    return EncryptData(input->data, input->certificate, output);
  });
}

}  // namespace corvane::tool
