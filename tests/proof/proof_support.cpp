// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/proof/proof_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "runtime/text.h"

namespace vantrel::proof {
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

int CreateAt(int dir_fd, const std::string& name, const std::string& content) {
  const int fd = openat(dir_fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  const bool ok = WriteAll(fd, content);
  const int code = errno;
  if (close(fd) != 0 || !ok) return ok ? errno : code;
  return 0;
}

}  // namespace

void WriteNewFile(const std::string& path, const std::string& content) {
  const int code = CreateAt(AT_FDCWD, path, content);
  if (code != 0) throw std::runtime_error("create " + path + ": " + std::strerror(code));
}

std::string ContentOf(int i) { return "original content " + std::to_string(i) + "\n"; }

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

std::map<std::string, std::string> NameByContent(const Snapshot& snapshot) {
  std::map<std::string, std::string> names;
  for (const auto& [name, content] : snapshot) names[content] = name;
  return names;
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

bool IsDrawnName(const std::string& name, const std::string& old_name, const std::string& prefix,
                 int64_t range, size_t pad_width) {
  const std::string ending = LastChars(old_name, 4);
  if (name.size() < prefix.size() + ending.size() + 1) return false;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name.compare(name.size() - ending.size(), ending.size(), ending) != 0) return false;
  const std::string digits =
      name.substr(prefix.size(), name.size() - prefix.size() - ending.size());
  const size_t significant = digits.find_first_not_of('0');
  if (significant == std::string::npos || digits.size() - significant > 18) return false;
  int64_t number = 0;
  for (size_t i = significant; i < digits.size(); ++i) {
    if (digits[i] < '0' || digits[i] > '9') return false;
    number = number * 10 + (digits[i] - '0');
  }
  const size_t natural = digits.size() - significant;
  return number >= 1 && number <= range &&
         digits.size() == (natural >= pad_width ? natural : pad_width);
}

Killed RunAndKill(const std::string& child, const std::string& folder, const std::string& range,
                  int kill_after, int hold_at, const std::string& child_log) {
  Killed killed;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    killed.detail = "pipe failed";
    return killed;
  }
  const int log_fd = open(child_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const std::string fd_text = std::to_string(fds[1]);
  const std::string hold_text = std::to_string(hold_at);
  const pid_t pid = fork();
  if (pid == 0) {
    fcntl(fds[1], F_SETFD, 0);  // the one descriptor the child keeps
    if (log_fd >= 0) dup2(log_fd, STDERR_FILENO);
    execl(child.c_str(), child.c_str(), folder.c_str(), range.c_str(), fd_text.c_str(),
          hold_text.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  if (log_fd >= 0) close(log_fd);
  std::string pending;
  char buffer[256];
  while (killed.reported < kill_after) {
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the child ended before it was killed
    pending.append(buffer, static_cast<size_t>(n));
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      killed.reported = std::stoi(pending.substr(0, end));
      pending.erase(0, end + 1);
    }
  }
  kill(pid, SIGKILL);
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  killed.by_sigkill = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  if (!killed.by_sigkill) {
    killed.detail = "child ended on its own, status " + std::to_string(status);
  }
  return killed;
}

namespace {

// Whether `pid` waits in a write to its standard error, as /proc tells.
bool WritesToStandardError(pid_t pid) {
  std::ifstream call("/proc/" + std::to_string(pid) + "/syscall");
  std::string number, fd;
  return call >> number >> fd && number == std::to_string(SYS_write) && fd == "0x2";
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
    if (n > 0) text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

}  // namespace

Interrupted RunAndInterrupt(const std::vector<std::string>& argv, bool interrupt) {
  Interrupted result;
  int terminal = -1;
  int terminal_side = -1;
  int out[2];
  if (openpty(&terminal, &terminal_side, nullptr, nullptr, nullptr) != 0 ||
      pipe2(out, O_CLOEXEC) != 0) {
    result.shown = std::string("no terminal: ") + std::strerror(errno);
    return result;
  }
  // Output held, as after Ctrl+S: the program stops at its first progress line, after
  // its first file, and the signal lands at that one point however busy the machine.
  if (interrupt) tcflow(terminal_side, TCOOFF);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(terminal_side, STDERR_FILENO);
    dup2(out[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  if (interrupt) {
    int status = 0;
    while (!WritesToStandardError(pid) && waitpid(pid, &status, WNOHANG) == 0) usleep(1000);
    kill(pid, SIGINT);
    tcflow(terminal_side, TCOON);
  }
  close(terminal_side);
  result.shown = ReadAll(terminal);
  result.out = ReadAll(out[0]);
  close(terminal);
  close(out[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  return result;
}

const char* MethodName(RenameMethod method) {
  switch (method) {
    case RenameMethod::kRenameNoReplace:
      return "RenameNoReplace";
    case RenameMethod::kLinkUnlink:
      return "LinkUnlink";
    case RenameMethod::kCheckThenRename:
      return "CheckThenRename";
  }
  return "?";
}

}  // namespace vantrel::proof
