// Key material held in memory only as long as it is needed, and wiped when it is dropped.
#pragma once

#include <openssl/crypto.h>

#include <cstdint>
#include <vector>

namespace corvane::platform {

class SecretBytes {
 public:
  SecretBytes() = default;
  explicit SecretBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  SecretBytes(const SecretBytes&) = delete;
  SecretBytes& operator=(const SecretBytes&) = delete;
  SecretBytes(SecretBytes&& other) noexcept : bytes_(std::move(other.bytes_)) {}
  SecretBytes& operator=(SecretBytes&& other) noexcept {
    Wipe();
    bytes_ = std::move(other.bytes_);
    return *this;
  }
  ~SecretBytes() { Wipe(); }

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }

 private:
  void Wipe() {
    if (!bytes_.empty()) OPENSSL_cleanse(bytes_.data(), bytes_.size());
  }

  std::vector<uint8_t> bytes_;
};

}  // namespace corvane::platform
