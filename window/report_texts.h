// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

#include "engine/shuffle_error.h"
#include "engine/shuffle_run.h"
#include "engine/stick_order.h"
#include "engine/undo_run.h"
#include "runtime/runtime.h"

// The German reports on what a run, an undo or a folder did, in plain text, for the
// window's messages and the terminal alike. The engine tells what happened as data;
// only here does it become words.
namespace vantrel {

/// The German caption of an error kind, from the one table of them.
std::string ErrorText(ErrorKind kind);

/// The system's reason for `code`, in German where we know it.
std::string SystemReason(int code);

/// The German lines on what failed: number and text, the file, the system's reason.
std::string DescribeCause(const ShuffleError& error);

/// The whole German message for the user: DescribeCause and how many files were
/// renamed before the stop.
std::string DescribeError(const ShuffleError& error);

/// The German sentence on `held` files left in the holding folder.
std::string HeldFilesText(int held);

/// A short German notice of what a recovery did; empty when it found nothing.
std::string DescribeRecovery(const Recovery& recovery);

/// The German report of an undo: how many files came back, which were skipped and
/// why, and the error that stopped it. Empty when there is nothing to report.
std::string DescribeUndo(const UndoOutcome& outcome);

}  // namespace vantrel

namespace vantrel::texts {

/// The notice on a folder whose newest run never finished: how many files may carry
/// new names, and that `undo` (how the user undoes a run there) gives them back.
std::string UnfinishedRunReport(size_t files, const std::string& undo);

/// The report for a drive or folder that cannot be opened, in the form of the
/// engine's reports: number and text, the folder, the system's reason.
std::string FolderErrorReport(const SysError& error);

/// The line after a shuffle: how many files got new names, of how many, and the
/// range used when the run raised it to `raised_range` (empty: not raised).
std::string ShuffleSummary(const ShuffleOutcome& outcome, const std::string& raised_range);

/// The line after a dry run: nothing was renamed, and a real run draws anew.
std::string DryRunSummary(const ShuffleOutcome& outcome, const std::string& raised_range);

/// The line after an undo: how many files carry their old names again.
std::string UndoSummary(const UndoOutcome& outcome);

/// Why an undo of the folder at `path` had nothing to do.
std::string NothingToUndo(const std::string& path);

/// A run's progress: `done` of `total` files' worth, and the share in per cent.
std::string ProgressReport(int done, int total);

}  // namespace vantrel::texts
