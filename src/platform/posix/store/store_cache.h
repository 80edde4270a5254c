// What is read from store folders, kept between calls: a folder's contents (its certificates)
// and its revocation lists, each kept per file with the identity the file showed
// (file_identity.h). Every call sees what a fresh process would see:
//
// - In a watched folder (folder_watch.h) with no event since the kept reading, that reading
//   stands once its linked entries (symbolic links, files with other hard links) show the same
//   identity still: a stat of each linked entry, none of the plain files.
// - After events, a new reading reads again the files events named and the files whose identity
//   changed, and shares what the kept reading parsed of all the others.
// - A folder that is not watched (on a network or FUSE file system, or with no inotify watch to
//   be had) is listed and every entry stat'ed on every call: the kept reading stands while the
//   same entries show the same identities; otherwise only the changed and new files are read.
// - A first reading through the folder's index, and a first reading of its revocation lists, do
//   not watch the folder (adding a watch costs the kernel a walk over the folder's entries). The
//   lists are always found by listing the folder, never by the index: the index may speed a
//   search for certificates, never decide what counts as revoked. Such a reading stands while a
//   check that neither lists nor watches the folder bears it out: the folder shows the identity
//   the index gives, or the settled identity (file_identity.h) it showed before its lists were
//   listed, and each entry read shows the identity it showed. After a change the folder is
//   watched, and the files that show the identity they showed are taken over.
//
// Readings are shared between the stores opened on them and never change. Process-wide and
// thread-safe; off with CORVANE_CACHE=off (each call then reads afresh and nothing is kept).
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "platform/posix/ossl.h"
#include "platform/posix/status.h"
#include "platform/posix/store/store_contents.h"

namespace corvane::platform {

// What a reading of a store folder must hold: every certificate of the folder, or what searches
// by serial number and subject, and chains by subject name, ask for, which a folder with an index that passes its check
// (indexed_folder.h) gives without reading every file.
enum class StoreReading { kWhole, kForSearches };

// LoadStoreContents, answered from the cache while the folder's files are unchanged. A reading
// through the folder's index is kept as well, but never serves a whole reading, and once anything
// in the folder changed the index is checked again (or the folder read whole).
Status CachedStoreContents(const std::filesystem::path& folder, std::shared_ptr<const StoreContents>& contents,
                           StoreReading scope = StoreReading::kWhole);

// The revocation lists of the folder's *.crl files, from the cache while those files are
// unchanged; each list is a reference of the caller's own. None when the folder cannot be listed.
// Which files there are comes from a listing of the folder (the process's own, taken afresh or
// borne out since by the folder's identity or its watch), never from the folder's index.
std::vector<ossl::UniquePtr<X509_CRL>> CachedRevocationLists(const std::filesystem::path& folder);

}  // namespace corvane::platform
