// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/taken_names.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "runtime/number_text.h"
#include "runtime/text.h"

namespace vantrel {

void AppendPaddedNumber(int64_t number, size_t width, std::string* out) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
  const size_t length = static_cast<size_t>(end - digits);
  if (length < width) out->append(width - length, '0');
  out->append(digits, length);
}

std::string PaddedNumber(int64_t number, size_t width) {
  std::string text;
  AppendPaddedNumber(number, width, &text);
  return text;
}

TakenNames::TakenNames(std::string prefix, int64_t range, size_t pad_width, bool ignore_case)
    : prefix_(ignore_case ? FoldCase(prefix) : std::move(prefix)),
      range_(range),
      pad_width_(pad_width),
      ignore_case_(ignore_case) {}

namespace {

// Bits are kept for an ending once it has this many names; below, few draws meet a
// taken name anyway. The cap bounds the memory of a folder with many endings.
constexpr int64_t kBitsFromCount = 64;
constexpr int64_t kBitsUpToRange = int64_t{1} << 24;
constexpr size_t kBitBytesCap = size_t{8} << 20;

void SetBit(std::vector<uint64_t>* bits, int64_t k, bool value) {
  const auto word = static_cast<size_t>(k >> 6);
  const uint64_t mask = uint64_t{1} << (k & 63);
  (*bits)[word] = value ? (*bits)[word] | mask : (*bits)[word] & ~mask;
}

}  // namespace

void TakenNames::Add(const std::string& name) {
  const auto [it, added] = names_.insert(ignore_case_ ? FoldCase(name) : name);
  if (!added) return;
  if (const auto drawn = ParseDrawnName(*it)) {
    Ending& info = endings_[drawn->first];
    ++info.count;
    if (!info.bits.empty()) SetBit(&info.bits, drawn->second, true);
  }
}

void TakenNames::Remove(const std::string& name) {
  const std::string folded = ignore_case_ ? FoldCase(name) : std::string();
  const std::string& key = ignore_case_ ? folded : name;
  if (names_.erase(key) == 0) return;
  if (const auto drawn = ParseDrawnName(key)) {
    Ending& info = endings_[drawn->first];
    --info.count;
    if (!info.bits.empty()) SetBit(&info.bits, drawn->second, false);
  }
}

void TakenNames::Clear() {
  names_.clear();
  endings_.clear();
  bit_bytes_ = 0;
}

int64_t TakenNames::CountFor(const std::string& ending) const {
  const auto found = endings_.find(ending);
  return found == endings_.end() ? 0 : found->second.count;
}

std::optional<bool> TakenNames::NumberTaken(const std::string& ending, int64_t k) const {
  const auto found = endings_.find(ending);
  if (found == endings_.end()) return false;
  Ending& info = found->second;
  if (info.bits.empty()) {
    if (info.count < kBitsFromCount || range_ > kBitsUpToRange) return std::nullopt;
    BuildBits(ending, &info);
    if (info.bits.empty()) return std::nullopt;
  }
  return ((info.bits[static_cast<size_t>(k >> 6)] >> (k & 63)) & 1) != 0;
}

void TakenNames::BuildBits(const std::string& ending, Ending* info) const {
  const size_t bytes = (static_cast<size_t>(range_) / 64 + 1) * sizeof(uint64_t);
  if (bit_bytes_ + bytes > kBitBytesCap) return;
  bit_bytes_ += bytes;
  info->bits.assign(bytes / sizeof(uint64_t), 0);
  for (const std::string& name : names_) {
    const auto drawn = ParseDrawnName(name);
    if (drawn && drawn->first == ending) SetBit(&info->bits, drawn->second, true);
  }
}

std::optional<std::pair<std::string, int64_t>> TakenNames::ParseDrawnName(
    const std::string& name) const {
  if (name.compare(0, prefix_.size(), prefix_) != 0) return std::nullopt;
  const std::string_view rest = std::string_view(name).substr(prefix_.size());
  // Most names of a folder fail here, before any counting of characters.
  if (rest.empty() || rest[0] < '0' || rest[0] > '9') return std::nullopt;
  std::string ending = LastChars(rest, kEndingChars);
  if (ending.size() == rest.size()) return std::nullopt;  // no room for a number
  const std::string_view digits = rest.substr(0, rest.size() - ending.size());
  // Only significant digits can overflow; a range typed with many leading zeros or
  // blanks pads every drawn name past 18 digits, and those names must still count.
  const size_t significant = digits.find_first_not_of('0');
  if (significant == std::string_view::npos || digits.size() - significant > 18) {
    return std::nullopt;
  }
  int64_t number = 0;
  for (const char c : digits.substr(significant)) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  // Only the spelling the drawer writes counts: filled to the width, never beyond
  // it with a leading zero.
  const size_t natural = digits.size() - significant;
  if (number < 1 || number > range_ || digits.size() != std::max(natural, pad_width_)) {
    return std::nullopt;
  }
  return std::make_pair(std::move(ending), number);
}

}  // namespace vantrel
