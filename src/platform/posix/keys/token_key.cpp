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

// How a module's slots are held, as libp11 0.4.12 behaves (tried with SoftHSM and with p11-kit's
// proxy module):
//  - Each enumeration makes a slot list with slot objects of its own, each with its own pool of
//    sessions and its own idea of the login. Releasing a list closes every session of its slots'
//    ids in the module (C_CloseAllSessions), also those opened through another list of the same
//    module; that other list does not notice: it hands out its closed sessions again and believes
//    its token logged in, so the token stays unusable through it.
//  - PKCS11_update_slots, which would refresh a list in place, reads the old list wrongly and
//    crashes when it has more than one slot.
// So a module has at most one list at a time. It is enumerated at the first need of the calls
// under way, and released, after logging out, by LogOutOfTokens once no call is under way: no
// list is ever released while a session of its slot ids is in use, and however often a token
// that is not present is looked for, nothing more is kept. A token that is not in the list is
// not present for the calls under way; one inserted meanwhile is found by the next call.
// A key handed out keeps its slot object past the release, but not the login: a key of a token
// is for the calls under way when it was loaded (no cache keeps one).
class SlotList {
 public:
  explicit SlotList(PKCS11_CTX* context) : context_(context) {}
  SlotList(const SlotList&) = delete;
  SlotList& operator=(const SlotList&) = delete;
  ~SlotList() {
    for (PKCS11_SLOT* slot : logged_in_) PKCS11_logout(slot);
    if (slots_ != nullptr) PKCS11_release_all_slots(context_, slots_, count_);
  }

  bool Enumerate() { return PKCS11_enumerate_slots(context_, &slots_, &count_) == 0; }
  unsigned int count() const { return count_; }
  PKCS11_SLOT* slot(unsigned int index) const { return &slots_[index]; }
  // Remembers a slot of this list this process logged in to, to log out of before the release.
  void NoteLogin(PKCS11_SLOT* slot) { logged_in_.push_back(slot); }

 private:
  PKCS11_CTX* context_;
  PKCS11_SLOT* slots_ = nullptr;
  unsigned int count_ = 0;
  std::vector<PKCS11_SLOT*> logged_in_;
};

struct LoadedModule {
  PKCS11_CTX* context = nullptr;
  std::unique_ptr<SlotList> slots;  // for the calls under way; null when none needed it yet
};

struct TokenState {
  std::mutex lock;
  std::map<std::string, LoadedModule> modules;  // by the path or name it was loaded from
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
  return &state.modules.emplace(path, LoadedModule{context.release(), nullptr}).first->second;
}

// The module's slot list for the calls under way, enumerated at the first need; null when the
// module cannot list its slots.
SlotList* Slots(LoadedModule* module) {
  if (module == nullptr) return nullptr;
  if (module->slots == nullptr) {
    auto enumerated = std::make_unique<SlotList>(module->context);
    if (!enumerated->Enumerate()) return nullptr;
    module->slots = std::move(enumerated);
  }
  return module->slots.get();
}

bool HoldsToken(const PKCS11_SLOT& slot) {
  return slot.token != nullptr && slot.token->initialized && slot.token->label != nullptr;
}

PKCS11_SLOT* TokenSlot(const SlotList* slots, const std::string& label) {
  for (unsigned int i = 0; slots != nullptr && i < slots->count(); ++i) {
    PKCS11_SLOT* slot = slots->slot(i);
    if (HoldsToken(*slot) && label == slot->token->label) return slot;
  }
  return nullptr;
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
DWORD LogIn(SlotList& slots, PKCS11_SLOT* slot, PinPrompt ask_pin) {
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
  slots.NoteLogin(slot);
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
  SlotList* slots = Slots(Module(state, ModulePath()));
  PKCS11_SLOT* slot = TokenSlot(slots, uri.token);
  if (slot != nullptr) {
    const DWORD login_failure = LogIn(*slots, slot, ask_pin);
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
  SlotList* slots = Slots(Module(state, ModulePath()));
  if (slots == nullptr) {
    ERR_pop_to_mark();
    return Status(CRYPT_E_NOT_FOUND).Because("cannot load the PKCS #11 module " + ModulePath());
  }
  for (unsigned int s = 0; s < slots->count(); ++s) {
    PKCS11_SLOT* slot = slots->slot(s);
    if (!HoldsToken(*slot) || (!token_label.empty() && token_label != slot->token->label) ||
        LogIn(*slots, slot, ask_pin) != 0) {
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
  const bool present = TokenSlot(Slots(Module(state, ModulePath())), label) != nullptr;
  ERR_pop_to_mark();
  return present;
}

void LogOutOfTokens() {
  TokenState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  ERR_set_mark();
  for (auto& [path, module] : state.modules) module.slots.reset();
  ERR_pop_to_mark();
}

}  // namespace corvane::platform
