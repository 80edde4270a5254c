// Why the last platform call of this thread failed, in words, where its Windows error value says
// too little for a person (an Ed25519 signing key fails as CRYPT_E_MSG_ERROR like any broken
// message). The exports' result codes do not change: the detail is for the command-line tool,
// which runs an export and then tells the user what went wrong.
#pragma once

#include <string>

namespace corvane::platform {

// Set by the call that fails; replaces any earlier detail of the thread.
void SetFailureDetail(std::string detail);

// The detail set since the last take (empty when none), and clears it.
std::string TakeFailureDetail();

}  // namespace corvane::platform
