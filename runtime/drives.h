// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// A mounted file system that a user may pick to shuffle files on.
struct Drive {
  std::string mount_point;  // absolute path, raw bytes
  std::string label;        // volume label; empty when the file system has none
};

/// One line of /proc/self/mountinfo, its octal escapes decoded.
struct MountEntry {
  unsigned major = 0;
  unsigned minor = 0;
  std::string root;  // the folder of the file system that appears at the mount point
  std::string mount_point;
  std::string fs_type;
  std::string source;
};

/// The entries of a mountinfo text, in mount order. Malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

/// The entries of this process's /proc/self/mountinfo; none when it cannot be read.
std::vector<MountEntry> ReadMountTable();

/// The mounts that hold a user's files: block devices (also through FUSE), network
/// shares and the root, but no kernel interfaces (proc, sysfs, cgroup, tmpfs …) and
/// no read-only application images. Where mounts stack on one point only the last,
/// visible one counts. Sorted by mount point; the root is always among them.
std::vector<MountEntry> SelectDriveMounts(const std::vector<MountEntry>& mounts);

/// A name from /dev/disk/by-label with udev's "\xHH" escapes decoded.
std::string DecodeLabelLink(std::string_view link_name);

/// Index of the drive whose mount point is the nearest one above or at `path`;
/// -1 when none holds it.
int DriveHolding(const std::vector<Drive>& drives, const std::string& path);

/// The drives of this system: SelectDriveMounts of /proc/self/mountinfo, without
/// bind-mounted single files, each with its label from /dev/disk/by-label.
std::vector<Drive> ListDrives();

}  // namespace vantrel
