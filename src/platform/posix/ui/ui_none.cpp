#include <unistd.h>

#include "platform/posix/ui/ui_none.h"
#include "platform/posix/ui/ui_text.h"

namespace corvane::platform {

void ShowBoxOnStderr(const std::string& caption_gbk, const std::string& text_gbk,
                     DisplayEncoding encoding) {
  const std::string line =
      ForTerminal(caption_gbk, encoding) + ": " + ForTerminal(text_gbk, encoding) + "\n";
  // One write, so that the line is not torn apart by other output to standard error.
  if (write(STDERR_FILENO, line.data(), line.size()) < 0) return;
}

}  // namespace corvane::platform
