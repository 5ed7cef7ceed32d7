#include "engine/taken_names.h"

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

TakenNames::TakenNames(std::string prefix, int64_t range, size_t pad_width)
    : prefix_(std::move(prefix)), range_(range), pad_width_(pad_width) {}

void TakenNames::Add(const std::string& name) {
  if (!names_.insert(name).second) return;
  if (const auto ending = EndingOfDrawnName(name)) ++counts_[*ending];
}

void TakenNames::Remove(const std::string& name) {
  if (names_.erase(name) == 0) return;
  if (const auto ending = EndingOfDrawnName(name)) --counts_[*ending];
}

int64_t TakenNames::CountFor(const std::string& ending) const {
  const auto found = counts_.find(ending);
  return found == counts_.end() ? 0 : found->second;
}

std::optional<std::string> TakenNames::EndingOfDrawnName(const std::string& name) const {
  if (name.compare(0, prefix_.size(), prefix_) != 0) return std::nullopt;
  const std::string_view rest = std::string_view(name).substr(prefix_.size());
  // Most names of a folder fail here, before any counting of characters.
  if (rest.empty() || rest[0] < '0' || rest[0] > '9') return std::nullopt;
  std::string ending = LastChars(rest, 4);
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
  if (number < 1 || number > range_ || PaddedNumber(number, pad_width_) != digits) {
    return std::nullopt;
  }
  return ending;
}

}  // namespace vantrel
