// SPDX-License-Identifier: GPL-3.0-or-later
// Input: pattern, a NUL byte, name (without NUL: the input is both).
// Besides crashes and hangs, checks properties every filter must keep whatever the
// bytes: a name matches itself, "*" matches everything, case never matters for
// ASCII letters, and a trailing "*" only ever adds matches.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/wildcard.h"

namespace {

std::string AsciiUpper(std::string_view text) {
  std::string upper(text);
  // ASCII bytes never occur inside a multi-byte UTF-8 sequence, so this changes
  // letters only and leaves the character structure alone.
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

[[noreturn]] void Broken(const char* property) {
  std::fprintf(stderr, "wildcard property broken: %s\n", property);
  std::abort();
}

bool EndsWithDotStar(std::string_view text) {
  return text.size() >= 2 && text.substr(text.size() - 2) == ".*";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find('\0');
  const std::string_view pattern = input.substr(0, cut);
  const std::string_view name = cut == std::string_view::npos ? input : input.substr(cut + 1);

  const vantrel::WildcardPattern filter(pattern);
  const bool matches = filter.Matches(name);

  if (!vantrel::WildcardPattern(name).Matches(name)) Broken("a name matches itself");
  if (!vantrel::WildcardPattern("*").Matches(name)) Broken("* matches everything");
  if (filter.Matches(AsciiUpper(name)) != matches) Broken("letters match in any case");
  if (vantrel::WildcardPattern(AsciiUpper(pattern)).Matches(name) != matches) {
    Broken("pattern letters match in any case");
  }
  // Without the extension rule of "X.*", a match extends to anything after it.
  if (matches && !EndsWithDotStar(pattern)) {
    const vantrel::WildcardPattern longer(std::string(pattern) + "*");
    if (!longer.Matches(std::string(name) + "x")) Broken("a trailing * only adds matches");
  }
  return 0;
}
