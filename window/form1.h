// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "engine/run_history.h"
#include "engine/shuffle_run.h"
#include "engine/shuffle_view.h"
#include "runtime/folder_listing.h"
#include "runtime/runtime.h"
#include "window/drive_list.h"

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrel {

class DirList;
class FileList;
class RunProgress;

/// The program's window: the folder browser (`Drive1`, `Dir1`, `File1`), the filter,
/// prefix and range fields (`Text1`..`Text3`) and the buttons "Start" (`Command1`)
/// and "Ende" (`Command2`). What a run sees of it is the ShuffleView.
class Form1 : public QWidget, public ShuffleView {
  Q_OBJECT

 public:
  /// Opens on `start_folder` (raw bytes) and the drive that holds it, taking its
  /// listing from `start_listing` where that has read it; runs go through
  /// `runtime` and are recorded in `history`, which must outlive the window.
  Form1(Runtime& runtime, RunHistory& history, DriveList::Source drives,
        const std::string& start_folder, ListingAhead* start_listing = nullptr,
        QWidget* parent = nullptr);
  ~Form1() override;

  /// Opens `folder` (raw bytes, absolute or relative to the current folder) and the
  /// drive that holds it. When it cannot be opened, reports why and stays where it was.
  void OpenFolder(const std::string& folder);

  std::string FolderPath() const override;
  std::string FilterText() const override;
  std::string PrefixText() const override;
  std::string RangeText() const override;
  void SetRangeText(const std::string& text) override;
  void RefreshFileList() override;
  void ReportProgress(int done, int total) override;
  bool StopRequested() override;

 protected:
  /// Shows a German error report and waits for the user; tests look instead.
  virtual void ShowError(const QString& text);
  /// Shows a German notice and waits for the user.
  virtual void ShowNotice(const QString& text);
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls(DriveList::Source drives);
  void PlaceControls();
  void OpenStartFolder(const std::string& start_folder, ListingAhead* start_listing);
  void CreateUndoAction();
  void WhileBusy(const std::function<void()>& work);
  void Command1Click();
  void UndoLastRun();
  void Drive1Change();
  void Dir1Change();
  bool BringBackHeldFiles();
  void LookAtRecordedRuns(bool folder_opened);

  Runtime& runtime_;
  RunHistory& history_;
  QWidget* controls_ = nullptr;  // everything that takes input, shut during a run
  DriveList* Drive1_ = nullptr;
  DirList* Dir1_ = nullptr;
  FileList* File1_ = nullptr;
  QLineEdit* Text1_ = nullptr;
  QLineEdit* Text2_ = nullptr;
  QLineEdit* Text3_ = nullptr;
  QLabel* Label1_ = nullptr;
  QLabel* Label2_ = nullptr;
  QLabel* Label3_ = nullptr;
  QPushButton* Command1_ = nullptr;
  QPushButton* Command2_ = nullptr;
  QAction* undo_action_ = nullptr;
  std::unique_ptr<RunProgress> run_;  // set while a run or an undo goes on
  bool close_after_run_ = false;
  bool held_files_looked_for_ = false;
  int openings_ = 0;  // folders opened so far
};

}  // namespace vantrel
