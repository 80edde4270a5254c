// A throw-away store root for one test: a fresh temporary folder set as CORVANE_HOME, with the
// script UI front end and a UI log in it. The previous environment is restored afterwards.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform {
struct ChooserAnswer;
}

namespace corvane::testing {

class TestHome {
 public:
  TestHome();
  ~TestHome();
  TestHome(const TestHome&) = delete;
  TestHome& operator=(const TestHome&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path ui_log() const { return root_ / "ui.log"; }

  // Sets (or, with nullopt, unsets) an environment variable until the home is destroyed.
  void SetEnv(const std::string& name, const std::optional<std::string>& value);

  // The UI log's lines (UTF-8), without line ends; empty when nothing was shown.
  std::vector<std::string> UiLog() const;
  void ClearUiLog() const;

 private:
  std::filesystem::path root_;
  std::map<std::string, std::optional<std::string>> saved_;
};

// A chooser's answer written as CORVANE_UI_CHOICES gives it: the line's number, "ok" (no line
// selected) or "cancel".
std::string AnswerText(const platform::ChooserAnswer& answer);

// Reads a whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Runs a shell command, returns its exit status and (optionally) its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);

// `size` bytes from a generator seeded with `seed`: the same bytes on every run.
std::string RandomBytes(size_t size, unsigned seed);

// Quotes a string for /bin/sh.
std::string ShellQuote(const std::string& text);

// The path of the built `corvane` tool.
std::string ToolPath();

}  // namespace corvane::testing
