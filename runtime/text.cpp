// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/text.h"

#include <QChar>

namespace vantrel {

size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

char32_t DecodeUtf8Sequence(std::string_view text, size_t length) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  if (length == 1) return byte(0);
  char32_t value = byte(0) & (0xFF >> (length + 1));
  for (size_t i = 1; i < length; ++i) value = (value << 6) | (byte(i) & 0x3F);
  return value;
}

namespace {

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
    return;
  }
  const size_t length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  const unsigned char lead_marks[] = {0, 0, 0xC0, 0xE0, 0xF0};
  char bytes[4];
  for (size_t i = length - 1; i > 0; --i) {
    bytes[i] = static_cast<char>(0x80 | (c & 0x3F));
    c >>= 6;
  }
  bytes[0] = static_cast<char>(lead_marks[length] | c);
  out->append(bytes, length);
}

}  // namespace

std::string FoldCase(std::string_view name) {
  std::string folded;
  folded.reserve(name.size());
  size_t pos = 0;
  while (pos < name.size()) {
    const auto byte = static_cast<unsigned char>(name[pos]);
    if (byte < 0x80) {
      folded.push_back(static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte));
      ++pos;
      continue;
    }
    const size_t length = Utf8SequenceLength(name.substr(pos));
    if (length == 0) {
      folded.push_back(name[pos++]);
      continue;
    }
    AppendUtf8(QChar::toCaseFolded(DecodeUtf8Sequence(name.substr(pos), length)), &folded);
    pos += length;
  }
  return folded;
}

std::vector<size_t> CharStarts(std::string_view text) {
  std::vector<size_t> starts;
  starts.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    starts.push_back(pos);
    const size_t length = Utf8SequenceLength(text.substr(pos));
    pos += length == 0 ? 1 : length;
  }
  return starts;
}

size_t CharLength(std::string_view text) {
  size_t count = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t length = Utf8SequenceLength(text.substr(pos));
    pos += length == 0 ? 1 : length;
    ++count;
  }
  return count;
}

namespace {

// An ASCII byte is a character of its own wherever it stands: it can neither
// continue a sequence nor start one that takes the bytes after it.
bool AsciiTail(std::string_view text, size_t count) {
  if (text.size() < count) return false;
  for (size_t i = text.size() - count; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool HasAtLeastChars(std::string_view text, size_t count) {
  return AsciiTail(text, count) || CharLength(text) >= count;
}

std::string LastChars(std::string_view text, size_t count) {
  if (AsciiTail(text, count)) return std::string(text.substr(text.size() - count));
  const std::vector<size_t> starts = CharStarts(text);
  if (count >= starts.size()) return std::string(text);
  return std::string(text.substr(starts[starts.size() - count]));
}

std::string TrimSpaces(std::string_view text) {
  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  const size_t end = text.find_last_not_of(' ');
  return std::string(text.substr(begin, end - begin + 1));
}

std::string DisplayName(std::string_view name) {
  std::string shown;
  shown.reserve(name.size());
  size_t pos = 0;
  while (pos < name.size()) {
    const size_t length = Utf8SequenceLength(name.substr(pos));
    if (length == 0) {
      shown += "\xEF\xBF\xBD";
      ++pos;
    } else {
      shown.append(name.substr(pos, length));
      pos += length;
    }
  }
  return shown;
}

}  // namespace vantrel
