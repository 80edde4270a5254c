#include "platform/posix/chain/chain_builder.h"

#include <algorithm>
#include <map>
#include <unordered_set>
#include <vector>

#include "platform/posix/chain/chain_context.h"
#include "platform/posix/chain/issuer_preference.h"
#include "platform/posix/chain/issuer_revocation_lists.h"
#include "platform/posix/chain/trust_material.h"
#include "platform/posix/chain/trust_status.h"
#include "platform/posix/ossl.h"
#include "platform/posix/store/certificate_context.h"

namespace corvane::platform {
namespace {

// What one chain is built from besides the system stores' material: the caller's additional
// store and the store the end certificate came from, each held by one reference until the chain
// is made.
class CallSources {
 public:
  explicit CallSources(std::shared_ptr<const TrustMaterial> material)
      : material_(std::move(material)) {}
  ~CallSources() {
    for (StoreObject* store : stores_) ReleaseStore(store);
  }
  CallSources(const CallSources&) = delete;
  CallSources& operator=(const CallSources&) = delete;

  // Takes over one reference to `store`.
  void Add(StoreObject* store) {
    stores_.push_back(store);
    std::shared_ptr<const StoreContents> contents;
    if (!store->WholeContents(contents).ok()) contents = store->Contents();  // what was read must do
    for (size_t index = 0; index < contents->certificates.size(); ++index) {
      if (contents->certificates[index]->OpenSslCertificate() != nullptr) {
        candidates_.push_back(ChainCandidate{store, contents, index});
      }
    }
    if (!contents->folder.empty()) folders_.push_back(contents->folder);
  }

  const TrustMaterial& material() const { return *material_; }
  const std::vector<ChainCandidate>& candidates() const { return candidates_; }

  // The folders whose revocation lists count: ROOT's and CA's, and those of the stores added.
  std::vector<std::filesystem::path> Folders() const {
    std::vector<std::filesystem::path> folders = material_->Folders();
    folders.insert(folders.end(), folders_.begin(), folders_.end());
    return folders;
  }

  // The CA certificates that can be reached from `end` and the stores added by following issuer
  // names: the only ones OpenSSL could put into a chain, since it takes an intermediate only
  // when its subject is the issuer name sought. In the store's order, but for the path from `end`
  // first (issuer_preference.h).
  std::vector<const ChainCandidate*> ReachableIntermediates(X509* end) const {
    std::vector<X509*> to_visit = {end};
    for (const ChainCandidate& candidate : candidates_) to_visit.push_back(candidate.Certificate());
    std::vector<const ChainCandidate*> reached;
    std::unordered_set<const ChainCandidate*> seen;
    for (size_t next = 0; next < to_visit.size(); ++next) {
      const auto hash = NameHash(X509_get_issuer_name(to_visit[next]));
      const auto* named = hash ? material_->IntermediatesNamed(*hash) : nullptr;
      if (named == nullptr) continue;
      for (const ChainCandidate* candidate : *named) {
        if (!seen.insert(candidate).second || candidate->Certificate() == nullptr) continue;
        reached.push_back(candidate);
        to_visit.push_back(candidate->Certificate());
      }
    }
    std::sort(reached.begin(), reached.end(), [](const ChainCandidate* a, const ChainCandidate* b) {
      return a->Stored().thumbprint < b->Stored().thumbprint;
    });
    PutVerifyingIssuersFirst(end, reached);
    return reached;
  }

  // The candidate that is this very OpenSSL certificate; null for none.
  const ChainCandidate* Find(X509* certificate) const {
    for (const ChainCandidate& candidate : candidates_) {
      if (candidate.Certificate() == certificate) return &candidate;
    }
    return material_->Find(certificate);
  }

 private:
  std::shared_ptr<const TrustMaterial> material_;
  std::vector<StoreObject*> stores_;
  std::vector<ChainCandidate> candidates_;
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

bool PushCertificate(STACK_OF(X509)* stack, X509* certificate) {
  return X509_up_ref(certificate) == 1 && sk_X509_push(stack, certificate) > 0;
}

bool PrepareVerification(const ChainRequest& request, const CallSources& sources, X509* end,
                         TrustRecord& record, Verification& verification) {
  X509_STORE* anchors = sources.material().anchors();
  if (X509_STORE_up_ref(anchors) != 1) return false;
  verification.trust.reset(anchors);
  verification.untrusted.reset(sk_X509_new_null());
  verification.context.reset(X509_STORE_CTX_new_ex(ossl::LibraryContext(), ossl::kNoProperties));
  if (!verification.untrusted || !verification.context) {
    return false;
  }
  // The caller's stores first, then the intermediates of CA, as the stores were searched before.
  for (const ChainCandidate& candidate : sources.candidates()) {
    if (!PushCertificate(verification.untrusted.get(), candidate.Certificate())) return false;
  }
  for (const ChainCandidate* candidate : sources.ReachableIntermediates(end)) {
    if (!PushCertificate(verification.untrusted.get(), candidate->Certificate())) return false;
  }
  X509_STORE_CTX* context = verification.context.get();
  if (X509_STORE_CTX_init(context, verification.trust.get(), end,
                          verification.untrusted.get()) != 1) {
    return false;
  }
  if (request.time) X509_STORE_CTX_set_time(context, 0, *request.time);
  X509_STORE_CTX_set_verify_cb(context, RecordTrustProblem);
  return X509_STORE_CTX_set_app_data(context, &record) == 1;
}

// The end certificate's revocation status, from the lists that its issuer in the built chain
// issued (itself when it is self-signed): revoked when any of them names it; a status that cannot
// be determined (as when offline) when none of them is current. OpenSSL is not given the lists:
// it would take one list per issuer, and apply the entries of a list whose signature failed.
DWORD EndRevocationStatus(STACK_OF(X509)* built, const ChainRequest& request,
                          const CallSources& sources) {
  X509* end = sk_X509_value(built, 0);
  X509* issuer = sk_X509_num(built) > 1 ? sk_X509_value(built, 1)
                 : X509_self_signed(end, 0) == 1 ? end
                                                 : nullptr;
  constexpr DWORD kUnknown = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
  if (issuer == nullptr) return kUnknown;
  const auto lists = RevocationListsIssuedBy(issuer, sources.Folders());
  if (AnyListNames(lists, end)) return CERT_TRUST_IS_REVOKED;
  return AnyListCurrent(lists, request.time) ? 0 : kUnknown;
}

// The context for a certificate of the chain: the end certificate's own, else a new one from
// the store the certificate was found in.
PCCERT_CONTEXT ElementContext(X509* certificate, int position, ContextObject* end,
                              const CallSources& sources) {
  if (position == 0) {
    AddContextReference(end);
    return &end->context;
  }
  const ChainCandidate* candidate = sources.Find(certificate);
  if (candidate == nullptr) return nullptr;
  return &MakeContext(candidate->store, candidate->contents, candidate->index)->context;
}

}  // namespace

Status BuildCertificateChain(const ChainRequest& request, PCCERT_CHAIN_CONTEXT& chain) {
  chain = nullptr;
  ContextObject* end = ContextOf(request.certificate);
  X509* end_x509 = end == nullptr ? nullptr : end->certificate->OpenSslCertificate();
  if (end_x509 == nullptr) return Status(E_INVALIDARG);
  std::shared_ptr<const TrustMaterial> material = CurrentTrustMaterial();
  if (material == nullptr) return Status(NTE_FAIL);
  CallSources sources(std::move(material));
  if (request.additional_store != nullptr) {
    StoreObject* additional = AcquireOpenStore(request.additional_store);
    if (additional == nullptr) return Status(E_INVALIDARG);
    sources.Add(additional);
  }
  AddStoreReference(end->store);
  sources.Add(end->store);

  const ossl::ErrorQueueMark mark;
  TrustRecord record;
  Verification verification;
  if (!PrepareVerification(request, sources, end_x509, record, verification) ||
      X509_verify_cert(verification.context.get()) < 0) {
    return Status(NTE_FAIL);
  }

  STACK_OF(X509)* built = X509_STORE_CTX_get0_chain(verification.context.get());
  const int length = sk_X509_num(built);
  if (request.check_end_revocation && length > 0) {
    record.element_errors[0] |= EndRevocationStatus(built, request, sources);
  }
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
      return Status(NTE_FAIL);
    }
  }
  chain = PublishChain(elements, record.chain_errors);
  return Status();
}

}  // namespace corvane::platform
