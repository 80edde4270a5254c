// The algorithm policy in force: which digest and cipher new messages use, the smallest RSA key
// accepted, and whether SHA-1 signatures verify. The platform reads it as Windows reads its own
// settings; the operations above the platform name only the algorithms of their Windows calls
// (SHA-1, RC4), and the message calls put the policy's in their place (see docs/algorithms.md).
//
// Files, each applied over the one before (policy_text.h for their lines):
//   /etc/corvane/policy.conf      for every user of the machine
//   <root>/policy.conf            the user's (beside stores/, store_layout.h), or instead of it
//                                 the file that CORVANE_POLICY names
// A missing system or user file is no problem; a file CORVANE_POLICY names must exist. A change
// applies to the next call: the policy is read again whenever a file shows another identity
// (file_identity.h) than at the last reading, and on every call with CORVANE_CACHE=off.
#pragma once

#include <vector>

#include "platform/posix/policy/policy_text.h"

namespace corvane::platform {

inline constexpr const char* kSystemPolicyFile = "/etc/corvane/policy.conf";

// The policy with what is wrong in its files (empty when nothing is).
AlgorithmPolicy ReadPolicy(std::vector<PolicyProblem>& problems);

// The policy; problems of its files count as the lines passed over.
AlgorithmPolicy CurrentPolicy();

// OpenSSL's names of the policy's algorithms ("SHA256", "AES-256-CBC", ...).
const char* DigestName(SignDigest digest);
const char* CipherName(EnvelopeCipher cipher);

}  // namespace corvane::platform
