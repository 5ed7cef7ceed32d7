// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "runtime/folder_path.h"
#include "runtime/wildcard.h"

namespace vantrel {
namespace {

enum class EntryKind { kFolder, kFile, kOther };

EntryKind KindOf(int dir_fd, const dirent& entry) {
  if (entry.d_type == DT_DIR) return EntryKind::kFolder;
  if (entry.d_type == DT_REG) return EntryKind::kFile;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return EntryKind::kOther;
  // Follows links, as opening the entry would; a broken link is neither.
  struct stat info {};
  if (fstatat(dir_fd, entry.d_name, &info, 0) != 0) return EntryKind::kOther;
  if (S_ISDIR(info.st_mode)) return EntryKind::kFolder;
  return S_ISREG(info.st_mode) ? EntryKind::kFile : EntryKind::kOther;
}

bool Fail(SysError* err, const char* call, const std::string& path, int code) {
  if (err != nullptr) *err = SysError{call, path, code};
  return false;
}

}  // namespace

bool ReadFolderListing(const std::string& path, FolderListing* listing, SysError* err) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(path.c_str()), closedir);
  if (!dir) return Fail(err, "opendir", path, errno);
  FolderListing found;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir.get());
    if (entry == nullptr) break;
    if (IsHiddenName(entry->d_name)) continue;  // also drops "." and ".."
    switch (KindOf(dirfd(dir.get()), *entry)) {
      case EntryKind::kFolder:
        found.folders.emplace_back(entry->d_name);
        break;
      case EntryKind::kFile:
        found.files.emplace_back(entry->d_name);
        break;
      case EntryKind::kOther:
        break;
    }
  }
  if (errno != 0) return Fail(err, "readdir", path, errno);
  SortByName(&found.folders);
  SortByName(&found.files);
  *listing = std::move(found);
  return true;
}

ListingAhead::ListingAhead(std::string path)
    : path_(std::move(path)), reading_(std::async(std::launch::async, [path = path_] {
        FolderListing listing;
        return ReadFolderListing(path, &listing, nullptr) ? std::optional(std::move(listing))
                                                          : std::nullopt;
      })) {}

std::optional<FolderListing> ListingAhead::Take(const std::string& path) {
  if (!reading_.valid()) return std::nullopt;
  std::optional<FolderListing> listing = reading_.get();
  return path == path_ ? std::move(listing) : std::nullopt;
}

bool CurrentFolder(std::string* path, SysError* err) {
  std::string buffer(PATH_MAX, '\0');
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) break;
    if (errno != ERANGE) return Fail(err, "getcwd", ".", errno);
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  // Linux marks a current folder outside the process's root with "(unreachable)".
  if (buffer.empty() || buffer[0] != '/') return Fail(err, "getcwd", buffer, ENOENT);
  *path = std::move(buffer);
  return true;
}

bool ResolvePath(const std::string& path, std::string* resolved, SysError* err) {
  const std::unique_ptr<char, void (*)(void*)> real(realpath(path.c_str(), nullptr), std::free);
  if (!real) return Fail(err, "realpath", path, errno);
  *resolved = real.get();
  return true;
}

}  // namespace vantrel
