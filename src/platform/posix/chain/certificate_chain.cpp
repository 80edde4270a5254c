// CertGetCertificateChain and CertFreeCertificateChain (see chain_builder.h for how chains are
// built and from which stores).
//
// Supported: the default chain engine (null), the time given or now, an additional store, a
// requested usage without usage identifiers (any usage), and revocation checking of the end
// certificate (CERT_CHAIN_REVOCATION_CHECK_END_CERT) or none. Refused with E_INVALIDARG: another
// chain engine, usage identifiers, revocation checking of the whole chain, a reserved pointer.
// Flags about caching and retrieval are accepted and have nothing to act on: nothing is cached
// between calls and nothing is downloaded.
#include "platform/posix/chain/chain_builder.h"
#include "platform/posix/chain/chain_context.h"
#include "platform/posix/platform_call.h"

using namespace corvane::platform;

namespace {

constexpr DWORD kChainRevocationFlags = CERT_CHAIN_REVOCATION_CHECK_CHAIN |
                                        CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT;

// FILETIME (100 ns ticks since 1601) as seconds since 1970.
time_t UnixTimeOf(const FILETIME& time) {
  const uint64_t ticks = (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  return static_cast<time_t>(static_cast<int64_t>(ticks / 10'000'000ULL) - 11'644'473'600LL);
}

}  // namespace

extern "C" BOOL CertGetCertificateChain(HCERTCHAINENGINE chain_engine, PCCERT_CONTEXT certificate,
                                        LPFILETIME time, HCERTSTORE additional_store,
                                        PCERT_CHAIN_PARA chain_para, DWORD flags,
                                        LPVOID reserved, PCCERT_CHAIN_CONTEXT* chain_context) {
  PLATFORM_ENTRY("CertGetCertificateChain");
  PLATFORM_ENSURE(chain_context != nullptr, E_INVALIDARG);
  *chain_context = nullptr;
  PLATFORM_ENSURE(chain_engine == nullptr && certificate != nullptr && chain_para != nullptr &&
                      chain_para->RequestedUsage.Usage.cUsageIdentifier == 0 &&
                      reserved == nullptr && (flags & kChainRevocationFlags) == 0,
                  E_INVALIDARG);
  ChainRequest request;
  request.certificate = certificate;
  if (time != nullptr) request.time = UnixTimeOf(*time);
  request.additional_store = additional_store;
  request.check_end_revocation = (flags & CERT_CHAIN_REVOCATION_CHECK_END_CERT) != 0;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  PLATFORM_ENSURE_OK(BuildCertificateChain(request, chain));
  *chain_context = chain;
  return TRUE;
}

// A call that cannot fail and returns nothing: there is no failure for the fault seam to stand
// for, so it does not go through it. Anything but a live chain context is left alone.
extern "C" void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT chain_context) {
  DestroyChain(chain_context);
}
