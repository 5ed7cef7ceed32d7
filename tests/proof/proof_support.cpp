// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/proof/proof_support.h"

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "runtime/text.h"

namespace vantrel::proof {

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
  // The terminal ends with EIO once the program has closed its side.
  testing::ReadAll(terminal, &result.shown);
  testing::ReadAll(out[0], &result.out);
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
