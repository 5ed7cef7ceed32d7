// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever a user types into the three fields, a run either works as documented or
// stops with a clear error before the first rename. Driven through ShuffleFolder on
// a real folder, in both number formats users have.

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/shuffle_run.h"
#include "tests/proof/proof_support.h"
#include "tests/support/fake_view.h"
#include "tests/support/folder_can_hold.h"
#include "tests/support/temp_folder.h"
#include "window/report_texts.h"

namespace vantrel::proof {
namespace {

using testing::FakeView;
using testing::TempFolder;

const NumberFormat kGerman{",", "."};
const NumberFormat kEnglish{".", ","};

// Enough random values for any legitimate run here; more means a run that cannot end.
constexpr int64_t kDrawLimit = 1'000'000;

enum class Expect {
  kWorks,        // every matching file renamed
  kRefused,      // an error before the first rename, nothing touched
  kStopsAtTurn,  // an error at one file; the files before it keep their new names
};

struct InputCase {
  std::string label;
  bool german;
  std::string filter;
  std::string prefix;
  std::string range;
  Expect expect;
  std::optional<ErrorKind> error;
  // When the run gets to renaming:
  std::set<std::string> matched;  // old names the filter must take
  std::string range_after;        // the range text the view shows afterwards
  int64_t n = 0;                  // numbers drawn from 1..n
  size_t pad = 0;                 // ... filled to this many characters
  std::vector<std::string> extra_files = {};
};

const std::set<std::string> kJpegs = {"IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.JPG", "[1].jpg"};
const std::set<std::string> kVisible = {"IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.JPG", "[1].jpg",
                                        "holiday.jpeg", "notes.txt",    "README"};

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

InputCase Works(std::string label, bool german, std::string filter, std::string prefix,
                std::string range, std::set<std::string> matched, std::string range_after,
                int64_t n, size_t pad) {
  return InputCase{std::move(label),
                   german,
                   std::move(filter),
                   std::move(prefix),
                   std::move(range),
                   Expect::kWorks,
                   std::nullopt,
                   std::move(matched),
                   std::move(range_after),
                   n,
                   pad};
}

InputCase Refused(std::string label, bool german, std::string filter, std::string prefix,
                  std::string range, ErrorKind kind) {
  std::string range_after = range;
  return InputCase{std::move(label),
                   german,
                   std::move(filter),
                   std::move(prefix),
                   std::move(range),
                   Expect::kRefused,
                   kind,
                   {},
                   std::move(range_after)};
}

std::vector<InputCase> RangeCases() {
  std::vector<InputCase> cases;
  for (const bool german : {true, false}) {
    auto label = [german](const std::string& what) {
      return (german ? "German" : "English") + what;
    };
    cases.push_back(
        Refused(label("EmptyRange"), german, "*.jpg", "", "", ErrorKind::kRangeNotANumber));
    cases.push_back(
        Refused(label("LettersAsRange"), german, "*.jpg", "", "abc", ErrorKind::kRangeNotANumber));
    cases.push_back(Refused(label("RangeBeyondDouble"), german, "*.jpg", "", "1e400",
                            ErrorKind::kRangeNotANumber));
    cases.push_back(Refused(label("SixteenDigitRange"), german, "*.jpg", "", "1000000000000000",
                            ErrorKind::kRangeTooLarge));
    // Below the count of four files: raised to five, one digit wide.
    cases.push_back(
        Works(label("NegativeRangeIsRaised"), german, "*.jpg", "", "-5", kJpegs, "5", 5, 1));
    // Blanks around the number are allowed and count towards the width.
    cases.push_back(
        Works(label("BlanksAroundRange"), german, "*.jpg", "", "  12  ", kJpegs, "  12  ", 12, 6));
    cases.push_back(Works(label("RangeAtFifteenDigits"), german, "*.jpg", "", "999999999999999",
                          kJpegs, "999999999999999", 999999999999999, 15));
  }
  // "12,5" is twelve and a half in German; in English the comma groups digits.
  cases.push_back(Works("GermanDecimalComma", true, "*.jpg", "", "12,5", kJpegs, "12,5", 12, 4));
  cases.push_back(
      Works("EnglishGroupingComma", false, "*.jpg", "", "12,5", kJpegs, "12,5", 125, 4));
  // "1.000" is a thousand in German and one in English, where it is then raised.
  cases.push_back(Works("GermanThousand", true, "*.jpg", "", "1.000", kJpegs, "1.000", 1000, 5));
  cases.push_back(Works("EnglishOne", false, "*.jpg", "", "1.000", kJpegs, "5", 5, 1));
  return cases;
}

std::vector<InputCase> PrefixCases() {
  std::vector<InputCase> cases = {
      Refused("SlashPrefix", true, "*.jpg", "/", "999", ErrorKind::kPrefixBadCharacter),
      Refused("SlashInsidePrefix", true, "*.jpg", "..//x", "999", ErrorKind::kPrefixBadCharacter),
      Refused("NulInPrefix", true, "*.jpg", std::string("a\0b", 3), "999",
              ErrorKind::kPrefixBadCharacter),
      Refused("DotPrefix", true, "*.jpg", ".", "999", ErrorKind::kPrefixWithDot),
      Refused("DotDotPrefix", true, "*.jpg", "..", "999", ErrorKind::kPrefixWithDot),
      Refused("DotAfterSpaces", true, "*.jpg", "   .x", "999", ErrorKind::kPrefixWithDot),
      Refused("ThreeHundredCharacters", true, "*.jpg", std::string(300, 'p'), "999",
              ErrorKind::kNameTooLong),
      // 249 + 3 digits + ".jpg" is 256 bytes, one over the limit.
      Refused("OneByteOverTheNameLimit", true, "*.jpg", std::string(249, 'p'), "999",
              ErrorKind::kNameTooLong),
      // The limit is in bytes: 125 "ä" are 250 bytes.
      Refused("MultiByteOverTheNameLimit", true, "*.jpg", Repeat("\xC3\xA4", 125), "999",
              ErrorKind::kNameTooLong),
      Works("OnlySpacesIsNoPrefix", true, "*.jpg", "     ", "999", kJpegs, "999", 999, 3),
      Works("PrefixTrimmedOfSpacesOnly", true, "*.jpg", "  \tFoto ", "999", kJpegs, "999", 999, 3),
      Works("NameAtExactlyTheLimit", true, "*.jpg", std::string(248, 'p'), "999", kJpegs, "999",
            999, 3),
      Works("MultiByteAtExactlyTheLimit", true, "*.jpg", Repeat("\xC3\xA4", 124), "999", kJpegs,
            "999", 999, 3),
  };
  return cases;
}

std::vector<InputCase> FilterCases() {
  std::vector<InputCase> cases = {
      Refused("EmptyFilter", true, "", "", "999", ErrorKind::kEmptyFilter),
      Refused("BlankFilter", true, "   ", "", "999", ErrorKind::kEmptyFilter),
      Works("StarTakesEveryVisibleFile", true, "*", "", "999", kVisible, "999", 999, 3),
      Works("StarDotStarTakesNamesWithoutExtensionToo", true, "*.*", "", "999", kVisible, "999",
            999, 3),
      Works("UpperCaseExtensionTakesEveryCase", true, "*.JPG", "", "999", kJpegs, "999", 999, 3),
      Works("BlanksAroundTheFilter", true, "  *.jpg ", "", "999", kJpegs, "999", 999, 3),
      Works("QuestionMarkAloneFindsNothingHere", true, "?", "", "999", {}, "999", 999, 3),
      Works("OpenBracketIsLiteral", true, "[", "", "999", {}, "999", 999, 3),
      Works("BracketsMatchThemselves", true, "[1]*", "", "999", {"[1].jpg"}, "999", 999, 3),
  };
  // Linux names may hold "*" and "?" themselves; the filter's "*" still takes them.
  const std::vector<std::string> starred = {"*star*.txt", "why?.txt", "****"};
  std::set<std::string> everything = kVisible;
  everything.insert(starred.begin(), starred.end());
  const std::pair<const char*, std::set<std::string>> star_cases[] = {
      {"*", everything},
      {"*.*", everything},
      {"*.txt", {"*star*.txt", "why?.txt", "notes.txt"}},
  };
  const char* const star_labels[] = {"Star", "StarDotStar", "StarDotTxt"};
  for (size_t i = 0; i < std::size(star_cases); ++i) {
    InputCase c = Works(std::string("NamesWithWildcardCharactersUnder") + star_labels[i], true,
                        star_cases[i].first, "", "999", star_cases[i].second, "999", 999, 3);
    c.extra_files = starred;
    cases.push_back(c);
  }
  // Documented: a name of fewer than four characters stops the run when its turn
  // comes; the files before it keep their new names.
  InputCase one_char =
      Works("QuestionMarkTakesOneCharacterName", true, "?", "", "999", {"x"}, "999", 999, 3);
  one_char.expect = Expect::kStopsAtTurn;
  one_char.error = ErrorKind::kNameTooShort;
  one_char.extra_files = {"x"};
  cases.push_back(one_char);
  InputCase star_short =
      Works("StarMeetsAShortName", true, "*", "", "999", kVisible, "999", 999, 3);
  star_short.matched.insert("abc");
  star_short.expect = Expect::kStopsAtTurn;
  star_short.error = ErrorKind::kNameTooShort;
  star_short.extra_files = {"abc"};
  cases.push_back(star_short);
  return cases;
}

class BadInputTest : public ::testing::TestWithParam<InputCase> {
 protected:
  void SetUp() override {
    for (const std::string& name : kVisible) folder_.AddFile(name);
    folder_.AddFile(".hidden.jpg");
    folder_.AddFolder("album.jpg");
    for (const std::string& name : GetParam().extra_files) {
      VANTREL_SKIP_IF(testing::WhyNoName(folder_.path(), name));
      folder_.AddFile(name);
    }
  }

  TempFolder folder_;
};

TEST_P(BadInputTest, WorksAsDocumentedOrStopsBeforeAnyRename) {
  InputCase c = GetParam();
  FakeRuntime runtime(c.german ? kGerman : kEnglish);
  runtime.draw_limit = kDrawLimit;
  FakeView view;
  view.folder = folder_.path();
  view.filter = c.filter;
  view.prefix = c.prefix;
  view.range = c.range;
  const Snapshot before = ReadFolder(folder_.path());
  const std::string prefix = [&] {
    const size_t begin = c.prefix.find_first_not_of(' ');
    return begin == std::string::npos
               ? std::string()
               : c.prefix.substr(begin, c.prefix.find_last_not_of(' ') - begin + 1);
  }();
  // A stick cannot hold every prefix (a tab): the run refuses it before a file moves.
  if (c.expect == Expect::kWorks && !testing::WhyNoName(folder_.path(), prefix + "1.jpg").empty()) {
    c.expect = Expect::kRefused;
    c.error = ErrorKind::kPrefixNotOnStick;
  }

  ShuffleOutcome outcome;
  try {
    outcome = ShuffleFolder(runtime, view);
  } catch (const DrawLimitReached& stuck) {
    FAIL() << "the run drew " << stuck.draws << " times without finding an end";
  }
  const Snapshot after = ReadFolder(folder_.path());

  EXPECT_TRUE(SameContentsEachOnce(before, after));
  EXPECT_TRUE(folder_.Exists("album.jpg"));
  EXPECT_EQ(after.count(".hidden.jpg"), 1u);
  EXPECT_EQ(view.range, c.range_after);

  if (c.expect == Expect::kRefused) {
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->kind, *c.error) << DescribeError(*outcome.error);
    EXPECT_EQ(outcome.renamed, 0);
    EXPECT_EQ(runtime.done_answers(), 0);
    EXPECT_EQ(after, before);
    EXPECT_EQ(view.refreshes, 0);
    // The user is told which error it is and that nothing changed.
    const std::string message = DescribeError(*outcome.error);
    EXPECT_NE(message.find("Fehler " + std::to_string(outcome.error->number()) + ":"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("Es wurde nichts verändert."), std::string::npos) << message;
    return;
  }

  const auto new_names = NameByContent(after);
  std::set<std::string> renamed;
  for (const auto& [old_name, content] : before) {
    const std::string& new_name = new_names.at(content);
    if (new_name == old_name) continue;
    renamed.insert(old_name);
    EXPECT_EQ(c.matched.count(old_name), 1u) << "renamed though not matched: " << old_name;
    EXPECT_TRUE(IsDrawnName(new_name, old_name, prefix, c.n, c.pad))
        << old_name << " -> " << new_name;
  }
  EXPECT_EQ(static_cast<int>(renamed.size()), outcome.renamed);
  EXPECT_EQ(runtime.done_answers(), outcome.renamed * testing::RenamesPerFile(folder_.path()));

  if (c.expect == Expect::kWorks) {
    ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
    EXPECT_EQ(renamed, c.matched);
    EXPECT_EQ(outcome.total, static_cast<int>(c.matched.size()));
    EXPECT_EQ(view.refreshes, 1);
  } else {
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->kind, *c.error);
    EXPECT_EQ(outcome.error->renamed_before, outcome.renamed);
    EXPECT_EQ(outcome.total, static_cast<int>(c.matched.size()));
    EXPECT_EQ(c.extra_files, std::vector<std::string>{outcome.error->file});
    EXPECT_EQ(renamed.count(outcome.error->file), 0u);
    EXPECT_EQ(view.refreshes, 0);
  }
}

void PrintTo(const InputCase& c, std::ostream* out) {
  *out << c.label << " (filter \"" << c.filter << "\", range \"" << c.range << "\")";
}

std::string CaseName(const ::testing::TestParamInfo<InputCase>& info) { return info.param.label; }

INSTANTIATE_TEST_SUITE_P(Range, BadInputTest, ::testing::ValuesIn(RangeCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Prefix, BadInputTest, ::testing::ValuesIn(PrefixCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Filter, BadInputTest, ::testing::ValuesIn(FilterCases()), CaseName);

// A range typed with many leading zeros (or blanks) is wider than any 64-bit number.
// When every number is taken the run must still say so instead of drawing forever.
struct WideRangeCase {
  const char* label;
  std::string range;
};

void PrintTo(const WideRangeCase& c, std::ostream* out) { *out << '"' << c.range << '"'; }

class WideRangeTest : public ::testing::TestWithParam<WideRangeCase> {};

TEST_P(WideRangeTest, SecondRunWithEveryNumberTakenStopsWithNoFreeName) {
  const std::string& range = GetParam().range;
  TempFolder folder;
  folder.AddFiles(3, "song", ".mp3");
  FakeRuntime runtime(kEnglish);
  runtime.draw_limit = kDrawLimit;
  FakeView view;
  view.folder = folder.path();
  view.range = range;

  try {
    const ShuffleOutcome first = ShuffleFolder(runtime, view);
    ASSERT_FALSE(first.error.has_value()) << DescribeError(*first.error);
    ASSERT_EQ(first.renamed, 3);
    // The three files now carry all three numbers; none is left for three others.
    // (Not for the same three: a stick's run frees their numbers as they leave for
    // the holding folder.)
    folder.AddFiles(3, "tune", ".mp3");
    view.filter = "tune*";
    const Snapshot before = ReadFolder(folder.path());
    const ShuffleOutcome second = ShuffleFolder(runtime, view);
    ASSERT_TRUE(second.error.has_value());
    EXPECT_EQ(second.error->kind, ErrorKind::kNoFreeName);
    EXPECT_EQ(second.renamed, 0);
    EXPECT_EQ(ReadFolder(folder.path()), before);
  } catch (const DrawLimitReached& stuck) {
    FAIL() << "range \"" << range << "\": the run drew " << stuck.draws
           << " times although no number was free";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Widths, WideRangeTest,
    ::testing::Values(WideRangeCase{"Plain", "3"},
                      WideRangeCase{"EighteenWide", std::string(17, '0') + "3"},
                      WideRangeCase{"NineteenWide", std::string(18, '0') + "3"},
                      WideRangeCase{"FortyWide", std::string(39, '0') + "3"},
                      WideRangeCase{"TrailingBlanks", "3" + std::string(30, ' ')},
                      WideRangeCase{"GroupedZeros", "0,000,000,000,000,000,000,003"}),
    [](const ::testing::TestParamInfo<WideRangeCase>& info) { return info.param.label; });

}  // namespace
}  // namespace vantrel::proof
