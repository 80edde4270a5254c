// libFuzzer target: decomposeSingleEnvelopedMsg end to end with a real RSA key in MY: the
// recipient found by issuer and serial number or by key identifier, the content key unwrapped,
// the content-key rules (an RC4 key shorter than 16 bytes extended with the message's salt or
// with zero bytes, a block cipher's key of exactly its length, its IV from the parameters) and
// the decryption. The input is the envelope's DER.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "corvane.h"
#include "fuzz_setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool installed = (corvane::fuzz::InstallFixedPki(), true);
  (void)installed;
  corvane::fuzz::CallMessageExport(decomposeSingleEnvelopedMsg,
                                   std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
