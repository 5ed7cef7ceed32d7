// SPDX-License-Identifier: GPL-3.0-or-later
// A stick mounted at another place, or on another day, finds the record of a run
// made at the first place: the record names the file system by its UUID and the
// folder by its path inside it.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <string>

#include "engine/run_history.h"
#include "tests/proof/proof_support.h"
#include "tests/support/fake_view.h"
#include "tests/support/temp_folder.h"
#include "window/report_texts.h"

namespace vantrel::proof {
namespace {

using testing::FakeView;
using testing::TempFolder;

// Mounts `from` at `at` for its lifetime, as a second view of one file system.
struct BindMount {
  BindMount(const std::string& from, const std::string& at) : at_(at) {
    mounted = mount(from.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) == 0;
  }
  ~BindMount() {
    if (mounted) umount2(at_.c_str(), MNT_DETACH);
  }
  bool mounted = false;
  std::string at_;
};

TEST(MovedMountTest, TheSameFileSystemAtAnotherPlaceFindsItsRecord) {
  TempFolder work;
  for (const char* folder : {"disk", "disk/Musik", "first", "second", "by-uuid"}) {
    work.AddFolder(folder);
  }
  for (const char* name : {"01 Intro.mp3", "02 Song.mp3", "03 Outro.mp3"}) {
    work.AddFile(std::string("disk/Musik/") + name);
  }
  // udev is not at hand here, so the test makes the link udev makes, to a device
  // node of the file system the folder is on.
  struct stat disk {};
  ASSERT_EQ(stat(work.PathOf("disk").c_str(), &disk), 0);
  if (major(disk.st_dev) == 0) GTEST_SKIP() << "Skipped: the temporary folder has no block device";
  if (mknod(work.PathOf("device").c_str(), S_IFBLK | 0600, disk.st_dev) != 0) {
    GTEST_SKIP() << "Skipped: no device node can be made here";
  }
  ASSERT_EQ(symlink(work.PathOf("device").c_str(), work.PathOf("by-uuid/0C3A-51F2").c_str()), 0);
  PosixRecordStore records(work.PathOf("state"), {"/proc/self/mountinfo", work.PathOf("by-uuid")});
  RunHistory history(records);
  PosixRuntime runtime(NumberFormat{});
  FakeView view;
  const Snapshot before = ReadFolder(work.PathOf("disk/Musik"));

  std::string first_key;
  {
    BindMount stick(work.PathOf("disk"), work.PathOf("first"));
    if (!stick.mounted) GTEST_SKIP() << "Skipped: no bind mount here";
    view.folder = work.PathOf("first/Musik");
    first_key = records.Identify(view.folder).Key();
    ASSERT_FALSE(ShuffleFolder(runtime, view, history).error.has_value());
  }
  BindMount stick(work.PathOf("disk"), work.PathOf("second"));
  ASSERT_TRUE(stick.mounted);
  view.folder = work.PathOf("second/Musik");
  const FolderIdentity moved = records.Identify(view.folder);
  EXPECT_EQ(moved.fs_uuid, "0C3A-51F2");
  EXPECT_EQ(moved.Key(), first_key);
  const std::optional<UndoOutcome> undo = UndoNewestRun(runtime, history, view);
  ASSERT_TRUE(undo.has_value()) << "the record of the run at the first place is not found";
  EXPECT_EQ(undo->restored, 3) << DescribeUndo(*undo);
  EXPECT_EQ(ReadFolder(view.folder), before);
}

}  // namespace
}  // namespace vantrel::proof
