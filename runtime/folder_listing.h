// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

/// Reads the folder at `path` (raw bytes). False with `err` set when it cannot be
/// opened or read; `listing` is then unchanged.
bool ReadFolderListing(const std::string& path, FolderListing* listing, SysError* err);

/// The process's current folder as an absolute path.
bool CurrentFolder(std::string* path, SysError* err);

/// `path` as an absolute path without links, "." or "..", a relative one taken from the
/// current folder. False with `err` set when some part of it does not exist.
bool ResolvePath(const std::string& path, std::string* resolved, SysError* err);

}  // namespace vantrel
