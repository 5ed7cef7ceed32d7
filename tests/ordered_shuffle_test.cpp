// SPDX-License-Identifier: GPL-3.0-or-later
// The run on a FAT stick, on a real folder that the fake runtime makes behave like
// one: every file goes out to the holding folder and comes back renamed.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "engine/stick_order.h"
#include "engine/shuffle_run.h"
#include "tests/support/fake_runtime.h"
#include "tests/support/fake_view.h"
#include "tests/support/temp_folder.h"
#include "window/report_texts.h"

namespace vantrel {
namespace {

using testing::FakeRuntime;
using testing::FakeView;
using testing::ContentSet;
using testing::TempFolder;
using Contents = std::map<std::string, std::string>;

class OrderedShuffleTest : public ::testing::Test {
 protected:
  OrderedShuffleTest() {
    runtime_.ordered_directory = true;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"}) {
      folder_.AddFile(name);
    }
    view_.folder = folder_.path();
    before_ = folder_.Contents();
  }

  // The folder holds every content once and no holding folder; returns how many
  // files kept their names.
  int ExpectWholeFolder() {
    EXPECT_FALSE(folder_.Exists(kHoldingFolder));
    const Contents after = folder_.Contents();
    EXPECT_EQ(ContentSet(after), ContentSet(before_));
    return testing::KeptNames(before_, after);
  }

  FakeRuntime runtime_;
  TempFolder folder_;
  FakeView view_;
  Contents before_;
};

// The files out so far get new names; the others were never touched.
TEST_F(OrderedShuffleTest, AStopInTheFirstPassBringsBackWhatLeftRenamed) {
  view_.stop_after = 2;
  const ShuffleOutcome outcome = ShuffleFolder(runtime_, view_);
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.renamed, 2);
  EXPECT_EQ(ExpectWholeFolder(), 4);
  EXPECT_EQ(view_.progress.back(), std::make_pair(6, 6));
}

TEST_F(OrderedShuffleTest, AFailureInTheFirstPassBringsBackWhatLeftRenamed) {
  runtime_.FailRenameOf("d.mp3", EACCES);
  const ShuffleOutcome outcome = ShuffleFolder(runtime_, view_);
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->file, "d.mp3");
  EXPECT_EQ(outcome.error->held, 0);
  EXPECT_EQ(outcome.renamed, 3);
  EXPECT_EQ(ExpectWholeFolder(), 3);
}

// With "Mix bis" at the count and the files holding every number, each run must
// deal the numbers out anew, none to its old holder. The last file then often
// finds only its own number left.
TEST_F(OrderedShuffleTest, EveryNumberTakenByTheFilesThemselvesIsDealtOutAnew) {
  TempFolder numbered;
  numbered.AddFiles(5, "", ".mp3");
  view_.folder = numbered.path();
  view_.range = "5";
  for (int run = 0; run < 20; ++run) {
    const Contents before = numbered.Contents();
    const ShuffleOutcome outcome = ShuffleFolder(runtime_, view_);
    ASSERT_FALSE(outcome.error.has_value())
        << "run " << run << ": " << DescribeError(*outcome.error);
    const Contents after = numbered.Contents();
    ASSERT_EQ(ContentSet(after), ContentSet(before));
    for (const auto& [name, content] : before) EXPECT_NE(after.at(name), content) << name;
  }
}

TEST_F(OrderedShuffleTest, FilesLeftInTheHoldingFolderGoHomeFirst) {
  folder_.AddFolder(kHoldingFolder);
  folder_.AddFile(HeldName("g.mp3"), "parked g");
  folder_.AddFile(HeldName("a.mp3"), "parked a, whose name is taken meanwhile");
  ShuffleOutcome outcome = ShuffleFolder(runtime_, view_);
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->kind, ErrorKind::kHeldFilesRemain);
  EXPECT_EQ(folder_.Read("g.mp3"), "parked g");
  EXPECT_EQ(outcome.renamed, 0);

  std::filesystem::remove(folder_.PathOf("a.mp3"));
  const Recovery recovery = RecoverHeldFiles(runtime_, folder_.path());
  EXPECT_EQ(recovery.restored, 1);
  EXPECT_FALSE(folder_.Exists(kHoldingFolder));
  EXPECT_NE(DescribeRecovery(recovery).find("Vantrel hat 1 Datei,"), std::string::npos);
  EXPECT_EQ(
      RecoverHeldFiles(runtime_, folder_.PathOf("gone")).error.value_or(ShuffleError{}).sys_code,
      ENOENT);
}

}  // namespace
}  // namespace vantrel
