// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/shuffle_run.h"

#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "runtime/posix_runtime.h"
#include "tests/support/fake_runtime.h"
#include "tests/support/fake_view.h"
#include "tests/support/folder_can_hold.h"
#include "tests/support/temp_folder.h"
#include "window/report_texts.h"

namespace vantrel {
namespace {

using testing::FakeRuntime;
using testing::FakeView;
using testing::NameByContent;
using testing::TempFolder;

using Contents = std::map<std::string, std::string>;

class ShuffleRunTest : public ::testing::Test {
 protected:
  ShuffleRunTest() { view_.folder = folder_.path(); }

  ShuffleOutcome Run() { return ShuffleFolder(runtime_, view_); }

  // Every file that matched has a new name of the drawn form with the same content,
  // and every other entry is untouched.
  void ExpectShuffled(const Contents& before, const std::set<std::string>& matched,
                      const std::string& name_pattern) {
    const Contents after = folder_.Contents();
    ASSERT_EQ(after.size(), before.size());
    const auto old_names = NameByContent(before);
    const auto new_names = NameByContent(after);
    const std::regex form(name_pattern);
    for (const auto& [content, old_name] : old_names) {
      ASSERT_EQ(new_names.count(content), 1u) << "lost: " << old_name;
      const std::string& new_name = new_names.at(content);
      if (matched.count(old_name) != 0) {
        EXPECT_NE(new_name, old_name);
        EXPECT_TRUE(std::regex_match(new_name, form)) << new_name;
        EXPECT_EQ(new_name.substr(new_name.size() - 4), old_name.substr(old_name.size() - 4));
      } else {
        EXPECT_EQ(new_name, old_name);
      }
    }
  }

  TempFolder folder_;
  FakeRuntime runtime_;
  FakeView view_;
};

TEST_F(ShuffleRunTest, RenamesEveryMatchingFileOnceAndKeepsContents) {
  folder_.AddFiles(20, "IMG_", ".jpg");
  folder_.AddFiles(3, "DSC_", ".JPG");
  folder_.AddFile("notes.txt");
  view_.filter = "*.jpg";
  view_.prefix = "  Foto ";
  const Contents before = folder_.Contents();
  std::set<std::string> matched;
  for (const auto& [name, content] : before) {
    if (name != "notes.txt") matched.insert(name);
  }

  const ShuffleOutcome outcome = Run();

  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.total, 23);
  EXPECT_EQ(outcome.renamed, 23);
  EXPECT_EQ(runtime_.renames().size(), 23u * testing::RenamesPerFile(folder_.path()));
  EXPECT_EQ(view_.range, "999");
  EXPECT_EQ(view_.refreshes, 1);
  EXPECT_EQ(view_.progress.back(), std::make_pair(23, 23));
  ExpectShuffled(before, matched, R"(Foto\d{3}\.(jpg|JPG))");
}

TEST_F(ShuffleRunTest, RaisesTooSmallRangeBeforeTheFirstRename) {
  folder_.AddFiles(12, "track", ".mp3");
  view_.range = "10";
  std::string range_at_first_rename;
  runtime_.before_rename = [&](const std::string&, const std::string&) {
    if (range_at_first_rename.empty()) range_at_first_rename = view_.range;
  };
  const Contents before = folder_.Contents();
  std::set<std::string> matched;
  for (const auto& entry : before) matched.insert(entry.first);

  const ShuffleOutcome outcome = Run();

  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(view_.range_writes, std::vector<std::string>{"13"});
  EXPECT_EQ(range_at_first_rename, "13");
  ExpectShuffled(before, matched, R"((0[1-9]|1[0-3])\.mp3)");
}

TEST_F(ShuffleRunTest, LeavesRangeEqualToTheCountAlone) {
  folder_.AddFiles(12, "track", ".mp3");
  view_.range = "12";
  const ShuffleOutcome outcome = Run();
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_TRUE(view_.range_writes.empty());
  EXPECT_EQ(outcome.renamed, 12);
}

TEST_F(ShuffleRunTest, NothingMatchingStillChecksTheRangeAndRefreshes) {
  folder_.AddFile("a.txt");
  view_.filter = "*.jpg";
  view_.range = "-3.7";
  const ShuffleOutcome outcome = Run();
  EXPECT_FALSE(outcome.error.has_value());
  EXPECT_EQ(outcome.total, 0);
  EXPECT_EQ(view_.range, "1");
  EXPECT_EQ(view_.refreshes, 1);
  EXPECT_TRUE(runtime_.renames().empty());
}

TEST_F(ShuffleRunTest, ARangeThatIsNoNumberStopsBeforeAnyRename) {
  folder_.AddFiles(3, "a", ".txt");
  for (const char* range : {"", "abc", "1e400", "12x"}) {
    view_.range = range;
    const ShuffleOutcome outcome = Run();
    ASSERT_TRUE(outcome.error.has_value()) << range;
    EXPECT_EQ(outcome.error->kind, ErrorKind::kRangeNotANumber);
    EXPECT_EQ(outcome.error->renamed_before, 0);
  }
  EXPECT_TRUE(runtime_.renames().empty());
  EXPECT_EQ(view_.refreshes, 0);
}

TEST_F(ShuffleRunTest, RefusesDangerousSettingsBeforeAnyRename) {
  folder_.AddFiles(3, "a", ".txt");
  const struct {
    const char* prefix;
    const char* range;
    const char* filter;
    ErrorKind kind;
  } cases[] = {
      {"../x", "999", "*.*", ErrorKind::kPrefixBadCharacter},
      {"a/b", "999", "*.*", ErrorKind::kPrefixBadCharacter},
      {".hidden", "999", "*.*", ErrorKind::kPrefixWithDot},
      {"  .x", "999", "*.*", ErrorKind::kPrefixWithDot},
      {"", "1000000000000000", "*.*", ErrorKind::kRangeTooLarge},
      {"", "999", "", ErrorKind::kEmptyFilter},
      {"", "999", "   ", ErrorKind::kEmptyFilter},
  };
  for (const auto& c : cases) {
    view_.prefix = c.prefix;
    view_.range = c.range;
    view_.filter = c.filter;
    const ShuffleOutcome outcome = Run();
    ASSERT_TRUE(outcome.error.has_value()) << c.prefix << " " << c.range;
    EXPECT_EQ(outcome.error->kind, c.kind) << c.prefix << " " << c.range;
  }
  view_.prefix = std::string(250, 'x');
  view_.range = "999";
  view_.filter = "*.*";
  const ShuffleOutcome outcome = Run();
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->kind, ErrorKind::kNameTooLong);
  EXPECT_TRUE(runtime_.renames().empty());
}

TEST_F(ShuffleRunTest, AvoidsNamesOfFoldersAndBrokenLinks) {
  VANTREL_SKIP_IF(testing::WhyNoSymlink(folder_.path()));
  folder_.AddFile("a.jpg", "A");
  folder_.AddFolder("001.jpg");
  folder_.AddFile("002.jpg.txt");
  folder_.AddSymlink("003.jpg", "nowhere");
  view_.range = "004";
  view_.filter = "a.jpg";
  // 1 (a folder), 3 (a broken link) are taken; 4 is free.
  runtime_.ScriptRandom({FakeRuntime::ValueFor(1, 4), FakeRuntime::ValueFor(3, 4),
                         FakeRuntime::ValueFor(4, 4)});
  const ShuffleOutcome outcome = Run();
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.draws, 3);
  EXPECT_EQ(folder_.Read("004.jpg"), "A");
  EXPECT_EQ(folder_.Names(),
            (std::vector<std::string>{"001.jpg", "002.jpg.txt", "003.jpg", "004.jpg"}));
}

TEST_F(ShuffleRunTest, ShufflesNamesThatAreNotUtf8) {
  VANTREL_SKIP_IF(testing::WhyNoName(folder_.path(), "\xFF\xFE\xFD\xFC"));
  folder_.AddFile(
      "Gr\xFC\xDF"
      "e.mp3",
      "1");
  folder_.AddFile("Lied.m\xE4p", "2");
  folder_.AddFile("\xFF\xFE\xFD\xFC", "3");
  const ShuffleOutcome outcome = Run();
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.renamed, 3);
  const auto names = NameByContent(folder_.Contents());
  EXPECT_TRUE(std::regex_match(names.at("1"), std::regex(R"(\d{3}\.mp3)")));
  EXPECT_EQ(names.at("2").substr(3), ".m\xE4p");
  EXPECT_EQ(names.at("3").substr(3), "\xFF\xFE\xFD\xFC");
}

TEST_F(ShuffleRunTest, SecondRunRenamesEveryFileAgain) {
  folder_.AddFiles(50, "f", ".dat");
  view_.range = "60";
  ASSERT_FALSE(Run().error.has_value());
  const Contents first = folder_.Contents();
  std::set<std::string> matched;
  for (const auto& entry : first) matched.insert(entry.first);
  const ShuffleOutcome outcome = Run();
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  ExpectShuffled(first, matched, R"(\d{2}\.dat)");
}

TEST_F(ShuffleRunTest, StopsWithAClearErrorWhenNoNameIsFree) {
  // Every number is held by a file that the filter leaves alone. (Files that hold
  // the numbers themselves free them on a stick, where they leave for the holding
  // folder first.)
  for (const char* name : {"1.txt", "2.txt", "3.txt", "x1.txt", "x2.txt", "x3.txt"}) {
    folder_.AddFile(name);
  }
  view_.filter = "x*";
  view_.range = "3";
  const Contents before = folder_.Contents();
  const ShuffleOutcome outcome = Run();
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->kind, ErrorKind::kNoFreeName);
  EXPECT_EQ(outcome.error->renamed_before, 0);
  EXPECT_EQ(folder_.Contents(), before);
}

TEST_F(ShuffleRunTest, AShortNameStopsTheRunAtItsTurnAndKeepsEarlierRenames) {
  folder_.AddFile("abc", "short");
  view_.filter = "*";
  const ShuffleOutcome outcome = Run();
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->kind, ErrorKind::kNameTooShort);
  EXPECT_EQ(outcome.error->file, "abc");
  EXPECT_EQ(folder_.Read("abc"), "short");
  EXPECT_EQ(view_.refreshes, 0);
}

TEST_F(ShuffleRunTest, StopRequestEndsBetweenTwoFilesKeepingWhatIsDone) {
  folder_.AddFiles(10, "s", ".wav");
  view_.stop_after = 4;
  const ShuffleOutcome outcome = Run();
  EXPECT_FALSE(outcome.error.has_value());
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.renamed, 4);
  EXPECT_EQ(runtime_.renames().size(), 4u * testing::RenamesPerFile(folder_.path()));
  EXPECT_EQ(folder_.Contents().size(), 10u);
  EXPECT_EQ(view_.refreshes, 1);
}

TEST(ShuffleRealRuntimeTest, TwoRunsInOneProcessGiveDifferentOrders) {
  TempFolder folder;
  for (int i = 0; i < 30; ++i) folder.AddFile("t" + std::to_string(i) + ".ogg");
  PosixRuntime runtime;
  FakeView view;
  view.folder = folder.path();
  ASSERT_FALSE(ShuffleFolder(runtime, view).error.has_value());
  const auto first = NameByContent(folder.Contents());
  ASSERT_FALSE(ShuffleFolder(runtime, view).error.has_value());
  const auto second = NameByContent(folder.Contents());
  EXPECT_NE(first, second);
}

}  // namespace
}  // namespace vantrel
