// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/run_history.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/fake_records.h"
#include "tests/support/fake_runtime.h"
#include "tests/support/fake_view.h"
#include "tests/support/folder_can_hold.h"
#include "tests/support/temp_folder.h"
#include "window/report_texts.h"

namespace vantrel {
namespace {

using testing::FakeRecordStore;
using testing::FakeRuntime;
using testing::FakeView;
using testing::TempFolder;

struct UnwritableCase {
  const char* name;
  int create_error, write_error, sync_error;
  const char* reason;  // as the message gives it
  bool on_stick = false;
  bool state_under_a_file = false;  // the one refusal a real folder gives a root user
  int writes_before_error = 0;
};

void PrintTo(const UnwritableCase& c, std::ostream* out) { *out << c.name; }

class UnwritableRecordTest : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(UnwritableRecordTest, StopsTheRunBeforeAnyRenameAndSaysWhy) {
  const UnwritableCase& c = GetParam();
  TempFolder folder;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) folder.AddFile(name);
  TempFolder state;
  state.AddFile("plain");
  FakeRecordStore records(state.PathOf(c.state_under_a_file ? "plain/vantrel" : "vantrel"));
  records.create_error = c.create_error;
  records.write_error = c.write_error;
  records.sync_error = c.sync_error;
  records.writes_before_error = c.writes_before_error;
  RunHistory history(records);
  FakeRuntime runtime;
  runtime.ordered_directory = c.on_stick;
  FakeView view;
  view.folder = folder.path();
  const auto before = folder.Contents();

  const ShuffleOutcome outcome = ShuffleFolder(runtime, view, history);
  ASSERT_TRUE(outcome.error.has_value());
  EXPECT_EQ(outcome.error->kind, ErrorKind::kRecordUnwritable);
  // On a stick the files may have been to the holding folder and back.
  EXPECT_TRUE(c.on_stick || runtime.renames().empty());
  EXPECT_EQ(outcome.renamed, 0);
  EXPECT_EQ(folder.Contents(), before);
  const std::string message = DescribeError(*outcome.error);
  EXPECT_NE(message.find(c.reason), std::string::npos) << message;
  EXPECT_NE(message.find("Es wurde nichts verändert"), std::string::npos) << message;
  SysError err;
  EXPECT_FALSE(history.Newest(folder.path(), &err).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, UnwritableRecordTest,
    ::testing::Values(UnwritableCase{"StateUnderAPlainFile", 0, 0, 0, "Kein Ordner", false, true},
                      UnwritableCase{"ReadOnlyHome", EROFS, 0, 0, "schreibgeschützt"},
                      UnwritableCase{"NoPermission", EACCES, 0, 0, "Zugriff verweigert"},
                      UnwritableCase{"DiskFull", 0, ENOSPC, 0, "Kein Platz mehr"},
                      UnwritableCase{"SyncFails", 0, 0, EIO, "Ein-/Ausgabefehler"},
                      UnwritableCase{"DiskFullOnAStick", 0, ENOSPC, 0, "Kein Platz mehr", true},
                      // Once every file has left for the holding folder.
                      UnwritableCase{"DiskFullOnAStickAtTheWayBack", 0, ENOSPC, 0,
                                     "Kein Platz mehr", true, false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// A full disk after the first batch: the run stops before the renames the
// record does not cover, and those it covers can be undone.
TEST(RecordedRunTest, ADiskFullPartWayStopsWhereTheRecordEnds) {
  TempFolder folder;
  for (int i = 0; i < 300; ++i) folder.AddFile("f" + std::to_string(i) + ".dat");
  const auto before = folder.Contents();
  TempFolder state;
  FakeRecordStore records(state.PathOf("vantrel"));
  records.write_error = ENOSPC;
  records.writes_before_error = 2;  // the header and the first plan
  RunHistory history(records);
  FakeRuntime runtime;
  FakeView view;
  view.folder = folder.path();
  const ShuffleOutcome outcome = ShuffleFolder(runtime, view, history);
  if (testing::RenamesPerFile(folder.path()) == 2) {
    // A stick plans the whole way back in one entry, which the disk still took:
    // the record covers every rename, so the run goes on to its end.
    ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
    EXPECT_EQ(outcome.renamed, 300);
  } else {
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->kind, ErrorKind::kRecordUnwritable);
    EXPECT_EQ(outcome.renamed, static_cast<int>(runtime.renames().size()));
    EXPECT_GT(outcome.renamed, 0);
    EXPECT_LT(outcome.renamed, 300);
  }

  const std::optional<UndoOutcome> undo = UndoNewestRun(runtime, history, view);
  ASSERT_TRUE(undo.has_value());
  EXPECT_FALSE(undo->error.has_value()) << DescribeUndo(*undo);
  EXPECT_EQ(undo->restored, outcome.renamed);
  EXPECT_EQ(folder.Contents(), before);
}

// Per folder the newest 50 are kept; none older than 90 days.
TEST(RecordedRunTest, OldRecordsGo) {
  TempFolder folder;
  folder.AddFile("a.jpg");
  TempFolder other;
  other.AddFile("b.jpg");
  TempFolder state;
  FakeRecordStore records(state.PathOf("vantrel"));
  RunHistory history(records);
  FakeRuntime runtime;
  FakeView view;
  view.folder = other.path();
  records.clock_shift_us = -kRecordLifetimeUs - 1000000;
  ASSERT_FALSE(ShuffleFolder(runtime, view, history).error.has_value());
  records.clock_shift_us = 0;
  view.folder = folder.path();
  for (size_t run = 0; run < kRunsKeptPerFolder + 2; ++run) {
    ASSERT_FALSE(ShuffleFolder(runtime, view, history).error.has_value());
  }
  EXPECT_EQ(state.Names().size(), 1u) << "the state folder holds only the records' folder";
  SysError err;
  std::vector<std::string> names;
  ASSERT_TRUE(records.List(&names, &err));
  EXPECT_EQ(names.size(), kRunsKeptPerFolder) << "the other folder's old record went too";
  EXPECT_FALSE(history.Newest(other.path(), &err).has_value());
}

}  // namespace
}  // namespace vantrel
