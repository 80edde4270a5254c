// The `none` front end (ui.h): nothing is asked, the box is one line on standard error.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/posix/ui/ui.h"
#include "platform/posix/ui/ui_settings.h"

namespace corvane::platform {

// none: "caption: text" as one line on standard error, at once.
void ShowBoxOnStderr(const std::string& caption_gbk, const std::string& text_gbk,
                     DisplayEncoding encoding);

}  // namespace corvane::platform
