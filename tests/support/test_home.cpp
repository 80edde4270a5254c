#include "support/test_home.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/posix/ui/ui.h"

namespace corvane::testing {

TestHome::TestHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "corvane-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  SetEnv("CORVANE_HOME", root_.string());
  SetEnv("CORVANE_UI", "script");
  SetEnv("CORVANE_UI_CHOICES", std::nullopt);
  SetEnv("CORVANE_UI_LOG", ui_log().string());
}

TestHome::~TestHome() {
  for (const auto& [name, value] : saved_) {
    if (value) setenv(name.c_str(), value->c_str(), 1);
    else unsetenv(name.c_str());
  }
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

void TestHome::SetEnv(const std::string& name, const std::optional<std::string>& value) {
  if (!saved_.count(name)) {
    const char* previous = getenv(name.c_str());
    saved_[name] = previous ? std::optional<std::string>(previous) : std::nullopt;
  }
  if (value) setenv(name.c_str(), value->c_str(), 1);
  else unsetenv(name.c_str());
  // Choices set anew are used from their first answer, even when the value is the same.
  if (name == "CORVANE_UI_CHOICES") platform::RestartScriptedAnswers();
}

std::vector<std::string> TestHome::UiLog() const {
  std::vector<std::string> lines;
  std::ifstream in(ui_log());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void TestHome::ClearUiLog() const {
  std::error_code ignored;
  std::filesystem::remove(ui_log(), ignored);
}

std::string AnswerText(const platform::ChooserAnswer& answer) {
  if (!answer.ok) return "cancel";
  return answer.selected_line < 0 ? "ok" : std::to_string(answer.selected_line);
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string collected;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) collected.append(chunk, got);
  const int status = pclose(pipe);
  if (output) *output = collected;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

std::string ToolPath() { return CORVANE_TOOL_PATH; }

}  // namespace corvane::testing
