// The front ends behind ShowMessageBox and ShowChooser (ui.h); ui_dispatch.cpp picks one per call
// from the UI settings and writes the UI log.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/posix/ui.h"
#include "platform/posix/ui_settings.h"

namespace corvane::platform {

// none: "caption: text" as one line on standard error, at once.
void ShowBoxOnStderr(const std::string& caption_gbk, const std::string& text_gbk,
                     DisplayEncoding encoding);

// script: the next answer of CORVANE_UI_CHOICES for a chooser of `line_count` lines.
//
// Answers are comma-separated, blanks around them ignored: a line number from 0 (OK with that
// line selected; a number beyond the last line is OK with nothing selected, as a list without
// that line would leave it), "ok" (OK with nothing selected) or "cancel"; anything else, and no
// answer left, cancels. One process-wide cursor walks the answers, one per chooser shown, and
// starts again from the first answer whenever the variable's value differs from the one it was
// walking, or RestartScriptedAnswers (ui.h) is called, so choices set anew start at their
// beginning.
ChooserAnswer NextScriptedAnswer(const std::string& choices, size_t line_count);

// tty, on /dev/tty (the caller's standard input is never read). The box shows caption and text
// and waits for Enter (or end of input). The chooser shows caption, label and the lines numbered
// from 0 (the numbers of the log and of CORVANE_UI_CHOICES), then reads a line number: a valid
// one selects that line (OK), an empty line or end of input cancels, anything else asks again.
// Both answer false / cancel at once when /dev/tty cannot be opened.
bool ShowBoxOnTty(const std::string& caption_gbk, const std::string& text_gbk,
                  DisplayEncoding encoding);
ChooserAnswer ChooseOnTty(const std::string& caption_gbk, const std::string& label_gbk,
                          const std::vector<std::string>& lines_gbk, DisplayEncoding encoding);

// gui: zenity (or kdialog) as a child process, waited for. The box answers false when the tool
// could not be run or failed (exit status other than 0 or 1); the chooser then cancels. Exit
// status 1 is the tool's Cancel or close, which a tool that cannot reach the display reports as
// well, so that case counts as shown.
bool ShowBoxInGui(const GuiTool& tool, const std::string& caption_gbk, const std::string& text_gbk);
ChooserAnswer ChooseInGui(const GuiTool& tool, const std::string& caption_gbk,
                          const std::string& label_gbk, const std::vector<std::string>& lines_gbk);

}  // namespace corvane::platform
