// libFuzzer target: verifySingleSignedMsg end to end, the message's signature and then the
// signer's certificate against the stores: its issuer in CA or ROOT, the direct tests, the CA's
// revocation list (which revokes one serial number) and the chain engine with the base policy.
// The input is the message's DER; a message that does not verify as attached is verified as
// detached over fixed data.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "corvane.h"
#include "fuzz_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool installed = (corvane::fuzz::InstallFixedPki(), true);
  (void)installed;
  corvane::fuzz::CallMessageExport(verifySingleSignedMsg,
                                   std::string_view(reinterpret_cast<const char*>(data), size),
                                   "detached content");
  return 0;
}
