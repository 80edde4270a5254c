#include "operation_commands.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "command_line.h"
#include "command_table.h"
#include "corvane.h"
#include "platform/posix/failure_detail.h"
#include "platform/posix/text/gbk.h"

namespace corvane::tool {
namespace {

// Runs an export on the input and writes its output; the exit status. A failure shows the
// result code's text and, where the platform told why, the reason.
template <typename Export>
int RunExport(const std::string& input, const std::string& output_path, Export call) {
  if (input.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return Fail("input too large");
  }
  std::string output;
  platform::TakeFailureDetail();  // none left from before
  const int32_t result = CallExportTwice(call, output);
  if (result != 0) {
    Fail(ResultCodeText(result));
    if (const std::string detail = platform::TakeFailureDetail(); !detail.empty()) Fail(detail);
    return 1;
  }
  if (!WriteOutput(output_path, output)) return Fail("cannot write " + output_path);
  return 0;
}

// What `sign` and `encrypt` take: the data, where the output goes, and the certificate's serial
// number and issuer text when given.
struct DataInput {
  std::string data;
  std::string out;
  std::optional<std::string> serial;
  std::optional<std::string> issuer;  // GBK
};

// Nothing, after saying why, when the options are wrong or the input cannot be read.
std::optional<DataInput> ReadDataInput(const Options& options, std::string_view command) {
  if (options.error()) {
    Fail(*options.error());
    return std::nullopt;
  }
  if (!options.positional().empty() || (options.Value("issuer") && !options.Value("serial"))) {
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
  DataInput input{std::move(*data), options.Value("out").value_or("-"), options.Value("serial"),
                  std::nullopt};
  // Names are compared in the library's code page: the terminal's UTF-8 issuer becomes GBK.
  if (const auto issuer = options.Value("issuer")) input.issuer = text::Utf8ToGbk(*issuer);
  return input;
}

}  // namespace

int RunDecryptCommand(const std::vector<std::string>& args) {
  const Options options(args, "decrypt");
  if (options.error()) return Fail(*options.error());
  if (!options.positional().empty()) return Fail(UsageLine("decrypt"));
  const std::string in = options.Value("in").value_or("-");
  std::string failure;
  const auto text = ReadInput(in, kMessageInputLimit, failure);
  if (!text) return Fail(failure);
  return RunExport(*text, options.Value("out").value_or("-"), [&](char* out, int32_t* length) {
    return decomposeSingleEnvelopedMsg(text->data(), static_cast<int32_t>(text->size()), out,
                                       length);
  });
}

int RunSignCommand(const std::vector<std::string>& args) {
  const Options options(args, "sign");
  const auto input = ReadDataInput(options, "sign");
  if (!input) return 1;
  const int32_t mode = options.Flag("detached") ? 1 : 0;
  const auto length = static_cast<uint32_t>(input->data.size());
  return RunExport(input->data, input->out, [&](char* out, int32_t* size) {
    const char* data = input->data.data();
    if (!input->serial) return generateSingleSignedMsg(data, length, mode, out, size);
    const auto serial_length = static_cast<int32_t>(input->serial->size());
    if (!input->issuer) {
      return generateSingleSignedMsgBySN(data, length, mode, input->serial->data(), serial_length,
                                         out, size);
    }
    return generateSingleSignedMsgByIssuerSN(data, length, mode, input->issuer->c_str(),
                                             static_cast<int32_t>(input->issuer->size()),
                                             input->serial->data(), serial_length, out, size);
  });
}

int RunEncryptCommand(const std::vector<std::string>& args) {
  const Options options(args, "encrypt");
  const auto input = ReadDataInput(options, "encrypt");
  if (!input) return 1;
  const auto length = static_cast<uint32_t>(input->data.size());
  return RunExport(input->data, input->out, [&](char* out, int32_t* size) {
    const char* data = input->data.data();
    if (!input->serial) return composeSingleEnvelopedMsg(data, length, out, size);
    const auto serial_length = static_cast<int32_t>(input->serial->size());
    if (!input->issuer) {
      return composeSingleEnvelopedMsgBySN(data, length, input->serial->data(), serial_length, out,
                                           size);
    }
    return composeSingleEnvelopedMsgByIssuerSN(data, length, input->issuer->c_str(),
                                               static_cast<int32_t>(input->issuer->size()),
                                               input->serial->data(), serial_length, out, size);
  });
}

}  // namespace corvane::tool
