#include "platform/posix/store/certificate_context.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_set>

#include "platform/posix/store/store_cache.h"

namespace corvane::platform {
namespace {

// Open store handles. Handles are checked against this set so that a closed or foreign handle
// fails cleanly instead of being followed.
struct OpenStores {
  std::mutex lock;
  std::unordered_set<StoreObject*> handles;
};

OpenStores& Stores() {
  static OpenStores stores;
  return stores;
}

// Contexts handed out and not yet freed. A context is looked up here before it is followed, so
// that a freed context or a CERT_CONTEXT made elsewhere is refused without touching its memory.
struct LiveContexts {
  std::mutex lock;
  std::unordered_set<const CERT_CONTEXT*> contexts;
  std::atomic<uint64_t> ended{0};  // how many contexts have ended so far
};

LiveContexts& Contexts() {
  static LiveContexts contexts;
  return contexts;
}

// The context this thread was handed last, and how many contexts had ended then. While none has
// ended since, that context is still live: an enumeration that goes on from it (the common case)
// needs no look into the set, and takes no lock.
struct LastHandedOut {
  const CERT_CONTEXT* context = nullptr;
  uint64_t ended = 0;
};
thread_local LastHandedOut last_handed_out;

void NoteHandedOut(const ContextObject& object) {
  last_handed_out = {&object.context, Contexts().ended.load(std::memory_order_acquire)};
}

}  // namespace

std::shared_ptr<const StoreContents> StoreObject::Contents() const {
  std::lock_guard<std::mutex> guard(lock_);
  return contents_;
}

void StoreObject::ReplaceContents(std::shared_ptr<const StoreContents> contents) {
  std::lock_guard<std::mutex> guard(lock_);
  current_.store(contents.get(), std::memory_order_release);
  contents_.swap(contents);
}  // the old snapshot ends here, outside the lock, unless contexts still hold it

Status StoreObject::WholeContents(std::shared_ptr<const StoreContents>& contents) {
  contents = Contents();
  if (contents->indexed == nullptr) return Status();
  const std::filesystem::path folder = contents->folder;  // the reading that holds it is let go
  const Status status = CachedStoreContents(folder, contents);
  if (status.ok()) ReplaceContents(contents);
  return status;
}

HCERTSTORE RegisterStore(std::shared_ptr<const StoreContents> contents, HCRYPTPROV provider) {
  auto* store = new StoreObject(std::move(contents));
  store->provider = provider;
  OpenStores& stores = Stores();
  std::lock_guard<std::mutex> guard(stores.lock);
  stores.handles.insert(store);
  return store;
}

StoreObject* AcquireOpenStore(HCERTSTORE handle) {
  OpenStores& stores = Stores();
  std::lock_guard<std::mutex> guard(stores.lock);
  auto found = stores.handles.find(static_cast<StoreObject*>(handle));
  if (found == stores.handles.end()) return nullptr;
  (*found)->references.fetch_add(1, std::memory_order_relaxed);
  return *found;
}

StoreObject* UnregisterStore(HCERTSTORE handle) {
  OpenStores& stores = Stores();
  std::lock_guard<std::mutex> guard(stores.lock);
  auto found = stores.handles.find(static_cast<StoreObject*>(handle));
  if (found == stores.handles.end()) return nullptr;
  StoreObject* store = *found;
  stores.handles.erase(found);
  store->open.store(false, std::memory_order_release);
  return store;
}

void AddStoreReference(StoreObject* store) {
  store->references.fetch_add(1, std::memory_order_relaxed);
}

void ReleaseStore(StoreObject* store) {
  if (store->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete store;
}

namespace {

constexpr size_t kStepsAhead = 4;

// Points `object` at certificate `index` of its snapshot.
void PointAt(ContextObject& object, size_t index) {
  const StoredCertificate& certificate = *object.contents->certificates[index];
  object.index = index;
  object.certificate = &certificate;
  TbsCertificate& tbs = *certificate.tbs;
  object.context.pbCertEncoded = const_cast<BYTE*>(tbs.der().data());
  object.context.cbCertEncoded = static_cast<DWORD>(tbs.der().size());
  object.context.pCertInfo = tbs.info();
}

}  // namespace

ContextObject* MakeContext(StoreObject* store, std::shared_ptr<const StoreContents> contents, size_t index) {
  auto* object = new ContextObject();
  object->store = store;
  store->references.fetch_add(1, std::memory_order_relaxed);
  object->contents = std::move(contents);
  object->context.dwCertEncodingType = X509_ASN_ENCODING;
  object->context.hCertStore = store;
  PointAt(*object, index);
  {
    LiveContexts& live = Contexts();
    std::lock_guard<std::mutex> guard(live.lock);
    live.contexts.insert(&object->context);
  }
  NoteHandedOut(*object);
  return object;
}

void MoveContext(ContextObject* context, size_t index) {
  PointAt(*context, index);
  NoteHandedOut(*context);
  // An enumeration goes through the snapshot in order, and its certificates lie anywhere on the
  // heap: what the steps ahead will read (the certificate's pointer to its parsed fields, then
  // the first two cache lines of those: the DER's place and the CERT_INFO with the serial
  // number) is asked for now, so that it is at hand when they come. Hints only: the prefetched
  // addresses are computed, not read.
  const auto& certificates = context->contents->certificates;
  if (index + 2 * kStepsAhead < certificates.size()) {
    __builtin_prefetch(&certificates[index + 2 * kStepsAhead]->tbs);
  }
  if (index + kStepsAhead < certificates.size()) {
    const char* tbs = reinterpret_cast<const char*>(certificates[index + kStepsAhead]->tbs.get());
    __builtin_prefetch(tbs);
    __builtin_prefetch(tbs + 64);
  }
}

ContextObject* ContextOf(PCCERT_CONTEXT context) {
  if (context == nullptr) return nullptr;
  auto* object = reinterpret_cast<ContextObject*>(const_cast<CERT_CONTEXT*>(context));
  LiveContexts& live = Contexts();
  if (context == last_handed_out.context && live.ended.load(std::memory_order_acquire) == last_handed_out.ended) {
    return object;
  }
  std::lock_guard<std::mutex> guard(live.lock);
  return live.contexts.count(context) == 0 ? nullptr : object;
}

void AddContextReference(ContextObject* context) {
  context->references.fetch_add(1, std::memory_order_relaxed);
}

void ReleaseContext(ContextObject* context) {
  if (context->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  StoreObject* store = context->store;
  {
    LiveContexts& live = Contexts();
    std::lock_guard<std::mutex> guard(live.lock);
    live.ended.fetch_add(1, std::memory_order_acq_rel);
    live.contexts.erase(&context->context);
  }
  delete context;
  ReleaseStore(store);
}

size_t OpenStoreCount() {
  OpenStores& stores = Stores();
  std::lock_guard<std::mutex> guard(stores.lock);
  return stores.handles.size();
}

size_t LiveContextCount() {
  LiveContexts& live = Contexts();
  std::lock_guard<std::mutex> guard(live.lock);
  return live.contexts.size();
}

}  // namespace corvane::platform
