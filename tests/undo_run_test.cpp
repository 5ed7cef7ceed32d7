// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/undo_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/text.h"
#include "tests/support/fake_runtime.h"
#include "tests/support/fake_view.h"
#include "tests/support/folder_can_hold.h"
#include "tests/support/temp_folder.h"
#include "window/report_texts.h"

namespace vantrel {
namespace {

using testing::FakeRuntime;
using testing::FakeView;
using testing::TempFolder;
using Contents = std::map<std::string, std::string>;

// What another program, or the user, does to the newest renamed file before the undo.
enum class Meddling { kNone, kOldNameTaken, kNewNameDeleted };

struct UndoCase {
  const char* name;
  Meddling meddling;
  int stop_after;  // files the run renames before it is stopped; -1: all
  const char* range;
  std::vector<std::string> files;
  bool on_stick = false;  // a FAT stick, where runs and undos go through the holding folder
};

void PrintTo(const UndoCase& c, std::ostream* out) { *out << c.name; }

// Meddles with `file` on disk and in `expected`, the folder the undo should leave;
// returns the reason the report should give.
std::string Meddle(Meddling meddling, TempFolder& folder, const RenamedFile& file,
                   Contents* expected) {
  const std::string content = expected->at(file.old_name);
  if (meddling == Meddling::kOldNameTaken) {
    folder.AddFile(file.old_name, "written meanwhile");
    (*expected)[file.old_name] = "written meanwhile";
    (*expected)[file.new_name] = content;
    return ErrorText(ErrorKind::kOldNameTaken);
  }
  if (meddling == Meddling::kNewNameDeleted) {
    std::filesystem::remove(folder.PathOf(file.new_name));
    expected->erase(file.old_name);
    return ErrorText(ErrorKind::kNewNameGone);
  }
  return {};
}

class UndoRunTest : public ::testing::TestWithParam<UndoCase> {};

TEST_P(UndoRunTest, GivesEveryFileItsOldNameUnlessThatWouldReplaceOrLoseOne) {
  const UndoCase& c = GetParam();
  TempFolder folder;
  for (const std::string& name : c.files) VANTREL_SKIP_IF(testing::WhyNoName(folder.path(), name));
  for (const std::string& name : c.files) folder.AddFile(name);
  Contents expected = folder.Contents();
  FakeRuntime runtime;
  runtime.ordered_directory = c.on_stick;
  FakeView run_view;
  run_view.folder = folder.path();
  run_view.range = c.range;
  run_view.stop_after = c.stop_after;
  ShuffleOutcome run = ShuffleFolder(runtime, run_view);
  ASSERT_FALSE(run.error.has_value()) << DescribeError(*run.error);
  ASSERT_EQ(run.record.files.size(),
            c.stop_after < 0 ? c.files.size() : static_cast<size_t>(c.stop_after));

  const RenamedFile newest = run.record.files.back();
  const std::string reason = Meddle(c.meddling, folder, newest, &expected);
  FakeView undo_view;  // open on no folder: the undo works on the run's own
  const UndoOutcome undo = UndoRun(runtime, &run.record, undo_view);

  EXPECT_FALSE(undo.error.has_value()) << DescribeUndo(undo);
  EXPECT_EQ(folder.Contents(), expected);
  EXPECT_TRUE(run.record.files.empty()) << "nothing is left to undo";
  EXPECT_EQ(undo_view.refreshes, 1);
  const std::string report = DescribeUndo(undo);
  if (c.meddling == Meddling::kNone) {
    EXPECT_EQ(report, "") << "no report when every file came back";
    return;
  }
  EXPECT_EQ(undo.restored, undo.total - 1);
  const std::string line =
      DisplayName(newest.new_name) + " → " + DisplayName(newest.old_name) + ": " + reason;
  EXPECT_NE(report.find(line), std::string::npos) << report;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UndoRunTest,
    ::testing::Values(
        UndoCase{"FullRun", Meddling::kNone, -1, "999", {"IMG_0001.jpg", "07 - Title.mp3"}},
        // 1.txt can only go to 3.txt, then 2.txt takes the freed 1.txt: only the newest
        // rename first gives both back.
        UndoCase{"NamesFreedDuringTheRun", Meddling::kNone, -1, "3", {"1.txt", "2.txt"}},
        UndoCase{"StoppedAfterTwo", Meddling::kNone, 2, "999", {"a.jpg", "b.jpg", "c.jpg"}},
        UndoCase{"OldNameTaken", Meddling::kOldNameTaken, -1, "999", {"a.jpg", "b.jpg"}},
        UndoCase{"NewNameDeleted", Meddling::kNewNameDeleted, -1, "999", {"a.jpg", "b.jpg"}},
        UndoCase{"NotUtf8", Meddling::kNone, -1, "999", {"M\xFCll.mp3", "\xFF\xFE\xFD\xFC"}},
        // Drawn after both have left, the two files swap names, which no order of
        // single renames takes back.
        UndoCase{"SwappedOnAStick", Meddling::kNone, -1, "2", {"1.txt", "2.txt"}, true},
        UndoCase{"StoppedOnAStick", Meddling::kNone, 2, "999", {"a.jpg", "b.jpg", "c.jpg"}, true},
        UndoCase{
            "OldNameTakenOnAStick", Meddling::kOldNameTaken, -1, "999", {"a.jpg", "b.jpg"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel
