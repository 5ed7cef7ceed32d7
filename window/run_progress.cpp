// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/run_progress.h"

#include <QCoreApplication>

#include "window/german_texts.h"

namespace vantrel {
namespace {

// Often enough for smooth painting, seldom enough to cost nothing next to a rename.
constexpr qint64 kEventsEveryMs = 50;
// Shorter runs end before a dialog could be read.
constexpr qint64 kDialogAfterMs = 500;

QString CountText(int done, int total) {
  return QString::fromUtf8(texts::kRenaming) + "\n" +
         QString::fromUtf8(texts::kProgressCount).arg(done).arg(total);
}

}  // namespace

RunProgress::RunProgress(QWidget* window) : window_(window) {
  since_start_.start();
  since_events_.start();
}

RunProgress::~RunProgress() { delete dialog_.data(); }

void RunProgress::Report(int done, int total) {
  if (since_events_.elapsed() < kEventsEveryMs) return;
  if (!dialog_ && since_start_.elapsed() >= kDialogAfterMs) ShowDialog(total);
  if (dialog_) {
    dialog_->setLabelText(CountText(done, total));
    dialog_->setValue(done);
  }
  QCoreApplication::processEvents();
  since_events_.restart();
}

void RunProgress::ShowDialog(int total) {
  dialog_ = new QProgressDialog(window_);
  dialog_->setWindowTitle(QString::fromUtf8(texts::kWindowTitle));
  dialog_->setCancelButtonText(QString::fromUtf8(texts::kStop));
  // Not modal: Qt drops the desktop's close request to a window that a modal one
  // blocks, and the window takes no input during a run anyway.
  dialog_->setWindowModality(Qt::NonModal);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setMinimumDuration(0);
  dialog_->setRange(0, total);
  QObject::connect(dialog_, &QProgressDialog::canceled, dialog_, [this] { RequestStop(); });
  dialog_->show();
}

}  // namespace vantrel
