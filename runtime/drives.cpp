// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/drives.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "runtime/folder_path.h"

namespace vantrel {
namespace {

// Fields are separated by single spaces; the kernel writes space, tab, newline and
// backslash inside a field as "\ooo".
std::string DecodeOctal(std::string_view field) {
  std::string decoded;
  for (size_t i = 0; i < field.size(); ++i) {
    const bool escape = field[i] == '\\' && i + 3 < field.size();
    if (escape && std::all_of(field.begin() + i + 1, field.begin() + i + 4,
                              [](char c) { return c >= '0' && c <= '7'; })) {
      decoded += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                   (field[i + 3] - '0'));
      i += 3;
    } else {
      decoded += field[i];
    }
  }
  return decoded;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start <= line.size()) {
    const size_t end = std::min(line.find(' ', start), line.size());
    if (end > start) fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

bool ParseDevice(std::string_view field, MountEntry* entry) {
  const std::string text(field);
  char* end = nullptr;
  entry->major = static_cast<unsigned>(std::strtoul(text.c_str(), &end, 10));
  if (end == text.c_str() || *end != ':') return false;
  const char* minor_start = end + 1;
  entry->minor = static_cast<unsigned>(std::strtoul(minor_start, &end, 10));
  return end != minor_start && *end == '\0';
}

bool ParseLine(std::string_view line, MountEntry* entry) {
  const std::vector<std::string_view> fields = SplitFields(line);
  // id, parent, major:minor, root, mount point, options, optional fields …, "-",
  // type, source, super options.
  if (fields.size() < 9) return false;
  const auto separator = std::find(fields.begin() + 6, fields.end(), "-");
  if (fields.end() - separator < 3) return false;
  if (!ParseDevice(fields[2], entry)) return false;
  entry->root = DecodeOctal(fields[3]);
  entry->mount_point = DecodeOctal(fields[4]);
  entry->fs_type = DecodeOctal(separator[1]);
  entry->source = DecodeOctal(separator[2]);
  return !entry->mount_point.empty() && entry->mount_point[0] == '/';
}

bool IsNetworkShare(const std::string& type) {
  static constexpr std::array<std::string_view, 10> kTypes = {
      "nfs",  "nfs4",      "cifs",       "smb3",        "smbfs",
      "ceph", "glusterfs", "fuse.sshfs", "fuse.rclone", "davfs"};
  return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

// Desktop helpers that mount views of other things over FUSE.
bool IsHelperFuse(const std::string& type) {
  static constexpr std::array<std::string_view, 6> kTypes = {
      "fuse.gvfsd-fuse", "fuse.portal",   "fuse.lxcfs",
      "fuse.snapfuse",   "fuse.kio-fuse", "fuse.xdg-document-portal"};
  return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

bool HoldsUserFiles(const MountEntry& entry) {
  if (entry.mount_point == "/") return true;
  if (IsNetworkShare(entry.fs_type)) return true;
  if (IsHelperFuse(entry.fs_type) || entry.fs_type == "squashfs") return false;
  // A block device or, for FUSE file systems such as fusefat, an image file.
  return !entry.source.empty() && entry.source[0] == '/';
}

std::string ResolvedPath(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> resolved(realpath(path.c_str(), nullptr), std::free);
  return resolved ? std::string(resolved.get()) : path;
}

// Labels by device number and by resolved device path: btrfs, for one, reports a
// device number of its own in mountinfo, but its source still names the device.
struct Labels {
  std::map<dev_t, std::string> by_number;
  std::map<std::string, std::string> by_device;

  std::string Of(const MountEntry& entry) const {
    if (const auto found = by_number.find(makedev(entry.major, entry.minor));
        found != by_number.end()) {
      return found->second;
    }
    if (entry.source.empty() || entry.source[0] != '/') return {};
    const auto found = by_device.find(ResolvedPath(entry.source));
    return found != by_device.end() ? found->second : std::string();
  }
};

Labels ReadLabels() {
  static const std::string kFolder = "/dev/disk/by-label";
  Labels labels;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(kFolder.c_str()), closedir);
  if (!dir) return labels;
  while (const dirent* entry = readdir(dir.get())) {
    if (entry->d_name[0] == '.') continue;
    const std::string link = JoinPath(kFolder, entry->d_name);
    struct stat info {};
    if (stat(link.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) continue;
    const std::string label = DecodeLabelLink(entry->d_name);
    labels.by_number[info.st_rdev] = label;
    labels.by_device[ResolvedPath(link)] = label;
  }
  return labels;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    MountEntry entry;
    if (ParseLine(text.substr(start, end - start), &entry)) entries.push_back(std::move(entry));
    start = end + 1;
  }
  return entries;
}

std::vector<MountEntry> ReadMountTable() {
  std::ifstream file("/proc/self/mountinfo");
  std::ostringstream text;
  text << file.rdbuf();
  return ParseMountInfo(text.str());
}

std::vector<MountEntry> SelectDriveMounts(const std::vector<MountEntry>& mounts) {
  std::map<std::string, MountEntry> visible;
  for (const MountEntry& entry : mounts) visible[entry.mount_point] = entry;
  // The root is always a drive, even where the mount table hides it. Built whole and
  // moved in: GCC 12 at -O3 warns of an overlap on assigning the literal in place.
  if (visible.count("/") == 0) {
    MountEntry root;
    root.mount_point = std::string(1, '/');
    visible.emplace(root.mount_point, std::move(root));
  }
  std::vector<MountEntry> drives;
  for (auto& [mount_point, entry] : visible) {
    if (HoldsUserFiles(entry)) drives.push_back(std::move(entry));
  }
  return drives;
}

std::string DecodeLabelLink(std::string_view link_name) {
  std::string decoded;
  for (size_t i = 0; i < link_name.size(); ++i) {
    if (link_name.substr(i, 2) == "\\x" && i + 3 < link_name.size() &&
        std::isxdigit(static_cast<unsigned char>(link_name[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(link_name[i + 3]))) {
      const std::string hex(link_name.substr(i + 2, 2));
      decoded += static_cast<char>(std::strtoul(hex.c_str(), nullptr, 16));
      i += 3;
    } else {
      decoded += link_name[i];
    }
  }
  return decoded;
}

int DriveHolding(const std::vector<Drive>& drives, const std::string& path) {
  int best = -1;
  for (size_t i = 0; i < drives.size(); ++i) {
    if (!PathIsWithin(path, drives[i].mount_point)) continue;
    const size_t length = drives[i].mount_point.size();
    if (best < 0 || length > drives[static_cast<size_t>(best)].mount_point.size()) {
      best = static_cast<int>(i);
    }
  }
  return best;
}

std::vector<Drive> ListDrives() {
  const Labels labels = ReadLabels();
  std::vector<Drive> drives;
  for (const MountEntry& entry : SelectDriveMounts(ReadMountTable())) {
    // A mount of part of a file system may be a single file (containers bind-mount
    // /etc/hosts). Only such mounts are looked at, so that a network share that does
    // not answer cannot hold up the list.
    if (entry.root != "/" && !IsFolder(entry.mount_point)) continue;
    drives.push_back(Drive{entry.mount_point, labels.Of(entry)});
  }
  return drives;
}

}  // namespace vantrel
