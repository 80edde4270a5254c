#include <mutex>
#include <optional>
#include <string_view>

#include "platform/posix/environment.h"
#include "platform/posix/ui/ui_script.h"
#include "platform/posix/ui/ui_text.h"

namespace corvane::platform {
namespace {

struct ScriptCursor {
  std::mutex lock;
  std::string choices;  // the value being walked
  size_t next = 0;      // index of the next answer in it
};

ScriptCursor& Cursor() {
  static ScriptCursor cursor;
  return cursor;
}

// Answer number `index` of the comma-separated list; nullopt when there are fewer.
std::optional<std::string_view> AnswerAt(std::string_view choices, size_t index) {
  if (TrimBlanks(choices).empty()) return std::nullopt;
  for (size_t i = 0;; ++i) {
    const size_t comma = choices.find(',');
    if (i == index) return TrimBlanks(choices.substr(0, comma));
    if (comma == std::string_view::npos) return std::nullopt;
    choices.remove_prefix(comma + 1);
  }
}

ChooserAnswer Interpret(std::string_view answer, size_t line_count) {
  if (answer == "ok") return {true, -1};
  const std::optional<size_t> line = ParseLineNumber(answer);
  if (!line) return {};  // "cancel", or not an answer at all
  if (*line >= line_count) return {true, -1};
  return {true, static_cast<int>(*line)};
}

// The next answer of `choices` for the process-wide cursor; nullopt when none is left.
std::optional<std::string> NextAnswer(const std::string& choices) {
  ScriptCursor& cursor = Cursor();
  std::lock_guard<std::mutex> guard(cursor.lock);
  if (cursor.choices != choices) {
    cursor.choices = choices;
    cursor.next = 0;
  }
  const std::optional<std::string_view> answer = AnswerAt(cursor.choices, cursor.next);
  if (!answer) return std::nullopt;
  ++cursor.next;
  return std::string(*answer);
}

}  // namespace

ChooserAnswer NextScriptedAnswer(const std::string& choices, size_t line_count) {
  const std::optional<std::string> answer = NextAnswer(choices);
  return answer ? Interpret(*answer, line_count) : ChooserAnswer{};
}

bool NextScriptedConfirmation(const std::string& choices) { return NextAnswer(choices) == "ok"; }

void RestartScriptedAnswers() {
  ScriptCursor& cursor = Cursor();
  std::lock_guard<std::mutex> guard(cursor.lock);
  cursor.next = 0;
}

std::optional<SecretBytes> ScriptedPin() {
  std::string value(EnvironmentValue("CORVANE_UI_PIN"));
  SecretBytes pin(std::vector<uint8_t>(value.begin(), value.end()));
  OPENSSL_cleanse(value.data(), value.size());
  if (pin.size() == 0 || pin.size() > kMaxPinLength) return std::nullopt;
  return pin;
}

}  // namespace corvane::platform
