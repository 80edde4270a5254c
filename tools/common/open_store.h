// One system store, open while the owner lives.
#pragma once

#include "platform/platform.h"

namespace corvane::tool {

class OpenStore {
 public:
  explicit OpenStore(const char* name) : handle_(CertOpenSystemStoreA(0, name)) {}
  ~OpenStore() {
    if (handle_ != nullptr) CertCloseStore(handle_, 0);
  }
  OpenStore(const OpenStore&) = delete;
  OpenStore& operator=(const OpenStore&) = delete;

  HCERTSTORE get() const { return handle_; }  // null when the store could not be opened
  HCERTSTORE* address() { return &handle_; }

 private:
  HCERTSTORE handle_;
};

}  // namespace corvane::tool
