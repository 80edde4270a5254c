// The objects behind HCERTSTORE and PCCERT_CONTEXT.
//
// A store object holds one reference for its open handle and one for every certificate context
// made from it; the contexts share the store's loaded contents. Closing the handle drops the
// handle's reference (and the store's reference on its provider context), so a context outlives
// the handle it came from, as on Windows. Contexts are reference counted themselves:
// CertDuplicateCertificateContext adds a reference, CertFreeCertificateContext drops one.
// A store's contents are a snapshot: CertControlStore(CERT_STORE_CTRL_RESYNC) replaces the
// snapshot with a fresh reading of the folder, and contexts made before keep the one they came
// from.
//
// Enumeration moves on cheaply: when its caller holds the only reference to the `previous`
// context, that context object itself is pointed at the next certificate (MoveContext) instead
// of being released and a new one made, so a step allocates nothing and registers nothing.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/posix/status.h"
#include "platform/posix/store/store_contents.h"

namespace corvane::platform {

class StoreObject {
 public:
  explicit StoreObject(std::shared_ptr<const StoreContents> contents)
      : current_(contents.get()), contents_(std::move(contents)) {}

  // The current snapshot; it stays valid for as long as the caller holds it.
  std::shared_ptr<const StoreContents> Contents() const;
  void ReplaceContents(std::shared_ptr<const StoreContents> contents);
  // The current snapshot, made whole first when it was read through the folder's index
  // (indexed_folder.h): replaced by a whole reading of the folder.
  Status WholeContents(std::shared_ptr<const StoreContents>& contents);
  // True when `contents`, a snapshot the caller holds, is the current one (no lock taken).
  bool IsCurrent(const StoreContents* contents) const { return current_.load(std::memory_order_acquire) == contents; }

  HCRYPTPROV provider = 0;  // the reference this store holds, dropped on close
  std::atomic<int> references{1};
  std::atomic<bool> open{true};  // false once its handle is closed

 private:
  mutable std::mutex lock_;
  std::atomic<const StoreContents*> current_;  // contents_, readable without the lock
  std::shared_ptr<const StoreContents> contents_;
};

struct ContextObject {
  CERT_CONTEXT context{};  // first member: a PCCERT_CONTEXT points at the object
  std::atomic<int> references{1};
  StoreObject* store = nullptr;  // one reference held
  std::shared_ptr<const StoreContents> contents;  // the snapshot the certificate belongs to
  size_t index = 0;                               // position in that snapshot
  const StoredCertificate* certificate = nullptr;
};

// Registers a newly opened store and returns its handle.
HCERTSTORE RegisterStore(std::shared_ptr<const StoreContents> contents, HCRYPTPROV provider);

// The store behind an open handle with one reference taken for the caller (give it back with
// ReleaseStore), or null when the handle is not open.
StoreObject* AcquireOpenStore(HCERTSTORE handle);

// Ends an open handle: the store, with the handle's reference now the caller's, or null when the
// handle is not open (a second close of one handle finds nothing).
StoreObject* UnregisterStore(HCERTSTORE handle);

// One more reference to a store the caller already holds one to (directly or through a context).
void AddStoreReference(StoreObject* store);
void ReleaseStore(StoreObject* store);

// A new context for certificate `index` of `contents`, a snapshot of `store` (the certificate
// must exist), holding a store reference.
ContextObject* MakeContext(StoreObject* store, std::shared_ptr<const StoreContents> contents, size_t index);

// Points `context`, whose only reference its caller holds, at certificate `index` of the same
// snapshot (the certificate must exist): the context enumeration hands on.
void MoveContext(ContextObject* context, size_t index);

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
