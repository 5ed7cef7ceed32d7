// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/shuffle_run.h"

namespace vantrel {

/// What ShuffleFolder would do, with every change to the folder only pretended: the
/// folder is read, but nothing on disk is renamed, made or removed, and no record
/// is written. The outcome's record lists each matching file with a name it could
/// get; a real run draws its names anew.
ShuffleOutcome PreviewShuffle(Runtime& runtime, ShuffleView& view);

}  // namespace vantrel
