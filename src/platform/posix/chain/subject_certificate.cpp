// CertVerifySubjectCertificateContext: the direct tests of a certificate against its issuer.
//
// Each test asked for in *flags clears its flag when it passes and leaves it set when it fails:
//   CERT_STORE_SIGNATURE_FLAG      the subject's signature verifies with the issuer's public key
//                                  (each pair that verified is remembered: signature_memo.h)
//   CERT_STORE_TIME_VALIDITY_FLAG  now lies within the subject's validity period
//   CERT_STORE_REVOCATION_FLAG     the subject's serial number is on none of the revocation lists
//                                  that the issuer issued (issuer_revocation_lists.h) and that
//                                  are held in the store the issuer came from; with no such list
//                                  the flag stays set and CERT_STORE_NO_CRL_FLAG is added.
// Without an issuer, the signature and revocation tests add CERT_STORE_NO_ISSUER_FLAG instead.
// Other flags are refused with E_INVALIDARG, as is a subject or issuer that is no certificate.
#include "platform/posix/chain/issuer_revocation_lists.h"
#include "platform/posix/chain/signature_memo.h"
#include "platform/posix/platform_call.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/store/certificate_context.h"

using namespace corvane::platform;

namespace {

constexpr DWORD kTests =
    CERT_STORE_SIGNATURE_FLAG | CERT_STORE_TIME_VALIDITY_FLAG | CERT_STORE_REVOCATION_FLAG;

// The folder of the store `issuer` came from; none for a certificate from no store folder.
std::vector<std::filesystem::path> ListFoldersOf(PCCERT_CONTEXT issuer) {
  const ContextObject* object = ContextOf(issuer);
  if (object == nullptr || object->contents->folder.empty()) return {};
  return {object->contents->folder};
}

bool WithinValidity(X509* certificate) {
  // X509_cmp_current_time: -1 when the time is not after now, 1 when it is, 0 when unreadable.
  return X509_cmp_current_time(X509_get0_notBefore(certificate)) < 0 &&
         X509_cmp_current_time(X509_get0_notAfter(certificate)) > 0;
}

}  // namespace

extern "C" BOOL CertVerifySubjectCertificateContext(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer,
                                                    DWORD* flags) {
  PLATFORM_ENTRY("CertVerifySubjectCertificateContext");
  PLATFORM_ENSURE(flags != nullptr && (*flags & ~kTests) == 0, E_INVALIDARG);
  X509* subject_x509 = CertificateX509(subject);
  PLATFORM_ENSURE(subject_x509 != nullptr, E_INVALIDARG);

  if ((*flags & CERT_STORE_TIME_VALIDITY_FLAG) && WithinValidity(subject_x509)) {
    *flags &= ~CERT_STORE_TIME_VALIDITY_FLAG;
  }
  if ((*flags & (CERT_STORE_SIGNATURE_FLAG | CERT_STORE_REVOCATION_FLAG)) == 0) return TRUE;
  if (issuer == nullptr) {
    *flags |= CERT_STORE_NO_ISSUER_FLAG;
    return TRUE;
  }
  X509* issuer_x509 = CertificateX509(issuer);
  PLATFORM_ENSURE(issuer_x509 != nullptr, E_INVALIDARG);
  const corvane::ossl::ErrorQueueMark mark;

  if ((*flags & CERT_STORE_SIGNATURE_FLAG) && CertificateSignatureVerifies(subject, issuer)) {
    *flags &= ~CERT_STORE_SIGNATURE_FLAG;
  }
  if (*flags & CERT_STORE_REVOCATION_FLAG) {
    const auto lists = RevocationListsIssuedBy(issuer_x509, ListFoldersOf(issuer));
    if (lists.empty()) {
      *flags |= CERT_STORE_NO_CRL_FLAG;
    } else if (!AnyListNames(lists, subject_x509)) {
      *flags &= ~CERT_STORE_REVOCATION_FLAG;
    }
  }
  return TRUE;
}
