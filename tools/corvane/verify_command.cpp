#include "verify_command.h"

#include <optional>

#include "../common/message_exports.h"
#include "command_line.h"
#include "command_table.h"
#include "outcome_lines.h"
#include "platform/posix/failure_detail.h"

namespace corvane::tool {

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
  const OutcomeLines said(options);
  platform::TakeFailureDetail();  // none left from before
  const int32_t result = VerifyMessage(*text, signed_data, content, &form);
  if (result != 0) {
    const std::string reason = VerificationFailureReason(form, data.has_value());
    return said.Failed(result, platform::TakeFailureDetail(), reason.empty() || data ? reason : reason + " (--data FILE)");
  }
  said.Succeeded(VerifiedTextGbk(*text, signed_data));
  if (!data && !WriteOutput(options.Value("out").value_or("-"), content)) {
    return Fail("cannot write " + options.Value("out").value_or("-"));
  }
  return 0;
}

}  // namespace corvane::tool
