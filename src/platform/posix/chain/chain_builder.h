// Certificate chains built by OpenSSL (X509_STORE, X509_STORE_CTX, X509_verify_cert) from the
// stores the Windows chain engine of the current user draws on:
// - trust anchors: the certificates of the "ROOT" store;
// - intermediates: the "CA" store, the store the end certificate came from (for a certificate
//   taken from a message, the message's other certificates) and the caller's additional store;
// - revocation lists: those of the "ROOT" and "CA" stores and of the end certificate's store
//   that the end certificate's issuer in the built chain issued (issuer_revocation_lists.h).
// Every problem OpenSSL meets is recorded through the verify callback as the Windows trust status
// of the certificate it is about (trust_status.h) and the chain is finished anyway, so that the
// policy, not the builder, decides what counts. Validity periods are not required to nest.
#pragma once

#include <ctime>
#include <optional>

#include "platform/platform.h"
#include "platform/posix/status.h"

namespace corvane::platform {

struct ChainRequest {
  PCCERT_CONTEXT certificate = nullptr;  // a live context of this layer
  std::optional<time_t> time;            // the time judged; nullopt: now
  HCERTSTORE additional_store = nullptr;
  bool check_end_revocation = false;     // the end certificate against the revocation lists
};

// A new chain context into `chain`; fails with E_INVALIDARG for a request this layer did not make,
// NTE_FAIL when the chain cannot be built.
Status BuildCertificateChain(const ChainRequest& request, PCCERT_CHAIN_CONTEXT& chain);

}  // namespace corvane::platform
