// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/name_drawing.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/shuffle_error.h"
#include "runtime/text.h"
#include "tests/support/fake_runtime.h"

namespace vantrel {
namespace {

using testing::FakeRuntime;

struct DrawCase {
  const char* name;
  const char* prefix;  // already trimmed, as the run hands it over
  int64_t range;
  size_t pad_width;
  std::string old_name;
  int64_t k;
  std::string expected;
};

class DrawNewNameTest : public ::testing::TestWithParam<DrawCase> {};

TEST_P(DrawNewNameTest, JoinsPrefixPaddedNumberAndLastFourCharacters) {
  const DrawCase& c = GetParam();
  FakeRuntime runtime;
  runtime.ScriptRandom({FakeRuntime::ValueFor(c.k, c.range)});
  TakenNames taken(c.prefix, c.range, c.pad_width);
  NameDrawer drawer(runtime, taken, DrawSettings{c.prefix, c.range, c.pad_width});
  EXPECT_EQ(drawer.DrawNewName(c.old_name), c.expected);
  EXPECT_EQ(drawer.draws(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DrawNewNameTest,
    ::testing::Values(
        DrawCase{"EmptyPrefix", "", 999, 3, "IMG_0001.jpg", 42, "042.jpg"},
        DrawCase{"Prefix", "Foto", 999, 3, "a.mp3", 7, "Foto007.mp3"},
        DrawCase{"WidthFromTypedText", "", 999, 4, "x.jpg", 42, "0042.jpg"},
        DrawCase{"TopOfRange", "", 999, 4, "x.jpg", 999, "0999.jpg"},
        DrawCase{"NeverCut", "", 12345, 2, "x.jpg", 12345, "12345.jpg"},
        DrawCase{"WholeShortName", "", 999, 3, "ab.c", 17, "017ab.c"},
        DrawCase{"LongExtension", "", 999, 3, "photo.jpeg", 5, "005jpeg"},
        DrawCase{"NoExtension", "", 999, 3, "README", 5, "005ADME"},
        DrawCase{"Utf8Ending", "", 99, 2, "Lied.m\xC3\xA4p", 3, "03.m\xC3\xA4p"},
        DrawCase{"Latin1Ending", "", 99, 2, "Lied.m\xE4p", 3, "03.m\xE4p"},
        DrawCase{"FifteenDigits", "", 999999999999999, 15, "x.jpg", 999999999999999,
                 "999999999999999.jpg"}),
    [](const ::testing::TestParamInfo<DrawCase>& info) { return info.param.name; });

TEST(DrawNewNameTest, RandomValueJustBelowOneStaysInRange) {
  FakeRuntime runtime;
  runtime.ScriptRandom({0.0, 0x1.fffffffffffffp-1});
  TakenNames taken("", 999999999999999, 1);
  NameDrawer drawer(runtime, taken, DrawSettings{"", 999999999999999, 1});
  EXPECT_EQ(drawer.DrawNewName("a.txt"), "1.txt");
  EXPECT_EQ(drawer.DrawNewName("a.txt"), "999999999999999.txt");
}

TEST(DrawNewNameTest, DrawsAgainWhileTheNameIsTaken) {
  FakeRuntime runtime;
  // The file's own name is taken, so k = 5 for "5.txt" must be drawn again.
  runtime.ScriptRandom({FakeRuntime::ValueFor(5, 5), FakeRuntime::ValueFor(5, 5),
                        FakeRuntime::ValueFor(2, 5)});
  TakenNames taken("", 5, 1);
  taken.Add("5.txt");
  NameDrawer drawer(runtime, taken, DrawSettings{"", 5, 1});
  EXPECT_EQ(drawer.DrawNewName("5.txt"), "2.txt");
  EXPECT_EQ(drawer.draws(), 3);
}

TEST(DrawNewNameTest, ShortNameFailsAfterTakingOneValue) {
  for (const std::string old_name : {"abc", "", "\xC3\xA4\xC3\xB6\xC3\xBC"}) {
    FakeRuntime runtime;
    TakenNames taken("", 999, 3);
    NameDrawer drawer(runtime, taken, DrawSettings{"", 999, 3});
    try {
      drawer.DrawNewName(old_name);
      ADD_FAILURE() << "no error for " << old_name;
    } catch (const ShuffleError& error) {
      EXPECT_EQ(error.kind, ErrorKind::kNameTooShort);
      EXPECT_EQ(error.file, old_name);
    }
    EXPECT_EQ(runtime.draws(), 1);
  }
}

TEST(DrawNewNameTest, StopsWhenEveryNumberIsTaken) {
  FakeRuntime runtime;
  TakenNames taken("", 3, 1);
  for (const char* name : {"1.txt", "2.txt", "3.txt"}) taken.Add(name);
  NameDrawer drawer(runtime, taken, DrawSettings{"", 3, 1});
  EXPECT_EQ(drawer.DrawNewName("1.txt"), std::nullopt) << "drew a name although none is free";
}

// The count decides whether a name is free at all, so it must agree exactly with
// the names the drawer can produce.
TEST(TakenNamesTest, CountsOnlyNamesTheDrawerCouldProduce) {
  TakenNames taken("Foto", 100, 3);
  for (const char* name : {"Foto001.jpg", "Foto100.jpg", "Foto042.JPG", "Foto042.jpg",
                           "Foto42.jpg", "Foto000.jpg", "Foto101.jpg", "foto003.jpg",
                           "Fotox03.jpg", "Foto.jpg", "Foto0004.jpg"}) {
    taken.Add(name);
  }
  EXPECT_EQ(taken.CountFor(".jpg"), 3);  // 001, 100, 042
  EXPECT_EQ(taken.CountFor(".JPG"), 1);
  taken.Add("Foto001.jpg");  // again: no double count
  EXPECT_EQ(taken.CountFor(".jpg"), 3);
  taken.Remove("Foto001.jpg");
  taken.Remove("Foto001.jpg");
  EXPECT_EQ(taken.CountFor(".jpg"), 2);
  EXPECT_FALSE(taken.Contains("Foto001.jpg"));
}

// On a stick 001.JPG takes 001.jpg: one number of the ending .jpg, whatever the
// spellings of prefix and ending.
TEST(TakenNamesTest, WhereCaseIsIgnoredEverySpellingIsOneName) {
  TakenNames taken("Foto", 100, 3, /*ignore_case=*/true);
  for (const char* name : {"Foto001.jpg", "FOTO001.JPG", "foto003.jpg", "Foto042.JPG", "Foto42.jpg",
                           "Foto101.jpg", "Fotox03.jpg"}) {
    taken.Add(name);
  }
  EXPECT_EQ(taken.CountFor(taken.EndingKey(".jpg")), 3);  // 001, 003, 042
  EXPECT_EQ(taken.CountFor(taken.EndingKey(".JPG")), 3);
  EXPECT_TRUE(taken.Contains("foto042.jpg"));
  taken.Remove("fOTO001.Jpg");
  EXPECT_EQ(taken.CountFor(taken.EndingKey(".Jpg")), 2);
  EXPECT_FALSE(taken.Contains("Foto001.jpg"));
}

TEST(TakenNamesTest, WideNumbersAreCountedAtTheirNaturalWidth) {
  TakenNames taken("", 12345, 2);
  taken.Add("12345.jpg");
  taken.Add("00007.jpg");  // a width-2 run writes 07, not 00007
  taken.Add("07.jpg");
  EXPECT_EQ(taken.CountFor(".jpg"), 2);
}

// Past a few dozen names of one ending the answer comes from bits instead of the
// set; both must agree through every change, or a free number would be skipped.
TEST(TakenNamesTest, BitsAgreeWithTheSetThroughAddsAndRemoves) {
  TakenNames taken("P", 500, 3);
  std::mt19937 generator(7);
  std::uniform_int_distribution<int> number(0, 520);
  for (int step = 0; step < 4000; ++step) {
    const std::string name = "P" + PaddedNumber(number(generator), 3) + ".jpg";
    if (step % 3 == 2) {
      taken.Remove(name);
    } else {
      taken.Add(name);
    }
    if (step % 97 != 0) continue;
    for (int64_t k = 1; k <= 500; ++k) {
      const std::optional<bool> bit = taken.NumberTaken(".jpg", k);
      if (!bit) continue;
      ASSERT_EQ(*bit, taken.Contains("P" + PaddedNumber(k, 3) + ".jpg")) << "k=" << k;
    }
  }
  EXPECT_TRUE(taken.NumberTaken(".jpg", 1).has_value()) << "bits never built";
}

}  // namespace
}  // namespace vantrel
