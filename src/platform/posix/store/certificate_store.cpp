// The system store calls: CertOpenSystemStoreA, CertCloseStore, CertControlStore,
// CertEnumCertificatesInStore, CertFindCertificateInStore, CertDuplicateCertificateContext,
// CertFreeCertificateContext.
//
// Behaviour where Windows leaves room:
// - Opening a store that does not exist gives an empty store; nothing is created on open.
// - A non-zero provider must be a live context of CryptAcquireContextA (E_INVALIDARG otherwise);
//   the store holds a reference on it until the store is closed.
// - CertCloseStore with CERT_CLOSE_STORE_FORCE_FLAG behaves as a plain close: contexts still
//   held stay valid (they keep the store's contents alive) instead of being freed under their
//   owner. With CERT_CLOSE_STORE_CHECK_FLAG and contexts outstanding it closes the handle and
//   returns FALSE with CRYPT_E_PENDING_CLOSE. Closing a null handle succeeds, as on Windows.
// - Enumeration and search always free the `previous` context passed in, even when they fail;
//   a `previous` from another store fails with E_INVALIDARG. The context handed out may be the
//   very object `previous` was (when the caller held its only reference), now for the next
//   certificate: `previous` is no longer the caller's either way.
// - CertControlStore serves CERT_STORE_CTRL_RESYNC only (E_INVALIDARG otherwise): the store is
//   read again from its folder; a folder that cannot be read leaves the store as it was and fails
//   as the open would. An enumeration or search that goes on from a context of the earlier
//   reading continues after that context's thumbprint.
// - CERT_FIND_ISSUER_OF finds by the authority key identifier's key identifier when the subject
//   gives one, as a search by CERT_FIND_KEY_IDENTIFIER does, and by the subject's issuer name
//   otherwise; the issuer's signature is not checked (the caller's direct test does that).
#include <algorithm>
#include <optional>
#include <utility>

#include "platform/posix/store/indexed_folder.h"
#include "platform/posix/store/integer_blob.h"
#include "platform/posix/store/store_cache.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/store/certificate_context.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/platform_call.h"
#include "platform/posix/provider/provider_context.h"

using corvane::platform::ContextObject;
using corvane::platform::Status;
using corvane::platform::StoreContents;
using corvane::platform::StoreObject;

namespace {

// The position in `contents` after the certificate with `thumbprint` (the contents are ordered by
// thumbprint).
size_t PositionAfter(const StoreContents& contents, const std::string& thumbprint) {
  const auto& certificates = contents.certificates;
  return static_cast<size_t>(
      std::upper_bound(certificates.begin(), certificates.end(), thumbprint,
                       [](const std::string& wanted, const auto& c) { return wanted < c->thumbprint; }) -
      certificates.begin());
}

// A name, integer or hash blob a search was given: present, and with bytes when it is not empty.
bool IsBlob(const void* find_para) {
  const auto* blob = static_cast<const CRYPT_INTEGER_BLOB*>(find_para);
  return blob != nullptr && (blob->cbData == 0 || blob->pbData != nullptr);
}

std::string_view BlobBytes(const void* find_para) {
  const auto* blob = static_cast<const CRYPT_INTEGER_BLOB*>(find_para);
  return {reinterpret_cast<const char*>(blob->pbData), blob->cbData};
}

// What a search for the issuer of the certificate context `find_para` (CERT_FIND_ISSUER_OF) comes
// to: by the key identifier of its authority key identifier when it gives one (a CA renewed
// on a new key keeps its name, and the certificates of each key name that key), else by its
// issuer name, into `find_type` and `wanted`, which `find_para` is then made to point at. Nothing
// changes when `find_para` is no certificate context of this layer (the search is then refused).
void AsIssuerSearch(DWORD& find_type, const void*& find_para, CRYPT_DATA_BLOB& wanted) {
  const auto subject = static_cast<PCCERT_CONTEXT>(find_para);
  if (corvane::platform::ContextOf(subject) == nullptr) return;
  X509* certificate = corvane::platform::CertificateX509(subject);
  const ASN1_OCTET_STRING* key_identifier =
      certificate == nullptr ? nullptr : X509_get0_authority_key_id(certificate);
  if (key_identifier != nullptr && ASN1_STRING_length(key_identifier) > 0) {
    find_type = CERT_FIND_KEY_IDENTIFIER;
    wanted.cbData = static_cast<DWORD>(ASN1_STRING_length(key_identifier));
    wanted.pbData = const_cast<BYTE*>(ASN1_STRING_get0_data(key_identifier));
  } else {
    find_type = CERT_FIND_SUBJECT_NAME;
    wanted = subject->pCertInfo->Issuer;
  }
  find_para = &wanted;
}

// Releases the caller's `previous` context of a call that fails before it gets to it.
void ReleasePrevious(PCCERT_CONTEXT previous) {
  if (ContextObject* object = corvane::platform::ContextOf(previous)) {
    corvane::platform::ReleaseContext(object);
  }
}

// An open store held for the length of one call.
class HeldStore {
 public:
  explicit HeldStore(HCERTSTORE handle) : store_(corvane::platform::AcquireOpenStore(handle)) {}
  ~HeldStore() {
    if (store_ != nullptr) corvane::platform::ReleaseStore(store_);
  }
  HeldStore(const HeldStore&) = delete;
  HeldStore& operator=(const HeldStore&) = delete;
  StoreObject* get() const { return store_; }
  // The store's current snapshot; null when the handle is not open.
  std::shared_ptr<const StoreContents> contents() const {
    return store_ == nullptr ? nullptr : store_->Contents();
  }

 private:
  StoreObject* store_;
};

// One call of an enumeration or search: the store, its snapshot and the position the call goes
// on from, taken over from the caller's `previous` context. When the caller holds the only
// reference to `previous`, the handle is still open and its snapshot still current, `previous`
// itself is kept to be moved onto the certificate the call hands out (or released if it hands
// out none): a step then takes no store reference and makes no context. Otherwise `previous` is
// released at once, and a certificate handed out gets a new context.
class Step {
 public:
  Step(HCERTSTORE handle, PCCERT_CONTEXT previous);
  ~Step() {
    if (movable_ != nullptr) corvane::platform::ReleaseContext(movable_);
  }
  Step(const Step&) = delete;
  Step& operator=(const Step&) = delete;

  // False when the handle is not open or `previous` is not a live context of its store.
  bool valid() const { return contents_ != nullptr; }
  const StoreContents& contents() const { return *contents_; }
  size_t next() const { return next_; }

  // A context for certificate `index` of the snapshot.
  PCCERT_CONTEXT ContextAt(size_t index);

 private:
  ContextObject* movable_ = nullptr;
  std::optional<HeldStore> held_;  // when `previous` is not moved on
  std::shared_ptr<const StoreContents> snapshot_;
  const StoreContents* contents_ = nullptr;
  size_t next_ = 0;
};

Step::Step(HCERTSTORE handle, PCCERT_CONTEXT previous) {
  ContextObject* object = previous == nullptr ? nullptr : corvane::platform::ContextOf(previous);
  if (object != nullptr && object->store == handle && object->references.load(std::memory_order_acquire) == 1 &&
      object->store->open.load(std::memory_order_acquire) && object->store->IsCurrent(object->contents.get())) {
    movable_ = object;  // its store reference and snapshot carry the call
    contents_ = object->contents.get();
    next_ = object->index + 1;
    return;
  }
  held_.emplace(handle);
  snapshot_ = held_->contents();
  if (object != nullptr) {
    // Going on from a context of an earlier reading: after its thumbprint in the current one.
    if (object->store == held_->get() && snapshot_ != nullptr) {
      contents_ = snapshot_.get();
      next_ = object->contents == snapshot_ ? object->index + 1 : PositionAfter(*contents_, object->certificate->thumbprint);
    }
    corvane::platform::ReleaseContext(object);
  } else if (previous == nullptr) {
    contents_ = snapshot_.get();
  }
}

// Makes the store's snapshot hold what a search needs (an enumeration: CERT_FIND_ANY). A snapshot
// read through the folder's index (indexed_folder.h) holds only the certificates searched for so
// far: a search by key reads the files that can hold the key; an enumeration, or a search for
// which a file does not hold what the index says, reads the folder whole. Nothing to do while
// the caller goes on from a context of a whole snapshot that is current (no lock taken then).
Status CoverSearch(HCERTSTORE handle, PCCERT_CONTEXT previous, DWORD find_type, const void* find_para) {
  namespace platform = corvane::platform;
  ContextObject* object = previous == nullptr ? nullptr : platform::ContextOf(previous);
  if (object != nullptr && object->store == handle && object->contents->indexed == nullptr &&
      object->store->IsCurrent(object->contents.get())) {
    return Status();
  }
  HeldStore held(handle);
  const std::shared_ptr<const StoreContents> current = held.contents();
  if (current == nullptr || current->indexed == nullptr) return Status();
  std::shared_ptr<const StoreContents> covering;
  if (find_type == CERT_FIND_SUBJECT_NAME) {
    covering = current->indexed->Covering(platform::IndexedFolder::Key::kSubject,
                                          platform::IndexKey(BlobBytes(find_para)));
  } else if (find_type == CORVANE_CERT_FIND_SERIAL_NUMBER) {
    covering = current->indexed->Covering(
        platform::IndexedFolder::Key::kSerial,
        platform::IndexKey(platform::SignificantIntegerBytes(*static_cast<const CRYPT_INTEGER_BLOB*>(find_para))));
  } else if (find_type == CERT_FIND_KEY_IDENTIFIER) {
    covering = current->indexed->Covering(platform::IndexedFolder::Key::kKeyIdentifier,
                                          platform::IndexKey(BlobBytes(find_para)));
  }
  if (covering == nullptr) return held.get()->WholeContents(covering);
  if (covering != current) held.get()->ReplaceContents(std::move(covering));
  return Status();
}

PCCERT_CONTEXT Step::ContextAt(size_t index) {
  if (movable_ != nullptr) {
    ContextObject* moved = std::exchange(movable_, nullptr);
    corvane::platform::MoveContext(moved, index);
    return &moved->context;
  }
  return &corvane::platform::MakeContext(held_->get(), snapshot_, index)->context;
}


}  // namespace

extern "C" HCERTSTORE CertOpenSystemStoreA(HCRYPTPROV_LEGACY provider, LPCSTR subsystem_protocol) {
  PLATFORM_ENTRY("CertOpenSystemStoreA");
  namespace platform = corvane::platform;
  PLATFORM_ENSURE(subsystem_protocol != nullptr && platform::IsValidStoreName(subsystem_protocol),
                  E_INVALIDARG);
  std::shared_ptr<const StoreContents> contents;
  PLATFORM_ENSURE_OK(platform::CachedStoreContents(platform::StoreFolder(subsystem_protocol), contents,
                                                   platform::StoreReading::kForSearches));
  PLATFORM_ENSURE(provider == 0 || platform::AddProviderReference(provider), E_INVALIDARG);
  return platform::RegisterStore(std::move(contents), provider);
}

extern "C" BOOL CertCloseStore(HCERTSTORE store, DWORD flags) {
  PLATFORM_ENTRY("CertCloseStore");
  if (store == nullptr) return TRUE;
  StoreObject* object = corvane::platform::UnregisterStore(store);
  PLATFORM_ENSURE(object != nullptr, E_INVALIDARG);
  if (object->provider != 0) corvane::platform::ReleaseProviderReference(object->provider);
  object->provider = 0;
  // Every reference but the handle's own belongs to a context still held somewhere (or to a call
  // running on another thread).
  const bool contexts_outstanding = object->references.load(std::memory_order_acquire) > 1;
  corvane::platform::ReleaseStore(object);
  PLATFORM_ENSURE(!(contexts_outstanding && (flags & CERT_CLOSE_STORE_CHECK_FLAG)),
                  CRYPT_E_PENDING_CLOSE);
  return TRUE;
}

extern "C" PCCERT_CONTEXT CertEnumCertificatesInStore(HCERTSTORE store, PCCERT_CONTEXT previous) {
  PLATFORM_ENTRY_RELEASING("CertEnumCertificatesInStore", ReleasePrevious(previous));
  const Status covered = CoverSearch(store, previous, CERT_FIND_ANY, nullptr);
  if (!covered.ok()) ReleasePrevious(previous);
  PLATFORM_ENSURE_OK(covered);
  Step step(store, previous);
  PLATFORM_ENSURE(step.valid(), E_INVALIDARG);
  PLATFORM_ENSURE(step.next() < step.contents().certificates.size(), CRYPT_E_NOT_FOUND);
  return step.ContextAt(step.next());
}

extern "C" BOOL CertControlStore(HCERTSTORE store, DWORD flags, DWORD control_type, const void* control_para) {
  PLATFORM_ENTRY("CertControlStore");
  (void)flags;
  (void)control_para;  // the event a Windows caller may pass to hear of changes: none is signalled
  HeldStore held(store);
  StoreObject* object = held.get();
  PLATFORM_ENSURE(object != nullptr && control_type == CERT_STORE_CTRL_RESYNC, E_INVALIDARG);
  const std::shared_ptr<const StoreContents> current = held.contents();
  if (current->folder.empty()) return TRUE;  // a store of no folder has nothing to read again
  std::shared_ptr<const StoreContents> fresh;
  PLATFORM_ENSURE_OK(corvane::platform::CachedStoreContents(current->folder, fresh,
                                                            corvane::platform::StoreReading::kForSearches));
  object->ReplaceContents(std::move(fresh));
  return TRUE;
}

extern "C" PCCERT_CONTEXT CertFindCertificateInStore(HCERTSTORE store, DWORD encoding, DWORD find_flags,
                                                     DWORD find_type, const void* find_para,
                                                     PCCERT_CONTEXT previous) {
  PLATFORM_ENTRY_RELEASING("CertFindCertificateInStore", ReleasePrevious(previous));
  (void)encoding;
  (void)find_flags;
  CRYPT_DATA_BLOB issuer_wanted{};  // what a search for an issuer looks for, viewing the subject
  if (find_type == CERT_FIND_ISSUER_OF) AsIssuerSearch(find_type, find_para, issuer_wanted);
  const bool keyed = find_type == CERT_FIND_SUBJECT_NAME || find_type == CORVANE_CERT_FIND_SERIAL_NUMBER ||
                     find_type == CERT_FIND_KEY_IDENTIFIER;
  const Status covered = find_type == CERT_FIND_ANY || (keyed && IsBlob(find_para))
                             ? CoverSearch(store, previous, find_type, find_para)
                             : Status(E_INVALIDARG);
  if (!covered.ok()) ReleasePrevious(previous);  // a failure takes it over as well
  PLATFORM_ENSURE_OK(covered);
  Step step(store, previous);
  PLATFORM_ENSURE(step.valid(), E_INVALIDARG);
  const StoreContents& contents = step.contents();
  size_t index = step.next();
  if (find_type == CERT_FIND_SUBJECT_NAME) {
    index = contents.FirstWithSubject(BlobBytes(find_para), index);
  } else if (find_type == CORVANE_CERT_FIND_SERIAL_NUMBER) {
    index = contents.FirstWithSerial(
        corvane::platform::SignificantIntegerBytes(*static_cast<const CRYPT_INTEGER_BLOB*>(find_para)), index);
  } else if (find_type == CERT_FIND_KEY_IDENTIFIER) {
    index = contents.FirstWithKeyIdentifier(BlobBytes(find_para), index);
  }
  PLATFORM_ENSURE(index < contents.certificates.size(), CRYPT_E_NOT_FOUND);
  return step.ContextAt(index);
}

extern "C" PCCERT_CONTEXT CertDuplicateCertificateContext(PCCERT_CONTEXT context) {
  PLATFORM_ENTRY("CertDuplicateCertificateContext");
  if (context == nullptr) return nullptr;
  ContextObject* object = corvane::platform::ContextOf(context);
  PLATFORM_ENSURE(object != nullptr, E_INVALIDARG);
  corvane::platform::AddContextReference(object);
  return context;
}

extern "C" BOOL CertFreeCertificateContext(PCCERT_CONTEXT context) {
  PLATFORM_ENTRY("CertFreeCertificateContext");
  if (context == nullptr) return TRUE;
  ContextObject* object = corvane::platform::ContextOf(context);
  PLATFORM_ENSURE(object != nullptr, E_INVALIDARG);
  corvane::platform::ReleaseContext(object);
  return TRUE;
}
