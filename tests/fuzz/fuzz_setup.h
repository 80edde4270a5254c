// What the fuzz targets that run whole operations set up once per process: a store root of
// their own, the fixed PKI their seed messages were made for, and the cutting of one input into
// the several files or messages a target needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/ossl.h"
#include "support/test_home.h"

namespace corvane::fuzz {

// The store root of the process (CORVANE_HOME), made on first use and removed at exit. Boxes
// and choosers go to the script front end with no log, so nothing waits and nothing piles up;
// token keys are looked for in a module that does not exist, so no token of the machine is
// asked.
testing::TestHome& Home();

// The keys of tests/fuzz/keys and the certificates made on them: the same names, serial numbers
// and keys on every run, so that the committed seeds (messages signed by or encrypted for the
// end entity) stay valid. Made once.
struct FixedPki {
  ossl::UniquePtr<EVP_PKEY> root_key;
  ossl::UniquePtr<EVP_PKEY> ca_key;
  ossl::UniquePtr<EVP_PKEY> entity_key;
  ossl::UniquePtr<X509> root;     // self-signed
  ossl::UniquePtr<X509> ca;       // issued by root
  ossl::UniquePtr<X509> entity;   // issued by ca, serial kEntitySerial
  ossl::UniquePtr<X509> revoked;  // issued by ca on the entity's key, serial kRevokedSerial
};
const FixedPki& Pki();

inline constexpr char kEntitySerial[] = "E1";
inline constexpr char kRevokedSerial[] = "0BAD";

// Puts the fixed PKI into Home(): root in ROOT, ca in CA with a list of ca's revoking the
// serial kRevokedSerial (at RevocationListPath(false)), the entity with its key in MY.
void InstallFixedPki();

// The revocation list file of the CA store (or, with `root`, of the ROOT store).
std::filesystem::path RevocationListPath(bool root);

// The input cut at each "\n%%\n" into at most `count` parts (the last one takes the rest).
std::vector<std::string_view> SplitInput(const uint8_t* data, size_t size, size_t count);

// The Base64 text of `der` as the library writes it, which is what its callers hand back.
std::string Base64Text(std::string_view der);

// An export that takes a message as Base64 text (verifySingleSignedMsg,
// decomposeSingleEnvelopedMsg).
using MessageExport = int32_t (*)(const char* text, int32_t text_length, char* output,
                                  int32_t* output_length);

// Calls `message_export` as its callers do, with the Base64 text of `der` (the text decoder has
// a target of its own): the size query, then the call with a buffer of exactly the size it
// answered, holding `data` at its start with *output_length = its length when it is not empty
// (a detached signature's data). Traps when the size query does not answer the text length,
// when the result is not one include/corvane.h documents, or when a success reports more
// output than the buffer holds.
void CallMessageExport(MessageExport message_export, std::string_view der, std::string_view data = {});

}  // namespace corvane::fuzz
