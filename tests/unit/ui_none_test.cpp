// The none front end: a box is one line on standard error, in the terminal's encoding; a chooser
// cancels at once.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/text/gbk.h"
#include "platform/posix/ui/ui.h"
#include "support/test_home.h"

namespace corvane::platform {
namespace {

using text::Utf8ToGbk;

TEST(UiNoneTest, BoxIsOneLineOnStandardErrorInTheTerminalsEncoding) {
  testing::TestHome home;
  home.SetEnv("CORVANE_UI", "none");
  home.SetEnv("LC_CTYPE", std::nullopt);
  struct Row {
    const char* locale;
    std::string text;      // GBK
    std::string expected;  // bytes on standard error
  };
  const Row rows[] = {
      {"C.UTF-8", Utf8ToGbk("签名成功"), "提示信息: 签名成功\n"},
      {"zh_CN.GBK", Utf8ToGbk("签名成功"), Utf8ToGbk("提示信息: 签名成功\n")},
      {"C", "a\tb\r\nc\x1B[2J", "提示信息: a b  c [2J\n"},  // no control character gets through
  };
  for (const Row& row : rows) {
    home.SetEnv("LC_ALL", row.locale);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, row.text.c_str(), Utf8ToGbk("提示信息").c_str(), MB_OK), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), row.expected) << row.locale;
  }
  EXPECT_EQ(home.UiLog().size(), 3u);
}

TEST(UiNoneTest, ChooserAndQuestionCancel) {
  testing::TestHome home;
  home.SetEnv("CORVANE_UI", "none");
  home.SetEnv("CORVANE_UI_CHOICES", "0,ok");  // only the script front end reads it
  const ChooserAnswer answer = ShowChooser("caption", "label", {"A", "B"});
  EXPECT_FALSE(answer.ok);
  EXPECT_FALSE(AskOkCancel("caption", "text"));
  EXPECT_EQ(home.UiLog(), (std::vector<std::string>{"choose\tA\tB\tcancel", "ask\tcaption\ttext\tcancel"}));
}

// The PIN dialog: none refuses even with a PIN in the environment, script answers with it and
// refuses without one; the log tells only whether a PIN was given.
TEST(UiNoneTest, PinDialogRefusesWhereNoneCanBeAsked) {
  const struct {
    const char* front_end;
    std::optional<std::string> pin;
    bool given;
  } rows[] = {{"none", "1234", false}, {"script", "1234", true}, {"script", std::nullopt, false},
              {"script", std::string(kMaxPinLength + 1, '7'), false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.front_end);
    testing::TestHome home;
    home.SetEnv("CORVANE_UI", row.front_end);
    home.SetEnv("CORVANE_UI_PIN", row.pin);
    const std::optional<SecretBytes> pin = AskPin("caption", "text");
    ASSERT_EQ(pin.has_value(), row.given);
    if (pin) { EXPECT_EQ(std::string(pin->bytes().begin(), pin->bytes().end()), *row.pin); }
    EXPECT_EQ(home.UiLog(), std::vector<std::string>{std::string("pin\tasked\t") +
                                                     (row.given ? "given" : "refused")});
  }
}

}  // namespace
}  // namespace corvane::platform
