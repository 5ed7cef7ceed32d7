// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "runtime/posix_runtime.h"

namespace vantrel::testing {

/// A folder that hands every call to a real one; fakes override what they change.
class ForwardingFolder : public Folder {
 public:
  explicit ForwardingFolder(std::unique_ptr<Folder> real) : real_(std::move(real)) {}

  bool ReadEntries(std::vector<DirEntry>* entries, SysError* err) override {
    return real_->ReadEntries(entries, err);
  }
  SubfolderListing ReadSubfolderEntries(const std::string& name, std::vector<DirEntry>* entries,
                                        SysError* err) override {
    return real_->ReadSubfolderEntries(name, entries, err);
  }
  RenameOutcome RenameNoReplace(const std::string& from, const std::string& to,
                                SysError* err) override {
    return real_->RenameNoReplace(from, to, err);
  }
  bool MakeSubfolder(const std::string& name, SysError* err) override {
    return real_->MakeSubfolder(name, err);
  }
  bool RemoveSubfolder(const std::string& name, SysError* err) override {
    return real_->RemoveSubfolder(name, err);
  }
  FolderTraits Traits(const std::vector<DirEntry>& entries) override {
    return real_->Traits(entries);
  }

 private:
  std::unique_ptr<Folder> real_;
};

/// Thrown out of NextRandom once a run takes more random values than a test allows,
/// so that a run that would draw forever fails instead of blocking the suite.
struct DrawLimitReached {
  int64_t draws;
};

/// The real runtime on real folders, with what a real folder cannot do on demand:
/// scripted random values, recorded renames, and chosen failures with a chosen errno
/// (CI runs as root, so a permission error has to come from here); and what tests
/// need to see: counts of the file system's answers and the rename method the
/// folder ended up with.
class FakeRuntime : public Runtime {
 public:
  explicit FakeRuntime(NumberFormat format = NumberFormat{}) : format_(std::move(format)) {}

  /// Values handed out before any other; afterwards a fixed-seed generator takes over.
  void ScriptRandom(std::vector<double> values) { script_.assign(values.begin(), values.end()); }
  /// The value for which k = floor(range * r) + 1 equals `k`.
  static double ValueFor(int64_t k, int64_t range) {
    return (static_cast<double>(k) - 0.5) / static_cast<double>(range);
  }

  void FailOpen(int code) { open_error_ = code; }
  void FailListing(int code) { listing_error_ = code; }
  /// Opening and listing work again.
  void Heal() {
    open_error_.reset();
    listing_error_.reset();
  }
  /// The rename of `old_name` fails with `code` (and changes nothing); ENOENT gives kMissing.
  void FailRenameOf(const std::string& old_name, int code) { rename_errors_[old_name] = code; }
  /// Runs before every rename reaches the file system, with the two names.
  std::function<void(const std::string& from, const std::string& to)> before_rename;
  /// Calls the folders use for their renames.
  RenameCalls rename_calls = RenameCalls::System();
  /// Folders behave as on a FAT stick, where the order of entries matters.
  bool ordered_directory = false;
  /// Random values a run may take before NextRandom throws DrawLimitReached; 0: unlimited.
  int64_t draw_limit = 0;

  std::unique_ptr<Folder> OpenFolder(const std::string& path, SysError* err) override;
  double NextRandom() override;
  NumberFormat UserNumberFormat() const override { return format_; }

  /// Every rename that reached the file system and succeeded, in order.
  const std::vector<std::pair<std::string, std::string>>& renames() const { return renames_; }
  /// Random values taken so far, scripted ones included.
  int64_t draws() const { return draws_; }
  /// What the file system answered to renames; chosen failures do not count.
  int done_answers() const { return static_cast<int>(renames_.size()); }
  int taken_answers() const { return taken_; }
  /// The method of the last folder closed.
  std::optional<RenameMethod> last_method() const { return last_method_; }

 private:
  friend class FakeFolder;
  NumberFormat format_;
  std::deque<double> script_;
  std::mt19937_64 generator_{20261208};
  int64_t draws_ = 0;
  std::optional<int> open_error_;
  std::optional<int> listing_error_;
  std::map<std::string, int> rename_errors_;
  std::vector<std::pair<std::string, std::string>> renames_;
  int taken_ = 0;
  std::optional<RenameMethod> last_method_;
};

/// Rename calls of a file system without the no-replace flag (FUSE, NFS). As the
/// kernel does, they look the target up before refusing the flag, so an existing
/// target still gives EEXIST.
RenameCalls CallsWithoutNoReplaceFlag();
/// The same without hard links either (FAT behind FUSE).
RenameCalls CallsWithoutFlagOrLinks();

}  // namespace vantrel::testing
