// CryptSetProviderExA, CryptAcquireContextA and CryptReleaseContext over the persistent provider
// state of provider_state.h, and the reference-counted provider handles of provider_context.h.
//
// Errors follow the platform: a type outside 1-999 is NTE_BAD_PROV_TYPE, a type without
// providers NTE_PROV_TYPE_NOT_DEF, an unknown provider NTE_BAD_PROVIDER when setting a default
// and NTE_KEYSET_NOT_DEF when acquiring, a provider of another type NTE_PROV_TYPE_NO_MATCH,
// CRYPT_NEWKEYSET on an existing container NTE_EXISTS, opening a missing container
// NTE_BAD_KEYSET, CRYPT_VERIFYCONTEXT with a container name NTE_BAD_FLAGS. CRYPT_DELETEKEYSET
// deletes the container and hands out no context. CryptReleaseContext on anything but a live
// context fails with ERROR_INVALID_PARAMETER; with non-zero flags it releases and then fails with
// NTE_BAD_FLAGS, as documented for Windows.
#include <map>
#include <mutex>
#include <string>

#include "platform/posix/platform_call.h"
#include "platform/posix/provider/provider_context.h"
#include "platform/posix/keys/token_key.h"
#include "platform/posix/provider/provider_state.h"

namespace corvane::platform {
namespace {

constexpr DWORD kMaxProviderType = 999;

struct ProviderContext {
  std::string provider;
  DWORD type = 0;
  std::string container;  // empty for CRYPT_VERIFYCONTEXT
  bool machine = false;
  int references = 1;
};

struct ProviderHandles {
  std::mutex lock;
  std::map<HCRYPTPROV, ProviderContext> live;
  HCRYPTPROV next = 0x10000;
};

ProviderHandles& Handles() {
  static ProviderHandles handles;
  return handles;
}

HCRYPTPROV RegisterContext(ProviderContext context) {
  ProviderHandles& handles = Handles();
  std::lock_guard<std::mutex> guard(handles.lock);
  const HCRYPTPROV handle = handles.next;
  handles.next += 4;
  handles.live.emplace(handle, std::move(context));
  return handle;
}

}  // namespace

bool AddProviderReference(HCRYPTPROV provider) {
  ProviderHandles& handles = Handles();
  std::lock_guard<std::mutex> guard(handles.lock);
  auto found = handles.live.find(provider);
  if (found == handles.live.end()) return false;
  ++found->second.references;
  return true;
}

bool ReleaseProviderReference(HCRYPTPROV provider) {
  ProviderHandles& handles = Handles();
  std::lock_guard<std::mutex> guard(handles.lock);
  auto found = handles.live.find(provider);
  if (found == handles.live.end()) return false;
  if (--found->second.references == 0) handles.live.erase(found);
  // Each export call holds a context: with none left, no call is under way that still needs a
  // token it logged in to, and the next one asks for the PIN again. Done under the lock, so that
  // a call acquiring its context meanwhile waits instead of losing its login and slot list.
  if (handles.live.empty()) LogOutOfTokens();
  return true;
}

size_t LiveProviderCount() {
  ProviderHandles& handles = Handles();
  std::lock_guard<std::mutex> guard(handles.lock);
  return handles.live.size();
}

}  // namespace corvane::platform

namespace provider_state = corvane::platform::provider_state;

extern "C" BOOL CryptSetProviderExA(LPCSTR provider_name, DWORD provider_type, DWORD* reserved,
                                    DWORD flags) {
  PLATFORM_ENTRY("CryptSetProviderExA");
  PLATFORM_ENSURE(provider_name != nullptr && reserved == nullptr, ERROR_INVALID_PARAMETER);
  PLATFORM_ENSURE(provider_type >= 1 && provider_type <= corvane::platform::kMaxProviderType,
                  NTE_BAD_PROV_TYPE);
  const DWORD scope = flags & (CRYPT_MACHINE_DEFAULT | CRYPT_USER_DEFAULT);
  PLATFORM_ENSURE((flags & ~(CRYPT_MACHINE_DEFAULT | CRYPT_USER_DEFAULT | CRYPT_DELETE_DEFAULT)) == 0 &&
                      (scope == CRYPT_MACHINE_DEFAULT || scope == CRYPT_USER_DEFAULT),
                  NTE_BAD_FLAGS);
  PLATFORM_ENSURE(provider_state::IsDefinedType(provider_type), NTE_PROV_TYPE_NOT_DEF);
  const bool remove = (flags & CRYPT_DELETE_DEFAULT) != 0;
  const auto provider = provider_state::FindProvider(provider_name);
  PLATFORM_ENSURE(remove || provider.has_value(), NTE_BAD_PROVIDER);
  PLATFORM_ENSURE(remove || provider->type == provider_type, NTE_PROV_TYPE_NO_MATCH);
  PLATFORM_ENSURE_OK(provider_state::SetDefaultProvider(
      provider_type, provider ? provider->name : "", scope == CRYPT_USER_DEFAULT, remove));
  return TRUE;
}

extern "C" BOOL CryptAcquireContextA(HCRYPTPROV* provider, LPCSTR container, LPCSTR provider_name,
                                     DWORD provider_type, DWORD flags) {
  PLATFORM_ENTRY("CryptAcquireContextA");
  PLATFORM_ENSURE(provider != nullptr, ERROR_INVALID_PARAMETER);
  *provider = 0;
  PLATFORM_ENSURE(provider_type >= 1 && provider_type <= corvane::platform::kMaxProviderType,
                  NTE_BAD_PROV_TYPE);
  PLATFORM_ENSURE((flags & ~(CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET |
                             CRYPT_MACHINE_KEYSET | CRYPT_SILENT)) == 0,
                  NTE_BAD_FLAGS);

  corvane::platform::ProviderContext context;
  if (provider_name == nullptr || provider_name[0] == '\0') {
    const auto name = provider_state::DefaultProvider(provider_type);
    PLATFORM_ENSURE(name.has_value(), NTE_PROV_TYPE_NOT_DEF);
    context.provider = *name;
  } else {
    const auto known = provider_state::FindProvider(provider_name);
    PLATFORM_ENSURE(known.has_value(), NTE_KEYSET_NOT_DEF);
    PLATFORM_ENSURE(known->type == provider_type, NTE_PROV_TYPE_NO_MATCH);
    context.provider = known->name;
  }
  context.type = provider_type;
  context.machine = (flags & CRYPT_MACHINE_KEYSET) != 0;

  const bool named = container != nullptr && container[0] != '\0';
  const std::string name = named ? std::string(container) : provider_state::DefaultContainerName();
  corvane::platform::Status status;
  switch (flags & (CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET)) {
    case 0:
      status = provider_state::OpenContainer(name, context.machine);
      context.container = name;
      break;
    case CRYPT_NEWKEYSET:
      status = provider_state::CreateContainer(name, context.machine);
      context.container = name;
      break;
    case CRYPT_DELETEKEYSET:
      PLATFORM_ENSURE_OK(provider_state::DeleteContainer(name, context.machine));
      return TRUE;  // the container is gone; no context is handed out
    case CRYPT_VERIFYCONTEXT:
    case CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET:
      PLATFORM_ENSURE(!named, NTE_BAD_FLAGS);
      break;
    default:
      status = corvane::platform::Status(NTE_BAD_FLAGS);
      break;
  }
  PLATFORM_ENSURE_OK(status);
  *provider = corvane::platform::RegisterContext(std::move(context));
  return TRUE;
}

extern "C" BOOL CryptReleaseContext(HCRYPTPROV provider, DWORD flags) {
  PLATFORM_ENTRY("CryptReleaseContext");
  PLATFORM_ENSURE(corvane::platform::ReleaseProviderReference(provider), ERROR_INVALID_PARAMETER);
  PLATFORM_ENSURE(flags == 0, NTE_BAD_FLAGS);
  return TRUE;
}
