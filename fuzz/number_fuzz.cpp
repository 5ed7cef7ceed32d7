// SPDX-License-Identifier: GPL-3.0-or-later
// Input: one byte choosing the number format, then the text typed as range.
// Besides crashes and hangs, checks that a result is finite, that blanks around the
// text change nothing, that whole numbers read back from their own digits, and
// that plain C-form numbers give the same value as strtod in both formats.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "runtime/number_text.h"

namespace {

[[noreturn]] void Broken(const char* property, const std::string& text) {
  std::fprintf(stderr, "number property broken: %s (text of %zu bytes)\n", property, text.size());
  std::abort();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// [+-]? digits ( "." digits )? ( [eE] [+-]? digits )? : the text every reader of
// numbers agrees on.
bool IsPlainCNumber(const std::string& text) {
  size_t i = 0;
  const auto digits = [&] {
    const size_t start = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i > start;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (!digits()) return false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == text.size();
}

bool Same(const std::optional<double>& a, const std::optional<double>& b) {
  return a.has_value() == b.has_value() && (!a || *a == *b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t choice = data[0];
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  const vantrel::NumberFormat german{",", "."};
  const vantrel::NumberFormat english{".", ","};
  vantrel::NumberFormat format = (choice & 1) != 0 ? german : english;
  const bool custom = (choice & 6) == 6;
  if (custom) {
    // Separators of any bytes, as a strange locale might have: taken from the
    // front of the text.
    const size_t decimal_size = std::min<size_t>(text.size(), (choice >> 3) & 3);
    const size_t group_size = std::min<size_t>(text.size() - decimal_size, (choice >> 5) & 3);
    format.decimal = text.substr(0, decimal_size);
    format.group = text.substr(decimal_size, group_size);
    text.erase(0, decimal_size + group_size);
  }

  const std::optional<double> value = vantrel::ParseNumber(text, format);
  if (value && !std::isfinite(*value)) Broken("a number is finite", text);
  if (!Same(vantrel::ParseNumber(" \t" + text + "  ", format), value)) {
    Broken("blanks around change nothing", text);
  }
  if (custom) return 0;

  if (value && std::fabs(*value) < 1e15 && *value == std::floor(*value)) {
    const std::string digits = vantrel::NumberToText(static_cast<int64_t>(*value));
    if (!Same(vantrel::ParseNumber(digits, format), value)) Broken("digits read back", text);
  }
  if (IsPlainCNumber(text)) {
    errno = 0;
    const double expected = std::strtod(text.c_str(), nullptr);
    // Past the range of double either way; too small to tell from 0 is left open.
    const bool out_of_range = errno == ERANGE;
    std::string as_german = text;
    for (char& c : as_german) {
      if (c == '.') c = ',';
    }
    const std::optional<double> in_english = vantrel::ParseNumber(text, english);
    const std::optional<double> in_german = vantrel::ParseNumber(as_german, german);
    if (!out_of_range) {
      if (!in_english || *in_english != expected) Broken("English agrees with strtod", text);
      if (!in_german || *in_german != expected) Broken("German agrees with strtod", text);
    } else if (!std::isfinite(expected) && (in_english || in_german)) {
      Broken("beyond double is no number", text);
    }
  }
  return 0;
}
