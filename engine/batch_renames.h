// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/name_drawing.h"
#include "engine/run_history.h"
#include "engine/shuffle_run.h"
#include "engine/taken_names.h"

namespace vantrel {

/// Gives each file of `name_list`, in listing order, a free random name. The
/// names of a batch are drawn first, as if each file before had been renamed
/// already, and planned in `journal` (when there is one) before the batch's first
/// rename. A name the file system refuses (made meanwhile by another program, or
/// equal to an entry in a way `taken` does not know) is drawn again and the new
/// one written as an amendment before its rename. Fills `outcome` as ShuffleFolder
/// does; throws ShuffleError, kRecordUnwritable when the journal cannot be written.
void RenameInBatches(Folder& folder, NameDrawer& drawer, TakenNames& taken,
                     const std::vector<std::string>& name_list, ShuffleView& view,
                     RunJournal* journal, ShuffleOutcome* outcome);

}  // namespace vantrel
