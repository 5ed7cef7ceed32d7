// SPDX-License-Identifier: GPL-3.0-or-later
// A run killed part-way (power cut, kill -9, crash) leaves every file under its old
// name or its new one, never both and never neither, and a second run completes
// the folder.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/shuffle_run.h"
#include "tests/proof/proof_support.h"
#include "tests/support/fake_view.h"
#include "tests/support/temp_folder.h"

namespace vantrel::proof {
namespace {

using testing::FakeView;
using testing::TempFolder;

constexpr int kFiles = 20000;
constexpr int64_t kRange = 30000;
constexpr size_t kPad = 5;

std::string OldName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "clip_%05d.bin", i);
  return name;
}

class KilledRunTest : public ::testing::TestWithParam<int> {};

TEST_P(KilledRunTest, EveryFileIsThereOnceAndASecondRunCompletes) {
  const int kill_after = GetParam();
  TempFolder work;
  const std::string folder = work.PathOf("clips");
  work.AddFolder("clips");
  CreateFiles(folder, kFiles, OldName);
  const Snapshot before = ReadFolder(folder);
  ASSERT_EQ(before.size(), static_cast<size_t>(kFiles));

  const Killed killed = RunAndKill(VANTREL_SHUFFLE_CHILD, folder, std::to_string(kRange),
                                   kill_after, kill_after + 1000, work.PathOf("child.log"));
  ASSERT_TRUE(killed.by_sigkill) << killed.detail << "\n" << ReadFolder(work.path())["child.log"];

  const Snapshot after_kill = ReadFolder(folder);
  EXPECT_TRUE(SameContentsEachOnce(before, after_kill));
  const auto names = NameByContent(after_kill);
  int renamed = 0;
  for (const auto& [old_name, content] : before) {
    const auto found = names.find(content);
    if (found == names.end()) continue;  // already reported as lost
    if (found->second == old_name) continue;
    ++renamed;
    EXPECT_TRUE(IsDrawnName(found->second, old_name, "", kRange, kPad))
        << old_name << " -> " << found->second;
  }
  EXPECT_GE(renamed, killed.reported);
  EXPECT_LT(renamed, kFiles) << "the child was killed after the whole run";
  RecordProperty("renamed_before_kill", renamed);

  // The second run takes old and new names alike and gives every file a new one.
  PosixRuntime runtime(NumberFormat{});
  FakeView view;
  view.folder = folder;
  view.range = std::to_string(kRange);
  const ShuffleOutcome outcome = ShuffleFolder(runtime, view);
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.renamed, kFiles);

  const Snapshot after_second = ReadFolder(folder);
  EXPECT_TRUE(SameContentsEachOnce(before, after_second));
  const auto final_names = NameByContent(after_second);
  for (const auto& [old_name, content] : before) {
    const auto found = final_names.find(content);
    if (found == final_names.end()) continue;
    EXPECT_TRUE(IsDrawnName(found->second, old_name, "", kRange, kPad))
        << old_name << " -> " << found->second;
  }
}

// Killed early and late in the run.
INSTANTIATE_TEST_SUITE_P(KillPoints, KilledRunTest, ::testing::Values(500, 12000),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "After" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace vantrel::proof
