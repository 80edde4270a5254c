// The algorithm policy in force: which digest and cipher new messages use, the smallest RSA key
// accepted, and whether SHA-1 signatures verify. The platform reads it as Windows reads its own
// settings; the operations above the platform name only the algorithms of their Windows calls
// (SHA-1, RC4), and the message calls put the policy's in their place (see docs/algorithms.md).
//
// Files, each applied over the one before (policy_text.h for their lines and floors):
//   /etc/corvane/policy.conf      for every user of the machine; its floors hold for the files
//                                 after it
//   the file CORVANE_SYSTEM_POLICY names, read after it as a second system file: its floors add
//                                 to the first file's and can never lower them
//   <root>/policy.conf            the user's (beside stores/, store_layout.h), or instead of it
//                                 the file that CORVANE_POLICY names
// A system or user file with nothing under its name is no problem. A file that is there but
// cannot be read whole (larger than kPolicyFileLimit, not a regular file, not permitted, a read
// error, a link that leads nowhere), and a file that either variable names and that is not there,
// leave the policy unknown: the message calls that need it fail rather than go on with the
// defaults. A change applies to the next call: the policy is read again whenever a file shows
// another identity (file_identity.h) than at the last reading, and on every call with
// CORVANE_CACHE=off.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/posix/policy/policy_text.h"
#include "platform/posix/status.h"

namespace corvane::platform {

inline constexpr const char* kSystemPolicyFile = "/etc/corvane/policy.conf";

// Far more than any policy needs.
inline constexpr size_t kPolicyFileLimit = 64 * 1024;

// What is wrong with the policy's files, for `corvane store check`: bad lines, settings raised to
// a floor (warnings), and files that cannot be read (line 0).
std::vector<PolicyProblem> PolicyProblems();

// The policy in force. When a policy file cannot be read it fails with the reading's error and
// leaves the file and the reason as the failure detail (failure_detail.h).
Status CurrentPolicy(AlgorithmPolicy& policy);

// OpenSSL's names of the policy's algorithms ("SHA256", "AES-256-CBC", ...).
const char* DigestName(SignDigest digest);
const char* CipherName(EnvelopeCipher cipher);

}  // namespace corvane::platform
