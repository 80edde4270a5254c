#include "platform/posix/message/key_checks.h"

#include <string>

#include "platform/posix/failure_detail.h"

namespace corvane::platform {
namespace {

constexpr const char* kKeyAgreementCurves[] = {"prime256v1", "secp384r1", "secp521r1"};

Status Refused(DWORD error, std::string reason) {
  SetFailureDetail(std::move(reason));
  return Status(error);
}

// The key's type by OpenSSL's numeric identifier, which costs no lookup of names (EVP_PKEY_is_a
// asks the provider's name map on every call): RSA keys are EVP_PKEY_RSA (RSA-PSS keys are not),
// EC keys EVP_PKEY_EC.
bool IsRsaKey(const EVP_PKEY& key) { return EVP_PKEY_get_base_id(&key) == EVP_PKEY_RSA; }

bool RsaKeyTooSmall(const EVP_PKEY& key, const AlgorithmPolicy& policy) {
  return IsRsaKey(key) && EVP_PKEY_get_bits(&key) < policy.min_rsa_bits;
}

std::string RsaSizeReason(const EVP_PKEY& key, const char* whose, const AlgorithmPolicy& policy) {
  return std::string("the ") + whose + " has a " + std::to_string(EVP_PKEY_get_bits(&key)) +
         "-bit RSA key; the policy (key.min_rsa_bits) asks for at least " +
         std::to_string(policy.min_rsa_bits) + " bits";
}

std::string CurveOf(const EVP_PKEY& key) {
  char name[64] = {};
  size_t length = 0;
  if (EVP_PKEY_get_group_name(&key, name, sizeof name, &length) != 1) return {};
  return std::string(name, length);
}

}  // namespace

Status CheckSigningKey(const EVP_PKEY& key, const AlgorithmPolicy& policy) {
  for (const char* curve : {"Ed25519", "Ed448"}) {
    if (EVP_PKEY_is_a(&key, curve)) {
      return Refused(CRYPT_E_MSG_ERROR, std::string("the private key of the signing certificate is ") +
                                            curve + ", which PKCS #7 signing here does not support");
    }
  }
  if (RsaKeyTooSmall(key, policy)) {
    return Refused(NTE_BAD_KEY, RsaSizeReason(key, "signing certificate", policy));
  }
  return Status();
}

bool IsKeyAgreementKey(const EVP_PKEY& key) { return EVP_PKEY_get_base_id(&key) == EVP_PKEY_EC; }

Status CheckRecipientKey(const EVP_PKEY& key, const AlgorithmPolicy& policy) {
  if (IsRsaKey(key)) {
    if (!RsaKeyTooSmall(key, policy)) return Status();
    return Refused(CRYPT_E_UNKNOWN_ALGO, RsaSizeReason(key, "recipient's certificate", policy));
  }
  if (!IsKeyAgreementKey(key)) {
    const char* type = EVP_PKEY_get0_type_name(&key);
    return Refused(CRYPT_E_UNKNOWN_ALGO, std::string("the recipient's certificate has a ") +
                                             (type != nullptr ? type : "unknown") +
                                             " key; envelopes go to RSA and EC (P-256, P-384, "
                                             "P-521) keys only");
  }
  const std::string curve = CurveOf(key);
  bool known_curve = false;
  for (const char* supported : kKeyAgreementCurves) known_curve |= curve == supported;
  if (!known_curve) {
    return Refused(CRYPT_E_UNKNOWN_ALGO, "the recipient's EC key is on curve " + curve +
                                             "; envelopes go to P-256, P-384 and P-521 only");
  }
  if (policy.envelope_cipher == EnvelopeCipher::kRc4) {
    return Refused(CRYPT_E_UNKNOWN_ALGO,
                   "the recipient has an EC key, which needs an AES envelope; RC4 has no key "
                   "wrap (set envelope.cipher = aes128 or aes256 in the policy)");
  }
  return Status();
}

}  // namespace corvane::platform
