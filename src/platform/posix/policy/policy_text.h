// The algorithm policy and its file format.
//
// A policy file holds lines `key = value`; `#` starts a comment, blank lines are ignored, and
// spaces around keys and values do not count. The keys and their values, weakest first:
//
//   sign.digest         sha1 (default) | sha256 | sha384 | sha512   digest of new signatures
//   envelope.cipher     rc4 (default) | aes128 | aes256              content cipher of new envelopes
//                                                                    (AES in CBC mode)
//   key.min_rsa_bits    0 (default: any size) .. 16384               smallest RSA key that signs
//                                                                    or receives an envelope
//   verify.accept_sha1  yes (default) | no                           whether SHA-1 signatures verify
//
// A line `floor key = value` makes the value a floor and raises the key to it (a stronger value
// in force stays): a later line, of this file or of a file read after it, that sets the key to a
// weaker value gets the floor's value instead (reported as a warning), and a stronger value is
// kept. Floors only ever rise. The system's file
// sets them so that a user's file may strengthen a setting but not weaken it.
//
// A line that is not `key = value`, an unknown key or a value outside its list is a problem of
// the file (reported by `corvane store check`); the line is passed over, so the key keeps the
// value it had before it: the default, or what an earlier file set. A later line for the same key
// replaces the earlier one, down to its floor.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

// Each lists its values weakest first: the order is the one floors compare by.
enum class SignDigest { kSha1, kSha256, kSha384, kSha512 };
enum class EnvelopeCipher { kRc4, kAes128, kAes256 };

inline constexpr int kLargestRsaBitsSetting = 16384;

// The defaults make exactly the messages the library made before policies existed; they are
// the weakest value of each key.
struct AlgorithmPolicy {
  SignDigest sign_digest = SignDigest::kSha1;
  EnvelopeCipher envelope_cipher = EnvelopeCipher::kRc4;
  int min_rsa_bits = 0;
  bool accept_sha1 = true;
};

// A policy as its files build it up: the settings, and the floors under them (the defaults
// where no `floor` line set one, which hold nothing up).
struct FlooredPolicy {
  AlgorithmPolicy settings;
  AlgorithmPolicy floors;
};

struct PolicyProblem {
  std::string file;
  int line = 0;  // 0: the file as a whole
  std::string problem;
  bool warning = false;  // told, but nothing to fix: a setting raised to its floor
};

// Applies the lines of `text` (the contents of `file`) over `policy`, adding what is wrong with
// them to `problems`.
void ApplyPolicyText(std::string_view text, const std::string& file, FlooredPolicy& policy,
                     std::vector<PolicyProblem>& problems);

}  // namespace corvane::platform
