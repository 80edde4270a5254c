// Private keys that stay on a PKCS #11 token, named by a token key URI (token_key_uri.h) in a
// certificate's .key file, and used through OpenSSL keys that libp11 backs with the token.
//
// Modules: the one named by CORVANE_PKCS11_MODULE (a path), else p11-kit's proxy module, which
// serves every module the system's p11-kit configuration registers (OpenSC for smart cards,
// SoftHSM, a vendor's module). A module is loaded on first use and stays loaded for the life of
// the process: keys handed out refer to it.
//
// Login: a token that wants one is logged in when a key of it is first needed and stays logged
// in while any provider context of the process is live (each export call holds one), so one
// call asks for the PIN at most once per token; LogOutOfTokens ends that when the last context
// is released. A token with a protected authentication path (a PIN pad) is logged in without
// asking; otherwise the PIN comes from the prompt the caller hands in (the UI's PIN dialog) and
// is wiped after the login.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ossl.h"
#include "platform/posix/secret_bytes.h"
#include "platform/posix/status.h"
#include "platform/posix/keys/token_key_uri.h"

namespace corvane::platform {

// Asks the user for a token's PIN: the caption and text (GBK) of the dialog in, the PIN out, or
// nullopt when the user cancels. The caller hands in the UI's PIN dialog; a null prompt never
// asks, and a token that wants a PIN then counts as cancelled.
using PinPrompt = std::optional<SecretBytes> (*)(const std::string& caption_gbk,
                                                 const std::string& text_gbk);

// The key the URI names, into `key`. When it cannot be had:
//   CRYPT_E_NO_KEY_PROPERTY    no module, no such token, no such key on it
//   SCARD_W_CANCELLED_BY_USER  the PIN dialog was cancelled or could not be shown
//   SCARD_W_WRONG_CHV          the token refused the PIN
Status LoadTokenKey(const TokenKeyUri& uri, PinPrompt ask_pin, ossl::UniquePtr<EVP_PKEY>& key);

// A certificate on a token with a private key of the same CKA_ID beside it.
struct TokenCertificate {
  ossl::UniquePtr<X509> certificate;
  TokenKeyUri key;
};

// The certificates with a private key beside them on the present tokens, or on the one labelled
// `token_label` when it is not empty; in slot order, then the token's object order. A token that
// wants a login is logged in first (PIN dialog), since its keys are private objects; a token
// whose PIN is refused is passed over. Fails with CRYPT_E_NOT_FOUND when the module cannot be
// loaded.
Status ListTokenCertificates(const std::string& token_label, PinPrompt ask_pin,
                             std::vector<TokenCertificate>& found);

// Whether a token with this label is present in a slot of the module.
bool TokenPresent(const std::string& label);

// Logs out of every token this process logged in to and releases the slots the calls looked
// at: for when no call is under way any more. The next call looks at the slots afresh.
void LogOutOfTokens();

}  // namespace corvane::platform
