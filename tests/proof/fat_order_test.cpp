// SPDX-License-Identifier: GPL-3.0-or-later
// Many car stereos play a FAT stick's folder in the order its entries stand, not
// by name. On FAT and exFAT a run leaves the shuffled files' entries in the order of
// their new names, also when it was killed part-way and the next run mends it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "engine/shuffle_run.h"
#include "engine/stick_order.h"
#include "tests/proof/fat_volume.h"
#include "tests/proof/proof_support.h"
#include "tests/support/fake_view.h"
#include "window/report_texts.h"

namespace vantrel::proof {
namespace {

using testing::FakeView;

constexpr const char* kFolder = "MUSIK";

// 8.3 names in capitals: fusefat keeps those intact over hundreds of renames.
std::string SongName(int i) { return Numbered("LIED%04d.MP3", i); }

bool IsSong(const std::string& name) { return name.ends_with(".MP3"); }

std::vector<std::string> Songs(const std::vector<std::string>& names) {
  std::vector<std::string> songs;
  std::copy_if(names.begin(), names.end(), std::back_inserter(songs), IsSong);
  return songs;
}

class FatOrderTest : public FatVolumeTest {
 protected:
  // A stick whose folder MUSIK holds `songs` songs and a text file that the filter
  // "*.MP3" leaves alone, mounted.
  void Prepare(StickFormat format, int songs) {
    format_ = format;
    FatVolumeTest::Prepare(false, format);
    if (IsSkipped()) return;
    const std::string stage = work_.PathOf(kFolder);
    ASSERT_EQ(mkdir(stage.c_str(), 0755), 0);
    CreateFiles(stage, songs, SongName);
    WriteNewFile(stage + "/LIESMICH.TXT", "bleibt");
    before_ = ReadFolder(stage);
    std::string why;
    ASSERT_TRUE(volume_->CopyIn(stage, &why)) << why;
    ASSERT_TRUE(volume_->Mount(&why)) << why;
    folder_ = volume_->mount_point() + "/" + kFolder;
  }

  ShuffleOutcome Shuffle(const std::string& range) {
    PosixRuntime runtime(NumberFormat{});
    FakeView view;
    view.folder = folder_;
    view.filter = "*.MP3";
    view.range = range;
    return ShuffleFolder(runtime, view);
  }

  // What a stick pulled out now holds: a clean file system, every content once, no
  // holding folder, and the songs' entries in the order of their names, as mtools
  // reads the FAT image and as a fresh mount lists them.
  void ExpectSongsInNameOrder() {
    std::string why;
    ASSERT_TRUE(volume_->Unmount(&why)) << why;
    std::string report;
    EXPECT_TRUE(volume_->CheckImage(&report)) << report;
    if (format_ == StickFormat::kFat) {
      std::vector<std::string> on_image;
      ASSERT_TRUE(volume_->ListOnImage(kFolder, &on_image, &why)) << why;
      const auto songs_on_image = Songs(on_image);
      EXPECT_TRUE(std::is_sorted(songs_on_image.begin(), songs_on_image.end()));
    }
    ASSERT_TRUE(volume_->Mount(&why)) << why;
    const std::vector<std::string> listed = ListNames(folder_);
    const std::vector<std::string> songs = Songs(listed);
    EXPECT_TRUE(std::is_sorted(songs.begin(), songs.end()));
    EXPECT_EQ(songs.size(), before_.size() - 1);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), kHoldingFolder), 0);
    EXPECT_TRUE(SameContentsEachOnce(before_, ReadFolder(folder_)));
  }

  StickFormat format_ = StickFormat::kFat;
  Snapshot before_;
  std::string folder_;
};

class FatOrderAfterRunTest : public FatOrderTest,
                             public ::testing::WithParamInterface<StickFormat> {};

TEST_P(FatOrderAfterRunTest, EntriesStandInTheOrderOfTheNewNames) {
  Prepare(GetParam(), 300);
  if (IsSkipped()) return;
  const ShuffleOutcome outcome = Shuffle("999");
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.renamed, 300);
  ExpectSongsInNameOrder();
}

// With "Mix bis" one above the count, a run that renames one file at a time finds
// one free number at each step: the one the file before it has just left. So the
// second run's order is the first one's, rotated by one.
TEST_P(FatOrderAfterRunTest, ASecondRunAtTheTightestRangeIsAFreshShuffle) {
  Prepare(GetParam(), 30);
  if (IsSkipped()) return;
  ASSERT_FALSE(Shuffle("31").error.has_value());
  const Snapshot first = ReadFolder(folder_);
  ASSERT_FALSE(Shuffle("31").error.has_value());
  const auto second = NameByContent(ReadFolder(folder_));
  int took_predecessors_number = 0;
  const std::string* predecessor = nullptr;
  for (const auto& [name, content] : first) {  // in the first run's name order
    if (!IsSong(name)) continue;
    if (predecessor != nullptr && second.at(content) == *predecessor) ++took_predecessors_number;
    predecessor = &name;
  }
  EXPECT_LT(took_predecessors_number, 15);
  ExpectSongsInNameOrder();
}

INSTANTIATE_TEST_SUITE_P(Formats, FatOrderAfterRunTest,
                         ::testing::Values(StickFormat::kFat, StickFormat::kExfat),
                         [](const auto& info) { return FormatLabel(info.param); });

class FatOrderAfterKillTest : public FatOrderTest,
                              public ::testing::WithParamInterface<std::tuple<StickFormat, int>> {};

// The 300 files go out in the first half of the reported progress and come back in
// the second: killed in the first or the second pass.
TEST_P(FatOrderAfterKillTest, EveryFileStaysOnceAndTheNextRunRestoresTheOrder) {
  const auto [format, kill_after] = GetParam();
  Prepare(format, 300);
  if (IsSkipped()) return;
  const Killed killed = RunAndKill(VANTREL_SHUFFLE_CHILD, folder_, "999", kill_after,
                                   kill_after + 50, work_.PathOf("child.log"));
  ASSERT_TRUE(killed.by_sigkill) << killed.detail;

  // Parked files keep their old names; the rest have their old or a whole new one.
  Snapshot now = ReadFolder(folder_);
  for (const auto& [name, content] : ReadFolder(folder_ + "/" + kHoldingFolder)) {
    EXPECT_EQ(before_.count(name), 1u) << name << " parked under a name it never had";
    now.emplace(std::string(kHoldingFolder) + "/" + name, content);
  }
  EXPECT_TRUE(SameContentsEachOnce(before_, now));
  std::string why;
  std::string report;
  ASSERT_TRUE(volume_->Unmount(&why)) << why;
  if (!volume_->CheckImage(&report)) {
    GTEST_SKIP() << "Skipped: the FUSE driver left the image corrupt when its client was "
                    "killed, which a rename cannot do: "
                 << report;
  }
  ASSERT_TRUE(volume_->Mount(&why)) << why;

  const ShuffleOutcome outcome = Shuffle("999");
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.renamed, 300);
  ExpectSongsInNameOrder();
}

INSTANTIATE_TEST_SUITE_P(KillPoints, FatOrderAfterKillTest,
                         ::testing::Combine(::testing::Values(StickFormat::kFat,
                                                              StickFormat::kExfat),
                                            ::testing::Values(50, 200)),
                         [](const auto& info) {
                           const int kill_after = std::get<1>(info.param);
                           return FormatLabel(std::get<0>(info.param)) +
                                  (kill_after < 150 ? "_OutPass" : "_BackPass");
                         });

}  // namespace
}  // namespace vantrel::proof
