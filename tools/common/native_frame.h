// The browsers' native messaging frames: a 32-bit length in the machine's byte order, then that
// many bytes of UTF-8 JSON. Browsers send a host up to 64 MiB (Chromium) or 4 GiB (Firefox) and
// take at most 1 MiB back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::tool {

// The most a browser takes in one frame from its host.
inline constexpr size_t kMaxAnswerFrame = size_t{1} << 20;

struct FrameRead {
  enum class Kind {
    kFrame,      // `bytes` holds the frame
    kOversize,   // the frame was longer than the limit: skipped, `length` says how long it was
    kUnheld,     // no memory could be had for the frame: skipped the same way
    kEnd,        // end of input before a frame began: the browser closed the port
    kTruncated,  // input ended (or failed) inside a frame
  };
  Kind kind = Kind::kEnd;
  uint32_t length = 0;
  std::string bytes;
};

// Reads one frame from `fd`, holding at most `limit` bytes of it: a longer frame, or one there is
// no memory for, is read to its end and dropped, so the next frame is found where it starts.
FrameRead ReadFrame(int fd, size_t limit);

// Writes one frame; false when it could not be written whole (or is longer than 32 bits allow).
bool WriteFrame(int fd, std::string_view bytes);

}  // namespace corvane::tool
