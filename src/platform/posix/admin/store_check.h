// `corvane store check`: what a store folder holds that the store cannot use or should not keep,
// and the repairs that are safe to make.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/status.h"
#include "platform/posix/store/store_entry.h"

namespace corvane::platform {

struct StoreFinding {
  std::string file;     // the file's name in the store's folder
  std::string problem;  // for people
  bool repaired = false;
  bool warning = false;  // advice: the store works as it is
};

// The entries a store passes over, with their reasons (certificate files, then revocation lists
// that count for nothing); StoreNotOpened when the store's folder itself cannot be read.
Status SkippedStoreEntries(const std::string& store, std::vector<SkippedEntry>& skipped);

// Looks over one store: the entries it skips (revocation lists that count for nothing among
// them), private keys without a certificate, certificates of the personal store "MY" without a
// key file, key files readable by group or others, and temporary files left by interrupted
// writes, and an index (store_index.h) that no longer describes the folder. With `repair`, stale
// temporary files are removed, key files get mode 0600 and the index is written anew; a key
// that is a link, or a file with other hard links, is shared with a file outside the store and
// only reported. Certificates with RSA keys under 2048 bits are warned of.
Status CheckStore(const std::string& store, bool repair, std::vector<StoreFinding>& findings);

}  // namespace corvane::platform
