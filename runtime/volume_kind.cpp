// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/volume_kind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace vantrel {
namespace {

constexpr decltype(statfs::f_type) kMsdosMagic = 0x4d44;  // msdos and vfat
constexpr decltype(statfs::f_type) kExfatMagic = 0x2011BAB0;
constexpr decltype(statfs::f_type) kFuseMagic = 0x65735546;
constexpr size_t kBootSectorSize = 512;

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

bool HasAt(std::string_view sector, size_t offset, std::string_view text) {
  return sector.size() >= offset + text.size() && sector.substr(offset, text.size()) == text;
}

// The file system names that mkfs.exfat and mkfs.fat write into the boot sector.
bool IsFatFamilyBootSector(std::string_view sector) {
  if (HasAt(sector, 3, "EXFAT   ")) return true;
  return HasAt(sector, 54, "FAT12   ") || HasAt(sector, 54, "FAT16   ") ||
         HasAt(sector, 82, "FAT32   ");
}

std::string ReadBootSector(const std::string& device) {
  const int fd = open(device.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string sector(kBootSectorSize, '\0');
  const ssize_t n = pread(fd, sector.data(), sector.size(), 0);
  close(fd);
  return n == static_cast<ssize_t>(kBootSectorSize) ? sector : std::string();
}

bool IsFatFamilyFuseDevice(dev_t device) {
  for (const MountEntry& mount : ReadMountTable()) {
    if (makedev(mount.major, mount.minor) != device) continue;
    const bool block = mount.fs_type == "fuseblk";
    return IsFatFamilyFuse(mount, block ? ReadBootSector(mount.source) : std::string());
  }
  return false;
}

}  // namespace

bool IsFatFamilyFuse(const MountEntry& mount, std::string_view boot_sector) {
  constexpr std::string_view kFuse = "fuse.";
  if (mount.fs_type.starts_with(kFuse)) {
    // fusefat, exfat, fatfs, vfat …
    return Lower(mount.fs_type.substr(kFuse.size())).find("fat") != std::string::npos;
  }
  return mount.fs_type == "fuseblk" && IsFatFamilyBootSector(boot_sector);
}

bool IsFatFamily(int dir_fd) {
  struct statfs volume {};
  if (fstatfs(dir_fd, &volume) != 0) return false;
  if (volume.f_type == kMsdosMagic || volume.f_type == kExfatMagic) return true;
  if (volume.f_type != kFuseMagic) return false;
  struct stat info {};
  return fstat(dir_fd, &info) == 0 && IsFatFamilyFuseDevice(info.st_dev);
}

}  // namespace vantrel
