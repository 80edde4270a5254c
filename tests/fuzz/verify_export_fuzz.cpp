// libFuzzer target: verifySingleSignedMsg end to end, the message's signature and then the
// signer's certificate against the stores: its issuer in CA or ROOT, the direct tests, the CA's
// revocation list (which revokes one serial number) and the chain engine with the base policy.
// The input is the message's DER; a message that does not verify as attached is verified as
// detached over fixed data. The verification of callers whose data is apart from the output runs
// on it too, with and without that data: it must never accept a detached signature without data,
// nor a message whose own content is not the data given.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "corvane.h"
#include "fuzz_setup.h"
#include "ops/verify_with_data.h"

namespace {

constexpr std::string_view kData = "detached content";

void CheckDataRule(const std::string& text, bool with_data) {
  using corvane::ops::SignatureForm;
  const corvane::ops::SignedData data =
      with_data ? corvane::ops::SignedData{kData.data(), static_cast<int32_t>(kData.size())}
                : corvane::ops::SignedData{};
  std::vector<char> content(text.size() + 1);
  auto length = static_cast<int32_t>(text.size());
  SignatureForm form = SignatureForm::kUnknown;
  if (corvane::ops::VerifySignedMessage(text.data(), static_cast<int32_t>(text.size()), data,
                                        content.data(), &length, &form) != CORVANE_OK) {
    return;
  }
  if (form == SignatureForm::kDetached && !with_data) __builtin_trap();
  if (form == SignatureForm::kAttached && with_data &&
      (length != data.length || std::memcmp(content.data(), kData.data(), kData.size()) != 0)) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool installed = (corvane::fuzz::InstallFixedPki(), true);
  (void)installed;
  corvane::fuzz::CallMessageExport(verifySingleSignedMsg,
                                   std::string_view(reinterpret_cast<const char*>(data), size),
                                   kData);
  const std::string text =
      corvane::fuzz::Base64Text(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckDataRule(text, true);
  CheckDataRule(text, false);
  return 0;
}
