// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/undo_run.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include "engine/holding_folder.h"
#include "runtime/text.h"

namespace vantrel {
namespace {

// A longer list would not fit on the screen; the counts still cover every file.
constexpr size_t kListedSkips = 20;

ShuffleError UndoError(ErrorKind kind, const SysError& sys, const UndoOutcome& outcome) {
  ShuffleError error = MakeError(kind, sys.path, sys);
  error.renamed_before = outcome.restored;
  error.total = outcome.total;
  return error;
}

// Renames the newest file of `record` back and drops it from the record, or notes
// why it stays as it is. False, with the file kept, when the rename failed otherwise.
bool UndoNewest(Folder& folder, RunRecord* record, UndoOutcome* outcome) {
  RenamedFile& file = record->files.back();
  SysError sys;
  switch (folder.RenameNoReplace(file.new_name, file.old_name, &sys)) {
    case RenameOutcome::kDone:
      ++outcome->restored;
      break;
    case RenameOutcome::kTaken:
      outcome->skipped.push_back({std::move(file), ErrorKind::kOldNameTaken});
      break;
    case RenameOutcome::kFailed:
      if (sys.code != ENOENT) {
        outcome->error = UndoError(ErrorKind::kFileService, sys, *outcome);
        return false;
      }
      outcome->skipped.push_back({std::move(file), ErrorKind::kNewNameGone});
      break;
  }
  record->files.pop_back();
  return true;
}

// On a FAT stick a run may give one file the old name of another, which no order
// of single renames takes back. There every file leaves for the holding folder
// under its new name first; then they come back under their old names, in name
// order, so that the directory order follows the names again.
class UndoInNameOrder {
 public:
  UndoInNameOrder(Folder& folder, RunRecord* record, ShuffleView& view, UndoOutcome* outcome)
      : folder_(folder), record_(record), view_(view), outcome_(outcome) {}

  void Run() {
    SysError sys;
    if (!folder_.MakeSubfolder(kHoldingFolder, &sys)) {
      outcome_->error = UndoError(ErrorKind::kFileService, sys, *outcome_);
      return;
    }
    ParkAll();
    std::sort(parked_.begin(), parked_.end(),
              [](const RenamedFile& a, const RenamedFile& b) { return a.old_name < b.old_name; });
    steps_ = 2 * outcome_->total - static_cast<int>(parked_.size());
    bool all_back = true;
    for (RenamedFile& file : parked_) all_back = ReturnOne(std::move(file)) && all_back;
    if (all_back && !folder_.RemoveSubfolder(kHoldingFolder, &sys) && !outcome_->error) {
      outcome_->error = UndoError(ErrorKind::kFileService, sys, *outcome_);
    }
  }

 private:
  void ParkAll() {
    while (!record_->files.empty() && !outcome_->error) {
      if (view_.StopRequested()) {
        outcome_->stopped = true;
        return;
      }
      RenamedFile& file = record_->files.back();
      SysError sys;
      const RenameOutcome parked =
          folder_.RenameNoReplace(file.new_name, HeldName(file.new_name), &sys);
      if (parked == RenameOutcome::kDone) {
        parked_.push_back(std::move(file));
      } else if (parked == RenameOutcome::kFailed && sys.code == ENOENT) {
        outcome_->skipped.push_back({std::move(file), ErrorKind::kNewNameGone});
      } else {
        if (parked == RenameOutcome::kTaken) {
          sys = SysError{"renameat2", HeldName(file.new_name), EEXIST};
        }
        outcome_->error = UndoError(ErrorKind::kFileService, sys, *outcome_);
        return;  // the file stays in the record
      }
      record_->files.pop_back();
      view_.ReportProgress(++steps_ / 2, outcome_->total);
    }
  }

  // Back under the old name, or under the new one where the old is taken now.
  bool ReturnOne(RenamedFile file) {
    SysError sys;
    RenameOutcome back = folder_.RenameNoReplace(HeldName(file.new_name), file.old_name, &sys);
    if (back == RenameOutcome::kTaken) {
      back = folder_.RenameNoReplace(HeldName(file.new_name), file.new_name, &sys);
      if (back == RenameOutcome::kDone) {
        outcome_->skipped.push_back({file, ErrorKind::kOldNameTaken});
      }
    } else if (back == RenameOutcome::kDone) {
      ++outcome_->restored;
    }
    view_.ReportProgress(++steps_ / 2, outcome_->total);
    if (back == RenameOutcome::kDone) return true;
    // Stays parked under its new name; opening the folder brings it back.
    if (back == RenameOutcome::kTaken) sys = SysError{"renameat2", file.new_name, EEXIST};
    if (!outcome_->error) outcome_->error = UndoError(ErrorKind::kFileService, sys, *outcome_);
    ++outcome_->held;
    return false;
  }

  Folder& folder_;
  RunRecord* record_;
  ShuffleView& view_;
  UndoOutcome* outcome_;
  std::vector<RenamedFile> parked_;
  int steps_ = 0;
};

void RunUndo(Runtime& runtime, RunRecord* record, ShuffleView& view, UndoOutcome* outcome) {
  // Reserved: a skipped file moves from the record into this list, and the move must
  // not fail half-way and lose it from both.
  outcome->skipped.reserve(record->files.size());
  SysError sys;
  const std::unique_ptr<Folder> folder = runtime.OpenFolder(record->folder, &sys);
  if (!folder) {
    outcome->error = UndoError(ErrorKind::kFolderUnreadable, sys, *outcome);
    return;
  }
  if (folder->Traits({}).ordered_directory) {
    UndoInNameOrder(*folder, record, view, outcome).Run();
  } else {
    while (!record->files.empty()) {
      if (view.StopRequested()) {
        outcome->stopped = true;
        break;
      }
      if (!UndoNewest(*folder, record, outcome)) return;
      view.ReportProgress(outcome->total - outcome->left(), outcome->total);
    }
  }
  if (!outcome->error) view.RefreshFileList();
}

}  // namespace

UndoOutcome UndoRun(Runtime& runtime, RunRecord* record, ShuffleView& view) {
  UndoOutcome outcome;
  outcome.total = static_cast<int>(record->files.size());
  try {
    RunUndo(runtime, record, view, &outcome);
  } catch (const std::bad_alloc&) {
    outcome.error = UndoError(ErrorKind::kFileService, SysError{"malloc", "", ENOMEM}, outcome);
  }
  return outcome;
}

std::string DescribeUndo(const UndoOutcome& outcome) {
  if (outcome.skipped.empty() && !outcome.error && outcome.held == 0) return {};
  const std::string of_total = " von " + std::to_string(outcome.total) + " Dateien";
  std::string text = "Letzten Lauf rückgängig machen: " + std::to_string(outcome.restored) +
                     of_total + " zurückbenannt.";
  if (!outcome.skipped.empty()) text += "\nÜbersprungen, unverändert:";
  for (size_t i = 0; i < outcome.skipped.size() && i < kListedSkips; ++i) {
    const SkippedFile& skipped = outcome.skipped[i];
    text += "\n" + DisplayName(skipped.file.new_name) + " → " + DisplayName(skipped.file.old_name) +
            ": " + ErrorText(skipped.reason);
  }
  if (outcome.skipped.size() > kListedSkips) {
    text += "\n… und " + std::to_string(outcome.skipped.size() - kListedSkips) + " weitere.";
  }
  if (outcome.error) text += "\n" + DescribeCause(*outcome.error);
  if (outcome.held > 0) text += "\n" + HeldFilesText(outcome.held);
  if (outcome.left() > 0) {
    text += "\nNoch offen: " + std::to_string(outcome.left()) + of_total +
            "; ein weiteres Rückgängigmachen setzt dort fort.";
  }
  return text;
}

}  // namespace vantrel
