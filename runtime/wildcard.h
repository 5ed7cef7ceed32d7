// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.h"

namespace vantrel {

/// A filter as users type it: "*" stands for any run of characters, "?" for exactly
/// one, everything else for itself. Letters match regardless of case, since users
/// type *.jpg for IMG_1.JPG. A pattern ending in ".*" also takes names without an
/// extension, so the default "*.*" takes every name.
class WildcardPattern {
 public:
  explicit WildcardPattern(std::string_view pattern);
  bool Matches(std::string_view name) const;

 private:
  std::vector<char32_t> units_;
  std::vector<char32_t> without_any_extension_;  // empty unless the pattern ends in ".*"
  bool matches_everything_ = false;              // "*", "*.*": no need to look at names
};

/// True for names that a listing never shows: those starting with ".".
inline bool IsHiddenName(std::string_view name) { return !name.empty() && name[0] == '.'; }

/// Names of the plain, not hidden entries that match `pattern`, in the entries' order.
std::vector<std::string> SelectPlainFiles(const std::vector<DirEntry>& entries,
                                          const WildcardPattern& pattern);

}  // namespace vantrel
