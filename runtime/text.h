// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// File names are bytes. Where a name has to be counted in characters, a character
// is one well-formed UTF-8 sequence, and every byte outside such a sequence counts
// as a character of its own. A valid UTF-8 name thus counts code points, a Latin-1
// name counts bytes, and no multi-byte character is ever split.

/// Byte offsets at which the characters of `text` start.
std::vector<size_t> CharStarts(std::string_view text);

/// Length of `text` in characters.
size_t CharLength(std::string_view text);

/// CharLength(text) >= count, usually without counting.
bool HasAtLeastChars(std::string_view text, size_t count);

/// The last `count` characters of `text`, or all of it when it is shorter.
std::string LastChars(std::string_view text, size_t count);

/// Removes leading and trailing space characters (only U+0020).
std::string TrimSpaces(std::string_view text);

/// `name` as valid UTF-8 for showing it: each byte outside a well-formed sequence
/// becomes U+FFFD.
std::string DisplayName(std::string_view name);

/// Length in bytes of the well-formed UTF-8 sequence at the start of `text`, or 0.
size_t Utf8SequenceLength(std::string_view text);

/// The code point of the well-formed sequence of `length` bytes at the start of `text`.
char32_t DecodeUtf8Sequence(std::string_view text, size_t length);

/// `name` with every letter in its case-folded form, so that two names a
/// case-insensitive file system takes for one compare equal. Bytes outside
/// well-formed UTF-8 stay as they are; the count of characters never changes.
std::string FoldCase(std::string_view name);

}  // namespace vantrel
