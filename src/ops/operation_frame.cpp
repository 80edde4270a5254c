#include "ops/operation_frame.h"

#include <cstring>

#include "codec/base64.h"

namespace corvane::ops {

uint32_t EncodedOutputBound(uint32_t data_length) {
  const uint32_t padded = data_length + 2000u;
  return padded / 48u + (padded / 3u) * 4u + 1004u;
}

bool OutputBoundFits(uint32_t data_length) {
  const uint64_t padded = uint64_t{data_length} + 2000u;
  return padded / 48u + (padded / 3u) * 4u + 1004u <= uint64_t{INT32_MAX};
}

Outcome CallBuffer::Allocate(DWORD size) {
  Release();
  // size + 1 in 64 bits: a size of 0xFFFFFFFF must not wrap to an empty buffer.
  const uint64_t bytes = uint64_t{size} + 1;
  if (bytes > SIZE_MAX) return Raise(Failure::kNoMemory);
  memory_.Adopt(LocalAlloc(LPTR, static_cast<SIZE_T>(bytes)));
  if (!memory_) return Raise(Failure::kNoMemory);
  return kDone;
}

bool OpenSystemStore(platform::OwnedStore& store, const platform::OwnedProvider& provider,
                     const char* name) {
  store.Adopt(CertOpenSystemStoreA(provider.get(), name));
  return static_cast<bool>(store);
}

Outcome PrepareProvider(platform::OwnedProvider& provider) {
  if (!CryptSetProviderExA(MS_ENHANCED_PROV_A, PROV_RSA_FULL, nullptr, CRYPT_MACHINE_DEFAULT)) {
    return Raise(Failure::kDeviceNotFound1);
  }
  HCRYPTPROV handle = 0;
  if (CryptAcquireContextA(&handle, nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, CRYPT_NEWKEYSET) ==
      TRUE) {
    provider.Adopt(handle);
    return kDone;
  }
  if (GetLastError() != NTE_EXISTS) return kDone;  // go on without a context of our own
  // The default container exists already: open it as it is, without touching its keys.
  handle = 0;
  if (CryptAcquireContextA(&handle, nullptr, MS_DEF_PROV_A, PROV_RSA_FULL, 0) != TRUE) {
    return Raise(Failure::kDeviceNotFound2);
  }
  provider.Adopt(handle);
  return kDone;
}

Outcome CopyContentToCaller(const CallBuffer& content, DWORD size, DWORD limit, Failure too_long,
                            char* output, int32_t* output_length) {
  if (size > limit || size > static_cast<DWORD>(INT32_MAX)) return Raise(too_long);
  if (size != 0) std::memcpy(output, content.data(), size);
  *output_length = static_cast<int32_t>(size);
  return kDone;
}

Outcome DecodeMessageText(const char* text, int32_t text_length, CallBuffer& message,
                          int32_t* message_length) {
  int32_t bound = 0;
  if (codec::DecodeBase64(text, text_length, nullptr, &bound) != codec::kBase64Done) {
    return Raise(Failure::kDecodingFailed);
  }
  const Outcome step = message.Allocate(bound < 0 ? 0 : static_cast<DWORD>(bound));
  if (!step.ok()) return step;
  if (codec::DecodeBase64(text, text_length, message.data(), message_length) !=
      codec::kBase64Done) {
    return Raise(Failure::kDecodingFailed);
  }
  return kDone;
}

Outcome WriteMessageText(const CallBuffer& message, DWORD message_size, uint32_t data_length,
                         char* output, int32_t* output_length) {
  // The encoder takes a signed 32-bit length: a longer message is refused too.
  if (message_size > static_cast<DWORD>(INT32_MAX) ||
      codec::EncodedBase64Length(message_size, 1) > EncodedOutputBound(data_length)) {
    return Raise(Failure::kEncodingFailed);
  }
  if (codec::EncodeBase64(message.data(), static_cast<int32_t>(message_size), output,
                          output_length, 1) != codec::kBase64Done) {
    return Raise(Failure::kEncodingFailed);
  }
  return kDone;
}

void ShowOutcomeBox(const Outcome& outcome, const char* success_text) {
  if (outcome.ok()) {
    MessageBoxA(nullptr, success_text, text::kNoticeCaption, MB_OK);
  } else {
    MessageBoxA(nullptr, outcome.text, text::kProblemCaption, MB_OK);
  }
}

}  // namespace corvane::ops
