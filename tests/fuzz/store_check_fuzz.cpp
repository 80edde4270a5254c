// libFuzzer target: `corvane store check` on a store folder of fuzzed files. The input is a
// flags byte, then, cut at "\n%%\n", a certificate file, its key file, a revocation list file,
// and the name of one more file (holding the key file's bytes), such as a temporary file that a
// write left behind. The certificate file is named by the SHA-1 of its bytes, the key file
// beside it. Flags: bit 0 the store CA instead of MY, bit 1 the key file readable by others,
// bit 2 repair. Whatever a repair fixed, a check after it does not report again.
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_setup.h"
#include "platform/posix/admin/store_check.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/store/thumbprint.h"
#include "support/test_home.h"

namespace {

using namespace corvane::platform;

bool IsFileName(std::string_view name) {
  return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

bool SameFinding(const StoreFinding& a, const StoreFinding& b) {
  return a.file == b.file && a.problem == b.problem;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool uncached = (corvane::fuzz::Home().SetEnv("CORVANE_CACHE", "off"), true);
  (void)uncached;
  const auto parts = corvane::fuzz::SplitInput(data, size, 4);
  if (parts[0].empty()) return 0;
  const uint8_t flags = static_cast<uint8_t>(parts[0][0]);
  const std::string store = (flags & 1) ? "CA" : "MY";
  const bool repair = flags & 4;
  const std::string certificate(parts[0].substr(1));
  const std::string key(parts.size() > 1 ? parts[1] : std::string_view());
  const std::string list(parts.size() > 2 ? parts[2] : std::string_view());

  std::filesystem::remove_all(StoresFolder());
  const std::filesystem::path folder = StoreFolder(store);
  const std::string thumbprint =
      Thumbprint(reinterpret_cast<const BYTE*>(certificate.data()), certificate.size());
  corvane::testing::WriteFile(folder / CertificateFileName(thumbprint), certificate);
  const std::filesystem::path key_file = folder / KeyFileName(thumbprint);
  corvane::testing::WriteFile(key_file, key);
  chmod(key_file.c_str(), (flags & 2) ? 0644 : 0600);
  corvane::testing::WriteFile(folder / "revocation-list.crl", list);
  if (parts.size() > 3 && IsFileName(parts[3])) corvane::testing::WriteFile(folder / std::string(parts[3]), key);

  std::vector<StoreFinding> findings;
  if (!CheckStore(store, repair, findings).ok()) __builtin_trap();
  if (!repair) return 0;
  std::vector<StoreFinding> after;
  if (!CheckStore(store, false, after).ok()) __builtin_trap();
  for (const StoreFinding& finding : findings) {
    if (finding.repaired && std::any_of(after.begin(), after.end(),
                                        [&](const StoreFinding& again) { return SameFinding(again, finding); })) {
      __builtin_trap();
    }
  }
  return 0;
}
