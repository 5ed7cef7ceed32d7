// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "runtime/text.h"

namespace vantrel {

/// How many characters at the end of its old name a file keeps in its new one: for a
/// three-letter extension, the dot and the extension.
inline constexpr size_t kEndingChars = 4;

/// The names of a folder's entries that a run must not give, of any kind, hidden
/// ones included. Besides the set it counts, per four-character ending, how many of
/// the numbers 1..range are already used by names of the form prefix + number +
/// ending, so that "no free name left" is known at once instead of by drawing forever.
/// In a folder that ignores case, every name is kept by its folded spelling, so
/// that 001.JPG takes 001.jpg and counts for the ending .jpg.
class TakenNames {
 public:
  TakenNames(std::string prefix, int64_t range, size_t pad_width, bool ignore_case = false);

  /// Room for `count` names without rehashing in the middle of a run.
  void Reserve(size_t count) { names_.reserve(count); }
  void Add(const std::string& name);
  void Remove(const std::string& name);
  /// Forgets every name.
  void Clear();
  bool Contains(const std::string& name) const {
    // Two lookups rather than one of a copy: the plain one is a run's hot path.
    return ignore_case_ ? names_.count(FoldCase(name)) != 0 : names_.count(name) != 0;
  }
  /// The spelling of an ending that CountFor and NumberTaken expect.
  std::string EndingKey(const std::string& ending) const {
    return ignore_case_ ? FoldCase(ending) : ending;
  }
  /// Numbers of 1..range whose name with this prefix and `ending` (an EndingKey) is
  /// taken.
  int64_t CountFor(const std::string& ending) const;
  /// Whether number `k` with this prefix and `ending` (an EndingKey) is taken, answered from a bit
  /// per number where the ending has many names (nullopt: ask Contains instead).
  /// Drawing in a tight range mostly meets taken numbers; a bit test spares the
  /// string hashing of each of those draws.
  std::optional<bool> NumberTaken(const std::string& ending, int64_t k) const;
  /// The number of `name` if it is prefix + a number of 1..range as drawn + ending.
  std::optional<int64_t> NumberOf(const std::string& name) const {
    const auto drawn = ParseDrawnName(ignore_case_ ? FoldCase(name) : name);
    return drawn ? std::optional<int64_t>(drawn->second) : std::nullopt;
  }

 private:
  struct Ending {
    int64_t count = 0;
    std::vector<uint64_t> bits;  // bit k: number k taken; empty until worth building
  };

  /// The ending and number of `name` if it is prefix + a number of 1..range as
  /// drawn + ending.
  std::optional<std::pair<std::string, int64_t>> ParseDrawnName(const std::string& name) const;
  void BuildBits(const std::string& ending, Ending* info) const;

  std::string prefix_;  // folded where case is ignored, as the names are
  int64_t range_;
  size_t pad_width_;
  bool ignore_case_;
  std::unordered_set<std::string> names_;
  // Mutable: the bits are a cache, built on first need and kept up by Add and Remove.
  mutable std::unordered_map<std::string, Ending> endings_;
  mutable size_t bit_bytes_ = 0;
};

/// `number` in decimal, filled on the left with "0" to `width` characters; never cut.
std::string PaddedNumber(int64_t number, size_t width);
void AppendPaddedNumber(int64_t number, size_t width, std::string* out);

}  // namespace vantrel
