#include "platform/posix/chain/signature_memo.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <string>

#include "platform/posix/store/certificate_x509.h"

namespace corvane::platform {
namespace {

constexpr size_t kRememberedPairs = 64;

struct VerifiedPair {
  std::string subject;
  std::string issuer;
};

struct VerifiedPairs {
  std::mutex lock;
  std::deque<VerifiedPair> pairs;  // the newest last
};

// Never destroyed: calls may still come while the process exits.
VerifiedPairs& Remembered() {
  static auto* remembered = new VerifiedPairs;
  return *remembered;
}

std::string EncodingOf(PCCERT_CONTEXT context) {
  return std::string(reinterpret_cast<const char*>(context->pbCertEncoded), context->cbCertEncoded);
}

}  // namespace

bool CertificateSignatureVerifies(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer) {
  X509* subject_x509 = CertificateX509(subject);
  X509* issuer_x509 = CertificateX509(issuer);
  if (subject_x509 == nullptr || issuer_x509 == nullptr) return false;
  VerifiedPair pair{EncodingOf(subject), EncodingOf(issuer)};
  VerifiedPairs& remembered = Remembered();
  {
    const std::lock_guard guard(remembered.lock);
    const auto found = std::find_if(
        remembered.pairs.begin(), remembered.pairs.end(), [&](const VerifiedPair& known) {
          return known.subject == pair.subject && known.issuer == pair.issuer;
        });
    if (found != remembered.pairs.end()) return true;
  }
  EVP_PKEY* key = X509_get0_pubkey(issuer_x509);
  if (key == nullptr || X509_verify(subject_x509, key) != 1) return false;
  const std::lock_guard guard(remembered.lock);
  if (remembered.pairs.size() == kRememberedPairs) remembered.pairs.pop_front();
  remembered.pairs.push_back(std::move(pair));
  return true;
}

}  // namespace corvane::platform
