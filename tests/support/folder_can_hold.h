// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the file system of a test's folder can hold, asked of the file system
// itself: the suites also run with their folders on a USB stick (FAT, exFAT), where
// a test that needs a link or a name the stick cannot store skips with the reason.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/posix_runtime.h"
#include "tests/support/temp_folder.h"

/// Skips the test with `why` when that is not empty.
#define VANTREL_SKIP_IF(why) \
  if (const std::string skip_why = (why); !skip_why.empty()) GTEST_SKIP() << "Skipped: " << skip_why

namespace vantrel::testing {

namespace probe {
inline std::string Refused(const std::string& what, int code) {
  return "the file system here cannot hold " + what + " (" + std::strerror(code) + ")";
}
}  // namespace probe

/// Empty when `folder` can hold a file named `name` byte for byte; else why not.
inline std::string WhyNoName(const std::string& folder, const std::string& name) {
  const std::string path = folder + "/" + name;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return probe::Refused("the name \"" + name + "\"", errno);
  close(fd);
  const std::vector<std::string> listed = ListNames(folder);
  const bool kept = std::find(listed.begin(), listed.end(), name) != listed.end();
  unlink(path.c_str());
  return kept ? "" : "the file system here stores the name \"" + name + "\" otherwise";
}

/// Empty when `folder` can hold a symbolic link; else why not.
inline std::string WhyNoSymlink(const std::string& folder) {
  const std::string path = folder + "/.vantrel-probe-link";
  if (symlink("nowhere", path.c_str()) != 0) return probe::Refused("symbolic links", errno);
  unlink(path.c_str());
  return "";
}

/// Empty when `folder` can hold two hard links to one file; else why not.
inline std::string WhyNoHardLink(const std::string& folder) {
  const std::string path = folder + "/.vantrel-probe-file";
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return probe::Refused("a new file", errno);
  close(fd);
  const bool linked = link(path.c_str(), (path + "2").c_str()) == 0;
  const int code = errno;
  unlink((path + "2").c_str());
  unlink(path.c_str());
  return linked ? "" : probe::Refused("hard links", code);
}

/// Empty when `folder` keeps the mode a file is created with; else why not. FAT
/// and exFAT show the mount's mask on every file instead.
inline std::string WhyNoModes(const std::string& folder) {
  const std::string path = folder + "/.vantrel-probe-mode";
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return probe::Refused("a new file", errno);
  struct stat info {};
  const bool kept = fstat(fd, &info) == 0 && (info.st_mode & 07777) == 0600;
  close(fd);
  unlink(path.c_str());
  return kept ? "" : "the file system here does not keep the modes of files and folders";
}

/// The folder's traits as the real runtime finds them.
inline FolderTraits TraitsOf(const std::string& folder) {
  PosixRuntime runtime;
  SysError err;
  const std::unique_ptr<Folder> opened = runtime.OpenFolder(folder, &err);
  std::vector<DirEntry> entries;
  if (!opened || !opened->ReadEntries(&entries, &err)) return {};
  return opened->Traits(entries);
}

/// Renames a run makes of each file in `folder`: two on a stick, where the files go
/// out into the holding folder and come back in the order of their new names.
inline int RenamesPerFile(const std::string& folder) {
  return TraitsOf(folder).ordered_directory ? 2 : 1;
}

}  // namespace vantrel::testing
