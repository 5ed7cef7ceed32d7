// SPDX-License-Identifier: GPL-3.0-or-later
// Undo from the records on disk, whichever session made the run.

#include <algorithm>

#include "engine/run_history.h"
#include "engine/stick_order.h"

namespace vantrel {
namespace {

ShuffleError RecordError(ErrorKind kind, const SysError& sys) {
  return MakeError(kind, sys.path, sys);
}

// A killed run planned a batch ahead of its renames, so a file whose new name is
// gone most likely never got it; it is no loss to report.
void ForgetNeverRenamed(UndoOutcome* outcome) {
  const auto never = std::remove_if(
      outcome->skipped.begin(), outcome->skipped.end(),
      [](const SkippedFile& skipped) { return skipped.reason == ErrorKind::kNewNameGone; });
  outcome->total -= static_cast<int>(outcome->skipped.end() - never);
  outcome->skipped.erase(never, outcome->skipped.end());
}

}  // namespace

std::optional<UndoOutcome> UndoNewestRun(Runtime& runtime, RunHistory& history, ShuffleView& view) {
  const std::string path = view.FolderPath();
  SysError sys;
  std::optional<StoredRun> run = history.Newest(path, &sys);
  if (!run && sys.code != 0) {
    UndoOutcome outcome;
    outcome.error = RecordError(ErrorKind::kRecordUnreadable, sys);
    return outcome;
  }
  if (!run) return std::nullopt;
  // A run killed on a stick may have left files in the holding folder, under their
  // old names; they go home before the undo needs that folder.
  RecoverHeldFiles(runtime, path);
  RunRecord record{path, run->content.files};
  UndoOutcome outcome = UndoRun(runtime, &record, view);
  if (!run->content.finished) ForgetNeverRenamed(&outcome);
  if (!history.Settle(*run, record.files.size(), &sys) && !outcome.error) {
    outcome.error = RecordError(ErrorKind::kRecordUnwritable, sys);
  }
  return outcome;
}

size_t FilesOfUnfinishedRun(RunHistory& history, const std::string& path) {
  SysError sys;
  const std::optional<StoredRun> run = history.Newest(path, &sys);
  return run && !run->content.finished ? run->content.files.size() : 0;
}

}  // namespace vantrel
