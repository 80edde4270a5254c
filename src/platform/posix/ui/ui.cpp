// ShowMessageBox and ShowChooser: read the UI settings, let the chosen front end show the box or
// chooser, and record it in the UI log.
#include <atomic>
#include <utility>

#include "platform/posix/platform_call.h"
#include "platform/posix/ui/ui.h"
#include "platform/posix/ui/ui_none.h"
#include "platform/posix/ui/ui_script.h"
#include "platform/posix/ui/ui_tty.h"
#include "platform/posix/ui/ui_gui.h"
#include "platform/posix/ui/ui_log.h"
#include "platform/posix/ui/ui_settings.h"

namespace corvane::platform {
namespace {

// Whether the box could be shown by its front end; a box that could not is written to standard
// error instead, as the none front end does.
bool ShowBoxWith(const UiSettings& settings, const std::string& caption_gbk,
                 const std::string& text_gbk) {
  switch (settings.front_end) {
    case UiFrontEnd::kGui:
      return settings.gui_tool && ShowBoxInGui(*settings.gui_tool, caption_gbk, text_gbk);
    case UiFrontEnd::kTty:
      return ShowBoxOnTty(caption_gbk, text_gbk, settings.terminal_encoding);
    case UiFrontEnd::kScript:
      return true;
    case UiFrontEnd::kNone:
      break;
  }
  return false;
}

ChooserAnswer ChooseWith(const UiSettings& settings, const std::string& caption_gbk,
                         const std::string& label_gbk, const std::vector<std::string>& lines_gbk) {
  switch (settings.front_end) {
    case UiFrontEnd::kGui:
      if (!settings.gui_tool) break;
      return ChooseInGui(*settings.gui_tool, caption_gbk, label_gbk, lines_gbk);
    case UiFrontEnd::kTty:
      return ChooseOnTty(caption_gbk, label_gbk, lines_gbk, settings.terminal_encoding);
    case UiFrontEnd::kScript:
      return NextScriptedAnswer(settings.script_choices, lines_gbk.size());
    case UiFrontEnd::kNone:
      break;
  }
  return {};
}

bool AskOkCancelWith(const UiSettings& settings, const std::string& caption_gbk,
                     const std::string& text_gbk) {
  switch (settings.front_end) {
    case UiFrontEnd::kGui:
      return settings.gui_tool && AskOkCancelInGui(*settings.gui_tool, caption_gbk, text_gbk);
    case UiFrontEnd::kTty:
      return AskOkCancelOnTty(caption_gbk, text_gbk, settings.terminal_encoding);
    case UiFrontEnd::kScript:
      return NextScriptedConfirmation(settings.script_choices);
    case UiFrontEnd::kNone:
      break;
  }
  return false;
}

std::optional<SecretBytes> AskPinWith(const UiSettings& settings, const std::string& caption_gbk,
                                     const std::string& text_gbk) {
  switch (settings.front_end) {
    case UiFrontEnd::kGui:
      if (!settings.gui_tool) break;
      return AskPinInGui(*settings.gui_tool, caption_gbk, text_gbk);
    case UiFrontEnd::kTty:
      return AskPinOnTty(caption_gbk, text_gbk, settings.terminal_encoding);
    case UiFrontEnd::kScript:
      return ScriptedPin();
    case UiFrontEnd::kNone:
      break;
  }
  return std::nullopt;
}

}  // namespace

namespace {
std::atomic<bool> boxes_left_to_caller{false};
}  // namespace

void LeaveMessageBoxesToTheCaller(bool leave) { boxes_left_to_caller = leave; }

void ShowMessageBox(const std::string& caption_gbk, const std::string& text_gbk) {
  const UiSettings settings = ReadUiSettings();
  if (!boxes_left_to_caller && !ShowBoxWith(settings, caption_gbk, text_gbk)) {
    ShowBoxOnStderr(caption_gbk, text_gbk, settings.terminal_encoding);
  }
  LogBox(settings.log_path, caption_gbk, text_gbk);
}

namespace {
thread_local const std::string* chooser_requester = nullptr;
}  // namespace

ScopedChooserRequester::ScopedChooserRequester(std::string requester_gbk)
    : requester_(std::move(requester_gbk)), previous_(chooser_requester) {
  chooser_requester = &requester_;
}

ScopedChooserRequester::~ScopedChooserRequester() { chooser_requester = previous_; }

ChooserAnswer ShowChooser(const std::string& caption_gbk, const std::string& label_gbk,
                          const std::vector<std::string>& lines_gbk) {
  PLATFORM_ENTRY("ShowChooser");
  const UiSettings settings = ReadUiSettings();
  std::string label = label_gbk;
  if (chooser_requester != nullptr) {
    label = *chooser_requester + " asks you to choose a certificate.\n" + label_gbk;
    LogRequester(settings.log_path, *chooser_requester);
  }
  const ChooserAnswer answer = ChooseWith(settings, caption_gbk, label, lines_gbk);
  LogChooser(settings.log_path, lines_gbk, answer);
  return answer;
}

}  // namespace corvane::platform

namespace corvane::platform {

bool AskOkCancel(const std::string& caption_gbk, const std::string& text_gbk) {
  const UiSettings settings = ReadUiSettings();
  const bool ok = AskOkCancelWith(settings, caption_gbk, text_gbk);
  LogQuestion(settings.log_path, caption_gbk, text_gbk, ok);
  return ok;
}

std::optional<SecretBytes> AskPin(const std::string& caption_gbk, const std::string& text_gbk) {
  const UiSettings settings = ReadUiSettings();
  std::optional<SecretBytes> pin = AskPinWith(settings, caption_gbk, text_gbk);
  LogPin(settings.log_path, pin.has_value());
  return pin;
}

}  // namespace corvane::platform
