#include "platform/posix/chain/signature_memo.h"

#include <string>

#include "platform/posix/recent_successes.h"
#include "platform/posix/store/certificate_x509.h"

namespace corvane::platform {
namespace {

struct VerifiedPair {
  std::string subject;
  std::string issuer;
};

using VerifiedPairs = RecentSuccesses<VerifiedPair, 64>;

std::string EncodingOf(PCCERT_CONTEXT context) {
  return std::string(reinterpret_cast<const char*>(context->pbCertEncoded), context->cbCertEncoded);
}

}  // namespace

bool CertificateSignatureVerifies(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer) {
  X509* subject_x509 = CertificateX509(subject);
  X509* issuer_x509 = CertificateX509(issuer);
  if (subject_x509 == nullptr || issuer_x509 == nullptr) return false;
  VerifiedPair pair{EncodingOf(subject), EncodingOf(issuer)};
  VerifiedPairs& remembered = VerifiedPairs::Instance();
  if (remembered.Contains([&](const VerifiedPair& known) {
        return known.subject == pair.subject && known.issuer == pair.issuer;
      })) {
    return true;
  }
  EVP_PKEY* key = X509_get0_pubkey(issuer_x509);
  if (key == nullptr || X509_verify(subject_x509, key) != 1) return false;
  remembered.Add(std::move(pair));
  return true;
}

}  // namespace corvane::platform
