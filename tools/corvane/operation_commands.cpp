#include "operation_commands.h"

#include <cstdint>
#include <limits>

#include "command_line.h"
#include "corvane.h"
#include "platform/posix/text/gbk.h"

namespace corvane::tool {
namespace {

// Runs an export on the input and writes its output; the exit status.
template <typename Export>
int RunExport(const std::string& input, const std::string& output_path, Export call) {
  if (input.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return Fail("input too large");
  }
  std::string output;
  const int32_t result = CallExportTwice(call, output);
  if (result != 0) return Fail(ResultCodeText(result));
  if (!WriteOutput(output_path, output)) return Fail("cannot write " + output_path);
  return 0;
}

}  // namespace

int RunDecryptCommand(const std::vector<std::string>& args) {
  const Options options(args, {"in", "out"});
  if (options.error()) return Fail(*options.error());
  if (!options.positional().empty()) return Fail("usage: corvane decrypt [--in FILE] [--out FILE]");
  const std::string in = options.Value("in").value_or("-");
  const auto text = ReadInput(in);
  if (!text) return Fail("cannot read " + in);
  return RunExport(*text, options.Value("out").value_or("-"), [&](char* out, int32_t* length) {
    return decomposeSingleEnvelopedMsg(text->data(), static_cast<int32_t>(text->size()), out,
                                       length);
  });
}

int RunSignCommand(const std::vector<std::string>& args) {
  const Options options(args, {"in", "out", "serial", "issuer"});
  if (options.error()) return Fail(*options.error());
  if (!options.positional().empty() || (options.Value("issuer") && !options.Value("serial"))) {
    return Fail(
        "usage: corvane sign [--detached] [--serial HEX [--issuer TEXT]] [--in FILE] [--out FILE]");
  }
  const std::string in = options.Value("in").value_or("-");
  const auto data = ReadInput(in);
  if (!data) return Fail("cannot read " + in);
  const int32_t mode = options.Flag("detached") ? 1 : 0;
  const auto length = static_cast<uint32_t>(data->size());
  const auto serial = options.Value("serial");
  // Names are compared in the library's code page: the terminal's UTF-8 issuer becomes GBK.
  const std::string issuer = text::Utf8ToGbk(options.Value("issuer").value_or(""));
  return RunExport(*data, options.Value("out").value_or("-"), [&](char* out, int32_t* size) {
    if (!serial) return generateSingleSignedMsg(data->data(), length, mode, out, size);
    const auto serial_length = static_cast<int32_t>(serial->size());
    if (!options.Value("issuer")) {
      return generateSingleSignedMsgBySN(data->data(), length, mode, serial->data(), serial_length,
                                         out, size);
    }
    return generateSingleSignedMsgByIssuerSN(data->data(), length, mode, issuer.c_str(),
                                             static_cast<int32_t>(issuer.size()), serial->data(),
                                             serial_length, out, size);
  });
}

}  // namespace corvane::tool
