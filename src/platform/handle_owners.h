// Owners of the platform's handles for the code above the seam: each releases its handle with the
// matching call when told to (Release) or at the end of its scope, whichever comes first. Code
// that must release in a fixed order calls Release itself; the destructor then finds nothing left.
#pragma once

#include "platform/platform.h"

namespace corvane::platform {

template <typename Handle, void (*kRelease)(Handle)>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(Handle handle) : handle_(handle) {}
  ~OwnedHandle() { Release(); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  // Takes `handle` over, releasing the one held before.
  void Adopt(Handle handle) {
    Release();
    handle_ = handle;
  }
  Handle get() const { return handle_; }
  // The handle's own address, for calls that take an array of handles.
  Handle* address() { return &handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  void Release() {
    if (handle_ != Handle{}) kRelease(handle_);
    handle_ = Handle{};
  }

 private:
  Handle handle_{};
};

inline void CloseStore(HCERTSTORE store) { CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG); }
inline void FreeCertificate(PCCERT_CONTEXT certificate) { CertFreeCertificateContext(certificate); }
inline void FreeChain(PCCERT_CHAIN_CONTEXT chain) { CertFreeCertificateChain(chain); }
inline void ReleaseProvider(HCRYPTPROV provider) { CryptReleaseContext(provider, 0); }
inline void FreeLocal(HLOCAL memory) { LocalFree(memory); }

using OwnedStore = OwnedHandle<HCERTSTORE, CloseStore>;
using OwnedCertificate = OwnedHandle<PCCERT_CONTEXT, FreeCertificate>;
using OwnedChain = OwnedHandle<PCCERT_CHAIN_CONTEXT, FreeChain>;
using OwnedProvider = OwnedHandle<HCRYPTPROV, ReleaseProvider>;
using OwnedLocalMemory = OwnedHandle<HLOCAL, FreeLocal>;

}  // namespace corvane::platform
