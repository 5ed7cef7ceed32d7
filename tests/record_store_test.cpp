// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/record_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "tests/support/folder_can_hold.h"
#include "tests/support/temp_folder.h"

namespace vantrel {
namespace {

using testing::TempFolder;

unsigned ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST(RecordStoreTest, RecordsAreForTheirUserOnlyAndGrowAtTheirEnd) {
  TempFolder state;
  VANTREL_SKIP_IF(testing::WhyNoModes(state.path()));
  PosixRecordStore store(state.PathOf("home/.local/state/vantrel"));
  SysError err;
  std::unique_ptr<RecordWriter> writer = store.Create("one.run", &err);
  ASSERT_TRUE(writer) << err.call << " " << err.code;
  ASSERT_TRUE(writer->Append("ab", &err) && writer->Sync(&err));
  writer.reset();
  for (const char* folder :
       {"home", "home/.local", "home/.local/state", "home/.local/state/vantrel"}) {
    EXPECT_EQ(ModeOf(state.PathOf(folder)), 0700u) << folder;
  }
  EXPECT_EQ(ModeOf(state.PathOf("home/.local/state/vantrel/one.run")), 0600u);
  EXPECT_FALSE(store.Create("one.run", &err)) << "an existing record is never replaced";
  EXPECT_EQ(err.code, EEXIST);

  writer = store.Reopen("one.run", &err);
  ASSERT_TRUE(writer && writer->Append("c", &err) && writer->Sync(&err));
  std::string bytes;
  ASSERT_TRUE(store.Read("one.run", &bytes, &err));
  EXPECT_EQ(bytes, "abc");
  std::vector<std::string> names;
  ASSERT_TRUE(store.List(&names, &err));
  EXPECT_EQ(names, std::vector<std::string>{"one.run"});
  ASSERT_TRUE(store.Remove("one.run", &err));
  ASSERT_TRUE(store.List(&names, &err));
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(PosixRecordStore(state.PathOf("never/made")).List(&names, &err))
      << "no state folder yet: no records, no error";
}

TEST(RecordStoreTest, TheStateFolderFollowsXdgStateHomeOrHome) {
  const char* saved_state = std::getenv("XDG_STATE_HOME");
  const std::string restore = saved_state != nullptr ? saved_state : "";
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  setenv("XDG_STATE_HOME", "/var/state", 1);
  EXPECT_EQ(DefaultStateFolder(), "/var/state/vantrel");
  setenv("XDG_STATE_HOME", "relative/state", 1);  // only an absolute path counts
  EXPECT_EQ(DefaultStateFolder(), home + "/.local/state/vantrel");
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(DefaultStateFolder(), home + "/.local/state/vantrel");
  if (saved_state != nullptr) setenv("XDG_STATE_HOME", restore.c_str(), 1);
}

}  // namespace
}  // namespace vantrel
