// libFuzzer target: the signed-data path of verification, attached (size query, then the content
// into a buffer of that size) and detached over fixed content; and what a message is taken apart
// into for reading lies within it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/message/signed_data_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (const auto parts = corvane::platform::SplitSignedData(data, size)) {
    const auto inside = [&](std::span<const uint8_t> part) {
      return part.data() >= data && part.size() <= size &&
             static_cast<size_t>(part.data() - data) <= size - part.size();
    };
    if (parts->skeleton.size() > size || (parts->content && !inside(*parts->content))) __builtin_trap();
    for (const std::span<const uint8_t> certificate : parts->certificates) {
      if (!inside(certificate)) __builtin_trap();
    }
  }
  CRYPT_VERIFY_MESSAGE_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.dwMsgAndCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  const auto message_size = static_cast<DWORD>(size);
  DWORD content_size = 0;
  PCCERT_CONTEXT signer = nullptr;
  if (CryptVerifyMessageSignature(&parameters, 0, data, message_size, nullptr, &content_size, &signer)) {
    CertFreeCertificateContext(signer);
    std::vector<BYTE> content(content_size + 1);
    CryptVerifyMessageSignature(&parameters, 0, data, message_size, content.data(), &content_size, nullptr);
  }
  static const BYTE kContent[] = "detached content";
  const BYTE* pieces[] = {kContent};
  DWORD piece_sizes[] = {sizeof kContent - 1};
  signer = nullptr;
  if (CryptVerifyDetachedMessageSignature(&parameters, 0, data, message_size, 1, pieces, piece_sizes, &signer)) {
    CertFreeCertificateContext(signer);
  }
  return 0;
}
