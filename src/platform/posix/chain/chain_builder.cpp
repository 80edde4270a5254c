#include "platform/posix/chain/chain_builder.h"

#include <map>
#include <vector>

#include "platform/posix/chain/chain_context.h"
#include "platform/posix/chain/trust_status.h"
#include "platform/posix/ossl.h"
#include "platform/posix/store/certificate_context.h"
#include "platform/posix/store/revocation_lists.h"
#include "platform/posix/store/store_cache.h"
#include "platform/posix/store/store_layout.h"

namespace corvane::platform {
namespace {

// A certificate that may take a place in the chain, and the store its context is made from.
struct Candidate {
  X509* certificate = nullptr;
  StoreObject* store = nullptr;
  std::shared_ptr<const StoreContents> contents;  // the snapshot of `store` it was found in
  size_t index = 0;
  bool trusted = false;
};

// The stores one chain is built from; each is held by one reference until the chain is made.
class ChainSources {
 public:
  ChainSources() = default;
  ~ChainSources() {
    for (StoreObject* store : stores_) ReleaseStore(store);
  }
  ChainSources(const ChainSources&) = delete;
  ChainSources& operator=(const ChainSources&) = delete;

  // Takes over one reference to `store`.
  void Add(StoreObject* store, bool trusted) {
    stores_.push_back(store);
    const std::shared_ptr<const StoreContents> contents = store->Contents();
    const auto& certificates = contents->certificates;
    for (size_t index = 0; index < certificates.size(); ++index) {
      if (X509* certificate = certificates[index]->OpenSslCertificate()) {
        candidates_.push_back(Candidate{certificate, store, contents, index, trusted});
      }
    }
    if (!contents->folder.empty()) folders_.push_back(contents->folder);
  }

  // A system store read from its folder; one that cannot be read adds nothing.
  void AddSystemStore(const char* name, bool trusted) {
    std::shared_ptr<const StoreContents> contents;
    if (!CachedStoreContents(StoreFolder(name), contents).ok()) return;
    Add(new StoreObject(std::move(contents)), trusted);
  }

  const std::vector<Candidate>& candidates() const { return candidates_; }
  const std::vector<std::filesystem::path>& folders() const { return folders_; }

 private:
  std::vector<StoreObject*> stores_;
  std::vector<Candidate> candidates_;
  std::vector<std::filesystem::path> folders_;
};

// What the verify callback learns, by position in the chain (0: the end certificate).
struct TrustRecord {
  std::map<int, DWORD> element_errors;
  DWORD chain_errors = 0;
};

int RecordTrustProblem(int ok, X509_STORE_CTX* context) {
  if (ok == 1) return 1;
  auto* record = static_cast<TrustRecord*>(X509_STORE_CTX_get_app_data(context));
  const TrustStatusBits bits = TrustStatusOf(X509_STORE_CTX_get_error(context));
  record->element_errors[X509_STORE_CTX_get_error_depth(context)] |= bits.element;
  record->chain_errors |= bits.chain;
  return 1;  // go on: the policy judges what was found
}

// OpenSSL's store and context for the request; null when OpenSSL cannot make them.
struct Verification {
  ossl::UniquePtr<X509_STORE> trust;
  ossl::UniquePtr<STACK_OF(X509)> untrusted;
  ossl::UniquePtr<X509_STORE_CTX> context;
};

bool PrepareVerification(const ChainRequest& request, const ChainSources& sources, X509* end,
                         TrustRecord& record, Verification& verification) {
  verification.trust.reset(X509_STORE_new());
  verification.untrusted.reset(sk_X509_new_null());
  verification.context.reset(X509_STORE_CTX_new_ex(ossl::LibraryContext(), ossl::kNoProperties));
  if (!verification.trust || !verification.untrusted || !verification.context) return false;
  for (const Candidate& candidate : sources.candidates()) {
    if (candidate.trusted) {
      if (X509_STORE_add_cert(verification.trust.get(), candidate.certificate) != 1) return false;
    } else if (X509_up_ref(candidate.certificate) != 1 ||
               sk_X509_push(verification.untrusted.get(), candidate.certificate) <= 0) {
      return false;
    }
  }
  if (request.check_end_revocation) {
    for (const auto& folder : sources.folders()) {
      for (const auto& list : CachedRevocationLists(folder)) {
        if (X509_STORE_add_crl(verification.trust.get(), list.get()) != 1) return false;
      }
    }
  }
  X509_STORE_CTX* context = verification.context.get();
  if (X509_STORE_CTX_init(context, verification.trust.get(), end,
                          verification.untrusted.get()) != 1) {
    return false;
  }
  if (request.check_end_revocation) X509_STORE_CTX_set_flags(context, X509_V_FLAG_CRL_CHECK);
  if (request.time) X509_STORE_CTX_set_time(context, 0, *request.time);
  X509_STORE_CTX_set_verify_cb(context, RecordTrustProblem);
  return X509_STORE_CTX_set_app_data(context, &record) == 1;
}

// The context for a certificate of the chain: the end certificate's own, else a new one from
// the store the certificate was found in.
PCCERT_CONTEXT ElementContext(X509* certificate, int position, ContextObject* end,
                              const ChainSources& sources) {
  if (position == 0) {
    AddContextReference(end);
    return &end->context;
  }
  for (const Candidate& candidate : sources.candidates()) {
    if (X509_cmp(candidate.certificate, certificate) == 0) {
      return &MakeContext(candidate.store, candidate.contents, candidate.index)->context;
    }
  }
  return nullptr;
}

}  // namespace

PCCERT_CHAIN_CONTEXT BuildCertificateChain(const ChainRequest& request, DWORD& error) {
  ContextObject* end = ContextOf(request.certificate);
  X509* end_x509 = end == nullptr ? nullptr : end->certificate->OpenSslCertificate();
  if (end_x509 == nullptr) {
    error = E_INVALIDARG;
    return nullptr;
  }
  ChainSources sources;
  if (request.additional_store != nullptr) {
    StoreObject* additional = AcquireOpenStore(request.additional_store);
    if (additional == nullptr) {
      error = E_INVALIDARG;
      return nullptr;
    }
    sources.Add(additional, false);
  }
  sources.AddSystemStore("ROOT", true);
  sources.AddSystemStore("CA", false);
  AddStoreReference(end->store);
  sources.Add(end->store, false);

  const ossl::ErrorQueueMark mark;
  TrustRecord record;
  Verification verification;
  if (!PrepareVerification(request, sources, end_x509, record, verification) ||
      X509_verify_cert(verification.context.get()) < 0) {
    error = NTE_FAIL;
    return nullptr;
  }

  STACK_OF(X509)* built = X509_STORE_CTX_get0_chain(verification.context.get());
  const int length = sk_X509_num(built);
  std::vector<ChainElementStatus> elements;
  for (int position = 0; position < length; ++position) {
    X509* certificate = sk_X509_value(built, position);
    ChainElementStatus element;
    element.certificate = ElementContext(certificate, position, end, sources);
    const auto recorded = record.element_errors.find(position);
    if (recorded != record.element_errors.end()) element.status.dwErrorStatus = recorded->second;
    if (X509_self_signed(certificate, 0) == 1) {
      element.status.dwInfoStatus |= CERT_TRUST_IS_SELF_SIGNED;
    }
    elements.push_back(element);
  }
  // Problems recorded past the end of what was built belong to its last certificate.
  for (const auto& [position, bits] : record.element_errors) {
    if (position >= length && !elements.empty()) elements.back().status.dwErrorStatus |= bits;
  }
  for (const ChainElementStatus& element : elements) {
    if (element.certificate == nullptr) {
      for (const ChainElementStatus& made : elements) CertFreeCertificateContext(made.certificate);
      error = NTE_FAIL;
      return nullptr;
    }
  }
  return PublishChain(elements, record.chain_errors);
}

}  // namespace corvane::platform
