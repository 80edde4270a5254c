#include "certs/certificate_chain.h"

#include <algorithm>
#include <string>
#include <vector>

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

// True when the direct test behind `flag` leaves the flag set (fails). For revocation, a
// missing list is a pass.
bool DirectTestFails(PCCERT_CONTEXT certificate, PCCERT_CONTEXT issuer, DWORD flag) {
  DWORD flags = flag;
  CertVerifySubjectCertificateContext(certificate, issuer, &flags);
  if (flag == CERT_STORE_REVOCATION_FLAG && (flags & CERT_STORE_NO_CRL_FLAG)) return false;
  return (flags & flag) != 0;
}

// One way of looking for the issuer in a store.
struct IssuerSearch {
  DWORD find_type;
  const void* find_para;
};

// Holds in `found` the first certificate of the store `store_name` that `search` finds and
// `accepts` takes, with the store; leaves `found` empty when there is none.
template <typename Accepts>
bool FoundIn(const char* store_name, const IssuerSearch& search, const Accepts& accepts, FoundIssuer& found) {
  found.store.Adopt(CertOpenSystemStoreA(0, store_name));
  if (!found.store) return false;  // a store that does not open does not hold the issuer
  for (PCCERT_CONTEXT candidate = nullptr;
       (candidate = CertFindCertificateInStore(found.store.get(), kCertificateEncoding, 0, search.find_type,
                                               search.find_para, candidate)) != nullptr;) {
    if (accepts(candidate)) {
      found.certificate.Adopt(candidate);
      return true;
    }
  }
  found.store.Release();
  return false;
}

// Fills `found` with the certificate's issuer from CA, else Root; leaves it empty when neither
// holds it. The issuer is looked for as the platform finds a certificate's issuer (by the
// authority key identifier the certificate gives, else by its issuer name), then by name alone.
// A CA renewed on a new key keeps its name, so a name can lead to several certificates: the
// first whose key verifies the certificate's signature is taken, wherever it stands in that
// order, so that neither key's certificates fail for the other's. When no key verifies it, the
// first found is taken, as the name alone would find it, and the signature test then fails.
void FindIssuer(PCCERT_CONTEXT certificate, FoundIssuer& found) {
  const IssuerSearch searches[] = {{CERT_FIND_ISSUER_OF, certificate},
                                   {CERT_FIND_SUBJECT_NAME, &certificate->pCertInfo->Issuer}};
  constexpr const char* kStores[] = {"CA", "Root"};
  std::vector<std::string> not_verifying;  // encodings already tried
  const auto verifies = [&](PCCERT_CONTEXT candidate) {
    std::string encoding(reinterpret_cast<const char*>(candidate->pbCertEncoded), candidate->cbCertEncoded);
    if (std::find(not_verifying.begin(), not_verifying.end(), encoding) != not_verifying.end()) return false;
    if (!DirectTestFails(certificate, candidate, CERT_STORE_SIGNATURE_FLAG)) return true;
    not_verifying.push_back(std::move(encoding));
    return false;
  };
  const auto any = [](PCCERT_CONTEXT) { return true; };
  for (const IssuerSearch& search : searches) {
    for (const char* store : kStores) {
      if (FoundIn(store, search, verifies, found)) return;
    }
  }
  if (not_verifying.empty()) return;  // no candidate at all
  for (const IssuerSearch& search : searches) {
    for (const char* store : kStores) {
      if (FoundIn(store, search, any, found)) return;
    }
  }
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
