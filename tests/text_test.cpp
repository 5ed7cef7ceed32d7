// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/text.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

struct CharCase {
  const char* name;
  std::string text;
  size_t length;
  std::string last_four;
  std::string folded;  // as a case-insensitive file system compares it
};

class CharCountTest : public ::testing::TestWithParam<CharCase> {};

TEST_P(CharCountTest, CountsCharactersAndNeverSplitsOne) {
  const CharCase& c = GetParam();
  EXPECT_EQ(CharLength(c.text), c.length);
  EXPECT_EQ(LastChars(c.text, 4), c.last_four);
  EXPECT_EQ(FoldCase(c.text), c.folded);
  EXPECT_EQ(CharLength(c.folded), c.length) << "folding must keep the characters apart";
}

INSTANTIATE_TEST_SUITE_P(
    Names, CharCountTest,
    ::testing::Values(
        CharCase{"Ascii", "photo.jpg", 9, ".jpg", "photo.jpg"},
        CharCase{"LongExtension", "Photo.JPEG", 10, "JPEG", "photo.jpeg"},
        CharCase{"NoExtension", "README", 6, "ADME", "readme"},
        CharCase{"ExactlyFour", "ab.c", 4, "ab.c", "ab.c"},
        CharCase{"Short", "abc", 3, "abc", "abc"},
        CharCase{"Empty", "", 0, "", ""},
        // Valid UTF-8 counts code points: "Grüße.mp3" and an umlaut in the ending.
        CharCase{"Umlauts", "Gr\xC3\x9C\xC3\x9F" "e.mp3", 9, ".mp3", "gr\xC3\xBC\xC3\x9F" "e.mp3"},
        CharCase{"UmlautInEnding", "Lied.M\xC3\x84P", 8, ".M\xC3\x84P", "lied.m\xC3\xA4p"},
        CharCase{"FourByteCharacter", "x\xF0\x9F\x8E\xB5.ab", 5, "\xF0\x9F\x8E\xB5.ab",
                 "x\xF0\x9F\x8E\xB5.ab"},
        // The Kelvin sign folds to a one-byte k.
        CharCase{"KelvinSign", "\xE2\x84\xAA.txt", 5, ".txt", "k.txt"},
        // Latin-1 names count bytes.
        CharCase{"Latin1", "GR\xFC\xDF" "E.mp3", 9, ".mp3", "gr\xFC\xDF" "e.mp3"},
        CharCase{"Latin1Ending", "Lied.m\xE4p", 8, ".m\xE4p", "lied.m\xE4p"},
        // A lone lead byte before a valid sequence stays its own character.
        CharCase{"TruncatedSequence", "A\xC3" "\xC3\x84" "bc", 5, "\xC3\xC3\x84" "bc",
                 "a\xC3" "\xC3\xA4" "bc"},
        CharCase{"Overlong", "\xC0\xAF" "AB", 4, "\xC0\xAF" "AB", "\xC0\xAF" "ab"},
        CharCase{"Surrogate", "\xED\xA0\x80", 3, "\xED\xA0\x80", "\xED\xA0\x80"}),
    [](const ::testing::TestParamInfo<CharCase>& info) { return info.param.name; });

TEST(TrimSpacesTest, RemovesOnlySpaces) {
  EXPECT_EQ(TrimSpaces("  Foto "), "Foto");
  EXPECT_EQ(TrimSpaces("\tFoto\t"), "\tFoto\t");
  EXPECT_EQ(TrimSpaces(" a b "), "a b");
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces(""), "");
}

TEST(DisplayNameTest, ReplacesOnlyBytesOutsideWellFormedSequences) {
  EXPECT_EQ(DisplayName("Gr\xC3\xBC\xC3\x9F" "e.mp3"), "Gr\xC3\xBC\xC3\x9F" "e.mp3");
  EXPECT_EQ(DisplayName("Gr\xFC" "e.mp3"), "Gr\xEF\xBF\xBD" "e.mp3");
  EXPECT_EQ(DisplayName("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(DisplayName(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace vantrel
