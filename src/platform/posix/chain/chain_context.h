// The object behind a PCCERT_CHAIN_CONTEXT: one simple chain, end certificate first, with the
// Windows structures pointing into storage of its own. Every element holds one reference to its
// certificate context. Chain contexts are looked up before they are followed, so that a freed or
// foreign pointer is refused instead of read.
#pragma once

#include <memory>
#include <vector>

#include "platform/platform.h"

namespace corvane::platform {

struct ChainElementStatus {
  PCCERT_CONTEXT certificate = nullptr;  // one reference, handed over to the chain
  CERT_TRUST_STATUS status{};
};

struct ChainObject {
  CERT_CHAIN_CONTEXT context{};  // what a PCCERT_CHAIN_CONTEXT points at
  CERT_SIMPLE_CHAIN simple{};
  PCERT_SIMPLE_CHAIN simple_list[1]{};
  std::vector<CERT_CHAIN_ELEMENT> elements;
  std::vector<PCERT_CHAIN_ELEMENT> element_list;
};

// A live chain context for the elements (end certificate first) and the bits of the chain as a
// whole; the chain's own status is theirs together with every element's.
PCCERT_CHAIN_CONTEXT PublishChain(const std::vector<ChainElementStatus>& elements,
                                  DWORD chain_error_status);

// The object behind a live chain context, or null for anything else.
const ChainObject* ChainOf(PCCERT_CHAIN_CONTEXT chain);

// Ends a live chain context and releases its certificates; false when it is not one.
bool DestroyChain(PCCERT_CHAIN_CONTEXT chain);

}  // namespace corvane::platform
