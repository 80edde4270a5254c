// The `gui` front end (ui.h): zenity or kdialog in a child process.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/ui/ui.h"
#include "platform/posix/ui/ui_settings.h"

namespace corvane::platform {

// gui: zenity (or kdialog) as a child process, waited for. The box answers false when the tool
// could not be run or failed (exit status other than 0 or 1); the chooser then cancels. Exit
// status 1 is the tool's Cancel or close, which a tool that cannot reach the display reports as
// well, so that case counts as shown.
bool ShowBoxInGui(const GuiTool& tool, const std::string& caption_gbk, const std::string& text_gbk);
ChooserAnswer ChooseInGui(const GuiTool& tool, const std::string& caption_gbk,
                          const std::string& label_gbk, const std::vector<std::string>& lines_gbk);

// The OK/Cancel question: zenity --question (kdialog --yesno); true for exit status 0 only.
bool AskOkCancelInGui(const GuiTool& tool, const std::string& caption_gbk,
                      const std::string& text_gbk);

// The PIN dialog: zenity --password (kdialog --password), the PIN read from the tool's standard
// output and never passed to it; cancel, a failed tool, an empty PIN or one longer than
// kMaxPinLength refuse.
std::optional<SecretBytes> AskPinInGui(const GuiTool& tool, const std::string& caption_gbk,
                                       const std::string& text_gbk);

}  // namespace corvane::platform
