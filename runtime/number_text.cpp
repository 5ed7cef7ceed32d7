// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/number_text.h"

#include <langinfo.h>
#include <locale.h>

#include <charconv>
#include <cmath>
#include <limits>

namespace vantrel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsWithAt(const std::string& text, size_t pos, const std::string& what) {
  return !what.empty() && text.compare(pos, what.size(), what) == 0;
}

// Copies a run of digits into `out`, skipping group separators that stand between
// two digits. Returns the number of digits copied.
size_t TakeDigits(const std::string& text, size_t* pos, const std::string& group, bool allow_group,
                  std::string* out) {
  size_t count = 0;
  while (*pos < text.size()) {
    if (IsDigit(text[*pos])) {
      out->push_back(text[(*pos)++]);
      ++count;
    } else if (allow_group && count > 0 && StartsWithAt(text, *pos, group) &&
               *pos + group.size() < text.size() && IsDigit(text[*pos + group.size()])) {
      *pos += group.size();
    } else {
      break;
    }
  }
  return count;
}

}  // namespace

std::optional<double> ParseNumber(const std::string& text, const NumberFormat& format) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  const std::string body = text.substr(begin, end - begin);

  // Rebuilt in the C form that from_chars reads.
  std::string plain;
  size_t pos = 0;
  if (pos < body.size() && (body[pos] == '+' || body[pos] == '-')) {
    if (body[pos] == '-') plain.push_back('-');
    ++pos;
  }
  size_t digits = TakeDigits(body, &pos, format.group, true, &plain);
  if (StartsWithAt(body, pos, format.decimal)) {
    pos += format.decimal.size();
    plain.push_back('.');
    digits += TakeDigits(body, &pos, format.group, false, &plain);
  }
  if (digits == 0) return std::nullopt;
  if (pos < body.size() && (body[pos] == 'e' || body[pos] == 'E')) {
    plain.push_back('e');
    ++pos;
    if (pos < body.size() && (body[pos] == '+' || body[pos] == '-')) plain.push_back(body[pos++]);
    if (TakeDigits(body, &pos, format.group, false, &plain) == 0) return std::nullopt;
  }
  if (pos != body.size()) return std::nullopt;

  double value = 0;
  const auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (ec != std::errc() || ptr != plain.data() + plain.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

NumberFormat NumberFormatFromEnvironment() {
  NumberFormat format;
  locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return format;
  const char* decimal = nl_langinfo_l(RADIXCHAR, locale);
  const char* group = nl_langinfo_l(THOUSEP, locale);
  if (decimal != nullptr && *decimal != '\0') format.decimal = decimal;
  format.group = group != nullptr ? group : "";
  if (format.group == format.decimal) format.group.clear();
  freelocale(locale);
  return format;
}

std::string NumberToText(int64_t value) {
  char buffer[24];
  const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, ptr);
}

bool StepUp(int16_t* counter) {
  if (*counter == std::numeric_limits<int16_t>::max()) return false;
  ++*counter;
  return true;
}

}  // namespace vantrel
