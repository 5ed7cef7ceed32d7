// SPDX-License-Identifier: GPL-3.0-or-later
// The identity of a folder: the UUID of its file system and its path there.

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "runtime/drives.h"
#include "runtime/record_store.h"

namespace vantrel {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool IsAtOrBelow(const std::string& path, const std::string& mount_point) {
  if (mount_point == "/") return true;
  return path.compare(0, mount_point.size(), mount_point) == 0 &&
         (path.size() == mount_point.size() || path[mount_point.size()] == '/');
}

// The mount at the nearest point above `path`, one of its device where there is
// one: several mounts may show one file system, and a mount may cover another.
const MountEntry* MountHolding(const std::vector<MountEntry>& mounts, const std::string& path,
                               dev_t device) {
  for (const bool of_device : {true, false}) {
    const MountEntry* best = nullptr;
    for (const MountEntry& mount : mounts) {
      if (!IsAtOrBelow(path, mount.mount_point)) continue;
      if (of_device && makedev(mount.major, mount.minor) != device) continue;
      // The later of two mounts on one point covers the earlier.
      if (best == nullptr || mount.mount_point.size() >= best->mount_point.size()) best = &mount;
    }
    if (best != nullptr) return best;
  }
  return nullptr;
}

// The block device behind a mount: its own number for a kernel mount, the device it
// was mounted from for FUSE and others that get a number of their own.
std::optional<dev_t> BlockDeviceOf(const MountEntry& mount) {
  if (mount.major != 0) return makedev(mount.major, mount.minor);
  struct stat source {};
  if (stat(mount.source.c_str(), &source) == 0 && S_ISBLK(source.st_mode)) return source.st_rdev;
  return std::nullopt;
}

std::string UuidOf(dev_t device, const std::string& by_uuid) {
  DIR* dir = opendir(by_uuid.c_str());
  if (dir == nullptr) return {};
  std::string uuid;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    struct stat target {};
    const std::string link = by_uuid + "/" + entry->d_name;
    if (stat(link.c_str(), &target) == 0 && S_ISBLK(target.st_mode) && target.st_rdev == device) {
      uuid = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return uuid;
}

std::string InnerPath(const MountEntry& mount, const std::string& path) {
  const std::string below = mount.mount_point == "/" ? path : path.substr(mount.mount_point.size());
  if (mount.root == "/") return below.empty() ? "/" : below;
  return mount.root + below;
}

}  // namespace

FolderIdentity IdentifyFolder(const std::string& path, const IdentitySources& sources) {
  FolderIdentity identity;
  char* resolved = realpath(path.c_str(), nullptr);
  identity.absolute_path = resolved != nullptr ? resolved : path;
  std::free(resolved);
  struct stat folder {};
  if (stat(identity.absolute_path.c_str(), &folder) != 0) return identity;
  const std::vector<MountEntry> mounts = ParseMountInfo(ReadText(sources.mountinfo));
  const MountEntry* mount = MountHolding(mounts, identity.absolute_path, folder.st_dev);
  if (mount == nullptr) return identity;
  const std::optional<dev_t> device = BlockDeviceOf(*mount);
  if (!device) return identity;
  identity.fs_uuid = UuidOf(*device, sources.by_uuid);
  if (!identity.fs_uuid.empty()) identity.inner_path = InnerPath(*mount, identity.absolute_path);
  return identity;
}

}  // namespace vantrel
