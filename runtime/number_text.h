// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

/// Separators of the user's number format. `group` may be empty.
struct NumberFormat {
  std::string decimal = ".";
  std::string group;
};

/// Reads `text` as a number the way a user types it: blanks around it, an optional
/// sign, digits with optional group separators between them, an optional decimal
/// part and an optional exponent. Empty, malformed or non-finite text gives nullopt.
std::optional<double> ParseNumber(const std::string& text, const NumberFormat& format);

/// The decimal separator and thousands separator of the process's LC_NUMERIC
/// environment; "." and none where the locale is not available.
NumberFormat NumberFormatFromEnvironment();

/// Plain decimal digits of a whole number, with a leading "-" when negative.
std::string NumberToText(int64_t value);

/// Adds 1 to a 16-bit counter; false (and no change) when it would pass 32767.
bool StepUp(int16_t* counter);

}  // namespace vantrel
