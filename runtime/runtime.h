// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/number_text.h"

namespace vantrel {

/// A failed system call: which call, on which name, and errno.
struct SysError {
  std::string call;
  std::string path;
  int code = 0;
};

/// One entry of a folder as the listing found it. Names are raw bytes.
struct DirEntry {
  std::string name;
  /// A regular file, or a symbolic link that resolves to one.
  bool plain = false;
  /// A directory, or a symbolic link that resolves to one.
  bool folder = false;
};

enum class RenameOutcome {
  kDone,
  /// The target name already exists (in any spelling the file system treats as equal).
  kTaken,
  /// The source name does not exist (or the folder the target is in does not).
  kMissing,
  kFailed,
};

enum class SubfolderListing {
  kRead,
  /// No subfolder of that name: nothing, a file or a link stands there.
  kNone,
  kFailed,
};

/// How the file system behind a folder treats names.
struct FolderTraits {
  /// Names that differ only in letter case name one entry (FAT, exFAT, and others).
  bool ignores_case = false;
  /// FAT or exFAT: players that ignore names play the entries in the order they
  /// stand, and a new entry takes the first free slots of the directory.
  bool ordered_directory = false;
};

/// One opened folder. Lives for one shuffle run, so that the way the file system
/// takes renames is found out once per run.
class Folder {
 public:
  virtual ~Folder() = default;
  /// Every entry except "." and "..", in directory order.
  virtual bool ReadEntries(std::vector<DirEntry>* entries, SysError* err) = 0;
  /// The same for the subfolder `name` of this folder; `err` is set on kFailed.
  virtual SubfolderListing ReadSubfolderEntries(const std::string& name,
                                                std::vector<DirEntry>* entries, SysError* err) = 0;
  /// Renames `from` to `to`, both relative to this folder, so that "sub/name" moves
  /// a file between this folder and a subfolder. Never replaces an existing entry:
  /// a target that exists gives kTaken, not kFailed. `err` is set on every outcome
  /// but kDone.
  virtual RenameOutcome RenameNoReplace(const std::string& from, const std::string& to,
                                        SysError* err) = 0;
  /// Creates the subfolder `name`; an existing entry of that name is a failure (EEXIST).
  virtual bool MakeSubfolder(const std::string& name, SysError* err) = 0;
  /// Removes the subfolder `name`, which must be empty.
  virtual bool RemoveSubfolder(const std::string& name, SysError* err) = 0;
  /// Finds out how the folder treats names, looking at one of `entries` (as read by
  /// ReadEntries) where it has to. A handful of calls, however many entries.
  virtual FolderTraits Traits(const std::vector<DirEntry>& entries) {
    static_cast<void>(entries);
    return {};
  }
};

/// Everything the engine takes from the operating system.
class Runtime {
 public:
  virtual ~Runtime() = default;
  /// Opens `path` (raw bytes) for listing and renaming; nullptr with `err` set on failure.
  virtual std::unique_ptr<Folder> OpenFolder(const std::string& path, SysError* err) = 0;
  /// Next value of the one process-wide sequence, 0 <= r < 1.
  virtual double NextRandom() = 0;
  /// The user's number format, for reading the range.
  virtual NumberFormat UserNumberFormat() const = 0;
};

}  // namespace vantrel
