// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/temp_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "runtime/text.h"

namespace vantrel::testing {
namespace {

std::string ErrnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

bool WriteAll(int fd, const std::string& content) {
  size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = write(fd, content.data() + written, content.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<size_t>(n);
  }
  return true;
}

int CreateAt(int dir_fd, const std::string& name, const std::string& content) {
  const int fd = openat(dir_fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  const bool ok = WriteAll(fd, content);
  const int code = errno;
  if (close(fd) != 0 || !ok) return ok ? errno : code;
  return 0;
}

}  // namespace

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                        "/vantrel-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempFolder::AddFile(const std::string& name, const std::string& content) {
  std::ofstream out(PathOf(name), std::ios::binary);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + name);
}

void TempFolder::AddFiles(int count, const std::string& stem, const std::string& extension) {
  for (int i = 1; i <= count; ++i) AddFile(stem + std::to_string(i) + extension);
}

void TempFolder::AddFolder(const std::string& name) {
  if (mkdir(PathOf(name).c_str(), 0755) != 0) throw std::runtime_error("mkdir " + name);
}

void TempFolder::AddSymlink(const std::string& name, const std::string& target) {
  if (symlink(target.c_str(), PathOf(name).c_str()) != 0) {
    throw std::runtime_error("symlink " + name);
  }
}

std::vector<std::string> TempFolder::Names() const {
  std::vector<std::string> names = ListNames(path_);
  std::sort(names.begin(), names.end());
  return names;
}

Snapshot TempFolder::Contents() const {
  Snapshot contents;
  for (const std::string& name : Names()) {
    struct stat info {};
    if (stat(PathOf(name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      contents[name] = Read(name);
    }
  }
  return contents;
}

std::string TempFolder::Read(const std::string& name) const { return ReadFile(PathOf(name)); }

bool TempFolder::Exists(const std::string& name) const {
  struct stat info {};
  return lstat(PathOf(name).c_str(), &info) == 0;
}

std::multiset<std::string> ContentSet(const Snapshot& contents) {
  std::multiset<std::string> set;
  for (const auto& entry : contents) set.insert(entry.second);
  return set;
}

int KeptNames(const Snapshot& before, const Snapshot& after) {
  int kept = 0;
  for (const auto& [name, content] : before) {
    const auto found = after.find(name);
    kept += found != after.end() && found->second == content ? 1 : 0;
  }
  return kept;
}

std::map<std::string, std::string> NameByContent(const Snapshot& snapshot) {
  std::map<std::string, std::string> names;
  for (const auto& [name, content] : snapshot) names[content] = name;
  return names;
}

void WriteNewFile(const std::string& path, const std::string& content) {
  const int code = CreateAt(AT_FDCWD, path, content);
  if (code != 0) throw std::runtime_error("create " + path + ": " + std::strerror(code));
}

std::string ContentOf(int i) { return "original content " + std::to_string(i) + "\n"; }

std::string Numbered(const char* format, int i) {
  char name[64];
  std::snprintf(name, sizeof name, format, i);
  return name;
}

void CreateFiles(const std::string& folder, int count,
                 const std::function<std::string(int)>& name_of) {
  const int dir_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) throw std::runtime_error(ErrnoText("open " + folder));
  for (int i = 1; i <= count; ++i) {
    const std::string name = name_of(i);
    const int code = CreateAt(dir_fd, name, ContentOf(i));
    if (code != 0) {
      close(dir_fd);
      throw std::runtime_error("create " + name + ": " + std::strerror(code));
    }
  }
  close(dir_fd);
}

std::vector<std::string> ListNames(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) throw std::runtime_error(ErrnoText("opendir " + folder));
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return names;
}

Snapshot ReadFolder(const std::string& folder) {
  const int dir_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) throw std::runtime_error(ErrnoText("open " + folder));
  Snapshot snapshot;
  for (const std::string& name : ListNames(folder)) {
    struct stat info {};
    if (fstatat(dir_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) {
      continue;
    }
    const int fd = openat(dir_fd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
      close(dir_fd);
      throw std::runtime_error(ErrnoText("open " + name));
    }
    std::string content;
    const bool ok = ReadAll(fd, &content);
    close(fd);
    if (!ok) {
      close(dir_fd);
      throw std::runtime_error(ErrnoText("read " + name));
    }
    snapshot.emplace(name, std::move(content));
  }
  close(dir_fd);
  return snapshot;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool ReadAll(int fd, std::string* content) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    content->append(buffer, static_cast<size_t>(n));
  }
}

::testing::AssertionResult SameContentsEachOnce(const Snapshot& before, const Snapshot& after) {
  std::map<std::string, std::vector<std::string>> holders;
  for (const auto& [name, content] : after) holders[content].push_back(name);
  int lost = 0;
  int doubled = 0;
  int foreign = 0;
  std::string detail;
  for (const auto& [name, content] : before) {
    const auto found = holders.find(content);
    if (found == holders.end()) {
      if (++lost <= 5) detail += "\n  lost: " + DisplayName(name);
    } else if (found->second.size() != 1) {
      if (++doubled <= 5) {
        detail += "\n  " + std::to_string(found->second.size()) + " copies of " + DisplayName(name);
      }
    }
  }
  const std::map<std::string, std::string> old_names = NameByContent(before);
  for (const auto& [name, content] : after) {
    if (old_names.count(content) == 0 && ++foreign <= 5) {
      detail += "\n  unknown content in: " + DisplayName(name);
    }
  }
  if (lost == 0 && doubled == 0 && foreign == 0 && before.size() == after.size()) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << before.size() << " files before, " << after.size() << " after; " << lost << " lost, "
         << doubled << " duplicated, " << foreign << " unknown" << detail;
}

}  // namespace vantrel::testing
