// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/wildcard.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

struct MatchCase {
  const char* name;
  const char* pattern;
  std::string file;
  bool matches;
};

class WildcardTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(WildcardTest, MatchesAsUsersExpect) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(WildcardPattern(c.pattern).Matches(c.file), c.matches)
      << c.pattern << " vs " << c.file;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, WildcardTest,
    ::testing::Values(
        MatchCase{"StarDotStarTakesExtension", "*.*", "a.jpg", true},
        MatchCase{"StarDotStarTakesNoExtension", "*.*", "README", true},
        MatchCase{"StarTakesAll", "*", "a.b.c", true},
        MatchCase{"ExtensionIgnoresCase", "*.jpg", "IMG_1.JPG", true},
        MatchCase{"UpperPatternLowerName", "*.JPG", "img_1.jpg", true},
        MatchCase{"UmlautIgnoresCase", "\xC3\x84*", "\xC3\xA4rger.txt", true},
        MatchCase{"ExtensionMustMatch", "*.jpg", "a.jpeg", false},
        MatchCase{"ExtensionAtEndOnly", "*.jpg", "a.jpg.txt", false},
        MatchCase{"QuestionIsOneCharacter", "?.mp3", "a.mp3", true},
        MatchCase{"QuestionNotZero", "?.mp3", ".mp3x", false},
        MatchCase{"QuestionTakesUmlaut", "?.mp3", "\xC3\xBC.mp3", true},
        MatchCase{"QuestionTakesRawByte", "?.mp3", "\xFC.mp3", true},
        MatchCase{"QuestionAloneOneChar", "?", "ab", false},
        MatchCase{"LiteralName", "song.mp3", "SONG.MP3", true},
        MatchCase{"LiteralOtherName", "song.mp3", "song2.mp3", false},
        MatchCase{"BracketIsLiteral", "[", "[", true},
        MatchCase{"BracketNotAClass", "[ab].txt", "a.txt", false},
        MatchCase{"PrefixWithDotStar", "IMG*.*", "IMG_0001", true},
        MatchCase{"PrefixWithDotStarOther", "IMG*.*", "DSC_0001.jpg", false},
        MatchCase{"RawBytesMatchThemselves", "*\xFF*", "a\xFF" "b", true},
        MatchCase{"ManyStarsNoBlowUp", "*a*a*a*a*a*a*a*a*b", std::string(60, 'a'), false},
        MatchCase{"EmptyPatternTakesNothing", "", "a.txt", false}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return info.param.name; });

TEST(SelectPlainFilesTest, TakesOnlyPlainVisibleMatchingEntriesInOrder) {
  const std::vector<DirEntry> entries = {
      {"b.jpg", true}, {".hidden.jpg", true}, {"folder.jpg", false},
      {"a.JPG", true}, {"c.png", true},
  };
  EXPECT_EQ(SelectPlainFiles(entries, WildcardPattern("*.jpg")),
            (std::vector<std::string>{"b.jpg", "a.JPG"}));
}

}  // namespace
}  // namespace vantrel
