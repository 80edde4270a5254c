#include "platform/posix/files/shared_file_system.h"

#include <sys/vfs.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace corvane::platform {
namespace {

// The statfs f_type of every file system that other machines, or a user-space server, may
// change: the one list of them.
constexpr std::array<uint32_t, 17> kSharedFileSystems = {
    0x6969,      // NFS
    0x517B,      // SMB (smbfs)
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2/SMB3 (cifs.ko)
    0x65735546,  // FUSE, and so sshfs, s3fs, rclone, virtiofs, ...
    0x01021997,  // 9p (v9fs)
    0x00C36400,  // Ceph
    0x5346414F,  // AFS (kAFS)
    0x6B414653,  // AFS (OpenAFS)
    0x73757245,  // Coda
    0x564C,      // NCP
    0x01161970,  // GFS2
    0x7461636F,  // OCFS2
    0x0BD00BD0,  // Lustre
    0x47504653,  // GPFS (IBM Storage Scale)
    0x20030529,  // OrangeFS
    0x786F4256,  // VirtualBox shared folders (vboxsf)
};

}  // namespace

bool IsOnSharedFileSystem(const std::filesystem::path& folder) {
  struct statfs status {};
  if (statfs(folder.c_str(), &status) != 0) return true;  // not known: not trusted either
  const auto type = static_cast<uint32_t>(status.f_type);
  return std::find(kSharedFileSystems.begin(), kSharedFileSystems.end(), type) != kSharedFileSystems.end();
}

}  // namespace corvane::platform
