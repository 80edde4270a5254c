/*
 * Corvane: PKCS #7 signed and enveloped messages as Base64 text, with certificates and keys
 * taken from the current user's certificate stores.
 *
 * Every export returns 0 on success or a negative result code (-10000 .. -10023). Lengths and
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

#ifdef __cplusplus
extern "C" {
#endif

/* Signs `data` with a certificate of the personal store chosen by the user; mode 1 makes a
 * detached signature, any other value an attached one. Size query: S(data_length) =
 * (n + 2000) / 48 + ((n + 2000) / 3) * 4 + 1004. */
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
