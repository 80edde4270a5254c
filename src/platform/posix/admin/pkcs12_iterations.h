// The key derivations a PKCS #12 file asks for, counted before any of them is done. Each one runs
// as many rounds as the file says: its MAC key (PKCS #12 KDF), the key of every encrypted part
// and of every shrouded private key (PKCS #12 KDF, PBKDF2, or scrypt with PBES2). A file that
// asks for 2^31-1 rounds would keep an import busy for many minutes, so files over a limit are
// refused before OpenSSL reads them with the password.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/posix/ossl.h"
#include "platform/posix/status.h"

namespace corvane::platform {

// Rounds of key derivation a PKCS #12 file may ask for, for any one key and for all of them
// together (scrypt counting N·r·p). Real files stay far below: OpenSSL writes 2048, Windows 2000,
// Java 10,000, and tools that follow current advice for PBKDF2 up to about 1,000,000 per key;
// the limit takes ten such keys and costs at most seconds.
inline constexpr uint64_t kMaxPkcs12Iterations = 10'000'000;

// Fails with CRYPT_E_ASN1_CORRUPT and a reason for people when `p12` asks for more than
// kMaxPkcs12Iterations rounds or its derivation parameters cannot be read. The parts encrypted
// as a whole are decrypted with `password` (as PKCS12_parse will, after their own count has
// passed) to count the shrouded keys inside them.
Status CheckPkcs12Iterations(const PKCS12& p12, const std::optional<std::string>& password);

}  // namespace corvane::platform
