// Choosing the UI front end and the terminal encoding from the environment.
#include "platform/posix/ui/ui_settings.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/test_home.h"

namespace corvane::platform {
namespace {

TEST(UiSettingsTest, TerminalEncodingFollowsTheLocaleCodeset) {
  const std::pair<const char*, DisplayEncoding> rows[] = {
      {"zh_CN.GBK", DisplayEncoding::kGbk},       {"zh_CN.gbk", DisplayEncoding::kGbk},
      {"zh_CN.GB2312", DisplayEncoding::kGbk},    {"zh_CN.gb18030", DisplayEncoding::kGbk},
      {"zh_SG.GB-2312@x", DisplayEncoding::kGbk}, {"zh_CN.CP936", DisplayEncoding::kGbk},
      {"zh_CN.euc-cn", DisplayEncoding::kGbk},    {"zh_CN", DisplayEncoding::kGbk},
      {"zh_CN.UTF-8", DisplayEncoding::kUtf8},    {"en_US.utf8", DisplayEncoding::kUtf8},
      {"zh_TW.BIG5", DisplayEncoding::kUtf8},     {"C", DisplayEncoding::kUtf8},
      {"", DisplayEncoding::kUtf8},               {"zh_TW", DisplayEncoding::kUtf8},
  };
  for (const auto& [locale, encoding] : rows) {
    EXPECT_EQ(TerminalEncodingOf(locale), encoding) << locale;
  }
}

void MakeExecutable(const std::filesystem::path& path, mode_t mode = 0755) {
  testing::WriteFile(path, "#!/bin/sh\nexit 0\n");
  chmod(path.c_str(), mode);
}

TEST(UiSettingsTest, ExecutablesAreFoundInPathOrder) {
  testing::TestHome home;
  const auto root = home.root();
  MakeExecutable(root / "a" / "tool", 0644);  // not executable
  std::filesystem::create_directories(root / "b" / "tool");  // a folder
  MakeExecutable(root / "c" / "tool");
  MakeExecutable(root / "d" / "tool");
  const std::string path = (root / "a").string() + "::" + (root / "b").string() + ":" +
                           (root / "c").string() + ":" + (root / "d").string();
  EXPECT_EQ(FindExecutable("tool", path), (root / "c" / "tool").string());
  EXPECT_EQ(FindExecutable("other", path), std::nullopt);
  EXPECT_EQ(FindExecutable("tool", ""), std::nullopt);
}

TEST(UiSettingsTest, FrontEndFromTheEnvironment) {
  testing::TestHome home;
  MakeExecutable(home.root() / "both" / "zenity");
  MakeExecutable(home.root() / "both" / "kdialog");
  MakeExecutable(home.root() / "kde" / "kdialog");
  std::filesystem::create_directories(home.root() / "empty");
  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty >= 0) close(tty);
  const UiFrontEnd terminal = tty >= 0 ? UiFrontEnd::kTty : UiFrontEnd::kNone;

  enum class Tool { kNone, kZenity, kKdialog };
  struct Row {
    const char* ui;
    const char* display;
    const char* wayland;
    const char* path;
    UiFrontEnd front_end;
    Tool tool;
  };
  const Row rows[] = {
      {nullptr, ":1", nullptr, "both", UiFrontEnd::kGui, Tool::kZenity},
      {"auto", nullptr, "wayland-0", "kde", UiFrontEnd::kGui, Tool::kKdialog},
      {"bogus", ":1", nullptr, "kde", UiFrontEnd::kGui, Tool::kKdialog},
      {"", "", "", "both", terminal, Tool::kNone},
      {nullptr, ":1", nullptr, "empty", terminal, Tool::kNone},
      {"gui", nullptr, nullptr, "empty", UiFrontEnd::kGui, Tool::kNone},
      {"gui", nullptr, nullptr, "both", UiFrontEnd::kGui, Tool::kZenity},
      {"tty", ":1", nullptr, "both", UiFrontEnd::kTty, Tool::kNone},
      {"none", ":1", nullptr, "both", UiFrontEnd::kNone, Tool::kNone},
      {"script", ":1", nullptr, "both", UiFrontEnd::kScript, Tool::kNone},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.ui ? row.ui : "(unset)") + " " + row.path);
    const auto value = [](const char* text) {
      return text ? std::optional<std::string>(text) : std::nullopt;
    };
    home.SetEnv("CORVANE_UI", value(row.ui));
    home.SetEnv("DISPLAY", value(row.display));
    home.SetEnv("WAYLAND_DISPLAY", value(row.wayland));
    home.SetEnv("PATH", (home.root() / row.path).string());
    const UiSettings settings = ReadUiSettings();
    EXPECT_EQ(settings.front_end, row.front_end);
    ASSERT_EQ(settings.gui_tool.has_value(), row.tool != Tool::kNone);
    if (!settings.gui_tool) continue;
    const bool zenity = row.tool == Tool::kZenity;
    EXPECT_EQ(settings.gui_tool->kind, zenity ? GuiTool::Kind::kZenity : GuiTool::Kind::kKdialog);
    EXPECT_EQ(settings.gui_tool->path,
              (home.root() / row.path / (zenity ? "zenity" : "kdialog")).string());
  }
}

}  // namespace
}  // namespace corvane::platform
