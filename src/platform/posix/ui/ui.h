// The UI front ends that stand in for Windows message boxes and the certificate chooser, and ask
// the PIN dialog's and OK/Cancel questions.
//
// CORVANE_UI selects the front end, read once per call: auto (default), gui, tty, none, script.
// CORVANE_UI_CHOICES feeds the script front end; CORVANE_UI_LOG names a file to which every front
// end appends one UTF-8 line per box (box<TAB>caption<TAB>text) or chooser
// (choose<TAB>line 0<TAB>line 1...<TAB>answer). All texts handed in are GBK bytes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/secret_bytes.h"

namespace corvane::platform {

// Outcome of a chooser: OK with the selected line (-1 when no line is selected), or cancelled.
struct ChooserAnswer {
  bool ok = false;
  int selected_line = -1;
};

// Shows a modal message box (caption and text, one OK button) and waits until it is dismissed.
void ShowMessageBox(const std::string& caption_gbk, const std::string& text_gbk);

// For a program that tells the outcome of each call itself, such as the command-line tool on a
// terminal: while `leave` is set (by default it is not), message boxes are not shown, only
// recorded in the UI log. Choosers, questions and PIN prompts are shown as ever.
void LeaveMessageBoxesToTheCaller(bool leave);

// Shows a modal list chooser with the given caption, label and lines, none of them selected at
// first, and waits for OK or Cancel. A chooser that cannot be shown counts as cancelled.
ChooserAnswer ShowChooser(const std::string& caption_gbk, const std::string& label_gbk,
                          const std::vector<std::string>& lines_gbk);

// While it lives, this thread's choosers are shown on behalf of `requester_gbk` (a web page's
// origin, for the browser host): their label names it first, and the UI log records
// "for<TAB>requester" before the chooser's line.
class ScopedChooserRequester {
 public:
  explicit ScopedChooserRequester(std::string requester_gbk);
  ~ScopedChooserRequester();
  ScopedChooserRequester(const ScopedChooserRequester&) = delete;
  ScopedChooserRequester& operator=(const ScopedChooserRequester&) = delete;

 private:
  std::string requester_;
  const std::string* previous_;
};

// Asks an OK/Cancel question (caption and text as for a message box) and waits for the answer:
// true for OK only. Front ends: gui (zenity --question, kdialog --yesno, with the dialog's own
// button texts), tty ("ok" typed on /dev/tty; anything else or end of input cancels), script (the
// next answer of CORVANE_UI_CHOICES, taken in turn with the choosers' answers: "ok" is OK,
// anything else cancels), none (cancels). The UI log records it as
// "ask<TAB>caption<TAB>text<TAB>ok|cancel".
bool AskOkCancel(const std::string& caption_gbk, const std::string& text_gbk);

// The longest PIN a dialog accepts (PKCS #11 tokens allow far less).
inline constexpr size_t kMaxPinLength = 256;

// Asks for the PIN of a token (caption and prompt text as for a message box) and waits for it.
// Front ends: gui (zenity --password or kdialog --password, read from the tool's standard
// output), tty (typed on /dev/tty with echo off), script (the value of CORVANE_UI_PIN; unset
// refuses), none (refuses). nullopt when the user cancels or no PIN can be asked. The PIN is
// never an argument of a child process nor written to the UI log, which records only
// "pin<TAB>asked<TAB>given|refused"; every copy made on the way is wiped.
std::optional<SecretBytes> AskPin(const std::string& caption_gbk, const std::string& text_gbk);

// Makes the script front end take the first answer of CORVANE_UI_CHOICES again at the next
// chooser, as it does by itself when the variable's value changes: for a program that sets the
// variable anew to the value it had.
void RestartScriptedAnswers();

}  // namespace corvane::platform
