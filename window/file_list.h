// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListView>
#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace vantrel {

class FileNames;

/// `File1`: every plain, not hidden file of one folder, sorted by name. It has no
/// filter of its own to set: what a run would rename depends on the filter field,
/// but the list always shows the whole folder. A folder of tens of thousands of
/// files shows at once: the names stay as the listing gave them, are turned into
/// text only for the rows in sight, and every row is one line high.
class FileList : public QListView {
  Q_OBJECT

 public:
  /// Reads folders through `runtime`, which must outlive the list.
  explicit FileList(Runtime& runtime, QWidget* parent = nullptr);

  /// The folder shown, raw bytes.
  const std::string& Path() const { return path_; }

  /// Shows the files of `path`. A folder that cannot be read fills `err` and shows
  /// as empty, so that the list never names files that may no longer exist.
  bool SetPath(const std::string& path, SysError* err);
  /// Shows `files`, just read from `path` and sorted as a listing sorts them.
  void SetFiles(const std::string& path, std::vector<std::string> files);
  /// Reads the folder again, in the same way.
  bool Refresh(SysError* err) { return SetPath(path_, err); }

 private:
  Runtime& runtime_;
  std::string path_;
  FileNames* names_;
};

}  // namespace vantrel
