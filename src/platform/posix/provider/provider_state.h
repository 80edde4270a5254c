// The persistent provider state that CryptSetProviderExA and CryptAcquireContextA work on, kept
// under <root>/providers/:
//
//   defaults/machine-type-<NNN>     the machine's default provider of type NNN (its name, one line)
//   defaults/user-type-<NNN>        the user's default provider of type NNN
//   containers/user/<name>          a key container of the user
//   containers/machine/<name>       a key container of the machine (CRYPT_MACHINE_KEYSET)
//
// Decisions where Windows leaves room or has no counterpart here:
// - The known providers are the three RSA providers of the platform ("Microsoft Base
//   Cryptographic Provider v1.0", "Microsoft Enhanced Cryptographic Provider v1.0", "Microsoft
//   Strong Cryptographic Provider"), all of type PROV_RSA_FULL; names compare case-insensitively
//   (as registry keys do). No other provider type is defined.
// - With no default recorded, the default provider of PROV_RSA_FULL is the Strong provider, as on
//   Windows; a user default wins over the machine default.
// - The three providers share their key containers (they are one implementation on Windows too).
//   Container names compare case-insensitively; a null or empty name is the user's default
//   container, named after the login name. A container file records the container's name; keys
//   themselves live beside the certificates in the stores, so a container holds none.
// - Creating a container that exists writes nothing (its file is looked for first): operations
//   ask for the default container on every call.
// - Every file is written atomically (temporary file + rename; a new container is linked into
//   place so that of two concurrent creators exactly one wins and the other sees NTE_EXISTS).
// - Folders are created with mode 0700 when first written to.
// - A default that cannot be recorded because the provider folder is not writable (a read-only
//   or shared store root) holds for the rest of the process instead of failing: operations set
//   the default on every call and must work where they only read.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/posix/status.h"

namespace corvane::platform::provider_state {

// The canonical name of a known provider and its type; nothing for an unknown name.
struct KnownProvider {
  const char* name;
  DWORD type;
};
std::optional<KnownProvider> FindProvider(const char* name);

bool IsDefinedType(DWORD type);

// The default provider of `type` (user default, else machine default, else the built-in one).
// Nothing when the type has none.
std::optional<std::string> DefaultProvider(DWORD type);

// Records (or, with remove, forgets) a default provider.
Status SetDefaultProvider(DWORD type, const std::string& name, bool user, bool remove);

// The name of the user's default container.
std::string DefaultContainerName();

// Key containers: NTE_EXISTS (create) or NTE_BAD_KEYSET (open, delete), or an I/O failure.
Status CreateContainer(const std::string& name, bool machine);
Status OpenContainer(const std::string& name, bool machine);
Status DeleteContainer(const std::string& name, bool machine);

}  // namespace corvane::platform::provider_state
