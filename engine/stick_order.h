// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/shuffle_error.h"
#include "engine/shuffle_view.h"
#include "runtime/runtime.h"

namespace vantrel {

/// The subfolder in which a run on a FAT stick parks files between their two
/// renames. Visible and named for what it is, so that a user who pulls the stick
/// mid-run finds the files.
inline constexpr char kHoldingFolder[] = "Vantrel-Zwischenablage";

/// `name` inside the holding folder, relative to the shuffled folder.
inline std::string HeldName(const std::string& name) {
  return std::string(kHoldingFolder) + "/" + name;
}

/// A file in the holding folder: parked under the name it left with, coming back
/// under `target`.
struct HeldFile {
  std::string held;
  std::string target;
};

/// The two passes by which the directory order of a FAT stick follows the names:
/// players that ignore names play the entries in the order they stand, and a new
/// entry takes the first free slots. Every file leaves for the holding folder, then
/// they come back in the order of their targets, filling the freed slots in that
/// order. Both passes count, each file half in each, so that the count of files
/// moves on through the whole run and ends at the number of files. The first
/// error is the one the user hears of; the other files still go on.
class StickOrder {
 public:
  /// Where a file goes when `taken`, the name it tried, is taken: the next name to
  /// try, or nullopt to leave it in the holding folder. `sys` tells of the refusal.
  using Fallback = std::function<std::optional<std::string>(
      size_t place, const HeldFile& file, const std::string& taken, const SysError& sys)>;
  /// Hears that file `place` is back, under `name`.
  using Arrived = std::function<void(size_t place, const HeldFile& file, const std::string& name)>;

  /// Progress of `files` files goes to `view`, which may also stop the parking.
  StickOrder(Folder& folder, ShuffleView* view, int files)
      : folder_(folder), view_(view), total_steps_(2 * files) {}

  /// Creates the holding folder; throws ShuffleError when it cannot.
  void MakeHoldingFolder();
  /// Moves `names` in turn into the holding folder under their own names, until the
  /// view asks to stop or a rename fails. The outcome of each name dealt with:
  /// kDone, or kMissing where `missing_ok` (such a file is no error then).
  std::vector<RenameOutcome> ParkAll(const std::vector<std::string>& names, bool missing_ok);
  /// `files` in the order they come back in: by target.
  static void SortByTarget(std::vector<HeldFile>* files);
  /// Brings `files` back in their order: under each one's target, or where that is
  /// taken under what `fallback` names next.
  void BringBack(const std::vector<HeldFile>& files, const Fallback& fallback,
                 const Arrived& arrived);
  /// Removes the holding folder once nothing stayed in it; then throws the first
  /// error, if there was one, with the count of files held.
  void Finish();

  /// Keeps `error` unless an earlier one was noted.
  void Fail(const ShuffleError& error) {
    if (!error_) error_ = error;
  }
  void Fail(const SysError& sys) { Fail(MakeError(ErrorKind::kRenameFailed, sys.path, sys)); }
  bool stopped() const { return stopped_; }
  /// Files that could not come back.
  int held() const { return held_; }

 private:
  void Step() {
    ++steps_;
    if (view_ != nullptr) view_->ReportProgress(steps_ / 2, total_steps_ / 2);
  }

  Folder& folder_;
  ShuffleView* view_;
  std::optional<ShuffleError> error_;
  bool stopped_ = false;
  int steps_ = 0;
  int total_steps_;
  int held_ = 0;
};

/// What bringing back the files of a run that was cut short did.
struct Recovery {
  bool found = false;             // the folder held a holding folder
  int restored = 0;               // files back under their old names
  std::vector<std::string> kept;  // left there: their names are taken meanwhile
  std::optional<ShuffleError> error;
};

/// Brings every entry of `folder`'s holding folder back under its own name, in name
/// order, never replacing an entry, and removes the holding folder once it is
/// empty. An entry whose name is taken stays where it is. Never throws.
Recovery RecoverHeldFiles(Folder& folder);

/// The same for the folder at `path`, when it has a holding folder; a folder that
/// cannot be opened is the error.
Recovery RecoverHeldFiles(Runtime& runtime, const std::string& path);

}  // namespace vantrel
