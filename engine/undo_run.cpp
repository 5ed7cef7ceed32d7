// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/undo_run.h"

#include <cerrno>
#include <new>

#include "runtime/text.h"

namespace vantrel {
namespace {

// A longer list would not fit on the screen; the counts still cover every file.
constexpr size_t kListedSkips = 20;

ShuffleError UndoError(ErrorKind kind, const SysError& sys, const UndoOutcome& outcome) {
  ShuffleError error;
  error.kind = kind;
  error.file = sys.path;
  error.call = sys.call;
  error.sys_code = sys.code;
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
  while (!record->files.empty()) {
    if (view.StopRequested()) {
      outcome->stopped = true;
      break;
    }
    if (!UndoNewest(*folder, record, outcome)) return;
    view.ReportProgress(outcome->total - outcome->left(), outcome->total);
  }
  view.RefreshFileList();
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
  if (outcome.skipped.empty() && !outcome.error) return {};
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
  if (outcome.left() > 0) {
    text += "\nNoch offen: " + std::to_string(outcome.left()) + of_total +
            "; ein weiteres Rückgängigmachen setzt dort fort.";
  }
  return text;
}

}  // namespace vantrel
