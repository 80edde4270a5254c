// The terminal front end on a real pseudo-terminal: the front end runs in a child process whose
// controlling terminal is the pty (and whose standard input is /dev/null, so an answer can only
// come through /dev/tty); the test reads the screen and types on the master side.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/posix/text/gbk.h"
#include "platform/posix/ui/ui.h"
#include "support/openssl_peer.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane::platform {
namespace {

using text::Utf8ToGbk;
using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(20);
constexpr int kCancelled = 100;
constexpr int kOkWithoutLine = 101;

int ExitCodeOf(const ChooserAnswer& answer) {
  if (!answer.ok) return kCancelled;
  return answer.selected_line < 0 ? kOkWithoutLine : answer.selected_line;
}

// A child process running `body` on a fresh pseudo-terminal; its exit status is body's result.
class PtyChild {
 public:
  explicit PtyChild(const std::function<int()>& body) {
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      const int null_input = open("/dev/null", O_RDONLY);
      dup2(null_input, STDIN_FILENO);
      _exit(body());
    }
  }
  ~PtyChild() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }

  bool started() const { return pid_ > 0; }
  const std::string& screen() const { return screen_; }

  // Reads the screen until it shows `text`; false when it does not within the patience.
  bool WaitFor(const std::string& text) {
    const auto deadline = Clock::now() + kPatience;
    while (screen_.find(text) == std::string::npos) {
      if (!ReadSome(deadline)) return false;
    }
    return true;
  }

  void Type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  bool StillRunning() { return waitpid(pid_, nullptr, WNOHANG) == 0; }

  // Reads the rest of the screen and the exit status; -1 when the child did not end in time.
  int Finish() {
    const auto deadline = Clock::now() + kPatience;
    while (ReadSome(deadline)) {
    }
    while (Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      poll(nullptr, 0, 10);
    }
    return -1;
  }

 private:
  // False at end of output (the child closed the terminal) or at the deadline.
  bool ReadSome(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd ready{master_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[1024];
    const ssize_t got = read(master_, chunk, sizeof chunk);
    if (got <= 0) return false;
    screen_.append(chunk, static_cast<size_t>(got));
    return true;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  bool reaped_ = false;
  std::string screen_;
};

class UiTtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.SetEnv("CORVANE_UI", "tty");
    home_.SetEnv("LC_ALL", "C.UTF-8");
  }
  testing::TestHome home_;
};

TEST_F(UiTtyTest, ChooserShowsNumberedLinesAndReadsANumber) {
  struct Row {
    const char* keys;
    int exit_code;
  };
  const Row rows[] = {
      {"1\n", 1},           {" 2 \n", 2},          {"\n", kCancelled}, {"\x04", kCancelled},
      {"7\n0\n", 0},        {"x\n\n", kCancelled}, {"-1\n2\n", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.keys);
    home_.ClearUiLog();
    PtyChild child([] {
      return ExitCodeOf(ShowChooser(Utf8ToGbk("请选择您要用的证书"), Utf8ToGbk("请在列表中选择证书:"),
                                    {Utf8ToGbk("签发者：CA ，主题：A"), "B", "C"}));
    });
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(child.WaitFor("cancels): ")) << child.screen();
    EXPECT_NE(child.screen().find("[请选择您要用的证书]\r\n请在列表中选择证书:\r\n"
                                  "  0) 签发者：CA ，主题：A\r\n  1) B\r\n  2) C\r\n"),
              std::string::npos)
        << child.screen();
    child.Type(row.keys);
    EXPECT_EQ(child.Finish(), row.exit_code) << child.screen();
    const bool asked_again = child.screen().find("No such line.") != std::string::npos;
    EXPECT_EQ(asked_again, std::string(row.keys).find('\n') != std::string(row.keys).rfind('\n'));
    ASSERT_EQ(home_.UiLog().size(), 1u);
  }
}

TEST_F(UiTtyTest, QuestionIsOkOnlyForTypedOk) {
  const struct {
    const char* keys;
    int exit_code;  // 1 for OK
  } rows[] = {{"ok\n", 1}, {" OK \n", 1}, {"\n", 0}, {"yes\n", 0}, {"\x04", 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.keys);
    PtyChild child([] { return AskOkCancel("Corvane", Utf8ToGbk("允许 https://a.example?")) ? 1 : 0; });
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(child.WaitFor("cancels): ")) << child.screen();
    EXPECT_NE(child.screen().find("[Corvane]\r\n允许 https://a.example?\r\n"), std::string::npos) << child.screen();
    child.Type(row.keys);
    EXPECT_EQ(child.Finish(), row.exit_code) << child.screen();
  }
}

// Secrets are typed without echo and come back whole, also when typed before the prompt shows
// (nothing typed ahead is dropped); an empty line refuses a PIN; the terminal echoes again
// afterwards. The tool's import password is read the same way.
TEST_F(UiTtyTest, SecretsAreReadWithoutEcho) {
  const auto key = testing::TestRsaKey(0);
  const auto certificate =
      testing::MakeCertificate({.subject = {{"CN", "Tty"}}}, key.get(), nullptr, key.get());
  const testing::ScratchFolder scratch;
  const std::string import =
      testing::ShellQuote(testing::ToolPath()) + " store import MY " +
      testing::ShellQuote(scratch.Write("user.pem", testing::PemOf(certificate.get()))) + " " +
      testing::ShellQuote(scratch.Write("user.key", testing::PrivateKeyPemOf(key.get(), "s3cret")));
  const std::function<int()> ask_pin = [] {
    const std::optional<SecretBytes> pin = AskPin("caption", "PIN:");
    return !pin ? kCancelled : std::string(pin->bytes().begin(), pin->bytes().end()) == "s3cret" ? 6 : 1;
  };
  const std::function<int()> run_import = [&] { return WEXITSTATUS(std::system(import.c_str())); };
  const struct {
    const char* name;
    const std::function<int()>& ask;
    const char* prompt;
    const char* typed;
    bool ahead;    // typed before the prompt is asked for (then echoed by the terminal itself)
    int expected;  // the PIN's length or kCancelled; the tool's exit status
  } rows[] = {
      {"PIN", ask_pin, "PIN:", "s3cret\n", false, 6},
      {"empty PIN", ask_pin, "PIN:", "\n", false, kCancelled},
      {"PIN typed ahead", ask_pin, "PIN:", "s3cret\n", true, 6},
      {"password", run_import, "Password for", "s3cret\n", false, 0},
      {"password typed ahead", run_import, "Password for", "s3cret\n", true, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    PtyChild child([&] {  // asks once let go
      char byte;
      return read(go[0], &byte, 1) == 1 ? row.ask() : 1;
    });
    ASSERT_TRUE(child.started());
    if (row.ahead) child.Type(row.typed);
    ASSERT_EQ(write(go[1], "g", 1), 1);
    close(go[0]);
    close(go[1]);
    ASSERT_TRUE(child.WaitFor(row.prompt)) << child.screen();
    if (!row.ahead) child.Type(row.typed);
    EXPECT_EQ(child.Finish(), row.expected) << child.screen();
    EXPECT_TRUE(row.ahead || child.screen().find("s3cret") == std::string::npos) << child.screen();
  }
}

TEST_F(UiTtyTest, BoxWaitsForEnter) {
  PtyChild child([] {
    return MessageBoxA(nullptr, Utf8ToGbk("签名成功").c_str(), Utf8ToGbk("提示信息").c_str(), MB_OK);
  });
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(child.WaitFor("(Enter) ")) << child.screen();
  EXPECT_NE(child.screen().find("[提示信息]\r\n签名成功\r\n"), std::string::npos) << child.screen();
  EXPECT_TRUE(child.StillRunning());
  child.Type("\n");
  EXPECT_EQ(child.Finish(), IDOK);
  EXPECT_EQ(home_.UiLog(), std::vector<std::string>{"box\t提示信息\t签名成功"});
}

TEST_F(UiTtyTest, WithoutATerminalTheBoxGoesToStandardErrorAndTheChooserCancels) {
  int error_pipe[2];
  ASSERT_EQ(pipe(error_pipe), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();  // no controlling terminal any more: /dev/tty cannot be opened
    dup2(error_pipe[1], STDERR_FILENO);
    MessageBoxA(nullptr, "text", "caption", MB_OK);
    _exit(ExitCodeOf(ShowChooser("caption", "label", {"A"})));
  }
  close(error_pipe[1]);
  std::string errors;
  char chunk[256];
  for (ssize_t got; (got = read(error_pipe[0], chunk, sizeof chunk)) > 0;) errors.append(chunk, got);
  close(error_pipe[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_EQ(WEXITSTATUS(status), kCancelled);
  EXPECT_EQ(errors, "caption: text\n");
  EXPECT_EQ(home_.UiLog(), (std::vector<std::string>{"box\tcaption\ttext", "choose\tA\tcancel"}));
}

}  // namespace
}  // namespace corvane::platform
