// The objects behind HCERTSTORE and PCCERT_CONTEXT.
//
// A store object holds one reference for its open handle and one for every certificate context
// made from it; the contexts share the store's loaded contents. Closing the handle drops the
// handle's reference (and the store's reference on its provider context), so a context outlives
// the handle it came from, as on Windows. Contexts are reference counted themselves:
// CertDuplicateCertificateContext adds a reference, CertFreeCertificateContext drops one.
#pragma once

#include <atomic>
#include <memory>

#include "platform/posix/store/store_contents.h"

namespace corvane::platform {

struct StoreObject {
  std::shared_ptr<StoreContents> contents;
  HCRYPTPROV provider = 0;  // the reference this store holds, dropped on close
  std::atomic<int> references{1};
};

struct ContextObject {
  CERT_CONTEXT context{};  // first member: a PCCERT_CONTEXT points at the object
  std::atomic<int> references{1};
  StoreObject* store = nullptr;  // one reference held
  size_t index = 0;              // position in the store's contents
  const StoredCertificate* certificate = nullptr;
};

// Registers a newly opened store and returns its handle.
HCERTSTORE RegisterStore(std::shared_ptr<StoreContents> contents, HCRYPTPROV provider);

// The store behind an open handle with one reference taken for the caller (give it back with
// ReleaseStore), or null when the handle is not open.
StoreObject* AcquireOpenStore(HCERTSTORE handle);

// Ends an open handle: the store, with the handle's reference now the caller's, or null when the
// handle is not open (a second close of one handle finds nothing).
StoreObject* UnregisterStore(HCERTSTORE handle);

// One more reference to a store the caller already holds one to (directly or through a context).
void AddStoreReference(StoreObject* store);
void ReleaseStore(StoreObject* store);

// A new context for certificate `index` of `store` (which must exist), holding a store reference.
ContextObject* MakeContext(StoreObject* store, size_t index);

// The object behind a live context handed out by this layer, or null for anything else (a freed
// context, a CERT_CONTEXT made elsewhere).
ContextObject* ContextOf(PCCERT_CONTEXT context);

void AddContextReference(ContextObject* context);
void ReleaseContext(ContextObject* context);

// How many store handles are open and how many certificate contexts are live, process-wide: what
// tests compare before and after a call to see that it left nothing behind.
size_t OpenStoreCount();
size_t LiveContextCount();

}  // namespace corvane::platform
