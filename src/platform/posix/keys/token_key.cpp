#include "platform/posix/keys/token_key.h"

#include <libp11.h>
#include <openssl/err.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/environment.h"

namespace corvane::platform {
namespace {

constexpr char kSystemModule[] = "p11-kit-proxy.so";

// One slot list of a module.
struct SlotList {
  PKCS11_SLOT* slots = nullptr;
  unsigned int count = 0;
};

struct LoadedModule {
  PKCS11_CTX* context = nullptr;
  // Lists a token was found in, kept for the life of the process, since keys handed out and
  // logins refer to their slots. A new one is made only when a token is not found in the newest
  // (inserted since?), and kept only when it has the token, so their number stays small.
  std::vector<SlotList> slot_lists;
  // The new lists that did not have the token either (it is not present). Nothing refers to
  // them, but freeing a slot list closes every session of its slots, also those opened through
  // the kept lists (libp11 closes all sessions of the slot's id), which would log their tokens
  // out: so they are freed together when the process logs out of its tokens, at the end of each
  // call. However often a token that is not present is looked for, they do not pile up.
  std::vector<SlotList> unused_slot_lists;
};

struct TokenState {
  std::mutex lock;
  std::map<std::string, LoadedModule> modules;  // by the path or name it was loaded from
  std::vector<PKCS11_SLOT*> logged_in;          // slots this process logged in to
};

TokenState& State() {
  static TokenState* state = new TokenState;  // never destroyed: modules stay loaded
  return *state;
}

std::string ModulePath() {
  const std::string configured(EnvironmentValue("CORVANE_PKCS11_MODULE"));
  return configured.empty() ? kSystemModule : configured;
}

LoadedModule* Module(TokenState& state, const std::string& path) {
  auto found = state.modules.find(path);
  if (found != state.modules.end()) return &found->second;
  // Owned here until it is loaded; a loaded module stays for the life of the process.
  std::unique_ptr<PKCS11_CTX, decltype(&PKCS11_CTX_free)> context(PKCS11_CTX_new(),
                                                                  PKCS11_CTX_free);
  if (context == nullptr || PKCS11_CTX_load(context.get(), path.c_str()) != 0) return nullptr;
  return &state.modules.emplace(path, LoadedModule{context.release(), {}, {}}).first->second;
}

PKCS11_SLOT* FindToken(const SlotList& list, const std::string& label) {
  for (unsigned int i = 0; i < list.count; ++i) {
    const PKCS11_TOKEN* token = list.slots[i].token;
    if (token != nullptr && token->initialized && token->label != nullptr &&
        label == token->label) {
      return &list.slots[i];
    }
  }
  return nullptr;
}

PKCS11_SLOT* TokenSlot(LoadedModule& module, const std::string& label) {
  if (!module.slot_lists.empty()) {
    if (PKCS11_SLOT* slot = FindToken(module.slot_lists.back(), label)) return slot;
  }
  SlotList fresh;
  if (PKCS11_enumerate_slots(module.context, &fresh.slots, &fresh.count) != 0) return nullptr;
  PKCS11_SLOT* slot = FindToken(fresh, label);
  (slot != nullptr ? module.slot_lists : module.unused_slot_lists).push_back(fresh);
  return slot;
}

// Token labels are UTF-8 padded with blanks; the dialog shows the printable ASCII of it, which
// reads the same in GBK.
std::string LabelForDialog(const char* label) {
  std::string shown;
  for (const char* c = label; *c != '\0' && shown.size() < 64; ++c) {
    shown += (*c >= 0x20 && *c < 0x7F) ? *c : '?';
  }
  return shown;
}

// 0 when the slot's token is logged in (or needs no login), else the failure.
DWORD LogIn(TokenState& state, PKCS11_SLOT* slot, PinPrompt ask_pin) {
  const PKCS11_TOKEN* token = slot->token;
  int logged_in = 0;
  if (!token->loginRequired ||
      (PKCS11_is_logged_in(slot, 0, &logged_in) == 0 && logged_in != 0)) {
    return 0;
  }
  if (token->secureLogin) {  // the PIN pad asks
    if (PKCS11_login(slot, 0, nullptr) != 0) return SCARD_W_WRONG_CHV;
  } else {
    if (ask_pin == nullptr) return SCARD_W_CANCELLED_BY_USER;
    std::optional<SecretBytes> pin =
        ask_pin("\xCA\xE4\xC8\xEB PIN",  // 输入 PIN
               "\xC7\xEB\xCA\xE4\xC8\xEB\xC1\xEE\xC5\xC6 " + LabelForDialog(token->label) +
                   " \xB5\xC4 PIN\xA3\xBA");  // 请输入令牌 <label> 的 PIN：
    if (!pin) return SCARD_W_CANCELLED_BY_USER;
    std::vector<uint8_t> terminated(pin->size() + 1, 0);
    std::copy(pin->bytes().begin(), pin->bytes().end(), terminated.begin());
    const SecretBytes pin_text(std::move(terminated));
    if (PKCS11_login(slot, 0, reinterpret_cast<const char*>(pin_text.data())) != 0) {
      return SCARD_W_WRONG_CHV;
    }
  }
  state.logged_in.push_back(slot);
  return 0;
}

bool KeyMatches(const PKCS11_KEY& key, const TokenKeyUri& uri) {
  if (!key.isPrivate) return false;
  if (!uri.id.empty() &&
      (key.id_len != uri.id.size() || std::memcmp(key.id, uri.id.data(), key.id_len) != 0)) {
    return false;
  }
  return uri.object.empty() || (key.label != nullptr && uri.object == key.label);
}

// The first private key on the token that the URI names; null when there is none.
ossl::UniquePtr<EVP_PKEY> KeyOnToken(PKCS11_TOKEN* token, const TokenKeyUri& uri) {
  PKCS11_KEY* keys = nullptr;
  unsigned int key_count = 0;
  if (PKCS11_enumerate_keys(token, &keys, &key_count) != 0) return nullptr;
  for (unsigned int i = 0; i < key_count; ++i) {
    if (KeyMatches(keys[i], uri)) return ossl::UniquePtr<EVP_PKEY>(PKCS11_get_private_key(&keys[i]));
  }
  return nullptr;
}

}  // namespace

Status LoadTokenKey(const TokenKeyUri& uri, PinPrompt ask_pin, ossl::UniquePtr<EVP_PKEY>& key) {
  TokenState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  ERR_set_mark();
  DWORD failure = CRYPT_E_NO_KEY_PROPERTY;
  key.reset();
  LoadedModule* module = Module(state, ModulePath());
  PKCS11_SLOT* slot = module == nullptr ? nullptr : TokenSlot(*module, uri.token);
  if (slot != nullptr) {
    const DWORD login_failure = LogIn(state, slot, ask_pin);
    if (login_failure != 0) {
      failure = login_failure;
    } else {
      key = KeyOnToken(slot->token, uri);
    }
  }
  ERR_pop_to_mark();
  return key != nullptr ? Status() : Status(failure);
}

Status ListTokenCertificates(const std::string& token_label, PinPrompt ask_pin,
                             std::vector<TokenCertificate>& found) {
  TokenState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  ERR_set_mark();
  LoadedModule* module = Module(state, ModulePath());
  SlotList slots;
  if (module == nullptr || PKCS11_enumerate_slots(module->context, &slots.slots, &slots.count) != 0) {
    ERR_pop_to_mark();
    return Status(CRYPT_E_NOT_FOUND).Because("cannot load the PKCS #11 module " + ModulePath());
  }
  module->slot_lists.push_back(slots);
  for (unsigned int s = 0; s < slots.count; ++s) {
    PKCS11_SLOT* slot = &slots.slots[s];
    if (slot->token == nullptr || !slot->token->initialized || slot->token->label == nullptr ||
        (!token_label.empty() && token_label != slot->token->label) || LogIn(state, slot, ask_pin) != 0) {
      continue;
    }
    PKCS11_CERT* certificates = nullptr;
    unsigned int certificate_count = 0;
    PKCS11_KEY* keys = nullptr;
    unsigned int key_count = 0;
    if (PKCS11_enumerate_certs(slot->token, &certificates, &certificate_count) != 0 ||
        PKCS11_enumerate_keys(slot->token, &keys, &key_count) != 0) {
      continue;
    }
    for (unsigned int c = 0; c < certificate_count; ++c) {
      const PKCS11_CERT& certificate = certificates[c];
      if (certificate.x509 == nullptr || certificate.id_len == 0) continue;
      TokenKeyUri uri{slot->token->label,
                      std::vector<uint8_t>(certificate.id, certificate.id + certificate.id_len), ""};
      const bool has_key = std::any_of(keys, keys + key_count,
                                       [&](const PKCS11_KEY& key) { return KeyMatches(key, uri); });
      if (has_key && X509_up_ref(certificate.x509) == 1) {
        found.push_back({ossl::UniquePtr<X509>(certificate.x509), std::move(uri)});
      }
    }
  }
  ERR_pop_to_mark();
  return Status();
}

bool TokenPresent(const std::string& label) {
  TokenState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  ERR_set_mark();
  LoadedModule* module = Module(state, ModulePath());
  const bool present = module != nullptr && TokenSlot(*module, label) != nullptr;
  ERR_pop_to_mark();
  return present;
}

void LogOutOfTokens() {
  TokenState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  for (PKCS11_SLOT* slot : state.logged_in) PKCS11_logout(slot);
  state.logged_in.clear();
  for (auto& [path, module] : state.modules) {
    for (const SlotList& list : module.unused_slot_lists) {
      PKCS11_release_all_slots(module.context, list.slots, list.count);
    }
    module.unused_slot_lists.clear();
  }
}

}  // namespace corvane::platform
