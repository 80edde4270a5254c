// The four exports as the benchmarks call them: signing and enveloping by the signer's serial
// number (no chooser), verification and opening; each by the two-pass convention.
#pragma once

#include <cstdint>
#include <string>

namespace corvane::bench {

enum class Operation { kSign, kVerify, kEnvelope, kOpen };

inline constexpr Operation kOperations[] = {Operation::kSign, Operation::kVerify,
                                            Operation::kEnvelope, Operation::kOpen};

// "sign", "verify", "envelope", "open".
const char* OperationName(Operation operation);
Operation OperationNamed(const std::string& name);

// The export's size query for `input`; -1 when it fails.
int32_t QueryCapacity(Operation operation, const std::string& input);

// The export itself: with a null output, the size query.
int32_t CallExportInto(Operation operation, const std::string& input, char* output, int32_t* length);

// Runs the export into `buffer` (its size is the capacity offered); the output's length, or -1
// when the export fails.
int32_t CallExport(Operation operation, const std::string& input, std::string& buffer);

// The size query, a buffer of its answer, the call: the output, empty on failure.
std::string CallExportTwice(Operation operation, const std::string& input);

// The message that verification or opening reads, made by our signing or enveloping of `data`;
// `data` itself for the other two.
std::string OurInput(Operation operation, const std::string& data);

// `size` random bytes, the same for every party.
std::string RandomBytes(size_t size);

}  // namespace corvane::bench
