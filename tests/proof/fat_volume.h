// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/posix_runtime.h"
#include "tests/support/temp_folder.h"

namespace vantrel::proof {

/// Runs a program (searched in PATH) and waits; its output goes to `output`.
/// Returns the exit status, 127 when it cannot be started, -signal when killed.
int RunProgram(const std::vector<std::string>& argv, std::string* output);

enum class StickFormat {
  kFat,    // mkfs.vfat, mounted with fusefat
  kExfat,  // mkfs.exfat on a loop device, mounted with exfat-fuse
};

/// The format as test names spell it.
inline std::string FormatLabel(StickFormat format) {
  return format == StickFormat::kFat ? "Fat" : "Exfat";
}

/// With VANTREL_STICK_DRIVER=kernel in the environment, sticks are mounted with the
/// kernel's vfat and exfat drivers and the options a desktop's automounter gives
/// them, which needs root and those drivers; VANTREL_STICK_FAT=16 or 32 then picks
/// the FAT size. Without it they are mounted through FUSE.
bool KernelSticks();

/// An image of a memory stick mounted through FUSE, the way a stick is seen:
/// case-insensitive names, no hard links, no no-replace flag. The FUSE daemon runs
/// in the foreground as our child, so it is gone with the test. FAT files are put
/// on and taken off the image with mtools, which is quick where fusefat takes a
/// quadratic time to create files, and which reads the image with code of its own
/// rather than through the mount under test; exFAT ones go through a mount of their own.
class FatVolume {
 public:
  /// Creates image and mount point inside `work_folder` and mounts. Where that is not
  /// possible here (no /dev/fuse or loop device, tools missing, mount refused)
  /// ready() is false and why_not() says why. With `mount` false, the image stays
  /// unmounted so that CopyIn can fill it first.
  explicit FatVolume(const std::string& work_folder, bool mount = true, int size_kib = 16384,
                     StickFormat format = StickFormat::kFat);
  ~FatVolume();
  FatVolume(const FatVolume&) = delete;
  FatVolume& operator=(const FatVolume&) = delete;

  bool ready() const { return why_not_.empty(); }
  const std::string& why_not() const { return why_not_; }
  const std::string& mount_point() const { return mount_point_; }
  const std::string& image() const { return image_; }
  /// Whether the kernel's driver serves the mount, which knows the no-replace flag.
  bool kernel() const { return kernel_; }

  /// With `read_only`, as a system leaves a stick after a fault (errors=remount-ro).
  bool Mount(std::string* why, bool read_only = false);
  /// Unmounts and waits for the daemon, so the image is complete afterwards.
  bool Unmount(std::string* why);
  /// fsck in read-only mode on the unmounted image; true when it finds nothing.
  bool CheckImage(std::string* report) const;
  /// Copies the folder `host_folder` (with its files) into the root of the
  /// unmounted image.
  bool CopyIn(const std::string& host_folder, std::string* why);
  /// The entries of the image's folder `name` in the order they stand in its
  /// directory, read by mtools from the unmounted FAT image.
  bool ListOnImage(const std::string& name, std::vector<std::string>* names,
                   std::string* why) const;
  /// Copies the image's folder `name` into `host_folder`.
  bool CopyOut(const std::string& name, const std::string& host_folder, std::string* why);

 private:
  bool MakeImage(int size_kib);
  /// Copies `from` into the folder `to` through a mount of the image that is
  /// undone afterwards.
  bool CopyThroughMount(const std::string& from, const std::string& to, std::string* why);

  bool MountWithKernel(std::string* why, bool read_only);

  StickFormat format_;
  std::string device_;  // the loop device of an exFAT image
  std::string image_;
  std::string mount_point_;
  std::string log_;
  std::string why_not_;
  pid_t daemon_ = -1;
  bool kernel_;
  bool mounted_ = false;  // by the kernel
};

/// A test with a work folder that holds a stick's image.
class FatVolumeTest : public ::testing::Test {
 protected:
  /// With `mount` false the image stays unmounted, to be filled with CopyIn first.
  void Prepare(bool mount, StickFormat format = StickFormat::kFat) {
    volume_ = std::make_unique<FatVolume>(work_.path(), mount, 16384, format);
    if (!volume_->ready()) {
      GTEST_SKIP() << "Skipped: no stick can be mounted here: " << volume_->why_not();
    }
  }

  /// FUSE refuses the no-replace flag; the kernel's drivers take it.
  RenameMethod ExpectedMethod() const {
    return volume_->kernel() ? RenameMethod::kRenameNoReplace : RenameMethod::kCheckThenRename;
  }

  testing::TempFolder work_;
  std::unique_ptr<FatVolume> volume_;  // unmounted before work_ is removed
};

}  // namespace vantrel::proof
