// The none front end: a box is one line on standard error, in the terminal's encoding; a chooser
// cancels at once.
#include <gtest/gtest.h>

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

TEST(UiNoneTest, ChooserCancels) {
  testing::TestHome home;
  home.SetEnv("CORVANE_UI", "none");
  home.SetEnv("CORVANE_UI_CHOICES", "0");  // only the script front end reads it
  const ChooserAnswer answer = ShowChooser("caption", "label", {"A", "B"});
  EXPECT_FALSE(answer.ok);
  EXPECT_EQ(home.UiLog(), std::vector<std::string>{"choose\tA\tB\tcancel"});
}

}  // namespace
}  // namespace corvane::platform
