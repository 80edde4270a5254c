// The UI log (CORVANE_UI_LOG): one UTF-8 line per box or chooser shown, whatever the front end,
// so that tests and scripts can read what the user would have seen.
//
//   box<TAB>caption<TAB>text
//   ask<TAB>caption<TAB>text<TAB>ok|cancel          an OK/Cancel question and its answer
//   pin<TAB>asked<TAB>given|refused                 (never the PIN itself)
//   choose<TAB>line 0<TAB>line 1...<TAB>answer     answer: the selected line number, ok, cancel
//   for<TAB>requester                               before a chooser shown on someone's behalf
//
// Fields are escaped as ForLogField (ui_text.h) says. Each line is appended with one write on a
// descriptor opened with O_APPEND, so lines of concurrent writers do not interleave. The file is
// created with mode 0600 (before the umask). A log that cannot be written is skipped silently:
// the box or chooser itself has been shown all the same.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/ui/ui.h"

namespace corvane::platform {

void LogBox(const std::string& log_path, const std::string& caption_gbk,
            const std::string& text_gbk);

void LogChooser(const std::string& log_path, const std::vector<std::string>& lines_gbk,
                const ChooserAnswer& answer);

void LogRequester(const std::string& log_path, const std::string& requester_gbk);

void LogQuestion(const std::string& log_path, const std::string& caption_gbk,
                 const std::string& text_gbk, bool ok);

void LogPin(const std::string& log_path, bool given);

}  // namespace corvane::platform
