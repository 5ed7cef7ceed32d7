// SPDX-License-Identifier: GPL-3.0-or-later
// The 16-bit file count: 32 767 matching files shuffle end to end; one more, or a
// range that would have to be raised past 32 767, is an overflow before any rename.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/shuffle_run.h"
#include "tests/proof/proof_support.h"
#include "tests/support/fake_view.h"
#include "tests/support/temp_folder.h"
#include "window/report_texts.h"

namespace vantrel::proof {
namespace {

using testing::FakeView;
using testing::TempFolder;

struct ScaleCase {
  const char* label;
  int files;
  const char* range;
  bool works;
};

void PrintTo(const ScaleCase& c, std::ostream* out) { *out << c.label; }

class ScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleTest, ShufflesUpToTheLimitAndRefusesBeyondItUntouched) {
  const ScaleCase& c = GetParam();
  TempFolder folder;
  CreateFiles(folder.path(), c.files, [](int i) { return Numbered("track_%05d.ogg", i); });
  FakeRuntime runtime;
  runtime.draw_limit = 100'000'000;
  FakeView view;
  view.folder = folder.path();
  view.range = c.range;

  // Contents are read only where files move; a refused run is checked by name.
  const std::vector<std::string> names_before = folder.Names();
  const Snapshot before = c.works ? ReadFolder(folder.path()) : Snapshot{};
  ShuffleOutcome outcome;
  try {
    outcome = ShuffleFolder(runtime, view);
  } catch (const DrawLimitReached& stuck) {
    FAIL() << "the run drew " << stuck.draws << " times without finding an end";
  }
  if (!c.works) {
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->kind, ErrorKind::kTooManyFiles) << DescribeError(*outcome.error);
    EXPECT_EQ(outcome.renamed, 0);
    EXPECT_EQ(runtime.draws(), 0);
    EXPECT_EQ(view.range, c.range);
    EXPECT_EQ(folder.Names(), names_before);
    return;
  }
  const Snapshot after = ReadFolder(folder.path());
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.total, c.files);
  EXPECT_EQ(outcome.renamed, c.files);
  RecordProperty("draws", static_cast<int>(runtime.draws()));
  EXPECT_TRUE(SameContentsEachOnce(before, after));
  // With the range equal to the count, every number is given exactly once.
  std::set<std::string> expected;
  for (int k = 1; k <= c.files; ++k) expected.insert(Numbered("%05d.ogg", k));
  std::set<std::string> names;
  for (const auto& entry : after) names.insert(entry.first);
  EXPECT_EQ(names, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ScaleTest,
    ::testing::Values(ScaleCase{"AtTheLimitEveryNumberUsed", 32767, "32767", true},
                      ScaleCase{"OneFileTooMany", 32768, "99999", false},
                      // Raising 999 to the count plus one would pass 32 767.
                      ScaleCase{"RaiseWouldOverflow", 32767, "999", false}),
    [](const ::testing::TestParamInfo<ScaleCase>& info) { return info.param.label; });

}  // namespace
}  // namespace vantrel::proof
