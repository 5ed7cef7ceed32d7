// SPDX-License-Identifier: GPL-3.0-or-later
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <gtest/gtest.h>

#include "engine/shuffle_run.h"
#include "tests/support/fake_runtime.h"
#include "tests/support/fake_view.h"
#include "tests/support/folder_can_hold.h"
#include "tests/support/temp_folder.h"
#include "window/report_texts.h"

namespace vantrel {
namespace {

using testing::FakeRuntime;
using testing::FakeView;
using testing::ContentSet;
using testing::TempFolder;

using Contents = std::map<std::string, std::string>;

class ShuffleFaultTest : public ::testing::Test {
 protected:
  ShuffleFaultTest() {
    folder_.AddFiles(8, "song", ".mp3");
    view_.folder = folder_.path();
    before_ = folder_.Contents();
  }

  ShuffleOutcome Run() { return ShuffleFolder(runtime_, view_); }

  // Files renamed before the stop carry new names, the rest their old ones, and
  // no content is lost or doubled.
  void ExpectNothingLost(const ShuffleOutcome& outcome) {
    const Contents after = folder_.Contents();
    EXPECT_EQ(ContentSet(after), ContentSet(before_));
    int still_old = 0;
    for (const auto& entry : before_) still_old += after.count(entry.first) != 0 ? 1 : 0;
    EXPECT_EQ(still_old, static_cast<int>(before_.size()) - outcome.renamed);
  }

  TempFolder folder_;
  FakeRuntime runtime_;
  FakeView view_;
  Contents before_;
};

TEST_F(ShuffleFaultTest, PermissionDeniedStopsAtThatFileAndSaysHowFarItCame) {
  std::string third;
  runtime_.before_rename = [&](const std::string& from, const std::string&) {
    if (runtime_.renames().size() == 2 && third.empty()) {
      third = from;
      runtime_.FailRenameOf(from, EACCES);
    }
  };
  const ShuffleOutcome outcome = Run();
  ASSERT_TRUE(outcome.error.has_value());
  const ShuffleError& error = *outcome.error;
  EXPECT_EQ(error.kind, ErrorKind::kRenameFailed);
  EXPECT_EQ(error.file, third);
  EXPECT_EQ(error.sys_code, EACCES);
  EXPECT_EQ(error.renamed_before, 2);
  EXPECT_EQ(error.total, 8);
  EXPECT_EQ(view_.refreshes, 0);
  ExpectNothingLost(outcome);

  const std::string message = DescribeError(error);
  EXPECT_NE(message.find("Fehler 10"), std::string::npos) << message;
  EXPECT_NE(message.find("Datei: " + third), std::string::npos) << message;
  EXPECT_NE(message.find("Zugriff verweigert"), std::string::npos) << message;
  EXPECT_NE(message.find("Bereits umbenannt: 2 von 8"), std::string::npos) << message;
}

TEST_F(ShuffleFaultTest, AFileThatVanishedIsReportedNotSkipped) {
  bool removed = false;
  runtime_.before_rename = [&](const std::string& from, const std::string&) {
    if (runtime_.renames().size() == 5 && !removed) {
      removed = std::remove(folder_.PathOf(from).c_str()) == 0;
    }
  };
  const ShuffleOutcome outcome = Run();
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->sys_code, ENOENT);
  EXPECT_EQ(outcome.error->renamed_before, 5);
  EXPECT_EQ(folder_.Contents().size(), 7u);
}

TEST_F(ShuffleFaultTest, ANameCreatedDuringTheRunIsNeverOverwritten) {
  int intruders = 0;
  runtime_.before_rename = [&](const std::string&, const std::string& to) {
    // Into the folder itself, not into the holding folder a stick's run uses.
    if (intruders < 3 && to.find('/') == std::string::npos) {
      folder_.AddFile(to, "intruder " + std::to_string(intruders++));
    }
  };
  const ShuffleOutcome outcome = Run();
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.renamed, 8);
  EXPECT_GE(outcome.draws, 11);
  std::multiset<std::string> expected = ContentSet(before_);
  for (int i = 0; i < 3; ++i) expected.insert("intruder " + std::to_string(i));
  EXPECT_EQ(ContentSet(folder_.Contents()), expected);
}

TEST_F(ShuffleFaultTest, FallsBackWhereTheFileSystemRefusesTheFlagOrLinks) {
  runtime_.rename_calls = testing::CallsWithoutNoReplaceFlag();
  view_.range = "9";  // tight: the fallbacks must also avoid the names given so far
  ShuffleOutcome outcome = Run();
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(ContentSet(folder_.Contents()), ContentSet(before_));

  runtime_.rename_calls = testing::CallsWithoutFlagOrLinks();
  outcome = Run();
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.renamed, 8);
  EXPECT_EQ(ContentSet(folder_.Contents()), ContentSet(before_));
}

// A FAT-like file system: a name is taken when any entry equals it ignoring case.
int RenameIgnoringCase(int dir_fd, const char* from, int, const char* to, unsigned int) {
  DIR* dir = fdopendir(openat(dir_fd, ".", O_RDONLY | O_DIRECTORY));
  bool taken = false;
  while (const dirent* entry = readdir(dir)) taken = taken || strcasecmp(entry->d_name, to) == 0;
  closedir(dir);
  if (taken) {
    errno = EEXIST;
    return -1;
  }
  return renameat(dir_fd, from, dir_fd, to);
}

TEST_F(ShuffleFaultTest, NamesTakenOnlyByCaseEndInAClearErrorNotAnEndlessDraw) {
  for (const char* name : {"01.MP3", "02.MP3", "03.MP3", "04.MP3", "05.MP3", "06.MP3"}) {
    folder_.AddFile(name);
  }
  before_ = folder_.Contents();
  runtime_.rename_calls.renameat2 = RenameIgnoringCase;
  view_.filter = "song*.mp3";
  view_.range = "08";
  const ShuffleOutcome outcome = Run();
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->kind, ErrorKind::kNoFreeName);
  // Only 07.mp3 and 08.mp3 were free. A folder known to ignore case (a stick)
  // counts the free numbers before any file moves.
  EXPECT_EQ(outcome.renamed, testing::TraitsOf(folder_.path()).ignores_case ? 0 : 2);
  ExpectNothingLost(outcome);
}

TEST_F(ShuffleFaultTest, AnUnreadableFolderIsReportedWithItsReason) {
  runtime_.FailListing(EIO);
  ShuffleOutcome outcome = Run();
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->kind, ErrorKind::kFolderUnreadable);
  EXPECT_EQ(outcome.error->sys_code, EIO);

  FakeRuntime fresh;
  view_.folder = folder_.PathOf("missing");
  outcome = ShuffleFolder(fresh, view_);
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->sys_code, ENOENT);
  EXPECT_NE(DescribeError(*outcome.error).find("nicht gefunden"), std::string::npos);
  EXPECT_EQ(ContentSet(folder_.Contents()), ContentSet(before_));
}

}  // namespace
}  // namespace vantrel
