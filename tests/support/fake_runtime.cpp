// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/fake_runtime.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace vantrel::testing {

class FakeFolder : public ForwardingFolder {
 public:
  /// Takes ownership of `real`.
  FakeFolder(FakeRuntime& runtime, PosixFolder* real)
      : ForwardingFolder(std::unique_ptr<Folder>(real)), runtime_(runtime), posix_(*real) {}
  ~FakeFolder() override { runtime_.last_method_ = posix_.method(); }
  FakeFolder(const FakeFolder&) = delete;
  FakeFolder& operator=(const FakeFolder&) = delete;

  bool ReadEntries(std::vector<DirEntry>* entries, SysError* err) override {
    if (runtime_.listing_error_) {
      *err = SysError{"readdir", "", *runtime_.listing_error_};
      return false;
    }
    return ForwardingFolder::ReadEntries(entries, err);
  }

  FolderTraits Traits(const std::vector<DirEntry>& entries) override {
    FolderTraits traits = ForwardingFolder::Traits(entries);
    traits.ordered_directory = traits.ordered_directory || runtime_.ordered_directory;
    return traits;
  }

  RenameOutcome RenameNoReplace(const std::string& from, const std::string& to,
                                SysError* err) override {
    if (runtime_.before_rename) runtime_.before_rename(from, to);
    const auto fault = runtime_.rename_errors_.find(from);
    if (fault != runtime_.rename_errors_.end()) {
      *err = SysError{"renameat2", from, fault->second};
      return fault->second == ENOENT ? RenameOutcome::kMissing : RenameOutcome::kFailed;
    }
    const RenameOutcome outcome = ForwardingFolder::RenameNoReplace(from, to, err);
    if (outcome == RenameOutcome::kDone) runtime_.renames_.emplace_back(from, to);
    if (outcome == RenameOutcome::kTaken) ++runtime_.taken_;
    return outcome;
  }

 private:
  FakeRuntime& runtime_;
  const PosixFolder& posix_;
};

std::unique_ptr<Folder> FakeRuntime::OpenFolder(const std::string& path, SysError* err) {
  if (open_error_) {
    *err = SysError{"open", path, *open_error_};
    return nullptr;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *err = SysError{"open", path, errno};
    return nullptr;
  }
  return std::make_unique<FakeFolder>(*this, new PosixFolder(fd, path, rename_calls));
}

double FakeRuntime::NextRandom() {
  if (draw_limit > 0 && draws_ >= draw_limit) throw DrawLimitReached{draws_};
  ++draws_;
  if (!script_.empty()) {
    const double value = script_.front();
    script_.pop_front();
    return value;
  }
  return static_cast<double>(generator_() >> 11) * 0x1.0p-53;
}

RenameCalls CallsWithoutNoReplaceFlag() {
  RenameCalls calls = RenameCalls::System();
  calls.renameat2 = [](int, const char*, int to_dir, const char* to, unsigned int) {
    struct stat info {};
    errno = fstatat(to_dir, to, &info, AT_SYMLINK_NOFOLLOW) == 0 ? EEXIST : EINVAL;
    return -1;
  };
  return calls;
}

RenameCalls CallsWithoutFlagOrLinks() {
  RenameCalls calls = CallsWithoutNoReplaceFlag();
  calls.linkat = [](int, const char*, int, const char*, int) {
    errno = EPERM;
    return -1;
  };
  return calls;
}

}  // namespace vantrel::testing
