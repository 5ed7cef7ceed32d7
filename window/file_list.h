// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>
#include <string>

#include "runtime/runtime.h"

namespace vantrel {

/// `File1`: every plain, not hidden file of one folder, sorted by name. It has no
/// filter of its own to set: what a run would rename depends on the filter field,
/// but the list always shows the whole folder.
class FileList : public QListWidget {
  Q_OBJECT

 public:
  explicit FileList(QWidget* parent = nullptr);

  /// The folder shown, raw bytes.
  const std::string& Path() const { return path_; }

  /// Shows the files of `path`. A folder that cannot be read fills `err` and shows
  /// as empty, so that the list never names files that may no longer exist.
  bool SetPath(const std::string& path, SysError* err);
  /// Reads the folder again, in the same way.
  bool Refresh(SysError* err) { return SetPath(path_, err); }

 private:
  std::string path_;
};

}  // namespace vantrel
