// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <future>
#include <optional>
#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace vantrel {

/// What a folder browser shows of one folder. Names are raw bytes, sorted with
/// SortByName; hidden entries (a leading ".") are left out.
struct FolderListing {
  /// Folders, and symbolic links that resolve to one.
  std::vector<std::string> folders;
  /// Regular files, and symbolic links that resolve to one: what a run may rename.
  std::vector<std::string> files;
};

/// Reads the folder at `path` (raw bytes) through `runtime`. False with `err` (may be
/// null) set when it cannot be opened or read; `listing` is then unchanged.
bool ReadFolderListing(Runtime& runtime, const std::string& path, FolderListing* listing,
                       SysError* err);

/// Reads a folder on a thread of its own, so that at start-up the reading of a big
/// folder goes on while the window is being built. `runtime` must outlive it; that
/// thread calls its OpenFolder until Take.
class ListingAhead {
 public:
  ListingAhead(Runtime& runtime, std::string path);
  ListingAhead(const ListingAhead&) = delete;
  ListingAhead& operator=(const ListingAhead&) = delete;

  /// Waits for the reading. The listing when it is of `path` and could be read,
  /// once; otherwise nothing, and the caller reads for itself.
  std::optional<FolderListing> Take(const std::string& path);

 private:
  std::string path_;
  std::future<std::optional<FolderListing>> reading_;
};

/// The process's current folder as an absolute path.
bool CurrentFolder(std::string* path, SysError* err);

/// `path` as an absolute path without links, "." or "..", a relative one taken from the
/// current folder. False with `err` set when some part of it does not exist.
bool ResolvePath(const std::string& path, std::string* resolved, SysError* err);

}  // namespace vantrel
