// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/proof/fat_volume.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "tests/support/temp_folder.h"

namespace vantrel::proof {
namespace {

constexpr long kFuseSuperMagic = 0x65735546;

std::vector<char*> ArgvOf(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// Starts `argv` with stdout and stderr on `out_fd`. The child dies with us, so a
// crashed test cannot leave a FUSE daemon behind.
pid_t Spawn(const std::vector<std::string>& argv, int out_fd) {
  std::vector<char*> args = ArgvOf(argv);
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    dup2(out_fd, STDOUT_FILENO);
    dup2(out_fd, STDERR_FILENO);
    const int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd >= 0) dup2(null_fd, STDIN_FILENO);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

int StatusOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return -WTERMSIG(status);
  return -1;
}

bool IsFuseMount(const std::string& path) {
  struct statfs info {};
  return statfs(path.c_str(), &info) == 0 && info.f_type == kFuseSuperMagic;
}

std::string FatBits() {
  const char* bits = std::getenv("VANTREL_STICK_FAT");
  return bits != nullptr ? bits : "";
}

}  // namespace

bool KernelSticks() {
  const char* driver = std::getenv("VANTREL_STICK_DRIVER");
  return driver != nullptr && std::string(driver) == "kernel";
}

int RunProgram(const std::vector<std::string>& argv, std::string* output) {
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return 127;
  const pid_t pid = Spawn(argv, pipe_fds[1]);
  close(pipe_fds[1]);
  if (pid < 0) {
    close(pipe_fds[0]);
    return 127;
  }
  std::string ignored;
  testing::ReadAll(pipe_fds[0], output != nullptr ? output : &ignored);
  close(pipe_fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return StatusOf(status);
}

FatVolume::FatVolume(const std::string& work_folder, bool mount, int size_kib, StickFormat format)
    : format_(format),
      image_(work_folder + "/stick.img"),
      mount_point_(work_folder + "/stick"),
      log_(work_folder + "/fuse.log"),
      kernel_(KernelSticks()) {
  if (!kernel_ && access("/dev/fuse", R_OK | W_OK) != 0) {
    why_not_ = std::string("/dev/fuse is not usable (") + std::strerror(errno) +
               "); FUSE is needed to mount a stick's image";
    return;
  }
  if (!MakeImage(size_kib)) return;
  if (mkdir(mount_point_.c_str(), 0755) != 0) {
    why_not_ = std::string("mkdir mount point: ") + std::strerror(errno);
    return;
  }
  std::string why;
  if (mount && !Mount(&why)) why_not_ = why;
}

bool FatVolume::MakeImage(int size_kib) {
  std::string output;
  if (format_ == StickFormat::kFat) {
    std::vector<std::string> mkfs = {"mkfs.vfat", "-C", image_};
    const std::string bits = kernel_ ? FatBits() : "";
    if (!bits.empty()) mkfs.insert(mkfs.begin() + 1, {"-F", bits});
    // Below 64 MiB mkfs.vfat warns that FAT32 is unusually small.
    if (bits == "32") size_kib = std::max(size_kib, 65536);
    mkfs.push_back(std::to_string(size_kib));
    const int made = RunProgram(mkfs, &output);
    if (made != 0) {
      why_not_ = made == 127 ? "mkfs.vfat is missing (Debian package dosfstools)"
                             : "mkfs.vfat failed: " + output;
    } else if (RunProgram({"mdir", "-V"}, &output) == 127) {
      why_not_ = "mtools are missing (Debian package mtools)";
    }
    return why_not_.empty();
  }
  int made = RunProgram({"truncate", "-s", std::to_string(size_kib) + "K", image_}, &output);
  if (made == 0) made = RunProgram({"mkfs.exfat", image_}, &output);
  if (made != 0) {
    why_not_ = made == 127 ? "mkfs.exfat is missing (Debian package exfatprogs)"
                           : "mkfs.exfat failed: " + output;
    return false;
  }
  if (kernel_) return true;  // mount makes the loop device
  output.clear();
  if (RunProgram({"losetup", "-f", "--show", image_}, &output) != 0) {
    why_not_ = "no loop device for the exFAT image (exfat-fuse needs a block device): " + output;
    return false;
  }
  device_ = output.substr(0, output.find('\n'));
  return true;
}

FatVolume::~FatVolume() {
  std::string ignored;
  Unmount(&ignored);
  if (!device_.empty()) RunProgram({"losetup", "-d", device_}, nullptr);
}

// The options udisks gives a stick that a user plugs in.
bool FatVolume::MountWithKernel(std::string* why, bool read_only) {
  const bool fat = format_ == StickFormat::kFat;
  const std::string owner = std::string(read_only ? "ro," : "") + "uid=" +
                            std::to_string(getuid()) + ",gid=" + std::to_string(getgid());
  const std::string options = fat ? owner + ",shortname=mixed,utf8,showexec,flush"
                                  : owner + ",iocharset=utf8,errors=remount-ro";
  std::string output;
  if (RunProgram(
          {"mount", "-t", fat ? "vfat" : "exfat", "-o", "loop," + options, image_, mount_point_},
          &output) != 0) {
    *why = "the kernel did not mount the image: " + output;
    return false;
  }
  mounted_ = true;
  return true;
}

bool FatVolume::Mount(std::string* why, bool read_only) {
  if (kernel_) return MountWithKernel(why, read_only);
  const int log_fd = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (log_fd < 0) {
    *why = std::string("cannot write fusefat log: ") + std::strerror(errno);
    return false;
  }
  // -f and -d keep the daemon our child; rw+ is fusefat's switch for writing.
  const char* mode = read_only ? "ro" : "rw";
  daemon_ = format_ == StickFormat::kFat
                ? Spawn({"fusefat", "-f", "-o", read_only ? "ro" : "rw+", image_, mount_point_},
                        log_fd)
                : Spawn({"mount.exfat-fuse", "-d", "-o", mode, device_, mount_point_}, log_fd);
  close(log_fd);
  if (daemon_ < 0) {
    *why = std::string("fork: ") + std::strerror(errno);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (IsFuseMount(mount_point_)) return true;
    int status = 0;
    if (waitpid(daemon_, &status, WNOHANG) == daemon_) {
      daemon_ = -1;
      const int code = StatusOf(status);
      const bool fat = format_ == StickFormat::kFat;
      *why = code == 127 ? (fat ? "fusefat is missing (Debian package fusefat)"
                                : "mount.exfat-fuse is missing (Debian package exfat-fuse)")
                         : "the FUSE daemon could not mount the image (exit " +
                               std::to_string(code) + "): " + testing::ReadFile(log_);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(daemon_, SIGKILL);
  waitpid(daemon_, nullptr, 0);
  daemon_ = -1;
  *why = "the FUSE daemon did not mount within 20 s: " + testing::ReadFile(log_);
  return false;
}

bool FatVolume::Unmount(std::string* why) {
  if (kernel_ && mounted_) {
    std::string output;
    mounted_ = false;
    if (RunProgram({"umount", mount_point_}, &output) == 0) return true;
    umount2(mount_point_.c_str(), MNT_DETACH);
    *why = "umount failed: " + output;
    return false;
  }
  if (daemon_ < 0) return true;
  bool unmounted = false;
  std::string output;
  for (int attempt = 0; attempt < 50 && !unmounted; ++attempt) {
    output.clear();
    unmounted = RunProgram({"fusermount", "-u", mount_point_}, &output) == 0;
    if (!unmounted) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // The daemon writes everything out before it ends once the mount is gone.
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  pid_t ended = 0;
  while ((ended = waitpid(daemon_, &status, WNOHANG)) == 0 &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (ended == 0) {
    kill(daemon_, SIGKILL);
    waitpid(daemon_, &status, 0);
    unmounted = false;
  }
  daemon_ = -1;
  if (!unmounted) {
    // Leaves no dead mount in the way of removing the test's folder.
    umount2(mount_point_.c_str(), MNT_DETACH);
    *why = "fusermount -u failed: " + output;
  }
  return unmounted;
}

bool FatVolume::CheckImage(std::string* report) const {
  const char* fsck = format_ == StickFormat::kFat ? "fsck.fat" : "fsck.exfat";
  return RunProgram({fsck, "-n", image_}, report) == 0;
}

bool FatVolume::CopyThroughMount(const std::string& from, const std::string& to, std::string* why) {
  if (!Mount(why)) return false;
  std::string output;
  const bool copied = RunProgram({"cp", "-r", from, to}, &output) == 0;
  if (!copied) *why = "cp -r " + from + " " + to + ": " + output;
  return Unmount(why) && copied;
}

// fusefat leaves the reserved second FAT entry other than mkfs.vfat wrote it, which
// fsck.fat accepts and mtools only takes with its start-up check skipped.
bool FatVolume::CopyIn(const std::string& host_folder, std::string* why) {
  if (format_ == StickFormat::kExfat) return CopyThroughMount(host_folder, mount_point_, why);
  std::string output;
  if (RunProgram({"env", "MTOOLS_SKIP_CHECK=1", "mcopy", "-s", "-i", image_, host_folder, "::/"},
                 &output) == 0) {
    return true;
  }
  *why = "mcopy into the image failed: " + output;
  return false;
}

bool FatVolume::ListOnImage(const std::string& name, std::vector<std::string>* names,
                            std::string* why) const {
  std::string output;
  if (RunProgram({"env", "MTOOLS_SKIP_CHECK=1", "mdir", "-b", "-i", image_, "::/" + name},
                 &output) != 0) {
    *why = "mdir of the image failed: " + output;
    return false;
  }
  const std::string prefix = "::/" + name + "/";
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(prefix, 0) == 0) names->push_back(line.substr(prefix.size()));
  }
  return true;
}

bool FatVolume::CopyOut(const std::string& name, const std::string& host_folder, std::string* why) {
  if (format_ == StickFormat::kExfat) {
    return CopyThroughMount(mount_point_ + "/" + name, host_folder, why);
  }
  std::string output;
  if (RunProgram({"env", "MTOOLS_SKIP_CHECK=1", "mcopy", "-s", "-n", "-i", image_, "::/" + name,
                  host_folder},
                 &output) == 0) {
    return true;
  }
  *why = "mcopy out of the image failed: " + output;
  return false;
}

}  // namespace vantrel::proof
