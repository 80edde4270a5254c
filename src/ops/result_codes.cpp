#include "ops/result_codes.h"

namespace corvane::ops {

Outcome MapMessageCallError(MessageCall call, DWORD error) {
  // The missing-key error differs by direction: the platform reports a certificate without a
  // linked key as CRYPT_E_NO_KEY_PROPERTY, and an envelope with no openable recipient as
  // CRYPT_E_NO_DECRYPT_CERT.
  const DWORD missing_key =
      call == MessageCall::kDecrypt ? CRYPT_E_NO_DECRYPT_CERT : CRYPT_E_NO_KEY_PROPERTY;
  if (error == missing_key) return {kNoPrivateKey, text::kNoPrivateKey};
  if (error == CRYPT_E_OSS_ERROR) return {kUnrecognisedPackage, text::kUnrecognisedPackage};
  if (error == NTE_BAD_SIGNATURE) return {kBadSignature, text::kBadSignature};
  switch (call) {
    case MessageCall::kSign:
      return {kSigningFailed, text::kSigningFailed};
    case MessageCall::kVerify:
      return {kVerificationFailed, text::kVerificationFailed};
    case MessageCall::kEncrypt:
      return {kEncryptionFailed, text::kEncryptionFailed};
    case MessageCall::kDecrypt:
      break;
  }
  return {kDecryptionFailed, text::kDecryptionFailed};
}

}  // namespace corvane::ops
