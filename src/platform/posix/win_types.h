// Declarations of the Windows types, constants and functions that the library uses, for builds
// without the Windows SDK. Only the subset the library calls is declared; names, layouts and
// values follow the Windows headers (wincrypt.h, winerror.h, winuser.h, minwinbase.h), so the
// code above the platform layer compiles unchanged against either.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef uintptr_t ULONG_PTR;
typedef size_t SIZE_T;
typedef void* HWND;
typedef void* HLOCAL;
typedef ULONG_PTR HCRYPTPROV;
typedef ULONG_PTR HCRYPTPROV_LEGACY;
typedef void* HCERTSTORE;
typedef void* HCERTCHAINENGINE;
typedef const wchar_t* LPCWSTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// --- errors (winerror.h) ------------------------------------------------------------------
#define ERROR_SUCCESS 0UL
#define ERROR_FILE_NOT_FOUND 2UL
#define ERROR_ACCESS_DENIED 5UL
#define ERROR_NOT_ENOUGH_MEMORY 8UL
#define ERROR_INVALID_DATA 13UL
#define ERROR_OUTOFMEMORY 14UL
#define ERROR_INVALID_PASSWORD 86UL
#define ERROR_INVALID_PARAMETER 87UL
#define ERROR_MORE_DATA 234UL
#define ERROR_CANCELLED 1223UL
#define E_INVALIDARG 0x80070057UL
#define NTE_BAD_DATA 0x80090005UL
#define NTE_BAD_SIGNATURE 0x80090006UL
#define NTE_BAD_ALGID 0x80090008UL
#define NTE_BAD_FLAGS 0x80090009UL
#define NTE_BAD_KEYSET 0x80090016UL
#define NTE_BAD_PROV_TYPE 0x80090014UL
#define NTE_KEYSET_NOT_DEF 0x80090019UL
#define NTE_PROV_TYPE_NOT_DEF 0x80090017UL
#define NTE_EXISTS 0x8009000FUL
#define NTE_NO_MEMORY 0x8009000EUL
#define NTE_BAD_KEY 0x80090003UL
#define NTE_FAIL 0x80090020UL
#define CRYPT_E_MSG_ERROR 0x80091001UL
#define CRYPT_E_UNKNOWN_ALGO 0x80091002UL
#define CRYPT_E_INVALID_MSG_TYPE 0x80091004UL
#define CRYPT_E_UNEXPECTED_ENCODING 0x80091005UL
#define CRYPT_E_HASH_VALUE 0x80091007UL
#define CRYPT_E_NO_SIGNER 0x8009100EUL
#define CRYPT_E_NOT_FOUND 0x80092004UL
#define CRYPT_E_REVOKED 0x80092010UL
#define CRYPT_E_NO_REVOCATION_CHECK 0x80092012UL
#define CRYPT_E_REVOCATION_OFFLINE 0x80092013UL
#define CRYPT_E_NO_KEY_PROPERTY 0x8009200BUL
#define CRYPT_E_NO_DECRYPT_CERT 0x8009200CUL
#define SCARD_W_WRONG_CHV 0x8010006BUL
#define SCARD_W_CANCELLED_BY_USER 0x8010006EUL
#define CRYPT_E_OSS_ERROR 0x80093000UL
#define CRYPT_E_ASN1_ERROR 0x80093100UL
#define CRYPT_E_ASN1_BADTAG 0x8009310BUL
#define CERT_E_EXPIRED 0x800B0101UL
#define CERT_E_VALIDITYPERIODNESTING 0x800B0102UL
#define CERT_E_CRITICAL 0x800B0105UL
#define CERT_E_UNTRUSTEDROOT 0x800B0109UL
#define CERT_E_CHAINING 0x800B010AUL
#define CERT_E_WRONG_USAGE 0x800B0110UL
#define CERT_E_INVALID_POLICY 0x800B0113UL
#define CERT_E_INVALID_NAME 0x800B0114UL
#define TRUST_E_CERT_SIGNATURE 0x80096004UL
#define TRUST_E_BASIC_CONSTRAINTS 0x80096019UL
// Store and provider state errors (certificate stores on disk, provider handles)
#define ERROR_READ_FAULT 30UL
#define ERROR_DIRECTORY 267UL
#define NTE_BAD_PROVIDER 0x80090013UL
#define NTE_PROV_TYPE_NO_MATCH 0x8009001BUL
#define CRYPT_E_FILE_ERROR 0x80092003UL
#define CRYPT_E_PENDING_CLOSE 0x8009201EUL
#define CRYPT_E_ASN1_CORRUPT 0x80093103UL

// --- encodings and providers (wincrypt.h) -------------------------------------------------
#define X509_ASN_ENCODING 0x00000001UL
#define PKCS_7_ASN_ENCODING 0x00010000UL
#define PROV_RSA_FULL 1UL
#define CRYPT_VERIFYCONTEXT 0xF0000000UL
#define CRYPT_NEWKEYSET 0x00000008UL
#define CRYPT_DELETEKEYSET 0x00000010UL
#define CRYPT_MACHINE_KEYSET 0x00000020UL
#define CRYPT_SILENT 0x00000040UL
#define CRYPT_MACHINE_DEFAULT 0x00000001UL
#define CRYPT_USER_DEFAULT 0x00000002UL
#define CRYPT_DELETE_DEFAULT 0x00000004UL
#define MS_DEF_PROV_A "Microsoft Base Cryptographic Provider v1.0"
#define MS_ENHANCED_PROV_A "Microsoft Enhanced Cryptographic Provider v1.0"

#define CERT_CLOSE_STORE_FORCE_FLAG 0x00000001UL
#define CERT_CLOSE_STORE_CHECK_FLAG 0x00000002UL

#define CERT_STORE_CTRL_RESYNC 1UL

#define CERT_FIND_ANY 0UL
#define CERT_FIND_SUBJECT_NAME 0x00020007UL  // CERT_COMPARE_NAME << 16 | CERT_INFO_SUBJECT_FLAG
// The certificates whose key identifier (the subject key identifier extension, else the SHA-1 of
// the public key) equals the CRYPT_HASH_BLOB find_para points at.
#define CERT_FIND_KEY_IDENTIFIER 0x000F0000UL  // CERT_COMPARE_KEY_IDENTIFIER << CERT_COMPARE_SHIFT
// The certificates that may have issued the certificate context find_para points at: those whose
// key identifier equals its authority key identifier's when it gives one, else those whose
// subject name equals its issuer name.
#define CERT_FIND_ISSUER_OF 0x000C0000UL  // CERT_COMPARE_ISSUER_OF << CERT_COMPARE_SHIFT
// Not in Windows, which has no search by serial number alone: the certificates whose serial
// number equals the CRYPT_INTEGER_BLOB find_para points at (as CertCompareIntegerBlob compares).
#define CORVANE_CERT_FIND_SERIAL_NUMBER 0x7FFF0000UL

#define CERT_STORE_SIGNATURE_FLAG 0x00000001UL
#define CERT_STORE_TIME_VALIDITY_FLAG 0x00000002UL
#define CERT_STORE_REVOCATION_FLAG 0x00000004UL
#define CERT_STORE_NO_CRL_FLAG 0x00010000UL
#define CERT_STORE_NO_ISSUER_FLAG 0x00020000UL

#define CERT_SIMPLE_NAME_STR 1UL
#define CERT_OID_NAME_STR 2UL
#define CERT_X500_NAME_STR 3UL

#define szOID_OIWSEC_sha1 "1.3.14.3.2.26"
#define szOID_RSA_RC4 "1.2.840.113549.3.4"
#define szOID_RSA_DES_EDE3_CBC "1.2.840.113549.3.7"

// --- blobs and certificate structures ------------------------------------------------------
typedef struct _CRYPTOAPI_BLOB {
  DWORD cbData;
  BYTE* pbData;
} CRYPT_INTEGER_BLOB, *PCRYPT_INTEGER_BLOB, CERT_NAME_BLOB, *PCERT_NAME_BLOB, CRYPT_OBJID_BLOB,
    CRYPT_DATA_BLOB, CRYPT_DER_BLOB, CRYPT_HASH_BLOB;

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *PFILETIME, *LPFILETIME;

typedef struct _SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;

typedef struct _CRYPT_ALGORITHM_IDENTIFIER {
  LPSTR pszObjId;
  CRYPT_OBJID_BLOB Parameters;
} CRYPT_ALGORITHM_IDENTIFIER, *PCRYPT_ALGORITHM_IDENTIFIER;

typedef struct _CRYPT_BIT_BLOB {
  DWORD cbData;
  BYTE* pbData;
  DWORD cUnusedBits;
} CRYPT_BIT_BLOB, *PCRYPT_BIT_BLOB;

typedef struct _CERT_PUBLIC_KEY_INFO {
  CRYPT_ALGORITHM_IDENTIFIER Algorithm;
  CRYPT_BIT_BLOB PublicKey;
} CERT_PUBLIC_KEY_INFO, *PCERT_PUBLIC_KEY_INFO;

typedef struct _CERT_EXTENSION {
  LPSTR pszObjId;
  BOOL fCritical;
  CRYPT_OBJID_BLOB Value;
} CERT_EXTENSION, *PCERT_EXTENSION;

typedef struct _CERT_INFO {
  DWORD dwVersion;
  CRYPT_INTEGER_BLOB SerialNumber;  // least significant byte first
  CRYPT_ALGORITHM_IDENTIFIER SignatureAlgorithm;
  CERT_NAME_BLOB Issuer;  // DER Name
  FILETIME NotBefore;
  FILETIME NotAfter;
  CERT_NAME_BLOB Subject;  // DER Name
  CERT_PUBLIC_KEY_INFO SubjectPublicKeyInfo;
  CRYPT_BIT_BLOB IssuerUniqueId;
  CRYPT_BIT_BLOB SubjectUniqueId;
  DWORD cExtension;
  PCERT_EXTENSION rgExtension;
} CERT_INFO, *PCERT_INFO;

typedef struct _CERT_CONTEXT {
  DWORD dwCertEncodingType;
  BYTE* pbCertEncoded;
  DWORD cbCertEncoded;
  PCERT_INFO pCertInfo;
  HCERTSTORE hCertStore;
} CERT_CONTEXT, *PCERT_CONTEXT;
typedef const CERT_CONTEXT* PCCERT_CONTEXT;

typedef struct _CRYPT_ATTRIBUTE {
  LPSTR pszObjId;
  DWORD cValue;
  CRYPT_DATA_BLOB* rgValue;
} CRYPT_ATTRIBUTE, *PCRYPT_ATTRIBUTE;

typedef struct _CRL_CONTEXT CRL_CONTEXT;
typedef const CRL_CONTEXT* PCCRL_CONTEXT;

// Fields up to dwInnerContentType form the 68-byte structure of the 32-bit platform; callers set
// cbSize to the size up to and including dwInnerContentType to say "no optional fields".
typedef struct _CRYPT_SIGN_MESSAGE_PARA {
  DWORD cbSize;
  DWORD dwMsgEncodingType;
  PCCERT_CONTEXT pSigningCert;
  CRYPT_ALGORITHM_IDENTIFIER HashAlgorithm;
  void* pvHashAuxInfo;
  DWORD cMsgCert;
  PCCERT_CONTEXT* rgpMsgCert;
  DWORD cMsgCrl;
  PCCRL_CONTEXT* rgpMsgCrl;
  DWORD cAuthAttr;
  PCRYPT_ATTRIBUTE rgAuthAttr;
  DWORD cUnauthAttr;
  PCRYPT_ATTRIBUTE rgUnauthAttr;
  DWORD dwFlags;
  DWORD dwInnerContentType;
  CRYPT_ALGORITHM_IDENTIFIER HashEncryptionAlgorithm;
  void* pvHashEncryptionAuxInfo;
} CRYPT_SIGN_MESSAGE_PARA, *PCRYPT_SIGN_MESSAGE_PARA;

// The four fields before dwFlags form the 16-byte structure of the 32-bit platform.
typedef struct _CRYPT_DECRYPT_MESSAGE_PARA {
  DWORD cbSize;
  DWORD dwMsgAndCertEncodingType;
  DWORD cCertStore;
  HCERTSTORE* rghCertStore;
  DWORD dwFlags;
} CRYPT_DECRYPT_MESSAGE_PARA, *PCRYPT_DECRYPT_MESSAGE_PARA;

// Fields up to pvGetArg form the 20-byte structure of the 32-bit platform; pStrongSignPara is
// declared by the Windows headers only on request.
typedef PCCERT_CONTEXT (*PFN_CRYPT_GET_SIGNER_CERTIFICATE)(void* get_arg, DWORD encoding,
                                                           PCERT_INFO signer_id,
                                                           HCERTSTORE message_store);
typedef struct _CRYPT_VERIFY_MESSAGE_PARA {
  DWORD cbSize;
  DWORD dwMsgAndCertEncodingType;
  HCRYPTPROV_LEGACY hCryptProv;
  PFN_CRYPT_GET_SIGNER_CERTIFICATE pfnGetSignerCertificate;
  void* pvGetArg;
} CRYPT_VERIFY_MESSAGE_PARA, *PCRYPT_VERIFY_MESSAGE_PARA;

// --- certificate chains (wincrypt.h) -------------------------------------------------------
#define USAGE_MATCH_TYPE_AND 0x00000000UL
#define USAGE_MATCH_TYPE_OR 0x00000001UL
#define CERT_CHAIN_REVOCATION_CHECK_END_CERT 0x10000000UL
#define CERT_CHAIN_REVOCATION_CHECK_CHAIN 0x20000000UL
#define CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT 0x40000000UL

#define CERT_TRUST_NO_ERROR 0x00000000UL
#define CERT_TRUST_IS_NOT_TIME_VALID 0x00000001UL
#define CERT_TRUST_IS_REVOKED 0x00000004UL
#define CERT_TRUST_IS_NOT_SIGNATURE_VALID 0x00000008UL
#define CERT_TRUST_IS_NOT_VALID_FOR_USAGE 0x00000010UL
#define CERT_TRUST_IS_UNTRUSTED_ROOT 0x00000020UL
#define CERT_TRUST_REVOCATION_STATUS_UNKNOWN 0x00000040UL
#define CERT_TRUST_IS_CYCLIC 0x00000080UL
#define CERT_TRUST_INVALID_EXTENSION 0x00000100UL
#define CERT_TRUST_INVALID_POLICY_CONSTRAINTS 0x00000200UL
#define CERT_TRUST_INVALID_BASIC_CONSTRAINTS 0x00000400UL
#define CERT_TRUST_INVALID_NAME_CONSTRAINTS 0x00000800UL
#define CERT_TRUST_IS_PARTIAL_CHAIN 0x00010000UL
#define CERT_TRUST_IS_OFFLINE_REVOCATION 0x01000000UL

#define CERT_TRUST_HAS_EXACT_MATCH_ISSUER 0x00000001UL
#define CERT_TRUST_HAS_NAME_MATCH_ISSUER 0x00000004UL
#define CERT_TRUST_IS_SELF_SIGNED 0x00000008UL

#define CERT_CHAIN_POLICY_BASE ((LPCSTR)1)
#define CERT_CHAIN_POLICY_IGNORE_NOT_TIME_VALID_FLAG 0x00000001UL
#define CERT_CHAIN_POLICY_IGNORE_NOT_TIME_NESTED_FLAG 0x00000004UL
#define CERT_CHAIN_POLICY_IGNORE_INVALID_BASIC_CONSTRAINTS_FLAG 0x00000008UL
#define CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG 0x00000010UL
#define CERT_CHAIN_POLICY_IGNORE_WRONG_USAGE_FLAG 0x00000020UL
#define CERT_CHAIN_POLICY_IGNORE_INVALID_NAME_FLAG 0x00000040UL
#define CERT_CHAIN_POLICY_IGNORE_INVALID_POLICY_FLAG 0x00000080UL
#define CERT_CHAIN_POLICY_IGNORE_END_REV_UNKNOWN_FLAG 0x00000100UL
#define CERT_CHAIN_POLICY_IGNORE_CTL_SIGNER_REV_UNKNOWN_FLAG 0x00000200UL
#define CERT_CHAIN_POLICY_IGNORE_CA_REV_UNKNOWN_FLAG 0x00000400UL
#define CERT_CHAIN_POLICY_IGNORE_ROOT_REV_UNKNOWN_FLAG 0x00000800UL
#define CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS 0x00000F00UL
#define CERT_CHAIN_POLICY_ALLOW_TESTROOT_FLAG 0x00004000UL
#define CERT_CHAIN_POLICY_TRUST_TESTROOT_FLAG 0x00008000UL

typedef struct _CTL_USAGE {
  DWORD cUsageIdentifier;
  LPSTR* rgpszUsageIdentifier;
} CTL_USAGE, *PCTL_USAGE, CERT_ENHKEY_USAGE, *PCERT_ENHKEY_USAGE;

typedef struct _CERT_USAGE_MATCH {
  DWORD dwType;
  CERT_ENHKEY_USAGE Usage;
} CERT_USAGE_MATCH, *PCERT_USAGE_MATCH;

// The 16-byte structure of the 32-bit platform; the optional fields after RequestedUsage are
// declared by the Windows headers only on request.
typedef struct _CERT_CHAIN_PARA {
  DWORD cbSize;
  CERT_USAGE_MATCH RequestedUsage;
} CERT_CHAIN_PARA, *PCERT_CHAIN_PARA;

typedef struct _CERT_TRUST_STATUS {
  DWORD dwErrorStatus;
  DWORD dwInfoStatus;
} CERT_TRUST_STATUS, *PCERT_TRUST_STATUS;

typedef struct _CERT_REVOCATION_INFO CERT_REVOCATION_INFO, *PCERT_REVOCATION_INFO;
typedef struct _CERT_TRUST_LIST_INFO CERT_TRUST_LIST_INFO, *PCERT_TRUST_LIST_INFO;

typedef struct _CERT_CHAIN_ELEMENT {
  DWORD cbSize;
  PCCERT_CONTEXT pCertContext;
  CERT_TRUST_STATUS TrustStatus;
  PCERT_REVOCATION_INFO pRevocationInfo;
  PCERT_ENHKEY_USAGE pIssuanceUsage;
  PCERT_ENHKEY_USAGE pApplicationUsage;
  LPCWSTR pwszExtendedErrorInfo;
} CERT_CHAIN_ELEMENT, *PCERT_CHAIN_ELEMENT;
typedef const CERT_CHAIN_ELEMENT* PCCERT_CHAIN_ELEMENT;

typedef struct _CERT_SIMPLE_CHAIN {
  DWORD cbSize;
  CERT_TRUST_STATUS TrustStatus;
  DWORD cElement;
  PCERT_CHAIN_ELEMENT* rgpElement;
  PCERT_TRUST_LIST_INFO pTrustListInfo;
  BOOL fHasRevocationFreshnessTime;
  DWORD dwRevocationFreshnessTime;
} CERT_SIMPLE_CHAIN, *PCERT_SIMPLE_CHAIN;

typedef struct _CERT_CHAIN_CONTEXT CERT_CHAIN_CONTEXT, *PCERT_CHAIN_CONTEXT;
typedef const CERT_CHAIN_CONTEXT* PCCERT_CHAIN_CONTEXT;
// The fields of the first Windows versions; dwCreateFlags and ChainId, which later headers add
// at the end, are left out (nothing above the platform layer reads them).
struct _CERT_CHAIN_CONTEXT {
  DWORD cbSize;
  CERT_TRUST_STATUS TrustStatus;
  DWORD cChain;
  PCERT_SIMPLE_CHAIN* rgpChain;
  DWORD cLowerQualityChainContext;
  PCCERT_CHAIN_CONTEXT* rgpLowerQualityChainContext;
  BOOL fHasRevocationFreshnessTime;
  DWORD dwRevocationFreshnessTime;
};

typedef struct _CERT_CHAIN_POLICY_PARA {
  DWORD cbSize;
  DWORD dwFlags;
  void* pvExtraPolicyPara;
} CERT_CHAIN_POLICY_PARA, *PCERT_CHAIN_POLICY_PARA;

typedef struct _CERT_CHAIN_POLICY_STATUS {
  DWORD cbSize;
  DWORD dwError;
  LONG lChainIndex;
  LONG lElementIndex;
  void* pvExtraPolicyStatus;
} CERT_CHAIN_POLICY_STATUS, *PCERT_CHAIN_POLICY_STATUS;
// 36 bytes on the 32-bit platform.
typedef struct _CRYPT_ENCRYPT_MESSAGE_PARA {
  DWORD cbSize;
  DWORD dwMsgEncodingType;
  HCRYPTPROV_LEGACY hCryptProv;
  CRYPT_ALGORITHM_IDENTIFIER ContentEncryptionAlgorithm;
  void* pvEncryptionAuxInfo;
  DWORD dwFlags;
  DWORD dwInnerContentType;
} CRYPT_ENCRYPT_MESSAGE_PARA, *PCRYPT_ENCRYPT_MESSAGE_PARA;

// --- user interface (winuser.h) -----------------------------------------------------------
#define MB_OK 0x00000000U
#define IDOK 1
#define IDCANCEL 2

// --- memory (winbase.h) -------------------------------------------------------------------
#define LMEM_FIXED 0x0000U
#define LMEM_ZEROINIT 0x0040U
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

// --- functions -----------------------------------------------------------------------------
// Implemented in posix/: last_error.cpp, local_memory.cpp, file_time.cpp (kernel32);
// provider/provider_context.cpp (providers); store/certificate_store.cpp and
// store/integer_blob.cpp (stores and certificates); text/name_to_str.cpp (names);
// message/sign_message.cpp, message/verify_message.cpp, message/encrypt_message.cpp and
// message/decrypt_message.cpp (messages); chain/subject_certificate.cpp,
// chain/certificate_chain.cpp and chain/base_policy.cpp (certificate checks); ui/message_box.cpp.
DWORD GetLastError(void);
void SetLastError(DWORD error);

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL memory);

BOOL FileTimeToSystemTime(const FILETIME* file_time, LPSYSTEMTIME system_time);

BOOL CryptSetProviderExA(LPCSTR provider_name, DWORD provider_type, DWORD* reserved, DWORD flags);
BOOL CryptAcquireContextA(HCRYPTPROV* provider, LPCSTR container, LPCSTR provider_name,
                          DWORD provider_type, DWORD flags);
BOOL CryptReleaseContext(HCRYPTPROV provider, DWORD flags);

HCERTSTORE CertOpenSystemStoreA(HCRYPTPROV_LEGACY provider, LPCSTR subsystem_protocol);
BOOL CertCloseStore(HCERTSTORE store, DWORD flags);
PCCERT_CONTEXT CertEnumCertificatesInStore(HCERTSTORE store, PCCERT_CONTEXT previous);
PCCERT_CONTEXT CertFindCertificateInStore(HCERTSTORE store, DWORD encoding, DWORD find_flags,
                                          DWORD find_type, const void* find_para,
                                          PCCERT_CONTEXT previous);
BOOL CertControlStore(HCERTSTORE store, DWORD flags, DWORD control_type, const void* control_para);
PCCERT_CONTEXT CertDuplicateCertificateContext(PCCERT_CONTEXT context);
BOOL CertFreeCertificateContext(PCCERT_CONTEXT context);
BOOL CertCompareIntegerBlob(PCRYPT_INTEGER_BLOB first, PCRYPT_INTEGER_BLOB second);
DWORD CertNameToStrA(DWORD encoding, PCERT_NAME_BLOB name, DWORD string_type, LPSTR text,
                     DWORD text_size);

BOOL CryptSignMessage(PCRYPT_SIGN_MESSAGE_PARA sign_para, BOOL detached, DWORD content_count,
                      const BYTE* contents[], DWORD content_sizes[], BYTE* signed_blob,
                      DWORD* signed_blob_size);
BOOL CryptVerifyMessageSignature(PCRYPT_VERIFY_MESSAGE_PARA verify_para, DWORD signer_index,
                                 const BYTE* signed_blob, DWORD signed_blob_size, BYTE* decoded,
                                 DWORD* decoded_size, PCCERT_CONTEXT* signer_cert);
BOOL CryptVerifyDetachedMessageSignature(PCRYPT_VERIFY_MESSAGE_PARA verify_para,
                                         DWORD signer_index, const BYTE* detached_sign_blob,
                                         DWORD detached_sign_blob_size, DWORD to_be_signed_count,
                                         const BYTE* to_be_signed[],
                                         DWORD to_be_signed_sizes[],
                                         PCCERT_CONTEXT* signer_cert);
BOOL CryptEncryptMessage(PCRYPT_ENCRYPT_MESSAGE_PARA encrypt_para, DWORD recipient_count,
                         PCCERT_CONTEXT recipients[], const BYTE* to_be_encrypted,
                         DWORD to_be_encrypted_size, BYTE* encrypted_blob,
                         DWORD* encrypted_blob_size);
BOOL CryptDecryptMessage(PCRYPT_DECRYPT_MESSAGE_PARA decrypt_para, const BYTE* encrypted_blob,
                         DWORD encrypted_blob_size, BYTE* decrypted, DWORD* decrypted_size,
                         PCCERT_CONTEXT* exchange_cert);

BOOL CertVerifySubjectCertificateContext(PCCERT_CONTEXT subject, PCCERT_CONTEXT issuer,
                                         DWORD* flags);
BOOL CertGetCertificateChain(HCERTCHAINENGINE chain_engine, PCCERT_CONTEXT certificate,
                             LPFILETIME time, HCERTSTORE additional_store,
                             PCERT_CHAIN_PARA chain_para, DWORD flags, LPVOID reserved,
                             PCCERT_CHAIN_CONTEXT* chain_context);
void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT chain_context);
BOOL CertVerifyCertificateChainPolicy(LPCSTR policy_oid, PCCERT_CHAIN_CONTEXT chain_context,
                                      PCERT_CHAIN_POLICY_PARA policy_para,
                                      PCERT_CHAIN_POLICY_STATUS policy_status);

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
HWND GetActiveWindow(void);

}  // extern "C"
