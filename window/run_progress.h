// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>

namespace vantrel {

/// Keeps the window alive during a run: it paints and answers the desktop, and a run
/// that takes longer than half a second shows how far it has come, with a button to
/// stop between two files. Lives for one run.
class RunProgress {
 public:
  explicit RunProgress(QWidget* window);
  ~RunProgress();
  RunProgress(const RunProgress&) = delete;
  RunProgress& operator=(const RunProgress&) = delete;

  /// After each file: `done` of `total` files are renamed.
  void Report(int done, int total);
  /// Whether the user asked to stop.
  bool StopRequested() const { return stop_requested_; }
  void RequestStop() { stop_requested_ = true; }

 private:
  void ShowDialog(int total);

  QWidget* window_;
  QElapsedTimer since_start_;
  QElapsedTimer since_events_;
  QPointer<QProgressDialog> dialog_;
  bool stop_requested_ = false;
};

}  // namespace vantrel
