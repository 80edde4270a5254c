// What the UI front ends read from the environment, gathered once at the start of every box or
// chooser so that one call sees one consistent set of values.
//
// CORVANE_UI: auto (also when unset, empty or unknown) | gui | tty | none | script.
//   auto picks gui when DISPLAY or WAYLAND_DISPLAY is set (non-empty) and zenity or kdialog is
//   found in PATH, else tty when /dev/tty can be opened, else none.
// CORVANE_UI_CHOICES: the script front end's answers. CORVANE_UI_LOG: the UI log's path.
//
// Display encodings. Texts arrive as GBK. The log and the graphical tools get UTF-8; a terminal
// (tty front end, and standard error for the none front end) gets GBK unchanged when the locale
// named by LC_ALL, else LC_CTYPE, else LANG has a GBK-family codeset (GBK, GB2312, GB18030,
// CP936, EUC-CN, or glibc's codeset-less zh_CN and zh_SG, which are GB2312), and UTF-8 otherwise.
// The graphical tools parse their arguments in their own locale's codeset: when that locale (as
// the C library resolves it from the same variables) is UTF-8 they get UTF-8, when it is GBK or
// GB18030 they get GBK, and in any other case (C, POSIX, Latin-1, a locale that is not installed)
// they get UTF-8 and run with LC_ALL=C.UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::platform {

enum class UiFrontEnd { kGui, kTty, kNone, kScript };

enum class DisplayEncoding { kUtf8, kGbk };

struct GuiTool {
  enum class Kind { kZenity, kKdialog };
  Kind kind = Kind::kZenity;
  std::string path;
  DisplayEncoding encoding = DisplayEncoding::kUtf8;
  bool force_utf8_locale = false;  // run the tool with LC_ALL=C.UTF-8
};

struct UiSettings {
  UiFrontEnd front_end = UiFrontEnd::kNone;
  std::optional<GuiTool> gui_tool;  // the installed tool; looked up for gui (and auto) only
  DisplayEncoding terminal_encoding = DisplayEncoding::kUtf8;
  std::string script_choices;
  std::string log_path;  // empty: no log
};

UiSettings ReadUiSettings();

// The terminal encoding for a locale name such as "zh_CN.GBK" or "en_US.UTF-8@euro".
DisplayEncoding TerminalEncodingOf(std::string_view locale_name);

// The first regular, executable file called `name` in the colon-separated `search_path`
// (empty entries are skipped); nullopt when there is none.
std::optional<std::string> FindExecutable(std::string_view name, std::string_view search_path);

}  // namespace corvane::platform
