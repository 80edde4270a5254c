#include "verify_command.h"

#include <iostream>
#include <optional>

#include "../common/message_exports.h"
#include "../common/result_text.h"
#include "command_line.h"
#include "command_table.h"
#include "platform/posix/failure_detail.h"
#include "platform/posix/text/gbk.h"
#include "platform/posix/ui/ui_settings.h"
#include "platform/posix/ui/ui_text.h"

namespace corvane::tool {
namespace {

void PrintForTerminal(const std::string& gbk) {
  const auto encoding = platform::ReadUiSettings().terminal_encoding;
  std::cerr << "corvane: " << platform::ForTerminal(gbk, encoding) << "\n";
}

}  // namespace

int RunVerifyCommand(const std::vector<std::string>& args) {
  const Options options(args, "verify");
  if (options.error()) return Fail(*options.error());
  const std::string in = options.Value("in").value_or("-");
  std::string failure;
  const auto text = ReadInput(in, kMessageInputLimit, failure);
  if (!text) return Fail(failure);
  std::optional<std::string> data;
  if (const auto data_path = options.Value("data")) {
    data = ReadInput(*data_path, kMessageInputLimit, failure);
    if (!data) return Fail(failure);
  }
  const std::string* signed_data = data ? &*data : nullptr;
  std::string content;
  ops::SignatureForm form = ops::SignatureForm::kUnknown;
  platform::TakeFailureDetail();  // none left from before
  const int32_t result = VerifyMessage(*text, signed_data, content, &form);
  if (result != 0) {
    PrintForTerminal(corvane::text::Utf8ToGbk(ResultCodeText(result)));
    if (const std::string detail = platform::TakeFailureDetail(); !detail.empty()) Fail(detail);
    const std::string reason = VerificationFailureReason(form, data.has_value());
    if (!reason.empty()) std::cerr << "corvane: " << reason << (data ? "\n" : " (--data FILE)\n");
    return 1;
  }
  if (const std::string report = VerifiedTextGbk(*text, signed_data); !report.empty()) PrintForTerminal(report);
  if (!data && !WriteOutput(options.Value("out").value_or("-"), content)) {
    return Fail("cannot write " + options.Value("out").value_or("-"));
  }
  return 0;
}

}  // namespace corvane::tool
