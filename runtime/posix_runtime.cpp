// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/posix_runtime.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "runtime/volume_kind.h"

namespace vantrel {
namespace {

uint64_t SeedFromKernel() {
  uint64_t seed = 0;
  if (getrandom(&seed, sizeof seed, 0) == static_cast<ssize_t>(sizeof seed)) return seed;
  std::random_device device;
  return (static_cast<uint64_t>(device()) << 32) ^ device();
}

bool Fail(SysError* err, const char* call, const std::string& path, int code) {
  if (err != nullptr) *err = SysError{call, path, code};
  return false;
}

// renameat2 answers these where the file system has no RENAME_NOREPLACE
// (FUSE mounts of FAT and exFAT, NFS, older kernels).
bool FlagRefused(int code) { return code == EINVAL || code == ENOSYS || code == EOPNOTSUPP; }

// linkat answers these where the file system has no hard links.
bool LinksRefused(int code) {
  return code == EPERM || code == EOPNOTSUPP || code == ENOSYS || code == EMLINK || code == EINVAL;
}

// `name` with the case of its ASCII letters swapped; empty when it has no letter.
std::string SwappedCase(const std::string& name) {
  std::string swapped = name;
  bool any = false;
  for (char& c : swapped) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
      any = true;
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
      any = true;
    }
  }
  return any ? swapped : std::string();
}

// Follows links, as opening the entry would: a link counts as what it resolves to, a
// broken link as neither. Only links, and file systems that tell no type, cost a call.
DirEntry Classified(int dir_fd, const char* name, unsigned char type) {
  DirEntry entry;
  entry.name = name;
  if (type == DT_LNK || type == DT_UNKNOWN) {
    struct stat info {};
    if (fstatat(dir_fd, name, &info, 0) != 0) return entry;
    entry.plain = S_ISREG(info.st_mode);
    entry.folder = S_ISDIR(info.st_mode);
  } else {
    entry.plain = type == DT_REG;
    entry.folder = type == DT_DIR;
  }
  return entry;
}

}  // namespace

PosixRuntime::PosixRuntime(NumberFormat number_format)
    : generator_(SeedFromKernel()), number_format_(std::move(number_format)) {}

std::unique_ptr<Folder> PosixRuntime::OpenFolder(const std::string& path, SysError* err) {
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    Fail(err, "open", path, errno);
    return nullptr;
  }
  return std::make_unique<PosixFolder>(fd, path);
}

double PosixRuntime::NextRandom() {
  // 53 random bits: every double of [0, 1) on the grid 2^-53, never 1.
  return static_cast<double>(generator_() >> 11) * 0x1.0p-53;
}

RenameCalls RenameCalls::System() {
  return RenameCalls{::renameat2, ::linkat, ::unlinkat, ::renameat};
}

PosixFolder::PosixFolder(int dir_fd, std::string path, RenameCalls calls)
    : dir_fd_(dir_fd), path_(std::move(path)), calls_(calls) {}

PosixFolder::~PosixFolder() { close(dir_fd_); }

bool PosixFolder::ReadEntries(std::vector<DirEntry>* entries, SysError* err) {
  return ReadEntriesAt(".", path_, entries, err);
}

SubfolderListing PosixFolder::ReadSubfolderEntries(const std::string& name,
                                                   std::vector<DirEntry>* entries, SysError* err) {
  if (ReadEntriesAt(name.c_str(), path_ + "/" + name, entries, err)) return SubfolderListing::kRead;
  // A file or a link of that name is no subfolder (O_NOFOLLOW answers ELOOP).
  const bool none = err->code == ENOENT || err->code == ENOTDIR || err->code == ELOOP;
  return none ? SubfolderListing::kNone : SubfolderListing::kFailed;
}

bool PosixFolder::ReadEntriesAt(const char* relative, const std::string& path,
                                std::vector<DirEntry>* entries, SysError* err) {
  // A handle of its own, so that reading leaves the rename handle untouched and a
  // repeated listing starts from the beginning.
  const int fd = openat(dir_fd_, relative, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return Fail(err, "openat", path, errno);
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    const int code = errno;
    close(fd);
    return Fail(err, "fdopendir", path, code);
  }
  entries->clear();
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir);
    if (entry == nullptr) break;
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    entries->push_back(Classified(fd, entry->d_name, entry->d_type));
  }
  const int code = errno;
  closedir(dir);
  if (code != 0) return Fail(err, "readdir", path, code);
  return true;
}

bool PosixFolder::MakeSubfolder(const std::string& name, SysError* err) {
  return mkdirat(dir_fd_, name.c_str(), 0755) == 0 || Fail(err, "mkdirat", name, errno);
}

bool PosixFolder::RemoveSubfolder(const std::string& name, SysError* err) {
  return unlinkat(dir_fd_, name.c_str(), AT_REMOVEDIR) == 0 || Fail(err, "unlinkat", name, errno);
}

FolderTraits PosixFolder::Traits(const std::vector<DirEntry>& entries) {
  FolderTraits traits;
  if (IsFatFamily(dir_fd_)) {
    traits.ordered_directory = true;
    traits.ignores_case = true;
    return traits;
  }
  // Behind FUSE, a network share or a casefolded folder only asking tells: another
  // spelling of a listed name that the lookup finds, though the listing lacks it.
  // (FUSE gives each spelling an inode number of its own, so inodes cannot tell.)
  const auto probe = std::find_if(entries.begin(), entries.end(),
                                  [](const DirEntry& e) { return !SwappedCase(e.name).empty(); });
  if (probe == entries.end()) return traits;
  const std::string swapped = SwappedCase(probe->name);
  struct stat info {};
  if (fstatat(dir_fd_, swapped.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return traits;
  traits.ignores_case = std::none_of(entries.begin(), entries.end(),
                                     [&](const DirEntry& e) { return e.name == swapped; });
  return traits;
}

RenameOutcome PosixFolder::RenameNoReplace(const std::string& from, const std::string& to,
                                           SysError* err) {
  const RenameOutcome outcome = RenameByMethod(from, to, err);
  if (outcome == RenameOutcome::kTaken) Fail(err, "renameat2", to, EEXIST);
  if (outcome == RenameOutcome::kFailed && err->code == ENOENT) return RenameOutcome::kMissing;
  return outcome;
}

RenameOutcome PosixFolder::RenameByMethod(const std::string& from, const std::string& to,
                                          SysError* err) {
  if (method_ == RenameMethod::kRenameNoReplace) {
    if (calls_.renameat2(dir_fd_, from.c_str(), dir_fd_, to.c_str(), RENAME_NOREPLACE) == 0) {
      return RenameOutcome::kDone;
    }
    const int code = errno;
    if (code == EEXIST) return RenameOutcome::kTaken;
    if (!FlagRefused(code)) {
      Fail(err, "renameat2", from, code);
      return RenameOutcome::kFailed;
    }
    method_ = RenameMethod::kLinkUnlink;
    const RenameOutcome outcome = RenameByLink(from, to, err);
    // EINVAL from the fallback too is the file system refusing the name itself (a "?"
    // on FAT), not the flag, which then stays for the next name.
    if (outcome == RenameOutcome::kFailed && code == EINVAL && err->code == EINVAL) {
      method_ = RenameMethod::kRenameNoReplace;
      Fail(err, "renameat2", from, code);
    }
    return outcome;
  }
  if (method_ == RenameMethod::kLinkUnlink) return RenameByLink(from, to, err);
  return RenameAfterCheck(from, to, err);
}

RenameOutcome PosixFolder::RenameByLink(const std::string& from, const std::string& to,
                                        SysError* err) {
  // linkat never follows a symbolic link here, so a link is renamed, not its target.
  if (calls_.linkat(dir_fd_, from.c_str(), dir_fd_, to.c_str(), 0) != 0) {
    const int code = errno;
    if (code == EEXIST) return RenameOutcome::kTaken;
    if (!LinksRefused(code)) {
      Fail(err, "linkat", from, code);
      return RenameOutcome::kFailed;
    }
    method_ = RenameMethod::kCheckThenRename;
    return RenameAfterCheck(from, to, err);
  }
  if (calls_.unlinkat(dir_fd_, from.c_str(), 0) != 0) {
    const int code = errno;
    // Both names point at the same data; dropping the new one restores the start.
    calls_.unlinkat(dir_fd_, to.c_str(), 0);
    Fail(err, "unlinkat", from, code);
    return RenameOutcome::kFailed;
  }
  return RenameOutcome::kDone;
}

RenameOutcome PosixFolder::RenameAfterCheck(const std::string& from, const std::string& to,
                                            SysError* err) {
  // The check is the flag itself. Before the file system can refuse it, the kernel
  // looks `to` up afresh, through the file system, so that a name differing only in
  // case is found too, and answers EEXIST. fstatat would be answered from FUSE's
  // lookup cache, which names an entry for up to a second after it was renamed away.
  if (calls_.renameat2(dir_fd_, from.c_str(), dir_fd_, to.c_str(), RENAME_NOREPLACE) == 0) {
    return RenameOutcome::kDone;
  }
  const int code = errno;
  if (code == EEXIST) return RenameOutcome::kTaken;
  if (code == ENOSYS) {
    // No renameat2 at all: an older lookup is the best there is.
    struct stat info {};
    if (fstatat(dir_fd_, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) return RenameOutcome::kTaken;
    if (errno != ENOENT) {
      Fail(err, "fstatat", to, errno);
      return RenameOutcome::kFailed;
    }
  } else if (!FlagRefused(code)) {
    Fail(err, "renameat2", from, code);
    return RenameOutcome::kFailed;
  }
  if (calls_.renameat(dir_fd_, from.c_str(), dir_fd_, to.c_str()) != 0) {
    Fail(err, "renameat", from, errno);
    return RenameOutcome::kFailed;
  }
  return RenameOutcome::kDone;
}

}  // namespace vantrel
