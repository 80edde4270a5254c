#include "certs/certificate_chain.h"

#include <initializer_list>

#include "certs/certificate_encoding.h"
#include "corvane.h"
#include "platform/handle_owners.h"

namespace corvane::certs {
namespace {

// The issuer's certificate and the store it was found in: the certificate is released first.
struct FoundIssuer {
  platform::OwnedStore store;
  platform::OwnedCertificate certificate;
};

// Fills `found` from the first of CA and Root that holds the certificate's issuer; leaves it
// empty when neither does.
void FindIssuer(PCCERT_CONTEXT certificate, FoundIssuer& found) {
  for (const char* name : {"CA", "Root"}) {
    found.store.Adopt(CertOpenSystemStoreA(0, name));
    if (!found.store) continue;  // a store that does not open does not hold the issuer
    found.certificate.Adopt(CertFindCertificateInStore(found.store.get(), kCertificateEncoding, 0,
                                                       CERT_FIND_SUBJECT_NAME,
                                                       &certificate->pCertInfo->Issuer, nullptr));
    if (found.certificate) return;
  }
  found.store.Release();
}

// True when the direct test behind `flag` leaves the flag set (fails). For revocation, a
// missing list is a pass.
bool DirectTestFails(PCCERT_CONTEXT certificate, PCCERT_CONTEXT issuer, DWORD flag) {
  DWORD flags = flag;
  CertVerifySubjectCertificateContext(certificate, issuer, &flags);
  if (flag == CERT_STORE_REVOCATION_FLAG && (flags & CERT_STORE_NO_CRL_FLAG)) return false;
  return (flags & flag) != 0;
}

bool ChainPolicyPasses(PCCERT_CONTEXT certificate) {
  CERT_CHAIN_PARA chain_parameters{};
  chain_parameters.cbSize = sizeof chain_parameters;
  chain_parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  PCCERT_CHAIN_CONTEXT made = nullptr;
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, nullptr, &chain_parameters,
                               CERT_CHAIN_REVOCATION_CHECK_END_CERT, nullptr, &made)) {
    return false;
  }
  const platform::OwnedChain chain(made);
  CERT_CHAIN_POLICY_PARA policy_parameters{};
  policy_parameters.cbSize = sizeof policy_parameters;
  policy_parameters.dwFlags =
      CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS | CERT_CHAIN_POLICY_ALLOW_TESTROOT_FLAG;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  const BOOL judged = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_BASE, chain.get(),
                                                       &policy_parameters, &status);
  return judged && (status.dwError == 0 || status.dwError == CERT_E_VALIDITYPERIODNESTING);
}

int RunChecks(PCCERT_CONTEXT certificate, PCCERT_CONTEXT issuer, int check_mask) {
  if ((check_mask & kCheckSignature) &&
      DirectTestFails(certificate, issuer, CERT_STORE_SIGNATURE_FLAG)) {
    return CORVANE_E_CERTIFICATE_SIGNATURE_BAD;
  }
  if ((check_mask & kCheckValidity) &&
      DirectTestFails(certificate, issuer, CERT_STORE_TIME_VALIDITY_FLAG)) {
    return CORVANE_E_CERTIFICATE_EXPIRED;
  }
  if ((check_mask & kCheckRevocation) &&
      DirectTestFails(certificate, issuer, CERT_STORE_REVOCATION_FLAG)) {
    return CORVANE_E_CERTIFICATE_REVOKED;
  }
  if ((check_mask & kCheckChainPolicy) && !ChainPolicyPasses(certificate)) {
    return CORVANE_E_CHAIN_PROBLEM;
  }
  return CORVANE_OK;
}

}  // namespace

int VerifyCertificateChain(PCCERT_CONTEXT certificate, int check_mask) {
  if (certificate == nullptr || certificate->pCertInfo == nullptr) {
    return CORVANE_E_MISSING_ARGUMENT;
  }
  FoundIssuer issuer;
  FindIssuer(certificate, issuer);
  if (!issuer.certificate) return CORVANE_E_ISSUER_NOT_FOUND;
  return RunChecks(certificate, issuer.certificate.get(), check_mask);
}

}  // namespace corvane::certs
