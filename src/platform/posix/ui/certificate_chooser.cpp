// The certificate chooser on top of the platform's UI front ends: the lines in the order given,
// none selected at first. The front ends place their windows themselves, so the owner window is
// not needed here.
#include "platform/certificate_chooser.h"

#include "platform/posix/ui/ui.h"

namespace corvane::platform {
namespace {

// The chooser's fixed texts, GBK.
constexpr char kCaption[] =  // 请选择您要用的证书
    "\xC7\xEB\xD1\xA1\xD4\xF1\xC4\xFA\xD2\xAA\xD3\xC3\xB5\xC4\xD6\xA4\xCA\xE9";
constexpr char kLabel[] =  // 请在列表中选择证书:
    "\xC7\xEB\xD4\xDA\xC1\xD0\xB1\xED\xD6\xD0\xD1\xA1\xD4\xF1\xD6\xA4\xCA\xE9:";

}  // namespace

int32_t ChooseCertificateLine(HWND /*owner*/, const std::vector<std::string>& lines_gbk) {
  const ChooserAnswer answer = ShowChooser(kCaption, kLabel, lines_gbk);
  return answer.ok && answer.selected_line >= 0 ? answer.selected_line : -1;
}

}  // namespace corvane::platform
