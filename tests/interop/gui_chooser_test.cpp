// The graphical front end with the real zenity on a private X server (Xvfb): the chooser and the
// message box are found by their titles and answered with keystrokes sent by xdotool. A
// screenshot of the chooser is kept in <build>/artifacts/gui_chooser.png, the X server's messages
// in <build>/artifacts/xvfb.log.
//
// Skipped when Xvfb, zenity, xdotool or ImageMagick's import is not installed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "certs/certificate_entry_list.h"
#include "certs/certificate_selection_dialog.h"
#include "platform/platform.h"
#include "platform/posix/text/gbk.h"
#include "platform/posix/ui/ui.h"
#include "platform/posix/ui/ui_settings.h"
#include "support/test_home.h"

namespace corvane {
namespace {

using text::Utf8ToGbk;

constexpr auto kPatience = std::chrono::seconds(30);
constexpr char kChooserTitle[] = "请选择您要用的证书";

std::filesystem::path ArtifactsFolder() {
  return std::filesystem::path(testing::ToolPath()).parent_path() / "artifacts";
}

// An Xvfb server on a display number it picks itself (-displayfd), stopped at the end.
class XvfbServer {
 public:
  XvfbServer() {
    int ready[2];
    if (pipe(ready) != 0) return;
    std::filesystem::create_directories(ArtifactsFolder());
    const std::string log = (ArtifactsFolder() / "xvfb.log").string();
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      const int log_fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      dup2(log_fd, STDOUT_FILENO);
      dup2(log_fd, STDERR_FILENO);
      const std::string fd = std::to_string(ready[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    // The server writes its display number and a line feed once it accepts connections; the
    // pipe stays open until the line is complete, or the server fails writing it.
    std::string number;
    pollfd readable{ready[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && c != '\n' && poll(&readable, 1, 20000) == 1 && read(ready[0], &c, 1) == 1) {
      number += c;
    }
    close(ready[0]);
    if (!number.empty() && number.back() == '\n') {
      display_ = ":" + std::to_string(std::atoi(number.c_str()));
    }
  }
  ~XvfbServer() { Stop(); }

  // Stopping the server also ends every client still showing a window on it.
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  const std::string& display() const { return display_; }
  bool running() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;  // reaped: ended
    return pid_ > 0;
  }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

class GuiChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "zenity", "xdotool", "import"}) {
      if (!platform::FindExecutable(tool, getenv("PATH") ? getenv("PATH") : "")) {
        GTEST_SKIP() << tool << " is not installed; the graphical front end is not tested";
      }
    }
    ASSERT_FALSE(server_.display().empty()) << "Xvfb did not start";
    home_.SetEnv("DISPLAY", server_.display());
    home_.SetEnv("CORVANE_UI", "gui");
  }

  // Waits for the window titled `title`, then sends `keys` to it; false when no such window
  // appeared in time. With `screenshot`, the screen is saved first.
  bool Answer(const std::string& title, const std::string& keys, const std::string& screenshot = "") {
    std::string window;
    const std::string find = "timeout 20 xdotool search --sync --name " +
                             testing::ShellQuote("^" + title + "$") + " 2>/dev/null | head -n 1";
    if (testing::RunCommand(find, &window) != 0 || window.empty()) {
      ADD_FAILURE() << "no window \"" << title << "\" on " << server_.display()
                    << (server_.running() ? "" : " (the X server has ended)");
      return false;
    }
    window.erase(window.find_last_not_of("\n") + 1);
    // Give the toolkit a moment to settle its keyboard focus before typing.
    testing::RunCommand("xdotool windowfocus --sync " + window + " sleep 0.5");
    if (!screenshot.empty()) {
      testing::RunCommand("import -window root " +
                          testing::ShellQuote((ArtifactsFolder() / screenshot).string()));
    }
    return testing::RunCommand("xdotool key --delay 100 " + keys) == 0;
  }

  // The outcome of `pending`; on a window that never answered, the server is stopped, which
  // ends the tool and so the call.
  template <typename T>
  T Outcome(std::future<T>& pending) {
    if (pending.wait_for(kPatience) != std::future_status::ready) {
      ADD_FAILURE() << "the front end did not return; stopping the X server";
      server_.Stop();
    }
    return pending.get();
  }

  XvfbServer server_;
  testing::TestHome home_;
};

TEST_F(GuiChooserTest, KeystrokesChooseALineOrCancel) {
  certs::CertificateEntryList* entries = nullptr;
  ASSERT_EQ(certs::CertificateEntryList::Create(&entries), 0);
  for (const char* subject : {"张三", "李四", "李四"}) {  // two equal lines
    for (const std::string& entry : {Utf8ToGbk(subject), Utf8ToGbk("测试 CA"), std::string("der")}) {
      entries->Append(entry.data(), static_cast<int32_t>(entry.size()));
    }
  }
  struct Row {
    const char* keys;
    int32_t index;
    const char* logged_answer;
  };
  const Row rows[] = {
      {"Down Up Return", 2, "0"},                // the first line
      {"Down Up Down Down Return", 8, "2"},      // the second of two equal lines
      {"Escape", -1, "cancel"},
      {"Down Up Down Escape", -1, "cancel"},     // chosen, then cancelled
      {"Tab Tab Return", -1, "ok"},              // OK without a line
  };
  bool first = true;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.keys);
    home_.ClearUiLog();
    auto pending = std::async(std::launch::async, [entries] {
      certs::CertificateSelectionDialog dialog(3, entries);
      dialog.ShowModal(nullptr);
      return dialog.chosen_index();
    });
    EXPECT_TRUE(Answer(kChooserTitle, row.keys, first ? "gui_chooser.png" : ""));
    first = false;
    EXPECT_EQ(Outcome(pending), row.index);
    EXPECT_EQ(home_.UiLog(), std::vector<std::string>{
                                 std::string("choose\t签发者：测试 CA ，主题：张三\t签发者：测试 CA ，"
                                             "主题：李四\t签发者：测试 CA ，主题：李四\t") +
                                 row.logged_answer});
  }
  certs::CertificateEntryList::Free(entries);
}

TEST_F(GuiChooserTest, MessageBoxIsDismissedByEnter) {
  auto pending = std::async(std::launch::async, [] {
    return MessageBoxA(nullptr, Utf8ToGbk("签名成功").c_str(), Utf8ToGbk("提示信息").c_str(), MB_OK);
  });
  EXPECT_TRUE(Answer("提示信息", "Return"));
  EXPECT_EQ(Outcome(pending), IDOK);
  EXPECT_EQ(home_.UiLog(), std::vector<std::string>{"box\t提示信息\t签名成功"});
}

// The browser host's OK/Cancel question: Enter takes the default button, OK; Escape cancels.
TEST_F(GuiChooserTest, QuestionIsAnsweredByItsButtons) {
  const std::string text = Utf8ToGbk("允许 https://a.example 使用您的证书？");
  for (const auto& [keys, ok] : {std::pair{"Return", true}, std::pair{"Escape", false}}) {
    SCOPED_TRACE(keys);
    home_.ClearUiLog();
    auto pending = std::async(std::launch::async, [&text] { return platform::AskOkCancel("Corvane", text); });
    EXPECT_TRUE(Answer("Corvane", keys));
    EXPECT_EQ(Outcome(pending), ok);
    EXPECT_EQ(home_.UiLog(), std::vector<std::string>{std::string("ask\tCorvane\t允许 https://a.example "
                                                                  "使用您的证书？\t") + (ok ? "ok" : "cancel")});
  }
}

}  // namespace
}  // namespace corvane
