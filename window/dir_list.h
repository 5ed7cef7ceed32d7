// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "runtime/folder_listing.h"
#include "runtime/runtime.h"

namespace vantrel {

/// `Dir1`: the folder list. Shows the open folder (`Path`) with its ancestors from the
/// drive's root down to it, then its subfolders. A double-click or Return opens an
/// entry; a single click only highlights it.
class DirList : public QListWidget {
  Q_OBJECT

 public:
  /// Reads folders through `runtime`, which must outlive the list.
  explicit DirList(Runtime& runtime, QWidget* parent = nullptr);

  /// The open folder, raw bytes.
  const std::string& Path() const { return path_; }
  /// The mount point of the drive the list stands on.
  const std::string& Root() const { return root_; }

  /// Opens `path` on the drive at `root` and makes it that drive's current folder.
  /// When it cannot be read, fills `err` and leaves the list as it was.
  bool SetPath(const std::string& root, const std::string& path, SysError* err);
  /// The same with `listing` of `path` read already.
  void SetPath(const std::string& root, const std::string& path, FolderListing listing);
  /// Opens the current folder of the drive at `root`: the one last opened on it, or
  /// its root when none was or that one cannot be read any more.
  bool SetDrive(const std::string& root, SysError* err);
  /// The plain files found when `Path` was read, sorted by name, handed over once:
  /// the file list that follows this one then need not read a large folder again.
  std::vector<std::string> TakeFiles() { return std::exchange(files_, {}); }

 signals:
  /// `Path` was set, by the user or by SetPath.
  void PathChanged();
  /// The user tried to open an entry that cannot be read.
  void OpenFailed(const vantrel::SysError& err);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Open(const QListWidgetItem* item);
  void Show(const std::vector<std::string>& subfolders);

  Runtime& runtime_;
  std::string root_;
  std::string path_;
  std::vector<std::string> files_;
  std::map<std::string, std::string> current_folders_;  // by drive root
};

}  // namespace vantrel
