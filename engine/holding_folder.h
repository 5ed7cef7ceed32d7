// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/shuffle_error.h"
#include "runtime/runtime.h"

namespace vantrel {

/// The subfolder in which a run on a FAT stick parks files between their two
/// renames, under their old names. Visible and named for what it is, so that a user
/// who pulls the stick mid-run finds the files.
inline constexpr char kHoldingFolder[] = "Vantrel-Zwischenablage";

/// `name` inside the holding folder, relative to the shuffled folder.
inline std::string HeldName(const std::string& name) {
  return std::string(kHoldingFolder) + "/" + name;
}

/// What bringing back the files of a run that was cut short did.
struct Recovery {
  bool found = false;             // the folder held a holding folder
  int restored = 0;               // files back under their old names
  std::vector<std::string> kept;  // left there: their names are taken meanwhile
  std::optional<ShuffleError> error;
};

/// Brings every entry of `folder`'s holding folder back under its own name, never
/// replacing an entry, and removes the holding folder once it is empty. An entry
/// whose name is taken stays where it is. Never throws.
Recovery RecoverHeldFiles(Folder& folder);

/// The same for the folder at `path`, when it has a holding folder.
Recovery RecoverHeldFiles(Runtime& runtime, const std::string& path);

/// The German sentence on `held` files left in the holding folder.
std::string HeldFilesText(int held);

/// A short German notice of what a recovery did; empty when it found nothing.
std::string DescribeRecovery(const Recovery& recovery);

}  // namespace vantrel
