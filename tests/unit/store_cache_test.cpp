// What the process keeps between calls (store contents, revocation lists, private keys): every
// change made to a store between two calls is seen by the second, as a fresh process would see
// it: a file overwritten in place within the same timestamp, a file changed through a symbolic or
// hard link, and every change in a folder no inotify watch reports on (run in a child process
// that can add no watch, as for a network or FUSE file system); CORVANE_CACHE=off keeps nothing;
// and an operation that finds its provider container in place writes nothing to the store root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "corvane.h"
#include "platform/posix/admin/store_index_update.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/files/file_identity.h"
#include "platform/posix/files/folder_watch.h"
#include "platform/posix/store/store_cache.h"
#include "platform/posix/store/store_index.h"
#include "platform/posix/store/thumbprint.h"
#include "support/engine_fixtures.h"
#include "support/export_call.h"
#include "support/openssl_peer.h"
#include "support/store_fixtures.h"
#include "support/test_home.h"
#include "support/test_pki.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Writes `bytes` over `file` in place (same inode, like a plain copy) and gives it back the
// modification time it had: only the bytes tell the change.
void OverwriteKeepingTime(const fs::path& file, const std::string& bytes) {
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  const fs::perms mode = fs::status(file).permissions();
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  testing::WriteFile(file, bytes);
  fs::permissions(file, mode);
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  struct stat after {};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  ASSERT_EQ(after.st_ino, before.st_ino);
}

// Runs `rows` in this process, whose store folders are watched, and again in a child process
// that can add no inotify watch (a user namespace whose watch limit is 0), where no event tells
// of any change, as in a folder on a network or FUSE file system. The child's failures fail the
// test; without user namespaces only the first run is made.
void InWatchedAndUnwatchedFolders(const fs::path& folder, const std::function<void()>& rows) {
  {
    SCOPED_TRACE("watched folders");
    rows();
  }
  constexpr int kNoUserNamespace = 77;
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    const int limit =
        unshare(CLONE_NEWUSER) == 0 ? open("/proc/sys/user/max_inotify_watches", O_WRONLY | O_CLOEXEC) : -1;
    if (limit < 0 || write(limit, "0", 1) != 1) _exit(kNoUserNamespace);
    close(limit);
    {
      SCOPED_TRACE("unwatched folders");
      EXPECT_FALSE(platform::FolderGeneration(folder).has_value());
      rows();
    }
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kNoUserNamespace) GTEST_SKIP() << "no user namespace: unwatched folders not tested";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "failures in the child without folder watches";
}

// The serial number of the fixture's certificates, as a search takes it.
const std::string kSerial = "\xAB\x12";

// A change to an index file made on its parsed form.
std::function<void(std::string& bytes)> Reencoded(std::function<void(platform::StoreIndex&)> change) {
  return [change](std::string& bytes) {
    std::optional<platform::StoreIndex> index = platform::ParseStoreIndex(bytes);
    ASSERT_TRUE(index.has_value());
    change(*index);
    bytes = platform::EncodeStoreIndex(*index);
  };
}

// Public: the rows of the tables below change the store through the fixture.
class StoreCacheTest : public ::testing::Test {
 public:
  void SetUp() override {
    for (int index = 0; index < 2; ++index) {
      keys_.push_back(testing::TestRsaKey(index));
      // Same name lengths and key sizes: the two files have the same size.
      certificates_.push_back(testing::MakeCertificate(
          {.subject = {{"CN", "Cache " + std::to_string(index)}}, .serial_hex = "12AB"},
          keys_.back().get(), nullptr, keys_.back().get()));
    }
    ASSERT_EQ(testing::DerOf(certificates_[0].get()).size(), testing::DerOf(certificates_[1].get()).size());
  }
  fs::path MyFolder() const { return home_.root() / "stores" / "MY"; }
  fs::path KeyFile(int index) const {
    return MyFolder() / (platform::Thumbprint(certificates_[index].get()) + ".key");
  }
  std::string ThumbprintOf(int index) const { return platform::Thumbprint(certificates_[index].get()); }

  // Signs with certificate `index` of a freshly opened MY store.
  bool Signs(int index) {
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    EXPECT_NE(store, nullptr);
    const std::string wanted = testing::DerOf(certificates_[index].get());
    PCCERT_CONTEXT found = nullptr;
    while ((found = CertEnumCertificatesInStore(store, found)) != nullptr) {
      if (testing::BlobBytes(found->pbCertEncoded, found->cbCertEncoded) == wanted) break;
    }
    const bool signs = found != nullptr && testing::SignWithCertificate(found, "signed", false).ok;
    if (found != nullptr) CertFreeCertificateContext(found);
    CertCloseStore(store, 0);
    return signs;
  }

  testing::TestHome home_;
  std::vector<ossl::UniquePtr<EVP_PKEY>> keys_;
  std::vector<ossl::UniquePtr<X509>> certificates_;
};

TEST_F(StoreCacheTest, CertificateChangesBetweenTwoOpensAreSeen) {
  const struct {
    const char* name;
    std::function<void(StoreCacheTest&, const fs::path& first)> change;
    std::vector<int> expected;  // certificate indexes, in thumbprint order
  } rows[] = {
      {"file added",
       [](StoreCacheTest& test, const fs::path&) {
         testing::InstallCertificate(test.home_.root(), "MY", test.certificates_[1].get());
       },
       {0, 1}},
      {"file removed", [](StoreCacheTest&, const fs::path& first) { fs::remove(first); }, {}},
      {"file replaced by a rename",
       [](StoreCacheTest& test, const fs::path& first) {
         testing::WriteFile(first.string() + ".new", testing::DerOf(test.certificates_[1].get()));
         fs::rename(first.string() + ".new", first);
       },
       {1}},
      {"file overwritten in place, same size and time",
       [](StoreCacheTest& test, const fs::path& first) {
         OverwriteKeepingTime(first, testing::DerOf(test.certificates_[1].get()));
       },
       {1}},
      {"folder removed and made again",
       [](StoreCacheTest& test, const fs::path&) {
         fs::remove_all(test.MyFolder());
         testing::InstallCertificate(test.home_.root(), "MY", test.certificates_[1].get());
       },
       {1}},
      {"folder removed", [](StoreCacheTest& test, const fs::path&) { fs::remove_all(test.MyFolder()); }, {}},
  };
  // Behind an index the tool wrote and the change did not update, each call reads as a fresh
  // process does: through the index while it holds. Without the cache each call reads afresh;
  // with it, the reading through the index is kept, with no watch on the folder, until the change.
  for (const auto& [indexed, cached] : {std::pair{false, true}, {true, false}, {true, true}}) {
    SCOPED_TRACE(indexed ? (cached ? "behind an index, with the cache" : "behind an index") : "without an index");
    for (const auto& row : rows) {
      SCOPED_TRACE(row.name);
      fs::remove_all(MyFolder());
      const fs::path first = testing::InstallCertificate(home_.root(), "MY", certificates_[0].get());
      home_.SetEnv("CORVANE_CACHE", "off");  // nothing kept from before
      ASSERT_EQ(testing::EnumeratedThumbprints("MY"), std::vector<std::string>{ThumbprintOf(0)});
      // The change follows the index at once, within the file system's timestamp granularity.
      bool through_index = false;
      if (indexed) {
        ASSERT_TRUE(platform::UpdateStoreIndex(MyFolder()).ok());
      }
      home_.SetEnv("CORVANE_CACHE", cached ? std::nullopt : std::optional<std::string>("off"));
      ASSERT_EQ(testing::SerialSearchThumbprints("MY", kSerial, &through_index), std::vector<std::string>{ThumbprintOf(0)});
      ASSERT_EQ(through_index, indexed);
      row.change(*this, first);
      std::vector<std::string> expected;
      for (int index : row.expected) expected.push_back(ThumbprintOf(index));
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(testing::SerialSearchThumbprints("MY", kSerial), expected);
      EXPECT_EQ(testing::EnumeratedThumbprints("MY"), expected);
    }
  }
}

// An index counts only as far as the folder bears it out: a search gives what it gives with no
// index, through the index only while the index describes the folder and every file read
// through it holds what it says. The folder's revocation lists are always found by listing the
// folder: an index that names none hides none.
TEST_F(StoreCacheTest, IndexCountsOnlyWhereTheFolderBearsItOut) {
  for (int index = 0; index < 2; ++index) testing::InstallCertificate(home_.root(), "MY", certificates_[index].get());
  ASSERT_TRUE(platform::UpdateStoreIndex(MyFolder()).ok());
  const fs::path index_file = platform::StoreIndexFile(MyFolder());
  const std::string written_before_list = testing::ReadFile(index_file);
  testing::WriteFile(MyFolder() / "issuer.crl", testing::RevocationListDer(certificates_[0].get(), keys_[0].get()));
  ASSERT_TRUE(platform::UpdateStoreIndex(MyFolder()).ok());
  const std::string written = testing::ReadFile(index_file);
  const std::string names[2] = {ThumbprintOf(0) + ".cer", ThumbprintOf(1) + ".cer"};
  const struct {
    const char* name;
    std::function<void(std::string& bytes)> change;  // null: no index at all
    bool through_index;
  } rows[] = {
      {"as the tool wrote it", [](std::string&) {}, true},
      {"missing", nullptr, false},
      {"truncated", [](std::string& bytes) { bytes.pop_back(); }, false},
      {"of another folder", Reencoded([](platform::StoreIndex& index) { index.folder.inode ^= 1; }), false},
      {"written before a list was added by hand", [&](std::string& bytes) { bytes = written_before_list; }, false},
      {"naming no revocation list", Reencoded([](platform::StoreIndex& index) { index.revocation_lists.clear(); }),
       true},
      {"naming a revocation list outside the folder",
       Reencoded([](platform::StoreIndex& index) { index.revocation_lists.push_back("../CA/issuer.crl"); }), false},
      {"giving a linked entry a file it no longer leads to",
       Reencoded([](platform::StoreIndex& index) {
         index.linked.assign(1, platform::LinkedFile{0, {platform::FileIdentity{}, true}});
       }),
       false},
      {"naming another file's certificate in a file, which then hides its own",
       Reencoded([&](platform::StoreIndex& index) {
         // Each file keeps its name, which is then written out (it no longer is the tool's).
         const auto at = [&](const std::string& name) {
           auto file = std::find_if(index.files.begin(), index.files.end(),
                                    [&](const auto& f) { return platform::FileNameOf(index, f) == name; });
           file->name = name;
           return file->first;
         };
         const uint32_t first = at(names[0]), second = at(names[1]);
         index.certificates[first] = index.certificates[second];
         index.certificates[second].serial_key = platform::IndexKey("another serial number");
       }),
       false},
  };
  std::vector<std::string> both = {ThumbprintOf(0), ThumbprintOf(1)};
  std::sort(both.begin(), both.end());
  home_.SetEnv("CORVANE_CACHE", "off");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::string bytes = written;
    if (row.change) row.change(bytes);
    fs::remove(index_file);
    if (row.change) testing::WriteFile(index_file, bytes);
    bool through_index = !row.through_index;
    EXPECT_EQ(testing::SerialSearchThumbprints("MY", kSerial, &through_index), both);
    EXPECT_EQ(through_index, row.through_index);
    EXPECT_EQ(platform::CachedRevocationLists(MyFolder()).size(), 1u);
  }

  // A process keeps its reading through the index, with no watch on the folder, only while the
  // index holds: a linked entry no search has read yet, whose file takes another certificate of
  // the serial number searched for, makes the next search read as a fresh process would.
  fs::remove_all(MyFolder());
  testing::InstallCertificate(home_.root(), "MY", certificates_[0].get());
  const auto spare = testing::MakeCertificate({.subject = {{"CN", "Spare"}}, .serial_hex = "77"}, keys_[0].get(), nullptr, keys_[0].get());
  const fs::path target = testing::InstallCertificate(home_.root(), "ELSEWHERE", spare.get());
  fs::create_symlink(target, MyFolder() / "spare.cer");
  ASSERT_TRUE(platform::UpdateStoreIndex(MyFolder()).ok());
  home_.SetEnv("CORVANE_CACHE", std::nullopt);
  bool through_index = false;
  EXPECT_EQ(testing::SerialSearchThumbprints("MY", kSerial, &through_index), std::vector<std::string>{ThumbprintOf(0)});
  EXPECT_TRUE(through_index);
  // Nor does the kept reading's index name the lists once one was added by hand.
  testing::WriteFile(MyFolder() / "issuer.crl", testing::RevocationListDer(certificates_[0].get(), keys_[0].get()));
  EXPECT_EQ(platform::CachedRevocationLists(MyFolder()).size(), 1u);
  fs::rename(testing::InstallCertificate(home_.root(), "ROOT", certificates_[1].get()), target);
  EXPECT_EQ(testing::SerialSearchThumbprints("MY", kSerial), both);
}

// The OpenSSL certificate of each certificate of MY, by thumbprint, through `store`: the same
// X509 object in two readings means the certificate was not parsed again.
std::map<std::string, X509*> ParsedCertificates(HCERTSTORE store) {
  std::map<std::string, X509*> parsed;
  for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c)) != nullptr;) {
    parsed[platform::Thumbprint(c->pbCertEncoded, c->cbCertEncoded)] = platform::CertificateX509(c);
  }
  return parsed;
}

// A file named as the tool names files goes without its name, and every other file with it: one
// form of each index. A name is never made of a thumbprint that is no upper-case hex (it must stay
// a plain name in the folder).
TEST(StoreIndexTest, TheToolsFileNamesAloneGoUnwritten) {
  const std::string thumbprint(40, 'A'), tool_name = thumbprint + ".cer";
  // Written as another name of the same length, then made the tool's in the encoding.
  const std::string stand_in = std::string(40, 'B') + ".cer", lower_hex(40, 'a');
  const struct {
    const char* name;
    std::string_view file_name;  // as the index gives it: empty for the tool's name
    std::string_view first_thumbprint;
    uint32_t count;
    bool parses;
    std::optional<std::string_view> named;  // what FileNameOf gives
  } rows[] = {
      {"the tool's name, unwritten", "", thumbprint, 1, true, tool_name},
      {"another name, written", "other.pem", thumbprint, 1, true, "other.pem"},
      {"the tool's name written out", stand_in, thumbprint, 1, false},
      {"unwritten for a file without certificates", "", thumbprint, 0, false},
      {"unwritten over a thumbprint of lower-case hex", "", lower_hex, 1, true, std::nullopt},
      {"unwritten over a thumbprint that leads out of the folder", "", "../../../../../../../../../../../../etc/",
       1, true, std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    platform::StoreIndex index;
    index.files.push_back({row.file_name, 0, row.count});
    if (row.count > 0) index.certificates.push_back({row.first_thumbprint});
    std::string encoding = platform::EncodeStoreIndex(index);
    if (row.file_name == stand_in) encoding.replace(encoding.find(stand_in), stand_in.size(), tool_name);
    const std::optional<platform::StoreIndex> parsed = platform::ParseStoreIndex(encoding);
    EXPECT_EQ(parsed.has_value(), row.parses);
    if (parsed && row.parses) {
      EXPECT_EQ(platform::FileNameOf(*parsed, parsed->files[0]), row.named);
    }
  }
}

// A store that changed is read again file by file: the certificates of the files that did not
// change are the very objects of the earlier reading; every change is seen all the same.
TEST_F(StoreCacheTest, UnchangedFilesAreNotParsedAgain) {
  // Certificates 0..5 are all the same size. Certificate 3 is in two files (its .cer and a PEM
  // copy): which of the two objects a reading lists is not fixed, so it is never compared. The
  // file of certificate 2 is a symbolic link to a file in another folder.
  const auto key = testing::TestRsaKey(0);
  std::vector<ossl::UniquePtr<X509>> certificates;
  for (int index = 0; index < 6; ++index) {
    certificates.push_back(testing::MakeCertificate(
        {.subject = {{"CN", "Cache " + std::to_string(index)}}, .serial_hex = "12AB"}, key.get(), nullptr, key.get()));
  }
  auto file_of = [&](int index) { return MyFolder() / (platform::Thumbprint(certificates[index].get()) + ".cer"); };
  auto der_of = [&](int index) { return testing::DerOf(certificates[index].get()); };
  const fs::path link_target = home_.root() / "elsewhere" / "linked.cer";
  const struct {
    const char* name;
    std::function<void()> change;
    std::vector<int> expected;  // certificate indexes listed after the change
    std::vector<int> kept;      // those that must be the objects of the earlier reading
  } rows[] = {
      {"file replaced by a rename",
       [&] {
         testing::WriteFile(file_of(1).string() + ".new", der_of(5));
         fs::rename(file_of(1).string() + ".new", file_of(1));
       },
       {0, 2, 3, 5}, {0, 2}},
      {"file overwritten in place, same size and time", [&] { OverwriteKeepingTime(file_of(1), der_of(5)); },
       {0, 2, 3, 5}, {0, 2}},
      {"file added", [&] { testing::InstallCertificate(home_.root(), "MY", certificates[5].get()); },
       {0, 1, 2, 3, 5}, {0, 1, 2}},
      {"file removed", [&] { fs::remove(file_of(1)); }, {0, 2, 3}, {0, 2}},
      {"one of two files of a certificate removed", [&] { fs::remove(file_of(3)); }, {0, 1, 2, 3}, {0, 1, 2}},
      {"file that holds no certificate added", [&] { testing::WriteFile(MyFolder() / "notes.txt", "x"); },
       {0, 1, 2, 3}, {0, 1, 2}},
      // No event reaches the store folder's watch; the file added renews its generation, and the
      // size of the file written through the link tells its change.
      {"file overwritten through a hard link in another folder, another file added",
       [&] {
         const fs::path link = home_.root() / "elsewhere.cer";
         fs::create_hard_link(file_of(1), link);
         testing::WriteFile(link, testing::PemOf(certificates[5].get()));
         testing::InstallCertificate(home_.root(), "MY", certificates[4].get());
       },
       {0, 2, 3, 4, 5}, {0, 2}},
      // No event reaches the store folder's watch: the link's target has another identity.
      {"file reached through a symbolic link, its target replaced by a rename",
       [&] {
         testing::WriteFile(link_target.string() + ".new", der_of(5));
         fs::rename(link_target.string() + ".new", link_target);
       },
       {0, 1, 3, 5}, {0, 1}},
      {"nothing changed, caching off", [&] { home_.SetEnv("CORVANE_CACHE", "off"); }, {0, 1, 2, 3}, {}},
  };
  InWatchedAndUnwatchedFolders(home_.root(), [&] {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.name);
      home_.SetEnv("CORVANE_CACHE", std::nullopt);
      fs::remove_all(MyFolder());
      fs::remove_all(link_target.parent_path());
      fs::remove(home_.root() / "elsewhere.cer");
      for (int index = 0; index < 4; ++index) {
        testing::InstallCertificate(home_.root(), "MY", certificates[index].get());
      }
      testing::WriteFile(MyFolder() / "copy.pem", testing::PemOf(certificates[3].get()));
      fs::create_directories(link_target.parent_path());
      fs::rename(file_of(2), link_target);
      fs::create_symlink(link_target, file_of(2));
      // The first store stays open: its objects stay alive, so no later one can take their address.
      HCERTSTORE first = CertOpenSystemStoreA(0, "MY");
      ASSERT_NE(first, nullptr);
      const std::map<std::string, X509*> before = ParsedCertificates(first);
      row.change();
      HCERTSTORE second = CertOpenSystemStoreA(0, "MY");
      ASSERT_NE(second, nullptr);
      const std::map<std::string, X509*> after = ParsedCertificates(second);
      std::vector<std::string> listed, expected;
      for (const auto& [thumbprint, x509] : after) listed.push_back(thumbprint);
      for (int index : row.expected) expected.push_back(platform::Thumbprint(certificates[index].get()));
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(listed, expected);
      for (int index : {0, 1, 2}) {
        const std::string thumbprint = platform::Thumbprint(certificates[index].get());
        if (!before.contains(thumbprint) || !after.contains(thumbprint)) continue;
        const bool kept = std::find(row.kept.begin(), row.kept.end(), index) != row.kept.end();
        EXPECT_EQ(before.at(thumbprint) == after.at(thumbprint), kept) << "certificate " << index;
      }
      CertCloseStore(first, 0);
      CertCloseStore(second, 0);
    }
  });
}

// What a folder's watch tells of the entries changed since an earlier generation: all of them,
// or nothing known once its record no longer reaches back so far; never only some.
TEST(FolderWatchTest, ChangesSinceNameEveryChangedEntryOrNothing) {
  testing::TestHome home;
  const fs::path folder = home.root() / "watched";
  fs::create_directories(folder);
  const struct {
    const char* name;
    size_t files;
    bool known;
  } rows[] = {{"few", 3, true}, {"many", platform::kRecordedNameLimit + 1, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::optional<uint64_t> since = platform::FolderGeneration(folder);
    ASSERT_TRUE(since.has_value());
    std::unordered_set<std::string> created;
    for (size_t index = 0; index < row.files; ++index) {
      const std::string name = std::string(row.name) + std::to_string(index);
      const int descriptor = open((folder / name).c_str(), O_CREAT | O_RDONLY | O_CLOEXEC, 0600);  // one event
      ASSERT_GE(descriptor, 0);
      close(descriptor);
      created.insert(name);
    }
    const std::optional<platform::FolderChanges> changes = platform::FolderChangesSince(folder, *since);
    ASSERT_TRUE(changes.has_value());
    EXPECT_GT(changes->generation, *since);
    EXPECT_EQ(changes->names.has_value(), row.known);
    if (changes->names) {
      EXPECT_EQ(*changes->names, created);
    }
  }
}

// A forked child shares its parent's inotify instance: were it to read the queue, the parent
// would miss the events the child took.
TEST_F(StoreCacheTest, ChildProcessTakesNoChangeFromItsParent) {
  const fs::path first = testing::InstallCertificate(home_.root(), "MY", certificates_[0].get());
  ASSERT_EQ(testing::EnumeratedThumbprints("MY"), std::vector<std::string>{ThumbprintOf(0)});
  OverwriteKeepingTime(first, testing::DerOf(certificates_[1].get()));
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
    _exit(store != nullptr && CertCloseStore(store, 0) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(testing::EnumeratedThumbprints("MY"), std::vector<std::string>{ThumbprintOf(1)});
}

TEST_F(StoreCacheTest, KeyChangesBetweenTwoCallsAreSeen) {
  const struct {
    const char* name;
    bool key_at_first;
    std::function<void(StoreCacheTest&)> change;
    bool signs_after;
  } rows[] = {
      {"key removed", true, [](StoreCacheTest& test) { fs::remove(test.KeyFile(0)); }, false},
      {"key added", false,
       [](StoreCacheTest& test) { testing::WriteFile(test.KeyFile(0), testing::PrivateKeyPemOf(test.keys_[0].get())); },
       true},
      {"key overwritten in place by another key, same time", true,
       [](StoreCacheTest& test) {
         OverwriteKeepingTime(test.KeyFile(0), testing::PrivateKeyPemOf(test.keys_[1].get()));
       },
       false},
      {"other key overwritten in place by the right one, same time", false,
       [](StoreCacheTest& test) {
         testing::WriteFile(test.KeyFile(0), testing::PrivateKeyPemOf(test.keys_[1].get()));
         ASSERT_FALSE(test.Signs(0));
         OverwriteKeepingTime(test.KeyFile(0), testing::PrivateKeyPemOf(test.keys_[0].get()));
       },
       true},
      // No event reaches the store folder's watch: the file's size tells the change (its
      // modification time may stay within the clock's tick).
      {"key overwritten through a hard link in another folder", true,
       [](StoreCacheTest& test) {
         const fs::path link = test.home_.root() / "elsewhere.key";
         fs::create_hard_link(test.KeyFile(0), link);
         testing::WriteFile(link, testing::PrivateKeyPemOf(test.keys_[1].get()) + "\n");
         ASSERT_NE(fs::file_size(link), testing::PrivateKeyPemOf(test.keys_[0].get()).size());
       },
       false},
      {"key replaced by an unreadable file", true,
       [](StoreCacheTest& test) {
         fs::remove(test.KeyFile(0));
         fs::create_directory(test.KeyFile(0));
       },
       false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(MyFolder());
    testing::InstallCertificate(home_.root(), "MY", certificates_[0].get(),
                                row.key_at_first ? keys_[0].get() : nullptr);
    ASSERT_EQ(Signs(0), row.key_at_first);
    row.change(*this);
    EXPECT_EQ(Signs(0), row.signs_after);
  }
}

// Lists are kept per file: the list of a file that did not change is the very object of the
// earlier reading, while every change to another file is seen.
TEST_F(StoreCacheTest, RevocationListChangesAreSeen) {
  const std::string crl = testing::RevocationListDer(certificates_[0].get(), keys_[0].get());
  const X509_NAME* unchanged_issuer = X509_get_subject_name(certificates_[1].get());
  const struct {
    const char* name;
    std::function<void(const fs::path& file)> change;
    size_t lists;  // besides the unchanged one
  } steps[] = {
      {"none yet", [](const fs::path&) {}, 0},
      {"list added", [&](const fs::path& file) { testing::WriteFile(file, crl); }, 1},
      {"second list in the same file",
       [&](const fs::path& file) { OverwriteKeepingTime(file, testing::CrlPemOf(crl) + testing::CrlPemOf(crl)); }, 2},
      {"list removed", [](const fs::path& file) { fs::remove(file); }, 0},
  };
  // The steps from the first, and from the second, in a folder of their own: the first reading,
  // once the folder's identity settled, is kept without a watch, and the step after it is the
  // first change the process sees.
  InWatchedAndUnwatchedFolders(home_.root(), [&] {
    for (const size_t first : {0, 1}) {
      SCOPED_TRACE(first == 0 ? "from the first step" : "from the second step");
      const fs::path folder = home_.root() / "stores" / (first == 0 ? "MY" : "CA");
      fs::remove_all(folder);
      testing::WriteFile(folder / "unchanged.crl", testing::RevocationListDer(certificates_[1].get(), keys_[1].get()));
      ossl::UniquePtr<X509_CRL> unchanged;  // held: no later list can take its address
      for (size_t step = first; step < std::size(steps); ++step) {
        SCOPED_TRACE(steps[step].name);
        steps[step].change(folder / "issuer.crl");
        while (step == first && !platform::SettledIdentityOfFolder(folder)) usleep(1000);
        std::vector<ossl::UniquePtr<X509_CRL>> lists = platform::CachedRevocationLists(folder);
        EXPECT_EQ(lists.size(), steps[step].lists + 1);
        for (auto& list : lists) {
          if (X509_NAME_cmp(X509_CRL_get_issuer(list.get()), unchanged_issuer) != 0) continue;
          if (unchanged == nullptr) unchanged = std::move(list);
          else EXPECT_EQ(list.get(), unchanged.get());
        }
      }
    }
  });
}

// One process, many calls: the stores and the policy change between calls where links lead, and
// each call answers as a fresh process would.
TEST_F(StoreCacheTest, LongRunningProcessSeesWhatAFreshProcessSees) {
  const testing::FixedIssuerPki pki = testing::MakeFixedIssuerPki();
  const fs::path my = home_.root() / "stores" / "MY";
  const fs::path list = home_.root() / "stores" / "ROOT" / "root.crl";
  const fs::path elsewhere = home_.root() / "elsewhere";
  const fs::path policy = home_.root() / "policy.conf";
  const std::string thumbprint = platform::Thumbprint(pki.signer.get());
  const std::string revoking = testing::RevocationListDer(pki.ca.get(), pki.ca_key.get(), pki.signer.get());
  // The signer's key and another one, padded to one size (PEM readers pass over line ends).
  std::string signer_pem = testing::PrivateKeyPemOf(pki.signer_key.get());
  std::string other_pem = testing::PrivateKeyPemOf(testing::TestRsaKey(1).get());
  signer_pem.resize(std::max(signer_pem.size(), other_pem.size()), '\n');
  other_pem.resize(signer_pem.size(), '\n');
  const std::string message = testing::OpensslBase64(
      testing::OpensslSignedMessage("long-running", pki.signer.get(), pki.signer_key.get()));
  const auto sign = [] {
    return testing::CallExport([](char* out, int32_t* length) {
             return generateSingleSignedMsgBySN("data", 4, 0, testing::kFixedIssuerSignerSerial, 4, out, length);
           }).code;
  };
  const auto verify = [&] {
    return testing::CallExport([&](char* out, int32_t* length) {
             return verifySingleSignedMsg(message.data(), static_cast<int32_t>(message.size()), out, length);
           }).code;
  };
  const struct {
    const char* name;
    fs::path entry;  // moved to `elsewhere` behind a symbolic link, or given a second hard link there
    bool symbolic;
    std::function<void(const fs::path& target)> change;
    std::function<int32_t()> call;
    int32_t after;  // 0 before the change
  } rows[] = {
      {"certificate through a symbolic link, its target removed", my / (thumbprint + ".cer"), true,
       [](const fs::path& target) { fs::remove(target); }, sign, -10005},
      {"revocation list through a symbolic link, replaced by a rename at its target", list, true,
       [&](const fs::path& target) {
         testing::WriteFile(target.string() + ".new", revoking);
         fs::rename(target.string() + ".new", target);
       },
       verify, -10012},
      {"revocation list with a hard link in another folder, written through it", list, false,
       [&](const fs::path& target) { testing::WriteFile(target, revoking); }, verify, -10012},
      {"key with a hard link in another folder, written through it with its old size and times",
       my / (thumbprint + ".key"), false, [&](const fs::path& target) { OverwriteKeepingTime(target, other_pem); },
       sign, -10015},
      {"policy with a hard link in another folder, written through it with its old size and times",
       policy, false, [](const fs::path& target) { OverwriteKeepingTime(target, "key.min_rsa_bits = 4096\n"); },
       sign, -10020},
  };
  InWatchedAndUnwatchedFolders(home_.root(), [&] {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.name);
      fs::remove_all(home_.root() / "stores");
      fs::remove_all(elsewhere);
      fs::create_directories(elsewhere);
      testing::InstallCertificate(home_.root(), "ROOT", pki.ca.get());
      testing::InstallCertificate(home_.root(), "MY", pki.signer.get(), pki.signer_key.get());
      testing::WriteFile(my / (thumbprint + ".key"), signer_pem);
      testing::WriteFile(list, testing::RevocationListDer(pki.ca.get(), pki.ca_key.get()));
      testing::WriteFile(policy, "key.min_rsa_bits = 1024\n");
      const fs::path target = elsewhere / row.entry.filename();
      if (row.symbolic) {
        fs::rename(row.entry, target);
        fs::create_symlink(target, row.entry);
      } else {
        fs::create_hard_link(row.entry, target);
      }
      for (int call = 0; call < 2; ++call) EXPECT_EQ(row.call(), 0) << "call " << call << " before the change";
      row.change(target);
      for (int call = 0; call < 2; ++call) EXPECT_EQ(row.call(), row.after) << "call " << call << " after the change";
    }
  });
}

TEST_F(StoreCacheTest, CacheSettingDecidesWhetherFilesAreReadAgain) {
  testing::InstallCertificate(home_.root(), "MY", certificates_[0].get(), keys_[0].get());
  const struct {
    const char* setting;  // CORVANE_CACHE; null: unset
    bool kept;
  } rows[] = {{nullptr, true}, {"on", true}, {"off", false}};
  InWatchedAndUnwatchedFolders(home_.root(), [&] {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.setting == nullptr ? "unset" : row.setting);
      home_.SetEnv("CORVANE_CACHE", row.setting == nullptr ? std::nullopt : std::optional<std::string>(row.setting));
      std::shared_ptr<const platform::StoreContents> first, second;
      ASSERT_TRUE(platform::CachedStoreContents(MyFolder(), first).ok());
      ASSERT_TRUE(platform::CachedStoreContents(MyFolder(), second).ok());
      EXPECT_EQ(first == second, row.kept);

      HCERTSTORE store = CertOpenSystemStoreA(0, "MY");
      ASSERT_NE(store, nullptr);
      PCCERT_CONTEXT context = CertEnumCertificatesInStore(store, nullptr);
      ASSERT_NE(context, nullptr);
      const ossl::UniquePtr<EVP_PKEY> key = testing::LinkedKey(context);
      const ossl::UniquePtr<EVP_PKEY> again = testing::LinkedKey(context);
      ASSERT_NE(key, nullptr);
      EXPECT_EQ(key.get() == again.get(), row.kept);
      CertFreeCertificateContext(context);
      CertCloseStore(store, 0);
    }
  });
}

// Where timestamps are coarser than the writes, the size may be all that tells a rewritten file
// from what it was: each field of an identity on its own tells another file.
TEST(FileIdentityTest, EachFieldOnItsOwnTellsAnotherFile) {
  const platform::FileIdentity identity{1, 2, 3, 4, 5};
  const platform::FileIdentity others[] = {{9, 2, 3, 4, 5}, {1, 9, 3, 4, 5}, {1, 2, 9, 4, 5}, {1, 2, 3, 9, 5},
                                           {1, 2, 3, 4, 9}};
  for (const platform::FileIdentity& other : others) EXPECT_NE(other, identity);
}

// Everything under a folder as it stands on disk: kind, inode, size, times and bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  auto add = [&](const fs::path& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return;
    auto ns = [](const timespec& time) { return std::to_string(time.tv_sec) + "." + std::to_string(time.tv_nsec); };
    std::string record = std::to_string(status.st_mode) + " " + std::to_string(status.st_ino) + " " +
                         std::to_string(status.st_size) + " m" + ns(status.st_mtim) + " c" + ns(status.st_ctim);
    if (S_ISREG(status.st_mode)) record += " " + testing::ReadFile(path);
    entries[fs::relative(path, folder.parent_path()).string()] = record;
  };
  add(folder);
  for (const auto& entry : fs::recursive_directory_iterator(folder)) add(entry.path());
  return entries;
}

TEST(NoWriteTest, OperationsLeaveStoresAndProvidersUntouched) {
  testing::TestHome home;
  const auto ca_key = testing::TestRsaKey(2);
  const auto ca = testing::MakeCertificate(
      {.subject = {{"CN", "QDRA"}, {"OU", "config"}, {"O", "Ostrevalia"}}, .ca = true}, ca_key.get(), nullptr,
      ca_key.get());
  const auto key = testing::TestRsaKey(0);
  const auto signer = testing::MakeCertificate({.subject = {{"CN", "Signer"}}, .serial_hex = "12AB"}, key.get(),
                                               ca.get(), ca_key.get());
  testing::InstallCertificate(home.root(), "MY", signer.get(), key.get());
  testing::InstallCertificate(home.root(), "CA", ca.get());
  const std::string envelope =
      testing::OpensslBase64(testing::OpensslEnvelope("opened", {signer.get()}, "-aes256"));
  const struct {
    const char* name;
    std::function<testing::ExportResult()> call;
  } rows[] = {
      {"sign by serial number",
       [] {
         return testing::CallExport([](char* out, int32_t* length) {
           return generateSingleSignedMsgBySN("data", 4, 0, "12AB", 4, out, length);
         });
       }},
      {"open an envelope",
       [&] {
         return testing::CallExport([&](char* out, int32_t* length) {
           return decomposeSingleEnvelopedMsg(envelope.data(), static_cast<int32_t>(envelope.size()), out, length);
         });
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(row.call().code, 0);  // makes the provider container when it is missing
    const auto stores = Snapshot(home.root() / "stores");
    const auto providers = Snapshot(home.root() / "providers");
    ASSERT_EQ(row.call().code, 0);
    EXPECT_EQ(Snapshot(home.root() / "stores"), stores);
    EXPECT_EQ(Snapshot(home.root() / "providers"), providers);
  }
}

}  // namespace
}  // namespace corvane
