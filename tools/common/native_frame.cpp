#include "native_frame.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "ops/without_throwing.h"

namespace corvane::tool {
namespace {

// Reads exactly `size` bytes into `into` (or drops them when `into` is null); the count read.
size_t ReadFully(int fd, char* into, size_t size) {
  char discard[65536];
  size_t got = 0;
  while (got < size) {
    char* target = into != nullptr ? into + got : discard;
    const size_t wanted = into != nullptr ? size - got : std::min(size - got, sizeof discard);
    const ssize_t result = read(fd, target, wanted);
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) break;
    got += static_cast<size_t>(result);
  }
  return got;
}

// Room for the frame's bytes; false when the memory cannot be had.
bool MakeRoom(FrameRead& frame) {
  return ops::CallWithoutThrowing(
      [&] {
        frame.bytes.resize(frame.length);
        return true;
      },
      []() noexcept { return false; });
}

bool WriteFully(int fd, const char* bytes, size_t size) {
  size_t written = 0;
  while (written < size) {
    const ssize_t result = write(fd, bytes + written, size - written);
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) return false;
    written += static_cast<size_t>(result);
  }
  return true;
}

}  // namespace

FrameRead ReadFrame(int fd, size_t limit) {
  FrameRead frame;
  char header[sizeof(uint32_t)];
  const size_t header_got = ReadFully(fd, header, sizeof header);
  if (header_got == 0) return frame;
  frame.kind = FrameRead::Kind::kTruncated;
  if (header_got < sizeof header) return frame;
  std::memcpy(&frame.length, header, sizeof header);
  const bool held = frame.length <= limit && MakeRoom(frame);
  if (!held) {
    const FrameRead::Kind dropped = frame.length > limit ? FrameRead::Kind::kOversize : FrameRead::Kind::kUnheld;
    if (ReadFully(fd, nullptr, frame.length) == frame.length) frame.kind = dropped;
    return frame;
  }
  if (ReadFully(fd, frame.bytes.data(), frame.length) == frame.length) frame.kind = FrameRead::Kind::kFrame;
  return frame;
}

bool WriteFrame(int fd, std::string_view bytes) {
  if (bytes.size() > std::numeric_limits<uint32_t>::max()) return false;
  const auto length = static_cast<uint32_t>(bytes.size());
  char header[sizeof length];
  std::memcpy(header, &length, sizeof length);
  return WriteFully(fd, header, sizeof header) && WriteFully(fd, bytes.data(), bytes.size());
}

}  // namespace corvane::tool
