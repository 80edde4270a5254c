// Whether a signer's certificate can be trusted: tested against its issuer as found in the
// current user's "CA" or "Root" store, then its whole chain judged by the platform's base policy.
#pragma once

#include "platform/platform.h"

namespace corvane::certs {

// The tests of the check mask.
enum ChainCheck : int {
  kCheckRevocation = 0x1,   // not on the issuer's revocation list (no list: passes)
  kCheckSignature = 0x2,    // signed with the issuer's key
  kCheckValidity = 0x4,     // now within the validity period
  kCheckChainPolicy = 0x8,  // the chain to a trusted root passes the base policy
  kCheckAll = 0xF,
};

// 0 when every test of `check_mask` passes; else the code of the first that fails, run in the
// order signature (-10017), validity (-10011), revocation (-10012), chain (-10013). The issuer is
// looked for first, whatever the mask: -10014 when neither store holds it. It is found by the
// authority key identifier the certificate gives, else by name, and of several candidates (a CA
// renewed on a new key keeps its name) the one whose key verifies the certificate is taken. The certificate is
// only read; the caller keeps it. A null certificate: -10001.
int VerifyCertificateChain(PCCERT_CONTEXT certificate, int check_mask);

}  // namespace corvane::certs
