// SPDX-License-Identifier: GPL-3.0-or-later
// Other programs write into the folder while a run renames: files appear under the
// very names the run is about to give, and vanish again. Nothing may be replaced,
// and every original content must still be there exactly once.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "engine/shuffle_run.h"
#include "tests/proof/proof_support.h"
#include "tests/support/fake_runtime.h"
#include "tests/support/fake_view.h"
#include "tests/support/temp_folder.h"
#include "window/report_texts.h"

namespace vantrel::proof {
namespace {

using testing::FakeView;
using testing::TempFolder;

constexpr int kFiles = 5000;
constexpr int64_t kRange = 9999;  // four digits: the writer's names are likely candidates
constexpr size_t kAlive = 600;    // writer's files present at any time

std::string Candidate(int64_t k) { return Numbered("%04d.dat", static_cast<int>(k)); }

// Creates files under names the run is likely to draw and deletes them again,
// checking before each delete that the file is still its own.
class Writer {
 public:
  explicit Writer(const std::string& folder)
      : dir_fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~Writer() {
    Stop();
    close(dir_fd_);
  }

  void Start() {
    thread_ = std::thread([this] { Loop(); });
    while (created_.load() < static_cast<int>(kAlive) && !failed_.load()) std::this_thread::yield();
  }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  // After Stop: checks and removes what is left, so that the folder holds only
  // the run's files.
  void RemoveLeftovers() {
    while (!alive_.empty()) DeleteOldest();
  }

  int created() const { return created_.load(); }
  int deleted() const { return deleted_; }
  const std::vector<std::string>& violations() const { return violations_; }

 private:
  struct Own {
    std::string name;
    ino_t inode;
    std::string content;
  };

  void Loop() {
    std::mt19937_64 random(7);
    std::uniform_int_distribution<int64_t> number(1, kRange);
    int serial = 0;
    while (!stop_.load()) {
      const std::string name = Candidate(number(random));
      const int fd = openat(dir_fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      if (fd < 0) {
        if (errno != EEXIST)
          Violation("create " + name + " failed: errno " + std::to_string(errno));
        continue;
      }
      const std::string content = "intruder " + std::to_string(++serial);
      struct stat info {};
      const bool ok =
          write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
          fstat(fd, &info) == 0;
      close(fd);
      if (!ok) Violation("write " + name);
      alive_.push_back(Own{name, info.st_ino, content});
      created_.fetch_add(1);
      if (alive_.size() > kAlive) DeleteOldest();
    }
  }

  void DeleteOldest() {
    const Own own = alive_.front();
    alive_.pop_front();
    struct stat info {};
    if (fstatat(dir_fd_, own.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      Violation(own.name + " vanished");
      return;
    }
    if (info.st_ino != own.inode) {
      Violation(own.name + " was replaced by another file");
      return;
    }
    char buffer[64];
    const int fd = openat(dir_fd_, own.name.c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t n = fd < 0 ? -1 : read(fd, buffer, sizeof buffer);
    if (fd >= 0) close(fd);
    if (n < 0 || std::string(buffer, static_cast<size_t>(n)) != own.content) {
      Violation(own.name + " changed its content");
    }
    if (unlinkat(dir_fd_, own.name.c_str(), 0) != 0) Violation("unlink " + own.name);
    ++deleted_;
  }

  void Violation(const std::string& what) {
    if (violations_.size() < 20) violations_.push_back(what);
    failed_ = true;
  }

  int dir_fd_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> failed_{false};
  std::atomic<int> created_{0};
  int deleted_ = 0;
  std::deque<Own> alive_;
  std::vector<std::string> violations_;
};

class ConcurrentWritersTest : public ::testing::TestWithParam<RenameMethod> {};

TEST_P(ConcurrentWritersTest, NothingIsReplacedAndEveryContentStaysOnce) {
  TempFolder folder;
  CreateFiles(folder.path(), kFiles, [](int i) { return Numbered("img_%05d.dat", i); });
  const Snapshot before = ReadFolder(folder.path());

  FakeRuntime runtime;
  if (GetParam() == RenameMethod::kLinkUnlink) runtime.rename_calls = CallsWithoutNoReplaceFlag();
  runtime.draw_limit = 100'000'000;
  FakeView view;
  view.folder = folder.path();
  view.filter = "img_*";  // the writer's files are never shuffled themselves
  view.range = std::to_string(kRange);

  Writer writer(folder.path());
  writer.Start();
  const int created_before_run = writer.created();
  ShuffleOutcome outcome;
  try {
    outcome = ShuffleFolder(runtime, view);
  } catch (const DrawLimitReached& stuck) {
    writer.Stop();
    FAIL() << "the run drew " << stuck.draws << " times without finding an end";
  }
  const int created_during_run = writer.created() - created_before_run;
  writer.Stop();
  writer.RemoveLeftovers();

  EXPECT_TRUE(writer.violations().empty()) << ::testing::PrintToString(writer.violations());
  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.renamed, kFiles);
  ASSERT_TRUE(runtime.last_method().has_value());
  EXPECT_EQ(*runtime.last_method(), GetParam()) << MethodName(*runtime.last_method());
  // The writer raced the run, and the run did meet names it had not listed.
  EXPECT_GT(created_during_run, 0);
  EXPECT_GT(runtime.taken_answers(), 0);
  RecordProperty("writer_files_during_run", created_during_run);
  RecordProperty("taken_answers", runtime.taken_answers());

  const Snapshot after = ReadFolder(folder.path());
  EXPECT_TRUE(SameContentsEachOnce(before, after));
  const auto new_names = NameByContent(after);
  for (const auto& [old_name, content] : before) {
    const std::string& new_name = new_names.at(content);
    EXPECT_TRUE(IsDrawnName(new_name, old_name, "", kRange, 4)) << old_name << " -> " << new_name;
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, ConcurrentWritersTest,
                         ::testing::Values(RenameMethod::kRenameNoReplace,
                                           RenameMethod::kLinkUnlink),
                         [](const ::testing::TestParamInfo<RenameMethod>& info) {
                           return std::string(MethodName(info.param));
                         });

// A name that was taken when the run tried it may be free again later: the other
// program deleted its file, or (on FAT) the entry with another spelling was itself
// renamed. With a tight range the run must not then claim that no name is left.
TEST(ConcurrentWritersTest, ANameFreedAfterAClashIsGivenLater) {
  TempFolder folder;
  folder.AddFile("aaaa.dat", "A");
  folder.AddFile("bbbb.dat", "B");
  FakeRuntime runtime;
  FakeView view;
  view.folder = folder.path();
  view.range = "2";
  // The first attempt, at 1.dat, meets a file that appears just then and is gone
  // again by the next attempt; the second file then needs exactly that number.
  int renames_asked = 0;
  runtime.before_rename = [&](const std::string&, const std::string& to) {
    ++renames_asked;
    if (renames_asked == 1 && to == "1.dat") folder.AddFile("1.dat", "intruder");
    if (renames_asked == 2) std::remove(folder.PathOf("1.dat").c_str());
  };
  runtime.ScriptRandom({FakeRuntime::ValueFor(1, 2), FakeRuntime::ValueFor(2, 2),
                        FakeRuntime::ValueFor(1, 2), FakeRuntime::ValueFor(1, 2)});

  const ShuffleOutcome outcome = ShuffleFolder(runtime, view);

  ASSERT_FALSE(outcome.error.has_value()) << DescribeError(*outcome.error);
  EXPECT_EQ(outcome.renamed, 2);
  const std::map<std::string, std::string> contents = folder.Contents();
  EXPECT_TRUE(contents == (std::map<std::string, std::string>{{"1.dat", "A"}, {"2.dat", "B"}}) ||
              contents == (std::map<std::string, std::string>{{"1.dat", "B"}, {"2.dat", "A"}}))
      << ::testing::PrintToString(contents);
}

}  // namespace
}  // namespace vantrel::proof
