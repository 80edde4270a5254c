// CryptEncryptMessage: a DER PKCS #7 enveloped-data message of one content for the given
// recipient certificates (see enveloped_data_encoding.h for the exact form).
//
// Supported: RC4 (szOID_RSA_RC4) with empty parameters and no auxiliary information, which stands
// for the policy's envelope.cipher (policy/algorithm_policy.h): RC4 with the cipher's 128-bit key,
// or AES-128 or AES-256 in CBC mode with a fresh IV as its parameters. Recipients: RSA keys of
// at least the policy's key.min_rsa_bits, and under AES EC keys on P-256, P-384 and P-521
// (key_checks.h); a message with an EC recipient is made as CMS (key_agreement_envelope.h).
// Content of up to INT_MAX bytes. The provider context is not used: OpenSSL makes the content
// key and encrypts, straight into the caller's buffer. Failures: E_INVALIDARG for missing or inconsistent arguments, for parameters,
// auxiliary information, flags or an inner content type this layer does not take, and for a
// context it did not hand out; the policy's error when a policy file cannot be read
// (CurrentPolicy; not for a size query); CRYPT_E_UNKNOWN_ALGO for another content cipher or a
// recipient key the policy refuses (the reason in the failure detail);
// CRYPT_E_MSG_ERROR when the message cannot be made; ERROR_MORE_DATA (size reported) for a short
// output buffer. Each call makes a new message under a new key. A size query (no output buffer)
// checks the arguments but makes no message: it reports an upper bound of the size under any
// policy (EnvelopedDataSizeBound), as Windows allows ("the actual size can be slightly smaller");
// the call with a buffer checks the recipients' keys against the policy and reports the exact
// size. So a policy changed between the two calls never makes the message outgrow the bound.
#include <cstring>
#include <optional>

#include "platform/posix/message/enveloped_data_encoding.h"
#include "platform/posix/message/key_agreement_envelope.h"
#include "platform/posix/message/key_checks.h"
#include "platform/posix/message/pkcs7_bytes.h"
#include "platform/posix/platform_call.h"
#include "platform/posix/store/certificate_x509.h"

using namespace corvane;
using namespace corvane::platform;

extern "C" BOOL CryptEncryptMessage(PCRYPT_ENCRYPT_MESSAGE_PARA encrypt_para,
                                    DWORD recipient_count, PCCERT_CONTEXT recipients[],
                                    const BYTE* to_be_encrypted, DWORD to_be_encrypted_size,
                                    BYTE* encrypted_blob, DWORD* encrypted_blob_size) {
  PLATFORM_ENTRY("CryptEncryptMessage");
  PLATFORM_ENSURE(encrypt_para != nullptr && encrypted_blob_size != nullptr &&
                      encrypt_para->cbSize >= sizeof(CRYPT_ENCRYPT_MESSAGE_PARA) &&
                      (encrypt_para->dwMsgEncodingType & PKCS_7_ASN_ENCODING) != 0 &&
                      recipient_count >= 1 && recipients != nullptr &&
                      (to_be_encrypted != nullptr || to_be_encrypted_size == 0),
                  E_INVALIDARG);
  const CRYPT_ALGORITHM_IDENTIFIER& algorithm = encrypt_para->ContentEncryptionAlgorithm;
  PLATFORM_ENSURE(algorithm.Parameters.cbData == 0 &&
                      encrypt_para->pvEncryptionAuxInfo == nullptr && encrypt_para->dwFlags == 0 &&
                      encrypt_para->dwInnerContentType == 0,
                  E_INVALIDARG);
  PLATFORM_ENSURE(
      algorithm.pszObjId != nullptr && std::strcmp(algorithm.pszObjId, szOID_RSA_RC4) == 0,
      CRYPT_E_UNKNOWN_ALGO);
  // The size query is answered with a bound that holds for every cipher the policy can name,
  // without reading the policy, making a key or encrypting. The call that makes the message reads
  // the policy and checks the recipients' keys against it.
  std::optional<AlgorithmPolicy> policy;
  if (encrypted_blob != nullptr) PLATFORM_ENSURE_OK(CurrentPolicy(policy.emplace()));
  EnvelopedDataInput input;
  if (policy) {
    input.cipher = ossl::FetchedCipher(CipherName(policy->envelope_cipher));
    PLATFORM_ENSURE(input.cipher != nullptr, CRYPT_E_UNKNOWN_ALGO);
  }
  bool key_agreement = false;
  for (DWORD index = 0; index < recipient_count; ++index) {
    X509* certificate = recipients[index] != nullptr ? CertificateX509(recipients[index]) : nullptr;
    PLATFORM_ENSURE(certificate != nullptr, E_INVALIDARG);
    // A public key OpenSSL cannot read (an algorithm it does not know) is no key to envelope for.
    const EVP_PKEY* key = X509_get0_pubkey(certificate);
    PLATFORM_ENSURE(key != nullptr, CRYPT_E_UNKNOWN_ALGO);
    if (policy) PLATFORM_ENSURE_OK(CheckRecipientKey(*key, *policy));
    key_agreement |= IsKeyAgreementKey(*key);
    input.recipients.push_back(certificate);
  }
  input.content = to_be_encrypted;
  input.content_size = to_be_encrypted_size;
  const uint64_t bound = policy ? 0 : EnvelopedDataSizeBound(input);
  if (key_agreement) {
    PLATFORM_ENSURE_OK(WriteMadeMessage(
        bound, input.content_size,
        [&](BYTE* output, DWORD* size) {
          return WriteMessageDer(MakeKeyAgreementEnvelope(input).get(), output, size);
        },
        encrypted_blob, encrypted_blob_size));
  } else {
    PLATFORM_ENSURE_OK(WriteMadeMessage(
        bound, input.content_size,
        [&](BYTE* output, DWORD* size) { return WriteEnvelopedData(input, output, size); },
        encrypted_blob, encrypted_blob_size));
  }
  return TRUE;
}
