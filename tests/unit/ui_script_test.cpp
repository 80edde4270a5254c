// The script front end and the UI log: answers of CORVANE_UI_CHOICES in order, one per chooser,
// and exactly one UTF-8 log line per box or chooser.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/text/gbk.h"
#include "platform/posix/ui/ui.h"
#include "support/test_home.h"

namespace corvane {
namespace {

using testing::AnswerText;
using platform::ShowChooser;
using text::Utf8ToGbk;

std::vector<std::string> Lines(size_t count) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < count; ++i) lines.push_back("line " + std::to_string(i));
  return lines;
}

struct ScriptRow {
  const char* choices;
  size_t line_count;
  std::vector<std::string> answers;  // one per chooser shown, in order
};

const ScriptRow kScriptRows[] = {
    {"1,0,2", 3, {"1", "0", "2", "cancel", "cancel"}},
    {"ok", 2, {"ok", "cancel"}},
    {"cancel,1", 2, {"cancel", "1"}},
    {" 2 ,\tok ", 3, {"2", "ok"}},
    {"3", 3, {"ok"}},                         // beyond the last line: OK with nothing selected
    {"0", 0, {"ok"}},                         // an empty list has no line 0 either
    {"99999999999999999999999", 1, {"ok"}},  // too large for any list
    {"", 3, {"cancel"}},
    {"-1,x,,OK,1", 3, {"cancel", "cancel", "cancel", "cancel", "1"}},
};

TEST(UiScriptTest, AnswersAreUsedInOrderOnePerChooser) {
  for (const ScriptRow& row : kScriptRows) {
    SCOPED_TRACE(std::string("choices \"") + row.choices + "\"");
    testing::TestHome home;
    home.SetEnv("CORVANE_UI_CHOICES", row.choices);
    const std::vector<std::string> lines = Lines(row.line_count);
    std::string logged_lines = "choose";
    for (const std::string& line : lines) logged_lines += "\t" + line;
    std::vector<std::string> expected_log;
    for (const std::string& expected : row.answers) {
      EXPECT_EQ(AnswerText(ShowChooser("caption", "label", lines)), expected);
      expected_log.push_back(logged_lines + "\t" + expected);
    }
    EXPECT_EQ(home.UiLog(), expected_log);
  }
}

TEST(UiScriptTest, NewChoicesStartAtTheirFirstAnswer) {
  testing::TestHome home;
  const std::vector<std::string> lines = Lines(3);
  const auto next = [&] { return AnswerText(ShowChooser("c", "l", lines)); };
  home.SetEnv("CORVANE_UI_CHOICES", "0,1");
  EXPECT_EQ(next(), "0");
  home.SetEnv("CORVANE_UI_CHOICES", "2,1");  // a new value
  EXPECT_EQ(next(), "2");
  home.SetEnv("CORVANE_UI_CHOICES", "2,1");  // the same value, set anew
  EXPECT_EQ(next(), "2");
  EXPECT_EQ(next(), "1");
  // A value changed behind the library's back restarts the walk as well.
  setenv("CORVANE_UI_CHOICES", "1,0", 1);
  EXPECT_EQ(next(), "1");
  EXPECT_EQ(next(), "0");
  EXPECT_EQ(next(), "cancel");
}

// OK/Cancel questions take the next answer of the same walk as the choosers; only "ok" is OK.
TEST(UiScriptTest, QuestionsTakeTheirAnswersInTurnWithTheChoosers) {
  testing::TestHome home;
  home.SetEnv("CORVANE_UI_CHOICES", "ok,1,cancel,0,OK");
  EXPECT_TRUE(platform::AskOkCancel(Utf8ToGbk("提示"), "Allow https://a.example?"));
  EXPECT_EQ(AnswerText(ShowChooser("c", "l", Lines(2))), "1");
  for (int question = 0; question < 4; ++question) {  // cancel, a line number, "OK", none left
    EXPECT_FALSE(platform::AskOkCancel("c", "t")) << question;
  }
  EXPECT_EQ(home.UiLog(), (std::vector<std::string>{"ask\t提示\tAllow https://a.example?\tok",
                                                    "choose\tline 0\tline 1\t1", "ask\tc\tt\tcancel",
                                                    "ask\tc\tt\tcancel", "ask\tc\tt\tcancel",
                                                    "ask\tc\tt\tcancel"}));
}

TEST(UiScriptTest, LogHoldsUtf8OfTheGbkTextsWithControlCharactersEscaped) {
  testing::TestHome home;
  home.SetEnv("CORVANE_UI_CHOICES", "1");
  EXPECT_EQ(MessageBoxA(nullptr, Utf8ToGbk("签名成功").c_str(), Utf8ToGbk("提示信息").c_str(), MB_OK),
            IDOK);
  MessageBoxA(nullptr, "a\tb\nc\rd\\e\x01", nullptr, MB_OK);
  ShowChooser(Utf8ToGbk("请选择您要用的证书"), "label",
              {Utf8ToGbk("签发者：Test CA ，主题：Alice"), "x\ty", Utf8ToGbk("€"),
               Utf8ToGbk("€5 €€ €价")});  // the one-byte euro sign before other characters
  EXPECT_EQ(home.UiLog(), (std::vector<std::string>{
                              "box\t提示信息\t签名成功",
                              "box\tError\ta\\tb\\nc\\rd\\\\e\\x01",
                              "choose\t签发者：Test CA ，主题：Alice\tx\\ty\t€\t€5 €€ €价\t1",
                          }));
}

TEST(UiScriptTest, LogThatIsAPipeNobodyReadsNeitherBlocksNorEndsTheProcess) {
  testing::TestHome home;
  const std::string fifo = (home.root() / "log.fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  home.SetEnv("CORVANE_UI_LOG", fifo);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    alarm(10);  // a box that blocks on the log ends here, and the test sees the signal
    platform::ShowMessageBox("caption", "text");
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST(UiScriptTest, NoLogWithoutALogPath) {
  testing::TestHome home;
  home.SetEnv("CORVANE_UI_LOG", std::nullopt);
  MessageBoxA(nullptr, "text", "caption", MB_OK);
  EXPECT_EQ(AnswerText(ShowChooser("c", "l", Lines(1))), "cancel");
  EXPECT_FALSE(std::filesystem::exists(home.ui_log()));
}

}  // namespace
}  // namespace corvane
