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

/* Opens the Base64 text of a PKCS #7 enveloped message with a private key of the personal
 * store. Size query: the text length. */
CORVANE_API int32_t CORVANE_CALL decomposeSingleEnvelopedMsg(const char* text, int32_t text_length,
                                                             char* output, int32_t* output_length);

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_H */
