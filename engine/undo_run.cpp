// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/undo_run.h"

#include <algorithm>

#include "engine/stick_order.h"
#include "runtime/text.h"

namespace vantrel {
namespace {

[[noreturn]] void RaiseFrom(ErrorKind kind, const SysError& sys) {
  throw MakeError(kind, sys.path, sys);
}

// Renames the newest file of `record` back and drops it from the record, or notes
// why it stays as it is. Throws, with the file kept, when the rename failed otherwise.
void UndoNewest(Folder& folder, RunRecord* record, UndoOutcome* outcome) {
  RenamedFile& file = record->files.back();
  SysError sys;
  switch (folder.RenameNoReplace(file.new_name, file.old_name, &sys)) {
    case RenameOutcome::kDone:
      ++outcome->restored;
      break;
    case RenameOutcome::kTaken:
      outcome->skipped.push_back({std::move(file), ErrorKind::kOldNameTaken});
      break;
    case RenameOutcome::kMissing:
      outcome->skipped.push_back({std::move(file), ErrorKind::kNewNameGone});
      break;
    case RenameOutcome::kFailed:
      RaiseFrom(ErrorKind::kRenameFailed, sys);
  }
  record->files.pop_back();
}

// Parks the files of `record`, newest first, under their new names; each file
// dealt with leaves the record.
std::vector<HeldFile> ParkNewestFirst(StickOrder& stick, RunRecord* record, UndoOutcome* outcome) {
  std::vector<std::string> newest_first;
  for (auto file = record->files.rbegin(); file != record->files.rend(); ++file) {
    newest_first.push_back(file->new_name);
  }
  std::vector<HeldFile> parked;
  for (const RenameOutcome dealt : stick.ParkAll(newest_first, true)) {
    RenamedFile& file = record->files.back();
    if (dealt == RenameOutcome::kDone) parked.push_back({file.new_name, file.old_name});
    if (dealt == RenameOutcome::kMissing) {
      outcome->skipped.push_back({std::move(file), ErrorKind::kNewNameGone});
    }
    record->files.pop_back();
  }
  outcome->stopped = stick.stopped();
  return parked;
}

// On a FAT stick a run may give one file the old name of another, which no order
// of single renames takes back. There every file leaves for the holding folder
// under its new name first; then they come back under their old names, in name
// order, so that the directory order follows the names again. Where the old name
// is taken now, the file comes back under its new one.
void UndoInNameOrder(Folder& folder, RunRecord* record, ShuffleView& view, UndoOutcome* outcome) {
  StickOrder stick(folder, &view, outcome->total);
  stick.MakeHoldingFolder();
  std::vector<HeldFile> parked = ParkNewestFirst(stick, record, outcome);
  StickOrder::SortByTarget(&parked);
  stick.BringBack(
      parked,
      [&](size_t, const HeldFile& file, const std::string& taken,
          const SysError& sys) -> std::optional<std::string> {
        if (taken == file.target) return file.held;
        stick.Fail(sys);  // stays parked; opening the folder brings it back
        return std::nullopt;
      },
      [&](size_t, const HeldFile& file, const std::string& name) {
        if (name == file.target) {
          ++outcome->restored;
        } else {
          outcome->skipped.push_back({{file.target, file.held}, ErrorKind::kOldNameTaken});
        }
      });
  outcome->held = stick.held();
  stick.Finish();
}

void RunUndo(Runtime& runtime, RunRecord* record, ShuffleView& view, UndoOutcome* outcome) {
  // Reserved: a skipped file moves from the record into this list, and the move must
  // not fail half-way and lose it from both.
  outcome->skipped.reserve(record->files.size());
  SysError sys;
  const std::unique_ptr<Folder> folder = runtime.OpenFolder(record->folder, &sys);
  if (!folder) RaiseFrom(ErrorKind::kFolderUnreadable, sys);
  if (folder->Traits({}).ordered_directory) {
    UndoInNameOrder(*folder, record, view, outcome);
  } else {
    while (!record->files.empty()) {
      if (view.StopRequested()) {
        outcome->stopped = true;
        break;
      }
      UndoNewest(*folder, record, outcome);
      view.ReportProgress(outcome->total - outcome->left(), outcome->total);
    }
  }
  view.RefreshFileList();
}

}  // namespace

UndoOutcome UndoRun(Runtime& runtime, RunRecord* record, ShuffleView& view) {
  UndoOutcome outcome;
  outcome.total = static_cast<int>(record->files.size());
  outcome.error = CatchError([&] { RunUndo(runtime, record, view, &outcome); });
  if (outcome.error) {
    outcome.error->renamed_before = outcome.restored;
    outcome.error->total = outcome.total;
  }
  return outcome;
}

}  // namespace vantrel
