// The `script` front end (ui.h): answers come from CORVANE_UI_CHOICES.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/ui/ui.h"
#include "platform/posix/ui/ui_settings.h"

namespace corvane::platform {

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

// script: the next answer of the same cursor for an OK/Cancel question: true for "ok" only.
bool NextScriptedConfirmation(const std::string& choices);

// script: the PIN in CORVANE_UI_PIN (read afresh for every dialog); unset, empty or longer
// than kMaxPinLength refuses.
std::optional<SecretBytes> ScriptedPin();

}  // namespace corvane::platform
