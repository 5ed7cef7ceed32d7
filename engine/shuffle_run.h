// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/shuffle_error.h"
#include "engine/shuffle_view.h"
#include "runtime/runtime.h"

namespace vantrel {

/// One file of a run: it now carries `new_name` and carried `old_name` before the
/// run. Names are raw bytes.
struct RenamedFile {
  std::string old_name;
  std::string new_name;
};

/// What a run changed: its folder (raw bytes) and the files it renamed, in the order
/// of their renames, so that taking them back newest first never needs a name that
/// is still in use.
struct RunRecord {
  std::string folder;
  std::vector<RenamedFile> files;
};

/// How a run ended.
struct ShuffleOutcome {
  int total = 0;         // matching files found (FileCount)
  int renamed = 0;       // files that got their new name
  int64_t draws = 0;     // random values taken
  bool stopped = false;  // the view asked to stop before all were done
  RunRecord record;      // every rename done, also when the run stopped early
  std::optional<ShuffleError> error;
};

/// The work behind "Start": lists the plain files of the view's folder that match
/// its filter, raises the range in the view when it is below their count, and gives
/// each file, in listing order, a free random name (see NameDrawer). Refreshes the
/// view's file list at the end unless an error stopped the run. Never throws; the
/// first error ends the run at the failing file, and files renamed before it keep
/// their new names.
ShuffleOutcome ShuffleFolder(Runtime& runtime, ShuffleView& view);

}  // namespace vantrel
