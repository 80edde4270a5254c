// The one body of the five entry points that turn a byte[] into a byte[] through an export.
#pragma once

#include <jni.h>

#include <cstdint>

#include "call_buffer.h"

namespace corvane::jni {

// An export with its extra arguments bound: (input, input length, output or null, output length).
// With a null output it answers the size query; with a buffer of that capacity it fills it.
using ByteExport = int32_t (*)(const char* input, int32_t input_length, char* output,
                               int32_t* output_length);

// Copies `input` (a message's text, or data to protect: `input_use`) into native memory, calls
// `call` twice (size query, then into a zeroed buffer of the size plus one), and hands back a new
// byte[] of exactly the output. The code goes to result[0]: the export's, or -10001 for a null or
// empty input, -10000 when memory or the byte[] cannot be had (an exception inside included). Null
// on every failure.
jbyteArray CallByteArrayExport(JNIEnv* env, jbyteArray input, jintArray result, ByteExport call,
                               BufferUse input_use);

}  // namespace corvane::jni
