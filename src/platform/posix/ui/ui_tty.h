// The `tty` front end (ui.h): boxes and choosers on the controlling terminal.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/ui/ui.h"
#include "platform/posix/ui/ui_settings.h"

namespace corvane::platform {

// tty, on /dev/tty (the caller's standard input is never read). The box shows caption and text
// and waits for Enter (or end of input). The chooser shows caption, label and the lines numbered
// from 0 (the numbers of the log and of CORVANE_UI_CHOICES), then reads a line number: a valid
// one selects that line (OK), an empty line or end of input cancels, anything else asks again.
// Both answer false / cancel at once when /dev/tty cannot be opened.
bool ShowBoxOnTty(const std::string& caption_gbk, const std::string& text_gbk,
                  DisplayEncoding encoding);
ChooserAnswer ChooseOnTty(const std::string& caption_gbk, const std::string& label_gbk,
                          const std::vector<std::string>& lines_gbk, DisplayEncoding encoding);

// The OK/Cancel question: caption and text, then one line: "ok" (any letter case, blanks
// around ignored) is OK; anything else, an empty line or end of input cancels.
bool AskOkCancelOnTty(const std::string& caption_gbk, const std::string& text_gbk,
                      DisplayEncoding encoding);

// The PIN dialog: caption and text, then one line read with echo switched off (restored after,
// also when reading fails); an empty line, end of input or a line longer than kMaxPinLength
// refuses.
std::optional<SecretBytes> AskPinOnTty(const std::string& caption_gbk, const std::string& text_gbk,
                                       DisplayEncoding encoding);

}  // namespace corvane::platform
