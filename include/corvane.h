/*
 * Corvane: PKCS #7 signed and enveloped messages as Base64 text, with certificates and keys
 * taken from the current user's certificate stores.
 *
 * Every export returns 0 on success or a negative result code (-10000 .. -10023, named below,
 * with fixed texts the interactive exports show in their message boxes). Lengths and
 * codes are 32 bits wide. An output buffer given as null asks for its size: the export writes an
 * upper bound into the output length and returns 0 without showing anything. On success the
 * exact length is written and no terminating zero is added after the output.
 */
#ifndef CORVANE_H
#define CORVANE_H

#include <stdint.h>

#if defined(_WIN32)
#define CORVANE_CALL __cdecl
#if defined(CORVANE_BUILDING_LIBRARY)
#define CORVANE_API __declspec(dllexport)
#else
#define CORVANE_API __declspec(dllimport)
#endif
#else
#define CORVANE_CALL
#define CORVANE_API __attribute__((visibility("default")))
#endif

/* Result codes. -10004, -10006 and -10008 are not used. */
#define CORVANE_OK 0
#define CORVANE_E_NO_MEMORY (-10000)              /* memory for a buffer cannot be had (other
                                                     memory the call needs: no message box) */
#define CORVANE_E_MISSING_ARGUMENT (-10001)       /* a required argument is null or empty */
#define CORVANE_E_DECODING_FAILED (-10002)        /* the input text is not acceptable Base64 */
#define CORVANE_E_ENCODING_FAILED (-10003)        /* the message cannot be encoded as Base64 */
#define CORVANE_E_NO_CERTIFICATE (-10005)         /* no certificate was chosen or found */
#define CORVANE_E_UNRECOGNISED_PACKAGE (-10007)   /* the message is not well-formed */
#define CORVANE_E_NO_SIGNER_CERTIFICATE (-10009)  /* the signed message names no signer certificate */
#define CORVANE_E_BAD_SIGNATURE (-10010)          /* a signature does not verify */
#define CORVANE_E_CERTIFICATE_EXPIRED (-10011)    /* outside its validity period */
#define CORVANE_E_CERTIFICATE_REVOKED (-10012)    /* the certificate is revoked */
#define CORVANE_E_CHAIN_PROBLEM (-10013)          /* the chain cannot be built or fails the policy */
#define CORVANE_E_ISSUER_NOT_FOUND (-10014)       /* the issuer is in neither "CA" nor "Root" */
#define CORVANE_E_NO_PRIVATE_KEY (-10015)         /* the certificate's private key is missing */
#define CORVANE_E_FIELD_NOT_RENDERABLE (-10016)   /* internal only: never returned by an export */
#define CORVANE_E_CERTIFICATE_SIGNATURE_BAD (-10017) /* the certificate's own signature is bad */
#define CORVANE_E_STORE_NOT_OPENED (-10018)       /* a system store cannot be opened */
#define CORVANE_E_DEVICE_NOT_FOUND (-10019)       /* the cryptographic provider cannot be prepared */
#define CORVANE_E_SIGNING_FAILED (-10020)         /* signing failed for another reason */
#define CORVANE_E_VERIFICATION_FAILED (-10021)    /* verification failed for another reason */
#define CORVANE_E_ENCRYPTION_FAILED (-10022)      /* encryption failed for another reason */
#define CORVANE_E_DECRYPTION_FAILED (-10023)      /* decryption failed for another reason */

#ifdef __cplusplus
extern "C" {
#endif

/* Signs `data` with a certificate of the personal store chosen by the user; mode 1 makes a
 * detached signature, any other value an attached one. Size query: S(data_length) =
 * (n + 2000) / 48 + ((n + 2000) / 3) * 4 + 1004; -10003 when that capacity does not fit the
 * 32-bit output length (then the real call fails with -10003 too and writes nothing). */
CORVANE_API int32_t CORVANE_CALL generateSingleSignedMsg(const char* data, uint32_t data_length,
                                                         int32_t mode, char* output,
                                                         int32_t* output_length);

/* As generateSingleSignedMsg, with the certificate whose serial number is `serial_text` (hex
 * digits, most significant byte first) and whose issuer is "CN=QDRA, OU=config, O=Ostrevalia".
 * When no such certificate exists, the user chooses one as in generateSingleSignedMsg. */
CORVANE_API int32_t CORVANE_CALL generateSingleSignedMsgBySN(const char* data, uint32_t data_length,
                                                             int32_t mode, const char* serial_text,
                                                             int32_t serial_text_length,
                                                             char* output, int32_t* output_length);

/* As generateSingleSignedMsgBySN with the caller's issuer text (zero-terminated, in the form the
 * library renders names, e.g. "CN=QDRA, OU=config, O=Ostrevalia"); issuer_text_length is not
 * read. */
CORVANE_API int32_t CORVANE_CALL generateSingleSignedMsgByIssuerSN(
    const char* data, uint32_t data_length, int32_t mode, const char* issuer_text,
    int32_t issuer_text_length, const char* serial_text, int32_t serial_text_length, char* output,
    int32_t* output_length);

/* Verifies the Base64 text of a PKCS #7 signed message and its signer's certificate chain
 * against the "CA" and "Root" stores. An attached message's content is written to `content`
 * and its length to *content_length, whose value on entry is the buffer's capacity (content
 * longer than that is refused with -10021 and nothing is written); for a detached signature,
 * `content` holds the signed data and *content_length its length (read). Size query (content
 * null): the text length, a capacity that always suffices. */
CORVANE_API int32_t CORVANE_CALL verifySingleSignedMsg(const char* text, int32_t text_length,
                                                       char* content, int32_t* content_length);

/* Encrypts `data` for a certificate of the stores "CA" and "ROOT" chosen by the user (RC4 with a
 * fresh 128-bit key, the key under the recipient's RSA key). Size query: S(data_length) as for
 * signing; -10003 when that capacity does not fit the 32-bit output length. */
CORVANE_API int32_t CORVANE_CALL composeSingleEnvelopedMsg(const char* data, uint32_t data_length,
                                                           char* output, int32_t* output_length);

/* As composeSingleEnvelopedMsg, for the certificate whose serial number is `serial_text` (hex
 * digits, most significant byte first) and whose issuer is "CN=QDRA, OU=config, O=Ostrevalia".
 * When no such certificate exists, the user chooses one as in composeSingleEnvelopedMsg. */
CORVANE_API int32_t CORVANE_CALL composeSingleEnvelopedMsgBySN(const char* data,
                                                               uint32_t data_length,
                                                               const char* serial_text,
                                                               int32_t serial_text_length,
                                                               char* output,
                                                               int32_t* output_length);

/* As composeSingleEnvelopedMsgBySN with the caller's issuer text (zero-terminated, in the form
 * the library renders names); issuer_text_length is not read. */
CORVANE_API int32_t CORVANE_CALL composeSingleEnvelopedMsgByIssuerSN(
    const char* data, uint32_t data_length, const char* issuer_text, int32_t issuer_text_length,
    const char* serial_text, int32_t serial_text_length, char* output, int32_t* output_length);

/* Opens the Base64 text of a PKCS #7 enveloped message with a private key of the personal
 * store. Size query: the text length. */
CORVANE_API int32_t CORVANE_CALL decomposeSingleEnvelopedMsg(const char* text, int32_t text_length,
                                                             char* output, int32_t* output_length);

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_H */
