// The last few checks that succeeded, kept so that the same check is not made again: a bounded,
// process-wide, thread-safe memory of entries, the newest last. Only successes are put in; a
// failure is checked again every time. One memory per kind of entry, never destroyed (calls may
// still come while the process exits).
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>

namespace corvane::platform {

template <typename Entry, size_t kLimit>
class RecentSuccesses {
 public:
  static RecentSuccesses& Instance() {
    static auto* memory = new RecentSuccesses;
    return *memory;
  }

  // True when an entry kept satisfies `matches`.
  template <typename Matches>
  bool Contains(const Matches& matches) {
    const std::lock_guard guard(lock_);
    for (const Entry& entry : entries_) {
      if (matches(entry)) return true;
    }
    return false;
  }

  // Keeps `entry`, forgetting the oldest when kLimit are kept.
  void Add(Entry entry) {
    const std::lock_guard guard(lock_);
    if (entries_.size() == kLimit) entries_.pop_front();
    entries_.push_back(std::move(entry));
  }

 private:
  RecentSuccesses() = default;

  std::mutex lock_;
  std::deque<Entry> entries_;
};

}  // namespace corvane::platform
