// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/name_drawing.h"
#include "engine/run_history.h"
#include "engine/shuffle_run.h"
#include "engine/taken_names.h"

namespace vantrel {

/// The run on a FAT stick, where players that ignore names play the entries in the
/// order they stand and a new entry takes the first free slots of the directory.
/// Every file of `name_list` first moves into the holding folder under its own
/// name. Then each gets a new name, drawn against what stays in the folder and the
/// names given so far, never its own, and they come back in the order of their new
/// names, filling the freed slots in that order. A stop request ends the first pass;
/// the second always finishes, since it is short and leaves the folder whole.
/// `taken` holds every entry of the folder on entry. The way back is planned in
/// `journal`, when there is one, once every name is drawn; a name drawn again on
/// the way is written there before its rename. Fills `outcome` as ShuffleFolder
/// does; throws ShuffleError, after bringing back what it can (under the old names
/// when the journal cannot be written).
void ShuffleInNameOrder(Folder& folder, NameDrawer& drawer, TakenNames& taken, int64_t range,
                        const std::vector<std::string>& name_list, ShuffleView& view,
                        RunJournal* journal, ShuffleOutcome* outcome);

}  // namespace vantrel
