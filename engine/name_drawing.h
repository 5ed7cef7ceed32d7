// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/taken_names.h"
#include "runtime/runtime.h"

namespace vantrel {

/// The three pieces that stay the same for every name of one run.
struct DrawSettings {
  std::string prefix;    // already trimmed of spaces
  int64_t range = 0;     // N: numbers are drawn from 1..N
  size_t pad_width = 0;  // characters of the range text as typed
};

/// Draws new names: prefix, a random number of 1..N filled with "0", and the last
/// four characters of the old name.
class NameDrawer {
 public:
  NameDrawer(Runtime& runtime, const TakenNames& taken, DrawSettings settings);

  /// A name for `old_name` that no entry of the folder carries as far as `taken`
  /// knows. Takes one random value per draw and draws until the name is free.
  /// nullopt when every number with this prefix and ending is taken. Throws
  /// ShuffleError kNameTooShort for an old name of fewer than four characters
  /// (after the first value was taken).
  std::optional<std::string> DrawNewName(const std::string& old_name);

  /// The name that number `k` gives `old_name`, without looking whether it is free.
  std::string NameWith(const std::string& old_name, int64_t k) const;

  /// Random values taken so far.
  int64_t draws() const { return draws_; }

 private:
  Runtime& runtime_;
  const TakenNames& taken_;
  DrawSettings settings_;
  int64_t draws_ = 0;
  bool fixed_width_;  // every number of 1..N fits the typed width
  std::string candidate_;
};

}  // namespace vantrel
