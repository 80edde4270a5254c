#include "outcome_lines.h"

#include <iostream>

#include "../common/result_text.h"
#include "platform/posix/ui/ui.h"
#include "platform/posix/ui/ui_settings.h"
#include "platform/posix/ui/ui_text.h"

namespace corvane::tool {

void PrintGbk(const std::string& text_gbk) {
  const auto encoding = platform::ReadUiSettings().terminal_encoding;
  std::cerr << "corvane: " << platform::ForTerminal(text_gbk, encoding) << "\n";
}

OutcomeLines::OutcomeLines(const Options& options) : boxes_(options.Flag("boxes")) {
  platform::LeaveMessageBoxesToTheCaller(!boxes_);
}

void OutcomeLines::Succeeded(const std::string& text_gbk) const {
  if (!boxes_ && !text_gbk.empty()) PrintGbk(text_gbk);
}

int OutcomeLines::Failed(int32_t code, const std::string& detail, const std::string& reason) const {
  if (!boxes_) Fail(ResultCodeText(code));
  if (!detail.empty()) Fail(detail);
  if (!reason.empty()) Fail(reason);
  return 1;
}

}  // namespace corvane::tool
