// The graphical front end: zenity, or kdialog where zenity is absent.
//
//   box:     zenity --info --title=CAPTION --text=TEXT --no-markup
//            kdialog --title=CAPTION --msgbox=TEXT
//   question: zenity --question --title=CAPTION --text=TEXT --no-markup --ok-label= --cancel-label=
//            kdialog --title=CAPTION --yesno=TEXT --yes-label= --no-label=
//   chooser: zenity --list --title=CAPTION --text=LABEL --hide-header --column= --column=
//                   --hide-column=1 --print-column=1 ... 0 LINE0 1 LINE1 ...
//            kdialog --title=CAPTION --radiolist=LABEL 0 LINE0 off 1 LINE1 off ...
//
// The first, hidden column (kdialog's tag) holds the line's number and is what the tool prints
// for the selected row, so equal lines stay apart. No row is selected at first. Exit status 0
// with a number printed is OK with that line, 0 with nothing printed OK with no line, anything
// else cancels.
//
// Texts are arguments, never a shell string. Both tools would take a row argument that begins
// with "-" for an option (and keep a "--" as a row), so such a line is shown after one blank.
// zenity reads the list's label as Pango markup whatever --no-markup says, so it is escaped.
#include "platform/posix/ui/ui_gui.h"
#include "platform/posix/ui/ui_child_process.h"
#include "platform/posix/ui/ui_text.h"

namespace corvane::platform {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitCancel = 1;

std::vector<std::string> LocaleOverrides(const GuiTool& tool) {
  if (!tool.force_utf8_locale) return {};
  return {"LC_ALL=C.UTF-8"};
}

// "确定" and "取消" (GBK), the buttons of the certificate dialog.
constexpr char kOkButtonGbk[] = "\xC8\xB7\xB6\xA8";
constexpr char kCancelButtonGbk[] = "\xC8\xA1\xCF\xFB";

std::string MarkupEscaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '&') escaped += "&amp;";
    else if (c == '<') escaped += "&lt;";
    else if (c == '>') escaped += "&gt;";
    else escaped += c;
  }
  return escaped;
}

std::string NotAnOption(std::string row) {
  if (!row.empty() && row.front() == '-') row.insert(row.begin(), ' ');
  return row;
}

ChildExit RunTool(const GuiTool& tool, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), tool.path);
  return RunChildAndWait(tool.path, arguments, LocaleOverrides(tool));
}

std::vector<std::string> BoxArguments(const GuiTool& tool, const std::string& caption,
                                      const std::string& text) {
  if (tool.kind == GuiTool::Kind::kKdialog) return {"--title=" + caption, "--msgbox=" + text};
  return {"--info", "--title=" + caption, "--text=" + text, "--no-markup"};
}

// An OK/Cancel question with the certificate dialog's button texts.
std::vector<std::string> QuestionArguments(const GuiTool& tool, const std::string& caption,
                                           const std::string& text) {
  const std::string ok = ForDisplay(kOkButtonGbk, tool.encoding);
  const std::string cancel = ForDisplay(kCancelButtonGbk, tool.encoding);
  if (tool.kind == GuiTool::Kind::kKdialog) {
    return {"--title=" + caption, "--yesno=" + text, "--yes-label=" + ok, "--no-label=" + cancel};
  }
  return {"--question",      "--title=" + caption,      "--text=" + text,
          "--no-markup",     "--ok-label=" + ok,        "--cancel-label=" + cancel};
}

std::vector<std::string> ChooserArguments(const GuiTool& tool, const std::string& caption,
                                          const std::string& label,
                                          const std::vector<std::string>& lines) {
  const bool kdialog = tool.kind == GuiTool::Kind::kKdialog;
  std::vector<std::string> arguments;
  if (kdialog) {
    arguments = {"--title=" + caption, "--radiolist=" + label};
  } else {
    arguments = {"--list",          "--title=" + caption, "--text=" + MarkupEscaped(label),
                 "--hide-header",   "--column=",          "--column=",
                 "--hide-column=1", "--print-column=1",   "--width=720",
                 "--height=360"};
  }
  // The dialog's own button texts, whatever the locale would give the tool's buttons.
  arguments.push_back("--ok-label=" + ForDisplay(kOkButtonGbk, tool.encoding));
  arguments.push_back("--cancel-label=" + ForDisplay(kCancelButtonGbk, tool.encoding));
  for (size_t i = 0; i < lines.size(); ++i) {
    arguments.push_back(std::to_string(i));
    arguments.push_back(NotAnOption(ForDisplay(lines[i], tool.encoding)));
    if (kdialog) arguments.push_back("off");
  }
  return arguments;
}

}  // namespace

bool ShowBoxInGui(const GuiTool& tool, const std::string& caption_gbk, const std::string& text_gbk) {
  const ChildExit exit = RunTool(tool, BoxArguments(tool, ForDisplay(caption_gbk, tool.encoding),
                                                    ForDisplay(text_gbk, tool.encoding)));
  return exit.exited && (exit.status == kExitOk || exit.status == kExitCancel);
}

ChooserAnswer ChooseInGui(const GuiTool& tool, const std::string& caption_gbk,
                          const std::string& label_gbk, const std::vector<std::string>& lines_gbk) {
  const ChildExit exit =
      RunTool(tool, ChooserArguments(tool, ForDisplay(caption_gbk, tool.encoding),
                                     ForDisplay(label_gbk, tool.encoding), lines_gbk));
  if (!exit.exited || exit.status != kExitOk) return {};
  std::string_view printed = exit.output;
  if (!printed.empty() && printed.back() == '\n') printed.remove_suffix(1);
  const std::optional<size_t> line = ParseLineNumber(printed);
  if (!line || *line >= lines_gbk.size()) return {true, -1};
  return {true, static_cast<int>(*line)};
}

bool AskOkCancelInGui(const GuiTool& tool, const std::string& caption_gbk,
                      const std::string& text_gbk) {
  const ChildExit exit = RunTool(tool, QuestionArguments(tool, ForDisplay(caption_gbk, tool.encoding),
                                                         ForDisplay(text_gbk, tool.encoding)));
  return exit.exited && exit.status == kExitOk;
}

std::optional<SecretBytes> AskPinInGui(const GuiTool& tool, const std::string& caption_gbk,
                                       const std::string& text_gbk) {
  const std::string caption = ForDisplay(caption_gbk, tool.encoding);
  const std::string text = ForDisplay(text_gbk, tool.encoding);
  std::vector<std::string> arguments;
  if (tool.kind == GuiTool::Kind::kKdialog) {
    arguments = {"--title=" + caption, "--password=" + text};
  } else {
    arguments = {"--password", "--title=" + caption};  // zenity's password box takes no text
  }
  ChildExit exit = RunTool(tool, std::move(arguments));
  SecretBytes printed(std::vector<uint8_t>(exit.output.begin(), exit.output.end()));
  OPENSSL_cleanse(exit.output.data(), exit.output.size());
  if (!exit.exited || exit.status != kExitOk) return std::nullopt;
  size_t length = printed.size();
  if (length > 0 && printed.data()[length - 1] == '\n') --length;
  if (length == 0 || length > kMaxPinLength) return std::nullopt;
  return SecretBytes(std::vector<uint8_t>(printed.data(), printed.data() + length));
}

}  // namespace corvane::platform
