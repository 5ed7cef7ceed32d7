// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/wildcard.h"

#include <QChar>
#include <algorithm>

#include "runtime/text.h"

namespace vantrel {
namespace {

// Bytes outside well-formed UTF-8 get values above the Unicode range, so that they
// match only themselves.
constexpr char32_t kRawByteBase = 0x110000;

std::vector<char32_t> FoldedUnits(std::string_view text) {
  std::vector<char32_t> units;
  units.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t length = Utf8SequenceLength(text.substr(pos));
    if (length == 0) {
      units.push_back(kRawByteBase + static_cast<unsigned char>(text[pos]));
      ++pos;
    } else {
      units.push_back(QChar::toCaseFolded(DecodeUtf8Sequence(text.substr(pos), length)));
      pos += length;
    }
  }
  return units;
}

// Iterative matching with one back-tracking point: linear in practice and never
// exponential, whatever the user types.
bool MatchUnits(const std::vector<char32_t>& pattern, const std::vector<char32_t>& name) {
  size_t p = 0;
  size_t n = 0;
  size_t star = std::string::npos;
  size_t resume = 0;
  while (n < name.size()) {
    // "*" first: a name may hold a "*" itself, which must not pin the pattern's.
    if (p < pattern.size() && pattern[p] == U'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

}  // namespace

WildcardPattern::WildcardPattern(std::string_view pattern) : units_(FoldedUnits(pattern)) {
  const size_t size = units_.size();
  if (size >= 2 && units_[size - 2] == U'.' && units_[size - 1] == U'*') {
    without_any_extension_.assign(units_.begin(), units_.end() - 2);
    if (without_any_extension_.empty()) without_any_extension_.push_back(U'*');
  }
  const auto is_star = [](char32_t unit) { return unit == U'*'; };
  matches_everything_ = std::all_of(units_.begin(), units_.end(), is_star) && !units_.empty();
  matches_everything_ = matches_everything_ ||
                        (without_any_extension_.size() == 1 && without_any_extension_[0] == U'*');
}

bool WildcardPattern::Matches(std::string_view name) const {
  if (matches_everything_) return true;
  const std::vector<char32_t> folded = FoldedUnits(name);
  if (MatchUnits(units_, folded)) return true;
  return !without_any_extension_.empty() && MatchUnits(without_any_extension_, folded);
}

std::vector<std::string> SelectPlainFiles(const std::vector<DirEntry>& entries,
                                          const WildcardPattern& pattern) {
  std::vector<std::string> names;
  for (const DirEntry& entry : entries) {
    if (entry.plain && !IsHiddenName(entry.name) && pattern.Matches(entry.name)) {
      names.push_back(entry.name);
    }
  }
  return names;
}

}  // namespace vantrel
