// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/posix_runtime.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "runtime/wildcard.h"
#include "tests/support/fake_runtime.h"
#include "tests/support/folder_can_hold.h"
#include "tests/support/temp_folder.h"

namespace vantrel {
namespace {

using testing::TempFolder;

int NoRenameat2(int, const char*, int, const char*, unsigned int) {
  errno = ENOSYS;
  return -1;
}

std::unique_ptr<PosixFolder> OpenWith(const TempFolder& folder, RenameCalls calls) {
  const int fd = open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  EXPECT_GE(fd, 0);
  return std::make_unique<PosixFolder>(fd, folder.path(), calls);
}

std::vector<std::string> PlainMatches(const TempFolder& folder, const std::string& pattern) {
  PosixRuntime runtime;
  SysError err;
  auto opened = runtime.OpenFolder(folder.path(), &err);
  EXPECT_NE(opened, nullptr);
  std::vector<DirEntry> entries;
  EXPECT_TRUE(opened->ReadEntries(&entries, &err));
  std::vector<std::string> names = SelectPlainFiles(entries, WildcardPattern(pattern));
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PosixListingTest, TakesRegularFilesAndLinksToThemOnly) {
  TempFolder folder;
  VANTREL_SKIP_IF(testing::WhyNoSymlink(folder.path()));
  folder.AddFile("song.mp3");
  folder.AddFile(".hidden.mp3");
  folder.AddFolder("album.mp3");
  folder.AddFolder(".config");
  folder.AddSymlink("link.mp3", "song.mp3");
  folder.AddSymlink("broken.mp3", "nowhere.mp3");
  folder.AddSymlink("dirlink.mp3", "album.mp3");
  ASSERT_EQ(mkfifo(folder.PathOf("pipe.mp3").c_str(), 0644), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = folder.PathOf("sock.mp3");
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  EXPECT_EQ(PlainMatches(folder, "*.*"), (std::vector<std::string>{"link.mp3", "song.mp3"}));
  close(sock);
}

TEST(PosixListingTest, KeepsNamesThatAreNotUtf8ByteForByte) {
  TempFolder folder;
  const std::string latin1 = "Gr\xFC\xDF" "e.mp3";
  VANTREL_SKIP_IF(testing::WhyNoName(folder.path(), latin1));
  folder.AddFile(latin1);
  folder.AddFile("\xFF\xFE.mp3");
  EXPECT_EQ(PlainMatches(folder, "*.mp3"), (std::vector<std::string>{latin1, "\xFF\xFE.mp3"}));
}

TEST(PosixListingTest, ListingOfAMissingFolderFailsWithItsErrno) {
  PosixRuntime runtime;
  SysError err;
  EXPECT_EQ(runtime.OpenFolder("/nonexistent/vantrel", &err), nullptr);
  EXPECT_EQ(err.code, ENOENT);
  EXPECT_EQ(err.call, "open");
}

// Each way of renaming must keep both files when the target exists, and rename
// a link as a link.
class PosixRenameTest : public ::testing::TestWithParam<const char*> {
 protected:
  std::unique_ptr<PosixFolder> Open(const TempFolder& folder) {
    const std::string method = GetParam();
    if (method == "renameat2") return OpenWith(folder, RenameCalls::System());
    if (method == "link") return OpenWith(folder, testing::CallsWithoutNoReplaceFlag());
    RenameCalls calls = testing::CallsWithoutFlagOrLinks();
    // A kernel without renameat2 leaves only a plain lookup as the check.
    if (method == "stat") calls.renameat2 = NoRenameat2;
    return OpenWith(folder, calls);
  }
  RenameMethod Expected() const {
    const std::string method = GetParam();
    if (method == "renameat2") return RenameMethod::kRenameNoReplace;
    if (method == "link") return RenameMethod::kLinkUnlink;
    return RenameMethod::kCheckThenRename;
  }
};

TEST_P(PosixRenameTest, RenamesAFreeName) {
  TempFolder folder;
  if (std::string(GetParam()) == "link") VANTREL_SKIP_IF(testing::WhyNoHardLink(folder.path()));
  folder.AddFile("a.jpg", "A");
  auto opened = Open(folder);
  SysError err;
  EXPECT_EQ(opened->RenameNoReplace("a.jpg", "042.jpg", &err), RenameOutcome::kDone);
  EXPECT_EQ(opened->method(), Expected());
  EXPECT_EQ(folder.Contents(), (std::map<std::string, std::string>{{"042.jpg", "A"}}));
}

TEST_P(PosixRenameTest, ReportsATakenNameAndTouchesNothing) {
  TempFolder folder;
  folder.AddFile("a.jpg", "A");
  folder.AddFile("042.jpg", "B");
  folder.AddFolder("043.jpg");
  auto opened = Open(folder);
  SysError err;
  EXPECT_EQ(opened->RenameNoReplace("a.jpg", "042.jpg", &err), RenameOutcome::kTaken);
  EXPECT_EQ(opened->RenameNoReplace("a.jpg", "043.jpg", &err), RenameOutcome::kTaken);
  EXPECT_EQ(err.code, EEXIST);
  EXPECT_EQ(folder.Contents(),
            (std::map<std::string, std::string>{{"042.jpg", "B"}, {"a.jpg", "A"}}));
  EXPECT_TRUE(folder.Exists("043.jpg"));
}

TEST_P(PosixRenameTest, RenamesTheLinkNotItsTarget) {
  TempFolder folder;
  VANTREL_SKIP_IF(testing::WhyNoSymlink(folder.path()));
  folder.AddFile("target.txt", "T");
  folder.AddSymlink("link.txt", "target.txt");
  auto opened = Open(folder);
  SysError err;
  EXPECT_EQ(opened->RenameNoReplace("link.txt", "001.txt", &err), RenameOutcome::kDone);
  struct stat info {};
  ASSERT_EQ(lstat(folder.PathOf("001.txt").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(folder.Read("target.txt"), "T");
}

TEST_P(PosixRenameTest, AMissingSourceIsToldWithItsErrno) {
  TempFolder folder;
  auto opened = Open(folder);
  SysError err;
  EXPECT_EQ(opened->RenameNoReplace("gone.jpg", "001.jpg", &err), RenameOutcome::kMissing);
  EXPECT_EQ(err.code, ENOENT);
  EXPECT_EQ(err.path, "gone.jpg");
}

INSTANTIATE_TEST_SUITE_P(Methods, PosixRenameTest,
                         ::testing::Values("renameat2", "link", "check", "stat"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

TEST(PosixRenameFallbackTest, AFailedUnlinkUndoesTheLink) {
  TempFolder folder;
  VANTREL_SKIP_IF(testing::WhyNoHardLink(folder.path()));
  folder.AddFile("a.jpg", "A");
  RenameCalls calls = RenameCalls::System();
  calls.renameat2 = NoRenameat2;
  static bool fail_next_unlink = true;
  calls.unlinkat = [](int fd, const char* name, int flags) {
    if (fail_next_unlink) {
      fail_next_unlink = false;
      errno = EROFS;
      return -1;
    }
    return ::unlinkat(fd, name, flags);
  };
  auto opened = OpenWith(folder, calls);
  SysError err;
  EXPECT_EQ(opened->RenameNoReplace("a.jpg", "001.jpg", &err), RenameOutcome::kFailed);
  EXPECT_EQ(err.code, EROFS);
  EXPECT_EQ(folder.Contents(), (std::map<std::string, std::string>{{"a.jpg", "A"}}));
}

// vfat answers EINVAL to a "?" in a new name, whichever call asks; the flag is
// not to blame and stays for the next name.
TEST(PosixRenameFallbackTest, ANameTheFileSystemRefusesKeepsTheFlag) {
  TempFolder folder;
  folder.AddFile("a.jpg", "A");
  RenameCalls calls = testing::CallsWithoutFlagOrLinks();
  calls.renameat2 = [](int fd, const char* from, int, const char* to, unsigned int flags) {
    errno = EINVAL;
    return std::strchr(to, '?') ? -1 : ::renameat2(fd, from, fd, to, flags);
  };
  calls.renameat = [](int, const char*, int, const char*) { return errno = EINVAL, -1; };
  auto opened = OpenWith(folder, calls);
  SysError err;
  EXPECT_EQ(opened->RenameNoReplace("a.jpg", "Foto?001.jpg", &err), RenameOutcome::kFailed);
  EXPECT_EQ(err.call + " " + std::to_string(err.code), "renameat2 " + std::to_string(EINVAL));
  EXPECT_EQ(opened->RenameNoReplace("a.jpg", "001.jpg", &err), RenameOutcome::kDone);
  EXPECT_EQ(opened->method(), RenameMethod::kRenameNoReplace);
}

TEST(PosixRuntimeTest, RandomValuesStayInRangeAndRuntimesAreSeededApart) {
  PosixRuntime first;
  PosixRuntime second;
  std::set<double> seen;
  bool differ = false;
  for (int i = 0; i < 1000; ++i) {
    const double a = first.NextRandom();
    const double b = second.NextRandom();
    ASSERT_GE(a, 0.0);
    ASSERT_LT(a, 1.0);
    differ = differ || a != b;
    seen.insert(a);
  }
  EXPECT_TRUE(differ) << "two runtimes started with the same seed";
  EXPECT_GT(seen.size(), 990u);
}

}  // namespace
}  // namespace vantrel
