// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace vantrel {

/// What a shuffle run sees of the window. Texts are UTF-8; the folder path is the
/// raw bytes of the path.
class ShuffleView {
 public:
  virtual ~ShuffleView() = default;
  virtual std::string FolderPath() const = 0;
  virtual std::string FilterText() const = 0;
  virtual std::string PrefixText() const = 0;
  virtual std::string RangeText() const = 0;
  virtual void SetRangeText(const std::string& text) = 0;
  /// Makes the file list re-read its folder.
  virtual void RefreshFileList() = 0;
  /// Called as a run goes on: `done` of `total` files' worth of renames. A run on a
  /// FAT stick renames every file twice and counts each half. A window may repaint here.
  virtual void ReportProgress(int done, int total) {
    static_cast<void>(done);
    static_cast<void>(total);
  }
  /// Asked before each file; true ends the run there, keeping what is done.
  virtual bool StopRequested() { return false; }
};

}  // namespace vantrel
