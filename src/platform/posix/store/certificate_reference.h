// An owned certificate context of the platform layer's own making, freed with
// CertFreeCertificateContext when the owner goes.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace corvane::platform {

struct CertificateRelease {
  void operator()(const CERT_CONTEXT* context) const { CertFreeCertificateContext(context); }
};
using CertificateReference = std::unique_ptr<const CERT_CONTEXT, CertificateRelease>;

}  // namespace corvane::platform
