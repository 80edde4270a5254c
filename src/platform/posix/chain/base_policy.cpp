// CertVerifyCertificateChainPolicy with the base policy (CERT_CHAIN_POLICY_BASE): the chain's
// trust status judged in Windows' order, the first problem found deciding dwError, with
// lChainIndex and lElementIndex naming where it was found (-1, -1 when there is none).
//
// Problems and the flags that excuse them:
//   signature not valid              TRUST_E_CERT_SIGNATURE      -
//   untrusted root / partial chain   CERT_E_UNTRUSTEDROOT /      ..._ALLOW_UNKNOWN_CA_FLAG
//                                    CERT_E_CHAINING
//   not time valid                   CERT_E_EXPIRED              ..._IGNORE_NOT_TIME_VALID_FLAG
//   revoked                          CRYPT_E_REVOKED             -
//   not valid for usage              CERT_E_WRONG_USAGE          ..._IGNORE_WRONG_USAGE_FLAG
//   basic constraints                TRUST_E_BASIC_CONSTRAINTS   ..._IGNORE_INVALID_BASIC_...
//   name constraints                 CERT_E_INVALID_NAME         ..._IGNORE_INVALID_NAME_FLAG
//   policy constraints               CERT_E_INVALID_POLICY       ..._IGNORE_INVALID_POLICY_FLAG
//   invalid extension                CERT_E_CRITICAL             -
//   revocation offline / unknown     CRYPT_E_REVOCATION_OFFLINE  the IGNORE_*_REV_UNKNOWN flag of
//                                    CRYPT_E_NO_REVOCATION_CHECK the element: END for the end
//                                                                certificate, ROOT for a self-
//                                                                signed last one, CA otherwise
// The chain engine does not judge validity-period nesting, so CERT_E_VALIDITYPERIODNESTING never
// comes up. There is no test root on this platform: CERT_CHAIN_POLICY_ALLOW_TESTROOT_FLAG and
// ..._TRUST_TESTROOT_FLAG are accepted and change nothing. Other policies are refused with
// E_INVALIDARG.
#include "platform/posix/chain/chain_context.h"
#include "platform/posix/platform_call.h"

using namespace corvane::platform;

namespace {

struct Rule {
  DWORD status;      // CERT_TRUST_* error bit
  DWORD excused_by;  // policy flags that excuse it (0: none)
  DWORD error;       // dwError when it is not excused
};

constexpr Rule kRules[] = {
    {CERT_TRUST_IS_NOT_SIGNATURE_VALID, 0, TRUST_E_CERT_SIGNATURE},
    {CERT_TRUST_IS_UNTRUSTED_ROOT, CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG, CERT_E_UNTRUSTEDROOT},
    {CERT_TRUST_IS_PARTIAL_CHAIN, CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG, CERT_E_CHAINING},
    {CERT_TRUST_IS_NOT_TIME_VALID, CERT_CHAIN_POLICY_IGNORE_NOT_TIME_VALID_FLAG, CERT_E_EXPIRED},
    {CERT_TRUST_IS_REVOKED, 0, CRYPT_E_REVOKED},
    {CERT_TRUST_IS_NOT_VALID_FOR_USAGE, CERT_CHAIN_POLICY_IGNORE_WRONG_USAGE_FLAG,
     CERT_E_WRONG_USAGE},
    {CERT_TRUST_INVALID_BASIC_CONSTRAINTS,
     CERT_CHAIN_POLICY_IGNORE_INVALID_BASIC_CONSTRAINTS_FLAG, TRUST_E_BASIC_CONSTRAINTS},
    {CERT_TRUST_INVALID_NAME_CONSTRAINTS, CERT_CHAIN_POLICY_IGNORE_INVALID_NAME_FLAG,
     CERT_E_INVALID_NAME},
    {CERT_TRUST_INVALID_POLICY_CONSTRAINTS, CERT_CHAIN_POLICY_IGNORE_INVALID_POLICY_FLAG,
     CERT_E_INVALID_POLICY},
    {CERT_TRUST_INVALID_EXTENSION, 0, CERT_E_CRITICAL},
};

constexpr Rule kRevocationRules[] = {
    {CERT_TRUST_IS_OFFLINE_REVOCATION, 0, CRYPT_E_REVOCATION_OFFLINE},
    {CERT_TRUST_REVOCATION_STATUS_UNKNOWN, 0, CRYPT_E_NO_REVOCATION_CHECK},
};

// The flag that excuses an unknown revocation status of the element at `index`.
DWORD RevocationExcuse(const CERT_SIMPLE_CHAIN& chain, DWORD index) {
  if (index == 0) return CERT_CHAIN_POLICY_IGNORE_END_REV_UNKNOWN_FLAG;
  const bool root = index + 1 == chain.cElement &&
                    (chain.rgpElement[index]->TrustStatus.dwInfoStatus & CERT_TRUST_IS_SELF_SIGNED);
  return root ? CERT_CHAIN_POLICY_IGNORE_ROOT_REV_UNKNOWN_FLAG
              : CERT_CHAIN_POLICY_IGNORE_CA_REV_UNKNOWN_FLAG;
}

void Report(PCERT_CHAIN_POLICY_STATUS status, DWORD error, LONG element) {
  status->dwError = error;
  status->lChainIndex = element < 0 ? -1 : 0;
  status->lElementIndex = element;
}

// The first element carrying `bit`, else the last (for a bit of the chain as a whole).
LONG ElementWith(const CERT_SIMPLE_CHAIN& chain, DWORD bit) {
  for (DWORD index = 0; index < chain.cElement; ++index) {
    if (chain.rgpElement[index]->TrustStatus.dwErrorStatus & bit) return static_cast<LONG>(index);
  }
  return static_cast<LONG>(chain.cElement) - 1;
}

}  // namespace

extern "C" BOOL CertVerifyCertificateChainPolicy(LPCSTR policy_oid,
                                                 PCCERT_CHAIN_CONTEXT chain_context,
                                                 PCERT_CHAIN_POLICY_PARA policy_para,
                                                 PCERT_CHAIN_POLICY_STATUS policy_status) {
  PLATFORM_ENTRY("CertVerifyCertificateChainPolicy");
  const ChainObject* chain = ChainOf(chain_context);
  PLATFORM_ENSURE(policy_oid == CERT_CHAIN_POLICY_BASE && chain != nullptr &&
                      policy_status != nullptr,
                  E_INVALIDARG);
  const DWORD flags = policy_para != nullptr ? policy_para->dwFlags : 0;
  const CERT_SIMPLE_CHAIN& simple = chain->simple;
  Report(policy_status, ERROR_SUCCESS, -1);

  const DWORD found = simple.TrustStatus.dwErrorStatus;
  for (const Rule& rule : kRules) {
    if ((found & rule.status) && !(flags & rule.excused_by)) {
      Report(policy_status, rule.error, ElementWith(simple, rule.status));
      return TRUE;
    }
  }
  for (const Rule& rule : kRevocationRules) {
    for (DWORD index = 0; index < simple.cElement; ++index) {
      if ((simple.rgpElement[index]->TrustStatus.dwErrorStatus & rule.status) &&
          !(flags & RevocationExcuse(simple, index))) {
        Report(policy_status, rule.error, static_cast<LONG>(index));
        return TRUE;
      }
    }
  }
  return TRUE;
}
