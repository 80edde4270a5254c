// The physical floor of each operation: the work no implementation can leave out, done with the
// fastest means at hand and nothing else. Signing: SHA-1 over the data, one RSA signature, Base64
// of the data and the signature. Verification: Base64 decoding, SHA-1, one RSA verification.
// Enveloping: RC4-128 over the data, one RSA encryption of the content key, Base64. Opening:
// Base64 decoding, one RSA decryption, RC4-128. No ASN.1, no certificates, no allocation in the
// measured call (the buffers are made beforehand).
#pragma once

#include <string>
#include <vector>

#include "export_calls.h"
#include "platform/posix/ossl.h"

namespace corvane::bench {

class PhysicalFloor {
 public:
  PhysicalFloor(EVP_PKEY* key, const std::string& data);

  void Run(Operation operation);

 private:
  void Sign();
  void Verify();
  void Envelope();
  void Open();
  void Rc4(const uint8_t* in, size_t size, uint8_t* out);
  void Encode(const uint8_t* bytes, size_t size);
  void Decode();

  EVP_PKEY* key_;
  const std::string& data_;
  std::string text_;  // the data's Base64, as the exports write it
  std::vector<uint8_t> bytes_;
  std::vector<char> text_out_;
  std::vector<uint8_t> signature_;
  std::vector<uint8_t> wrapped_key_;
  uint8_t content_key_[16] = {};
};

}  // namespace corvane::bench
