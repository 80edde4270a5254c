// The graphical front end's side of the conversation with its tool: the arguments it passes and
// how it reads the tool's exit status and output. A small shell script stands in for zenity or
// kdialog here and records what it was given; the real zenity is driven under Xvfb in the
// interoperability tests.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/text/gbk.h"
#include "platform/posix/ui/ui.h"
#include "support/test_home.h"

namespace corvane::platform {
namespace {

using corvane::testing::AnswerText;
using text::Utf8ToGbk;

constexpr char kRecordingTool[] =
    "#!/bin/sh\n"
    "for argument in \"$@\"; do printf '%s\\0' \"$argument\"; done > \"$TOOL_ARGUMENTS\"\n"
    "printf '%s' \"${LC_ALL-unset}\" > \"$TOOL_ARGUMENTS.locale\"\n"
    "PATH=/usr/bin:/bin readlink /proc/$$/fd/* > \"$TOOL_ARGUMENTS.descriptors\"\n"
    "printf '%s' \"$TOOL_OUTPUT\"\n"
    "exit \"${TOOL_STATUS:-0}\"\n";

class GuiToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.SetEnv("CORVANE_UI", "gui");
    home_.SetEnv("PATH", (home_.root() / "bin").string());
    home_.SetEnv("LC_ALL", "C.UTF-8");
    home_.SetEnv("TOOL_ARGUMENTS", arguments_file().string());
    Reply(0, "");
  }

  std::filesystem::path arguments_file() const { return home_.root() / "arguments"; }

  void InstallTool(const char* name) {
    const auto path = home_.root() / "bin" / name;
    testing::WriteFile(path, kRecordingTool);
    chmod(path.c_str(), 0755);
  }

  void Reply(int status, const std::string& output) {
    home_.SetEnv("TOOL_STATUS", std::to_string(status));
    home_.SetEnv("TOOL_OUTPUT", output);
  }

  std::vector<std::string> Arguments() const {
    const std::string recorded = testing::ReadFile(arguments_file());
    std::vector<std::string> arguments;
    for (size_t start = 0; start < recorded.size();) {
      const size_t end = recorded.find('\0', start);
      arguments.push_back(recorded.substr(start, end - start));
      start = end + 1;
    }
    return arguments;
  }

  // Shows a box; returns what reached standard error.
  std::string Box(const std::string& caption, const std::string& text) {
    ::testing::internal::CaptureStderr();
    ShowMessageBox(caption, text);
    return ::testing::internal::GetCapturedStderr();
  }

  testing::TestHome home_;
};

TEST_F(GuiToolTest, ZenityGetsUtf8ArgumentsWithAHiddenIndexColumn) {
  InstallTool("zenity");
  ShowChooser(Utf8ToGbk("请选择您要用的证书"), "a & <b>",
              {Utf8ToGbk("签发者：CA ，主题：Bob"), "-dash", "same", "same"});
  EXPECT_EQ(Arguments(),
            (std::vector<std::string>{
                "--list", "--title=请选择您要用的证书", "--text=a &amp; &lt;b&gt;", "--hide-header",
                "--column=", "--column=", "--hide-column=1", "--print-column=1", "--width=720",
                "--height=360", "--ok-label=确定", "--cancel-label=取消", "0", "签发者：CA ，主题：Bob", "1", " -dash", "2", "same", "3",
                "same"}));
  EXPECT_EQ(Box(Utf8ToGbk("提示信息"), Utf8ToGbk("签名成功")), "");
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--info", "--title=提示信息",
                                                   "--text=签名成功", "--no-markup"}));
  AskOkCancel("Corvane", Utf8ToGbk("允许 https://a.example <b>?"));
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--question", "--title=Corvane",
                                                   "--text=允许 https://a.example <b>?", "--no-markup",
                                                   "--ok-label=确定", "--cancel-label=取消"}));
}

TEST_F(GuiToolTest, KdialogServesWhereZenityIsAbsent) {
  InstallTool("kdialog");
  ShowChooser("caption", "label", {"A", "B"});
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--title=caption", "--radiolist=label",
                                                   "--ok-label=确定", "--cancel-label=取消", "0",
                                                   "A", "off", "1", "B", "off"}));
  Box("caption", "text");
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--title=caption", "--msgbox=text"}));
  AskOkCancel("caption", "text");
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"--title=caption", "--yesno=text",
                                                   "--yes-label=确定", "--no-label=取消"}));
}

TEST_F(GuiToolTest, ExitStatusAndPrintedRowMakeTheAnswer) {
  InstallTool("zenity");
  struct Row {
    int status;
    const char* output;
    const char* answer;
  };
  const Row rows[] = {
      {0, "1\n", "1"}, {0, "0", "0"},     {0, "", "ok"},          {0, "3\n", "ok"},
      {0, "x\n", "ok"}, {1, "", "cancel"}, {1, "1\n", "cancel"}, {255, "", "cancel"},
  };
  for (const Row& row : rows) {
    Reply(row.status, row.output);
    home_.ClearUiLog();
    EXPECT_EQ(AnswerText(ShowChooser("c", "l", {"A", "B", "C"})), row.answer)
        << row.status << " " << row.output;
    EXPECT_EQ(home_.UiLog(), std::vector<std::string>{std::string("choose\tA\tB\tC\t") + row.answer});
    // A question is OK on exit status 0 alone, whatever the tool printed.
    home_.ClearUiLog();
    const std::string question = AskOkCancel("c", "t") ? "ok" : "cancel";
    EXPECT_EQ(question, row.status == 0 ? "ok" : "cancel") << row.status;
    EXPECT_EQ(home_.UiLog(), std::vector<std::string>{"ask\tc\tt\t" + question});
  }
}

TEST_F(GuiToolTest, AnswerIsReadFromTheOutputWhenTheHostIgnoresSigchld) {
  InstallTool("zenity");
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction previous {};
  sigaction(SIGCHLD, &ignore, &previous);
  Reply(0, "2\n");
  const std::string chosen = AnswerText(ShowChooser("c", "l", {"A", "B", "C"}));
  Reply(1, "");
  const std::string cancelled = AnswerText(ShowChooser("c", "l", {"A", "B", "C"}));
  sigaction(SIGCHLD, &previous, nullptr);
  EXPECT_EQ(chosen, "2");
  EXPECT_EQ(cancelled, "cancel");
}

// The PIN comes from the tool's output, never from its arguments, and the log only says whether
// one was given.
TEST_F(GuiToolTest, PinDialogReadsThePinFromTheToolsOutput) {
  struct Row {
    const char* tool;
    int status;
    const char* output;
    std::optional<std::string> pin;
    std::vector<std::string> arguments;
  };
  const Row rows[] = {
      {"zenity", 0, "s3cret\n", "s3cret", {"--password", "--title=caption"}},
      {"zenity", 0, "\n", std::nullopt, {"--password", "--title=caption"}},
      {"zenity", 1, "s3cret\n", std::nullopt, {"--password", "--title=caption"}},
      {"kdialog", 0, "s3cret", "s3cret", {"--title=caption", "--password=text"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.tool) + " " + std::to_string(row.status) + " " + row.output);
    InstallTool(row.tool);
    Reply(row.status, row.output);
    home_.ClearUiLog();
    const std::optional<SecretBytes> pin = AskPin("caption", "text");
    EXPECT_EQ(pin ? std::optional<std::string>(std::string(pin->bytes().begin(), pin->bytes().end()))
                  : std::nullopt,
              row.pin);
    EXPECT_EQ(Arguments(), row.arguments);
    EXPECT_EQ(home_.UiLog(), std::vector<std::string>{std::string("pin\tasked\t") +
                                                      (row.pin ? "given" : "refused")});
    std::filesystem::remove(home_.root() / "bin" / row.tool);
  }
}

TEST_F(GuiToolTest, BoxThatCannotBeShownGoesToStandardError) {
  InstallTool("zenity");
  Reply(1, "");  // closed by the user
  EXPECT_EQ(Box("caption", "text"), "");
  Reply(255, "");  // the tool failed
  EXPECT_EQ(Box("caption", "text"), "caption: text\n");
  std::filesystem::remove(home_.root() / "bin" / "zenity");
  EXPECT_EQ(Box("caption", "no tool"), "caption: no tool\n");
  EXPECT_EQ(AnswerText(ShowChooser("c", "l", {"A"})), "cancel");
  EXPECT_EQ(home_.UiLog(), (std::vector<std::string>{"box\tcaption\ttext", "box\tcaption\ttext",
                                                     "box\tcaption\tno tool", "choose\tA\tcancel"}));
}

TEST_F(GuiToolTest, ToolRunsInAUtf8LocaleWhenTheCallersIsNot) {
  InstallTool("zenity");
  const std::pair<std::optional<std::string>, std::string> rows[] = {
      {"C", "C.UTF-8"}, {"C.UTF-8", "C.UTF-8"}, {std::nullopt, "unset"}};
  home_.SetEnv("LANG", "C.UTF-8");
  home_.SetEnv("LC_CTYPE", std::nullopt);
  for (const auto& [locale, seen] : rows) {
    home_.SetEnv("LC_ALL", locale);
    Box("c", "t");
    EXPECT_EQ(testing::ReadFile(arguments_file().string() + ".locale"), seen);
  }
}

TEST_F(GuiToolTest, ToolInheritsNoDescriptorOfTheCaller) {
  InstallTool("zenity");
  // A descriptor the host left inheritable (no close-on-exec), as many hosts do.
  const auto marker = home_.root() / "host-descriptor";
  testing::WriteFile(marker, "");
  const int fd = open(marker.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  Box("c", "t");
  ShowChooser("c", "l", {"A"});
  close(fd);
  const std::string descriptors = testing::ReadFile(arguments_file().string() + ".descriptors");
  EXPECT_NE(descriptors.find("/dev/null"), std::string::npos) << descriptors;  // its stdin
  EXPECT_EQ(descriptors.find(marker.string()), std::string::npos) << descriptors;
}

}  // namespace
}  // namespace corvane::platform
