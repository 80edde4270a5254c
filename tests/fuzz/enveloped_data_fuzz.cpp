// libFuzzer target: the enveloped-data reader, the part of opening that reads the message's bytes.
#include <cstddef>
#include <cstdint>

#include "platform/posix/message/enveloped_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  corvane::platform::EnvelopedData envelope;
  corvane::platform::ReadEnvelopedData(data, size, envelope);
  return 0;
}
