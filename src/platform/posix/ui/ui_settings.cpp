#include "platform/posix/ui/ui_settings.h"

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

#include "platform/posix/environment.h"

namespace corvane::platform {
namespace {

constexpr char kDefaultSearchPath[] = "/usr/local/bin:/usr/bin:/bin";

// Upper case without '-' and '_', so that "gb-2312", "GB2312" and "gb_2312" compare equal.
std::string NormalisedCodeset(std::string_view codeset) {
  std::string normalised;
  for (char c : codeset) {
    if (c == '-' || c == '_') continue;
    normalised += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return normalised;
}

bool IsGbkFamily(const std::string& normalised_codeset) {
  return normalised_codeset == "GBK" || normalised_codeset == "GB2312" ||
         normalised_codeset == "GB18030" || normalised_codeset == "CP936" ||
         normalised_codeset == "EUCCN";
}

// The locale name that governs character types, as the C library picks it.
std::string CtypeLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    std::string value(EnvironmentValue(variable));
    if (!value.empty()) return value;
  }
  return "";
}

// nullopt for auto (also an unset, empty or unknown value).
std::optional<UiFrontEnd> RequestedFrontEnd(std::string_view value) {
  if (value == "gui") return UiFrontEnd::kGui;
  if (value == "tty") return UiFrontEnd::kTty;
  if (value == "none") return UiFrontEnd::kNone;
  if (value == "script") return UiFrontEnd::kScript;
  return std::nullopt;
}

// How a graphical tool started with the current environment will read its arguments.
void SetGuiLocale(GuiTool& tool) {
  locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  const std::string codeset =
      locale ? NormalisedCodeset(nl_langinfo_l(CODESET, locale)) : std::string();
  if (locale) freelocale(locale);
  if (codeset == "UTF8") return;
  if (codeset == "GBK" || codeset == "GB18030") {
    tool.encoding = DisplayEncoding::kGbk;
    return;
  }
  tool.force_utf8_locale = true;
}

std::optional<GuiTool> FindGuiTool() {
  std::string search_path(EnvironmentValue("PATH"));
  if (search_path.empty()) search_path = kDefaultSearchPath;
  GuiTool tool;
  if (auto zenity = FindExecutable("zenity", search_path)) {
    tool.path = *zenity;
  } else if (auto kdialog = FindExecutable("kdialog", search_path)) {
    tool.kind = GuiTool::Kind::kKdialog;
    tool.path = *kdialog;
  } else {
    return std::nullopt;
  }
  SetGuiLocale(tool);
  return tool;
}

bool TerminalOpens() {
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

}  // namespace

std::optional<std::string> FindExecutable(std::string_view name, std::string_view search_path) {
  while (!search_path.empty()) {
    const size_t colon = search_path.find(':');
    const std::string_view folder = search_path.substr(0, colon);
    search_path = colon == std::string_view::npos ? std::string_view() : search_path.substr(colon + 1);
    if (folder.empty()) continue;
    std::string candidate = std::string(folder) + "/" + std::string(name);
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return std::nullopt;
}

DisplayEncoding TerminalEncodingOf(std::string_view locale_name) {
  locale_name = locale_name.substr(0, locale_name.find('@'));
  const size_t dot = locale_name.find('.');
  if (dot == std::string_view::npos) {
    // glibc's codeset-less Chinese locales of the mainland and Singapore are GB2312.
    const bool gb2312 = locale_name == "zh_CN" || locale_name == "zh_SG";
    return gb2312 ? DisplayEncoding::kGbk : DisplayEncoding::kUtf8;
  }
  return IsGbkFamily(NormalisedCodeset(locale_name.substr(dot + 1))) ? DisplayEncoding::kGbk
                                                                      : DisplayEncoding::kUtf8;
}

UiSettings ReadUiSettings() {
  UiSettings settings;
  settings.script_choices = EnvironmentValue("CORVANE_UI_CHOICES");
  settings.log_path = EnvironmentValue("CORVANE_UI_LOG");
  settings.terminal_encoding = TerminalEncodingOf(CtypeLocaleName());

  if (auto requested = RequestedFrontEnd(EnvironmentValue("CORVANE_UI"))) {
    settings.front_end = *requested;
    if (settings.front_end == UiFrontEnd::kGui) settings.gui_tool = FindGuiTool();
    return settings;
  }
  const bool has_display = !EnvironmentValue("DISPLAY").empty() || !EnvironmentValue("WAYLAND_DISPLAY").empty();
  if (has_display) settings.gui_tool = FindGuiTool();
  if (settings.gui_tool) settings.front_end = UiFrontEnd::kGui;
  else settings.front_end = TerminalOpens() ? UiFrontEnd::kTty : UiFrontEnd::kNone;
  return settings;
}

}  // namespace corvane::platform
