// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/folder_listing.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "runtime/folder_path.h"
#include "runtime/wildcard.h"

namespace vantrel {
namespace {

bool Fail(SysError* err, const char* call, const std::string& path, int code) {
  if (err != nullptr) *err = SysError{call, path, code};
  return false;
}

}  // namespace

bool ReadFolderListing(Runtime& runtime, const std::string& path, FolderListing* listing,
                       SysError* err) {
  SysError ignored;
  SysError* const error = err != nullptr ? err : &ignored;
  const std::unique_ptr<Folder> folder = runtime.OpenFolder(path, error);
  std::vector<DirEntry> entries;
  if (!folder || !folder->ReadEntries(&entries, error)) return false;
  FolderListing found;
  for (DirEntry& entry : entries) {
    if (IsHiddenName(entry.name)) continue;
    if (entry.folder) {
      found.folders.push_back(std::move(entry.name));
    } else if (entry.plain) {
      found.files.push_back(std::move(entry.name));
    }
  }
  SortByName(&found.folders);
  SortByName(&found.files);
  *listing = std::move(found);
  return true;
}

ListingAhead::ListingAhead(Runtime& runtime, std::string path)
    : path_(std::move(path)), reading_(std::async(std::launch::async, [&runtime, path = path_] {
        FolderListing listing;
        return ReadFolderListing(runtime, path, &listing, nullptr)
                   ? std::optional(std::move(listing))
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
