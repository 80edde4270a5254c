// libFuzzer target: a revocation list from outside on its way to the trust decision of
// verifySingleSignedMsg. The input is a flags byte and the list's bytes, then "\n%%\n" and the
// signed message's DER. Flags: bit 0 puts the list into ROOT (its issuer the root) instead of CA;
// bit 1 re-signs a list that parses with its issuer's key, so that what the list says, not only
// how it is encoded, reaches the revocation tests. The list replaces the store's list file as
// `corvane store add-crl` would write it, so the cache must see the change.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "corvane.h"
#include "fuzz_setup.h"
#include "platform/posix/files/atomic_file.h"

namespace {

// The list signed anew with `key`; the bytes as they are when they are no DER list.
std::string SignedAnew(std::string_view bytes, EVP_PKEY* key) {
  const auto* cursor = reinterpret_cast<const unsigned char*>(bytes.data());
  corvane::ossl::UniquePtr<X509_CRL> list(d2i_X509_CRL(nullptr, &cursor, static_cast<long>(bytes.size())));
  if (list == nullptr || X509_CRL_sign(list.get(), key, EVP_sha256()) <= 0) return std::string(bytes);
  const std::string signed_list = corvane::ossl::DerOf(list.get(), i2d_X509_CRL);
  return signed_list.empty() ? std::string(bytes) : signed_list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvane::fuzz;
  static const bool installed = (InstallFixedPki(), true);
  (void)installed;
  const auto parts = SplitInput(data, size, 2);
  if (parts.size() != 2 || parts[0].empty()) return 0;
  const uint8_t flags = static_cast<uint8_t>(parts[0][0]);
  const std::string_view list = parts[0].substr(1);
  const bool root = flags & 1;
  const std::string bytes =
      (flags & 2) ? SignedAnew(list, root ? Pki().root_key.get() : Pki().ca_key.get()) : std::string(list);
  std::error_code ignored;
  std::filesystem::remove(RevocationListPath(!root), ignored);
  if (!corvane::platform::WriteFileAtomically(RevocationListPath(root), bytes, 0644).ok()) __builtin_trap();
  CallMessageExport(verifySingleSignedMsg, parts[1], "detached content");
  return 0;
}
