#include "platform/posix/chain/chain_context.h"

#include <mutex>
#include <unordered_map>

namespace corvane::platform {
namespace {

struct LiveChains {
  std::mutex lock;
  std::unordered_map<const CERT_CHAIN_CONTEXT*, std::unique_ptr<ChainObject>> chains;
};

LiveChains& Chains() {
  static LiveChains chains;
  return chains;
}

}  // namespace

PCCERT_CHAIN_CONTEXT PublishChain(const std::vector<ChainElementStatus>& elements,
                                  DWORD chain_error_status) {
  auto object = std::make_unique<ChainObject>();
  object->elements.resize(elements.size());
  CERT_TRUST_STATUS overall{chain_error_status, 0};
  for (size_t index = 0; index < elements.size(); ++index) {
    CERT_CHAIN_ELEMENT& element = object->elements[index];
    element.cbSize = sizeof element;
    element.pCertContext = elements[index].certificate;
    element.TrustStatus = elements[index].status;
    overall.dwErrorStatus |= element.TrustStatus.dwErrorStatus;
    object->element_list.push_back(&element);
  }
  object->simple.cbSize = sizeof object->simple;
  object->simple.TrustStatus = overall;
  object->simple.cElement = static_cast<DWORD>(elements.size());
  object->simple.rgpElement = object->element_list.data();
  object->simple_list[0] = &object->simple;
  object->context.cbSize = sizeof object->context;
  object->context.TrustStatus = overall;
  object->context.cChain = 1;
  object->context.rgpChain = object->simple_list;

  const CERT_CHAIN_CONTEXT* handle = &object->context;
  LiveChains& live = Chains();
  std::lock_guard<std::mutex> guard(live.lock);
  live.chains.emplace(handle, std::move(object));
  return handle;
}

const ChainObject* ChainOf(PCCERT_CHAIN_CONTEXT chain) {
  LiveChains& live = Chains();
  std::lock_guard<std::mutex> guard(live.lock);
  const auto found = live.chains.find(chain);
  return found == live.chains.end() ? nullptr : found->second.get();
}

bool DestroyChain(PCCERT_CHAIN_CONTEXT chain) {
  std::unique_ptr<ChainObject> object;
  {
    LiveChains& live = Chains();
    std::lock_guard<std::mutex> guard(live.lock);
    const auto found = live.chains.find(chain);
    if (found == live.chains.end()) return false;
    object = std::move(found->second);
    live.chains.erase(found);
  }
  for (const CERT_CHAIN_ELEMENT& element : object->elements) {
    CertFreeCertificateContext(element.pCertContext);
  }
  return true;
}

}  // namespace corvane::platform
