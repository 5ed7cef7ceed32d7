// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <random>

#include "runtime/runtime.h"

namespace vantrel {

/// The runtime on Linux: directory handles, renameat2 and a generator seeded from
/// the kernel's entropy at construction. Create one per process.
class PosixRuntime : public Runtime {
 public:
  explicit PosixRuntime(NumberFormat number_format = NumberFormatFromEnvironment());

  std::unique_ptr<Folder> OpenFolder(const std::string& path, SysError* err) override;
  double NextRandom() override;
  NumberFormat UserNumberFormat() const override { return number_format_; }

 private:
  std::mt19937_64 generator_;
  NumberFormat number_format_;
};

/// How a folder's file system takes a rename that must not replace anything.
enum class RenameMethod {
  kRenameNoReplace,  // renameat2 with RENAME_NOREPLACE
  kLinkUnlink,       // linkat, then unlinkat of the old name
  kCheckThenRename,  // the flag's own lookup, then a plain renameat (FAT behind FUSE)
};

/// The system calls a rename may take, replaceable so that tests can make a file
/// system refuse a flag or a hard link.
struct RenameCalls {
  int (*renameat2)(int, const char*, int, const char*, unsigned int);
  int (*linkat)(int, const char*, int, const char*, int);
  int (*unlinkat)(int, const char*, int);
  int (*renameat)(int, const char*, int, const char*);
  static RenameCalls System();
};

/// A folder opened with O_DIRECTORY; every call works relative to that handle, so a
/// folder renamed or replaced during a run cannot redirect the renames elsewhere.
class PosixFolder : public Folder {
 public:
  /// Takes ownership of `dir_fd`.
  PosixFolder(int dir_fd, std::string path, RenameCalls calls = RenameCalls::System());
  ~PosixFolder() override;
  PosixFolder(const PosixFolder&) = delete;
  PosixFolder& operator=(const PosixFolder&) = delete;

  bool ReadEntries(std::vector<DirEntry>* entries, SysError* err) override;
  SubfolderListing ReadSubfolderEntries(const std::string& name, std::vector<DirEntry>* entries,
                                        SysError* err) override;
  RenameOutcome RenameNoReplace(const std::string& from, const std::string& to,
                                SysError* err) override;
  bool MakeSubfolder(const std::string& name, SysError* err) override;
  bool RemoveSubfolder(const std::string& name, SysError* err) override;
  FolderTraits Traits(const std::vector<DirEntry>& entries) override;

  RenameMethod method() const { return method_; }

 private:
  RenameOutcome RenameByMethod(const std::string& from, const std::string& to, SysError* err);
  RenameOutcome RenameByLink(const std::string& from, const std::string& to, SysError* err);
  RenameOutcome RenameAfterCheck(const std::string& from, const std::string& to, SysError* err);
  bool ReadEntriesAt(const char* relative, const std::string& path, std::vector<DirEntry>* entries,
                     SysError* err);

  int dir_fd_;
  std::string path_;
  RenameCalls calls_;
  RenameMethod method_ = RenameMethod::kRenameNoReplace;
};

}  // namespace vantrel
