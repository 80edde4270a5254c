#include "result_text.h"

#include "ops/result_codes.h"
#include "platform/posix/text/gbk.h"

namespace corvane::tool {

std::string ResultCodeText(int code) {
  std::string text;
  for (const char* gbk : ops::ResultCodeTexts(code)) {
    text += (text.empty() ? "" : " / ") + corvane::text::GbkToUtf8(gbk);
  }
  return (text.empty() ? "result" : text) + " (" + std::to_string(code) + ")";
}

}  // namespace corvane::tool
