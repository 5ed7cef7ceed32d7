// SPDX-License-Identifier: GPL-3.0-or-later
// Real FAT and exFAT file systems, mounted like a memory stick. Both keep one name
// per case-insensitive spelling and have no hard links. FUSE refuses the
// no-replace flag, so every rename there takes the check-then-rename fallback;
// either way names that differ from a drawn one only by case must never be
// replaced.

#include "tests/proof/fat_volume.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>

#include "engine/shuffle_run.h"
#include "tests/proof/proof_support.h"
#include "tests/support/fake_view.h"
#include "window/report_texts.h"

namespace vantrel::proof {
namespace {

using testing::FakeView;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The spellings of a taken name that FAT and exFAT treat as the same name.
class FatCaseClashTest
    : public FatVolumeTest,
      public ::testing::WithParamInterface<std::tuple<StickFormat, const char*>> {};

TEST_P(FatCaseClashTest, RenameOntoAnotherSpellingIsTakenAndReplacesNothing) {
  Prepare(true, std::get<0>(GetParam()));
  const std::string spelling = std::get<1>(GetParam());
  if (IsSkipped()) return;
  const std::string folder_ = volume_->mount_point();
  WriteNewFile(folder_ + "/IMG_0001.jpg", "photo");
  WriteNewFile(folder_ + "/001.JPG", "obstacle");
  const int fd = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  PosixFolder folder(fd, folder_);
  SysError err;

  // Asked before and after the folder has found out that it must check first.
  EXPECT_EQ(folder.RenameNoReplace("IMG_0001.jpg", spelling, &err), RenameOutcome::kTaken)
      << err.call << " " << err.code;
  EXPECT_EQ(ReadFolder(folder_), (Snapshot{{"001.JPG", "obstacle"}, {"IMG_0001.jpg", "photo"}}));
  EXPECT_EQ(folder.RenameNoReplace("IMG_0001.jpg", "002.jpg", &err), RenameOutcome::kDone)
      << err.call << " " << err.code;
  EXPECT_EQ(folder.method(), ExpectedMethod()) << MethodName(folder.method());
  EXPECT_EQ(folder.RenameNoReplace("002.jpg", spelling, &err), RenameOutcome::kTaken)
      << err.call << " " << err.code;
  EXPECT_EQ(ReadFolder(folder_), (Snapshot{{"001.JPG", "obstacle"}, {"002.jpg", "photo"}}));

  // The kernel keeps answering lookups of the spelling just asked for from its
  // cache for a while after the obstacle has gone; the name is free all the same.
  ASSERT_EQ(folder.RenameNoReplace("001.JPG", "003.JPG", &err), RenameOutcome::kDone);
  EXPECT_EQ(folder.RenameNoReplace("002.jpg", spelling, &err), RenameOutcome::kDone)
      << err.call << " " << err.code;
  EXPECT_EQ(ReadFolder(folder_), (Snapshot{{"003.JPG", "obstacle"}, {spelling, "photo"}}));
}

const auto kFormats = ::testing::Values(StickFormat::kFat, StickFormat::kExfat);

INSTANTIATE_TEST_SUITE_P(
    Spellings, FatCaseClashTest,
    ::testing::Combine(kFormats, ::testing::Values("001.JPG", "001.jpg", "001.Jpg", "001.jPG")),
    [](const ::testing::TestParamInfo<std::tuple<StickFormat, const char*>>& info) {
      std::string name = FormatLabel(std::get<0>(info.param)) + "_";
      for (const char c : std::string(std::get<1>(info.param))) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      }
      return name;
    });

struct FatShuffleCase {
  const char* label;
  int files;  // named by file_format, 1..files
  const char* file_format;
  int twins;                // named by twin_format, 1..twins: numbers that drawn names meet by case
  const char* twin_format;  // mtools keeps a mixed case; it writes 8.3 names in capitals
  const char* filter;
  const char* range;
  bool twins_match;     // whether the twins are shuffled too
  int64_t range_after;  // N once the run has raised a range below the count
  size_t pad_width;
  std::optional<ErrorKind> error;
  int renamed;
  const char* prefix = "";
};

void PrintTo(const FatShuffleCase& c, std::ostream* out) { *out << c.label; }

class FatShuffleTest
    : public FatVolumeTest,
      public ::testing::WithParamInterface<std::tuple<StickFormat, FatShuffleCase>> {};

TEST_P(FatShuffleTest, EveryFileStaysOnceWithItsContentAndNoNamesClashByCase) {
  const FatShuffleCase& c = std::get<1>(GetParam());
  Prepare(false, std::get<0>(GetParam()));
  if (IsSkipped()) return;
  const std::string stage = work_.PathOf("DCIM");
  ASSERT_EQ(mkdir(stage.c_str(), 0755), 0);
  CreateFiles(stage, c.files, [&](int i) { return Numbered(c.file_format, i); });
  for (int i = 1; i <= c.twins; ++i) {
    WriteNewFile(stage + "/" + Numbered(c.twin_format, i), "twin " + std::to_string(i));
  }
  const Snapshot before = ReadFolder(stage);
  std::string why;
  ASSERT_TRUE(volume_->CopyIn(stage, &why)) << why;
  ASSERT_TRUE(volume_->Mount(&why)) << why;
  const std::string folder = volume_->mount_point() + "/DCIM";
  {
    const std::vector<std::string> listed = ListNames(folder);
    std::set<std::string> staged;
    for (const auto& entry : before) staged.insert(entry.first);
    ASSERT_EQ(std::set<std::string>(listed.begin(), listed.end()), staged);
  }

  FakeRuntime runtime;
  runtime.draw_limit = 10'000'000;
  FakeView view;
  view.folder = folder;
  view.filter = c.filter;
  view.range = c.range;
  view.prefix = c.prefix;
  ShuffleOutcome outcome;
  try {
    outcome = ShuffleFolder(runtime, view);
  } catch (const DrawLimitReached& stuck) {
    FAIL() << "the run drew " << stuck.draws << " times without finding an end";
  }

  if (c.error) {
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->kind, *c.error) << DescribeError(*outcome.error);
    EXPECT_EQ(outcome.error->renamed_before, c.renamed);
  } else {
    ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  }
  EXPECT_EQ(outcome.renamed, c.renamed);
  // Out into the holding folder and back: two renames a file.
  EXPECT_EQ(runtime.done_answers(), 2 * c.renamed);
  ASSERT_TRUE(runtime.last_method().has_value());
  if (c.renamed > 0) {
    EXPECT_EQ(*runtime.last_method(), ExpectedMethod()) << MethodName(*runtime.last_method());
  }
  // The folder is found to ignore case, so draws avoid a name such as 007.jpg that
  // the listing shows as 007.JPG without asking the file system.
  EXPECT_EQ(runtime.taken_answers(), 0);
  RecordProperty("draws", static_cast<int>(runtime.draws()));

  const std::vector<std::string> listed = ListNames(folder);
  ASSERT_TRUE(volume_->Unmount(&why)) << why;
  std::string report;
  EXPECT_TRUE(volume_->CheckImage(&report)) << report;
  const std::string out = work_.PathOf("out");
  ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
  ASSERT_TRUE(volume_->CopyOut("DCIM", out, &why)) << why;
  // What a stick pulled out now would hold.
  const Snapshot after = ReadFolder(out + "/DCIM");

  EXPECT_TRUE(SameContentsEachOnce(before, after));
  std::set<std::string> listed_sorted(listed.begin(), listed.end());
  std::set<std::string> stored;
  std::set<std::string> folded;
  for (const auto& [name, content] : after) {
    stored.insert(name);
    EXPECT_TRUE(folded.insert(Lower(name)).second) << "two spellings of " << name;
  }
  EXPECT_EQ(listed_sorted, stored);
  const auto new_names = NameByContent(after);
  int renamed = 0;
  for (const auto& [old_name, content] : before) {
    const bool twin = content.find("twin ") == 0;
    const std::string& new_name = new_names.at(content);
    if (new_name == old_name) continue;
    ++renamed;
    EXPECT_TRUE(!twin || c.twins_match) << old_name;
    EXPECT_TRUE(IsDrawnName(new_name, old_name, "", c.range_after, c.pad_width))
        << old_name << " -> " << new_name;
  }
  EXPECT_EQ(renamed, c.renamed);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FatShuffleTest,
    ::testing::Combine(
        kFormats,
        ::testing::Values(
            // Longer than 8.3, so that FAT keeps the photos' lower-case spelling in a long
            // name. The range is raised to 201 and the twins' own new names clash too.
            FatShuffleCase{"TwinsShuffledToo", 180, "Photo_%04d.jpg", 20, "%03d.JPG", "*.jpg", "99",
                           true, 201, 3, std::nullopt, 200},
            // 20 of the 200 numbers are held by another spelling: the photos need the
            // other 180, every one of them.
            FatShuffleCase{"TwinsFillTheRangeExactly", 180, "Photo_%04d.jpg", 20, "%03d.JPG",
                           "Photo_*", "200", false, 200, 3, std::nullopt, 180},
            // Raised to 181 for the 180 photos, of which 20 are held by another
            // spelling: the run says that no name is free before it moves a file.
            FatShuffleCase{"TwinsLeaveTooFewNumbers", 180, "Photo_%04d.jpg", 20, "%03d.JPG",
                           "Photo_*", "99", false, 181, 3, ErrorKind::kNoFreeName, 0},
            // A thousand 8.3 names at the tightest range the run allows: one free
            // number more than files.
            FatShuffleCase{"ThousandWithTwinsTightest", 900, "LIED%04d.MP3", 100, "%04d.Mp3",
                           "*.mp3", "1", true, 1001, 4, std::nullopt, 1000},
            // Names a stick cannot hold: refused before a file moves, not stranded.
            FatShuffleCase{"PrefixAStickCannotHold", 20, "Photo_%04d.jpg", 0, "%03d.JPG", "*.jpg",
                           "99", false, 99, 2, ErrorKind::kPrefixNotOnStick, 0, "Foto?"})),
    [](const ::testing::TestParamInfo<std::tuple<StickFormat, FatShuffleCase>>& info) {
      return FormatLabel(std::get<0>(info.param)) + "_" + std::get<1>(info.param).label;
    });

// Sticks on which the holding folder cannot be made: the run says why, and every
// file is still at home under its name.
enum class StickFault { kFullRoot, kNoFreeCluster, kReadOnly };

struct BadStickCase {
  const char* label;
  StickFormat format;
  StickFault fault;
  int code;  // of the failed mkdirat
  const char* reason;
};

void PrintTo(const BadStickCase& c, std::ostream* out) { *out << c.label; }

class BadStickTest : public FatVolumeTest, public ::testing::WithParamInterface<BadStickCase> {
 protected:
  // Writes `name` until the driver says the stick is full, to the last cluster.
  static void FillUp(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(1 << 16, 'x');
    for (const size_t size : {block.size(), size_t{512}}) {
      while (write(fd, block.data(), size) > 0) {
      }
    }
    const int code = errno;
    close(fd);
    ASSERT_EQ(code, ENOSPC) << std::strerror(code);
    struct statvfs info {};
    ASSERT_EQ(statvfs(path.c_str(), &info), 0);
    ASSERT_EQ(info.f_bfree, 0u) << "blocks still free on a full stick";
  }
};

TEST_P(BadStickTest, TheRunSaysWhyBeforeAnyFileMoves) {
  const BadStickCase& c = GetParam();
  Prepare(false, c.format);
  if (IsSkipped()) return;
  if (c.fault != StickFault::kReadOnly && !volume_->kernel()) {
    GTEST_SKIP() << "Skipped: fusefat writes past a full root directory or into no free "
                    "cluster, and exfat-fuse makes a folder on a full stick; the kernel refuses";
  }
  std::string why;
  // The smallest root directory FAT16 has: one sector, sixteen entries, which
  // mkfs.vfat would otherwise enlarge to align the clusters.
  if (c.fault == StickFault::kFullRoot) {
    ASSERT_EQ(RunProgram({"mkfs.vfat", "-a", "-F", "16", "-r", "16", volume_->image()}, &why), 0)
        << why;
  }
  ASSERT_TRUE(volume_->Mount(&why)) << why;
  const std::string root = volume_->mount_point();
  int files = 0;
  const int wanted = c.fault == StickFault::kFullRoot ? 17 : 16;  // one more than fits
  for (bool room = true; room && files < wanted;) {
    try {
      WriteNewFile(root + "/" + Numbered("LIED%04d.MP3", files + 1), ContentOf(files + 1));
      ++files;
    } catch (const std::runtime_error&) {
      room = false;
    }
  }
  ASSERT_GE(files, 8);
  if (c.fault == StickFault::kFullRoot) {
    ASSERT_LT(files, wanted) << "the root took every file";
  }
  if (c.fault == StickFault::kNoFreeCluster) FillUp(root + "/FUELLUNG.BIN");
  if (c.fault == StickFault::kReadOnly) {
    ASSERT_TRUE(volume_->Unmount(&why) && volume_->Mount(&why, true)) << why;
  }
  const Snapshot before = ReadFolder(root);

  PosixRuntime runtime(NumberFormat{});
  FakeView view;
  view.folder = root;
  view.filter = "*.MP3";
  view.range = "99";
  const ShuffleOutcome outcome = ShuffleFolder(runtime, view);
  ASSERT_TRUE(outcome.error.has_value());
  const std::string message = DescribeError(*outcome.error);
  EXPECT_EQ(outcome.error->kind, ErrorKind::kRenameFailed) << message;
  EXPECT_EQ(outcome.error->call, "mkdirat") << message;
  EXPECT_EQ(outcome.error->sys_code, c.code) << message;
  EXPECT_NE(message.find(c.reason), std::string::npos) << message;
  EXPECT_NE(message.find("Es wurde nichts verändert."), std::string::npos) << message;
  EXPECT_EQ(outcome.renamed, 0);
  EXPECT_EQ(ReadFolder(root), before);
  EXPECT_EQ(ListNames(root).size(), before.size()) << "no holding folder left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BadStickTest,
    ::testing::Values(
        BadStickCase{"Fat16_RootFull", StickFormat::kFat, StickFault::kFullRoot, ENOSPC,
                     "Kein Platz mehr"},
        BadStickCase{"Fat_NoFreeCluster", StickFormat::kFat, StickFault::kNoFreeCluster, ENOSPC,
                     "Kein Platz mehr"},
        BadStickCase{"Exfat_NoFreeCluster", StickFormat::kExfat, StickFault::kNoFreeCluster,
                     ENOSPC, "Kein Platz mehr"},
        BadStickCase{"Fat_ReadOnly", StickFormat::kFat, StickFault::kReadOnly, EROFS,
                     "schreibgeschützt"},
        BadStickCase{"Exfat_ReadOnly", StickFormat::kExfat, StickFault::kReadOnly, EROFS,
                     "schreibgeschützt"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vantrel::proof
