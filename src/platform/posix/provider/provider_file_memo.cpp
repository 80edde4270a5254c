#include "platform/posix/provider/provider_file_memo.h"

#include <mutex>
#include <unordered_map>

#include "platform/posix/files/cache_setting.h"
#include "platform/posix/files/folder_watch.h"

namespace corvane::platform::provider_state {
namespace {

struct Fact {
  uint64_t generation = 0;
  std::string text;
};

struct Facts {
  std::mutex lock;
  std::unordered_map<std::string, Fact> by_file;
};

// Never destroyed: calls may still come while the process exits.
Facts& Known() {
  static auto* facts = new Facts;
  return *facts;
}

}  // namespace

std::optional<uint64_t> GenerationForReading(const FileUnderRoot& file) {
  if (!StoreCachingEnabled()) return std::nullopt;
  return FolderGeneration(file.folder);
}

bool Holds(const std::filesystem::path& file, std::optional<uint64_t> generation,
           const std::string& fact) {
  if (!generation) return false;
  Facts& facts = Known();
  const std::lock_guard guard(facts.lock);
  const auto found = facts.by_file.find(file.native());
  return found != facts.by_file.end() && found->second.generation == *generation &&
         found->second.text == fact;
}

void Learn(const std::filesystem::path& file, std::optional<uint64_t> generation,
           const std::string& fact) {
  if (!generation) return;
  Facts& facts = Known();
  const std::lock_guard guard(facts.lock);
  facts.by_file[file.native()] = Fact{*generation, fact};
}

}  // namespace corvane::platform::provider_state
