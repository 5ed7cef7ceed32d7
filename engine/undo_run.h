// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/shuffle_error.h"
#include "engine/shuffle_run.h"
#include "engine/shuffle_view.h"
#include "runtime/runtime.h"

namespace vantrel {

/// A file that an undo left as it was, and why: kNewNameGone or kOldNameTaken.
struct SkippedFile {
  RenamedFile file;
  ErrorKind reason = ErrorKind::kNewNameGone;
};

/// How an undo ended.
struct UndoOutcome {
  int total = 0;         // files the record held
  int restored = 0;      // files that carry their old name again
  bool stopped = false;  // the view asked to stop before all were done
  int held = 0;          // left in the holding folder of a FAT stick, to come back later
  std::vector<SkippedFile> skipped;
  std::optional<ShuffleError> error;

  /// Files not yet tried, still in the record.
  int left() const { return total - restored - held - static_cast<int>(skipped.size()); }
};

/// Gives the files of `record` their old names again, newest rename first, in the
/// record's folder (whichever folder the view shows), never replacing an entry. A
/// file whose new name is gone or whose old name is taken is skipped and stays as it
/// is. Each file dealt with leaves `record`, so that it keeps only what a later undo
/// can still give back. The view gets progress, may stop the undo between two files,
/// and is refreshed at the end unless an error stopped the undo. Never throws.
UndoOutcome UndoRun(Runtime& runtime, RunRecord* record, ShuffleView& view);

}  // namespace vantrel
