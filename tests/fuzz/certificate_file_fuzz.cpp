// libFuzzer target: a certificate file's bytes (PEM or DER) as the store reader takes them, the
// TBSCertificate parser behind every certificate in it, and OpenSSL's reading of the same DER.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/posix/store/certificate_file.h"
#include "platform/posix/store/detached_certificate.h"
#include "platform/posix/store/tbs_certificate.h"
#include "platform/posix/store/certificate_x509.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto certificates =
      corvane::platform::CertificatesInFile(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!certificates) return 0;
  for (const auto& der : *certificates) {
    corvane::platform::TbsCertificate::Parse(der);
    PCCERT_CONTEXT context = corvane::platform::CreateDetachedCertificateContext(der.data(), der.size(), {});
    if (context != nullptr) {
      corvane::platform::CertificateX509(context);
      CertFreeCertificateContext(context);
    }
  }
  return 0;
}
