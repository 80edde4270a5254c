// CryptSignMessage: a DER PKCS #7 signed-data message over one content, signed with the private
// key linked to the signing certificate (see signed_data.h for the exact form).
//
// Supported: one content (of any length, 0 included), attached or detached, any digest OpenSSL
// knows by its object identifier, the message certificates of the parameters. SHA-1, the digest
// the operations name, stands for the policy's sign.digest (policy/algorithm_policy.h): SHA-1
// unless the policy chooses SHA-256, SHA-384 or SHA-512. Keys: see key_checks.h (an RSA key under
// the policy's key.min_rsa_bits fails with NTE_BAD_KEY). Not supported,
// refused with E_INVALIDARG: CRLs, authenticated or unauthenticated attributes, an inner content
// type other than data, and the optional fields from HashEncryptionAlgorithm on (when cbSize
// includes them they must be empty). Failures: the policy's error when a policy file cannot be
// read (CurrentPolicy; the size query too), CRYPT_E_UNKNOWN_ALGO for an unknown digest,
// CRYPT_E_NO_KEY_PROPERTY when the certificate has no linked private key, CRYPT_E_MSG_ERROR when
// the message cannot be made (an Ed25519 or Ed448 key among the reasons, told in the failure
// detail, failure_detail.h), ERROR_CANCELLED when the thread's key-use question was declined
// (key_use_question.h), ERROR_MORE_DATA (size reported) for a short output buffer.
//
// A size query (no output buffer) checks the arguments and the key as the signing call does, but
// does not sign: it reports an upper bound of the message's size (SignedDataSizeBound), as Windows
// allows ("the actual size can be slightly smaller"). The signing call reports the exact size.
#include <openssl/objects.h>

#include "platform/posix/keys/linked_key.h"
#include "platform/posix/message/key_checks.h"
#include "platform/posix/message/key_use_question.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/ui/ui.h"
#include "platform/posix/platform_call.h"
#include "platform/posix/message/pkcs7_bytes.h"
#include "platform/posix/message/signed_data.h"

using namespace corvane;
using namespace corvane::platform;

namespace {

constexpr DWORD kBaseParameterSize = offsetof(CRYPT_SIGN_MESSAGE_PARA, HashEncryptionAlgorithm);

bool OptionalFieldsEmpty(const CRYPT_SIGN_MESSAGE_PARA& para) {
  return para.cbSize < sizeof(CRYPT_SIGN_MESSAGE_PARA) ||
         (para.HashEncryptionAlgorithm.pszObjId == nullptr &&
          para.pvHashEncryptionAuxInfo == nullptr);
}

// The digest named by a dotted object identifier, from the library context; SHA-1 is the
// policy's digest.
const EVP_MD* DigestFor(const char* oid, const AlgorithmPolicy& policy) {
  if (oid == nullptr) return nullptr;
  ossl::UniquePtr<ASN1_OBJECT> object(OBJ_txt2obj(oid, 1));
  const int nid = object ? OBJ_obj2nid(object.get()) : NID_undef;
  if (nid == NID_undef) return nullptr;
  const char* name = nid == NID_sha1 ? DigestName(policy.sign_digest) : OBJ_nid2sn(nid);
  return ossl::FetchedDigest(name);
}

}  // namespace

extern "C" BOOL CryptSignMessage(PCRYPT_SIGN_MESSAGE_PARA sign_para, BOOL detached,
                                 DWORD content_count, const BYTE* contents[],
                                 DWORD content_sizes[], BYTE* signed_blob,
                                 DWORD* signed_blob_size) {
  PLATFORM_ENTRY("CryptSignMessage");
  PLATFORM_ENSURE(sign_para != nullptr && signed_blob_size != nullptr &&
                      sign_para->cbSize >= kBaseParameterSize && sign_para->pSigningCert &&
                      (sign_para->dwMsgEncodingType & PKCS_7_ASN_ENCODING) != 0 &&
                      content_count == 1 && contents != nullptr && content_sizes != nullptr &&
                      (contents[0] != nullptr || content_sizes[0] == 0) &&
                      (sign_para->cMsgCert == 0 || sign_para->rgpMsgCert != nullptr),
                  E_INVALIDARG);
  PLATFORM_ENSURE(sign_para->cMsgCrl == 0 && sign_para->cAuthAttr == 0 &&
                      sign_para->cUnauthAttr == 0 && sign_para->dwInnerContentType == 0 &&
                      OptionalFieldsEmpty(*sign_para),
                  E_INVALIDARG);

  AlgorithmPolicy policy;
  PLATFORM_ENSURE_OK(CurrentPolicy(policy));
  const EVP_MD* digest = DigestFor(sign_para->HashAlgorithm.pszObjId, policy);
  PLATFORM_ENSURE(digest != nullptr, CRYPT_E_UNKNOWN_ALGO);
  X509* signer = CertificateX509(sign_para->pSigningCert);
  PLATFORM_ENSURE(signer != nullptr, CRYPT_E_MSG_ERROR);
  PLATFORM_ENSURE(KeyUseAllowed(sign_para->pSigningCert, KeyUse::kSign), ERROR_CANCELLED);
  ossl::UniquePtr<EVP_PKEY> private_key;
  PLATFORM_ENSURE_OK(LoadLinkedPrivateKey(sign_para->pSigningCert, AskPin, private_key));
  PLATFORM_ENSURE_OK(CheckSigningKey(*private_key, policy));

  SignedDataInput input;
  input.signer = signer;
  input.private_key = private_key.get();
  input.digest = digest;
  for (DWORD index = 0; index < sign_para->cMsgCert; ++index) {
    X509* certificate = sign_para->rgpMsgCert[index] != nullptr
                            ? CertificateX509(sign_para->rgpMsgCert[index])
                            : nullptr;
    PLATFORM_ENSURE(certificate != nullptr, CRYPT_E_MSG_ERROR);
    input.certificates.push_back(certificate);
  }
  input.content = contents[0];
  input.content_size = content_sizes[0];
  input.detached = detached != FALSE;

  // The size query is answered with a bound, without signing.
  PLATFORM_ENSURE_OK(WriteMadeMessage(
      signed_blob == nullptr ? SignedDataSizeBound(input) : 0, input.content_size,
      [&](BYTE* output, DWORD* size) { return WriteMessageDer(MakeSignedData(input).get(), output, size); },
      signed_blob, signed_blob_size));
  return TRUE;
}
