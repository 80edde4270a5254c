// `corvane verify`: verifySingleSignedMsg on files and standard streams.
#pragma once

#include <string>
#include <vector>

namespace corvane::tool {

// corvane verify [--data FILE] [--in FILE] [--out FILE]: the Base64 message from --in (or
// standard input); with --data a detached signature over that file's bytes, else an attached
// message whose content goes to --out (or standard output). The success text, naming the
// signer's issuer and serial number, or the failure text goes to standard error in the
// terminal's encoding; the exit status is 0 only on success.
int RunVerifyCommand(const std::vector<std::string>& args);

}  // namespace corvane::tool
