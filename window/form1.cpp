// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "engine/shuffle_run.h"
#include "engine/stick_order.h"
#include "engine/undo_run.h"
#include "runtime/folder_listing.h"
#include "window/dir_list.h"
#include "window/file_list.h"
#include "window/german_texts.h"
#include "window/report_texts.h"
#include "window/run_progress.h"

namespace vantrel {
namespace {

// The layout is drawn in twips, 15 to a logical pixel; Qt scales logical pixels
// on screens of higher density.
constexpr int kTwipsPerPixel = 15;

QRect Twips(int left, int top, int width, int height) {
  return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
               height / kTwipsPerPixel);
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel* NewLabel(const char* caption, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setBuddy(buddy);
  return label;
}

// The layout keeps its labels narrow ("Filter:" gets 25 pixels), so the window's font
// is the largest, up to 8 points, in which every caption fits its label.
QFont FittingFont(QFont font, const std::initializer_list<const QLabel*>& labels) {
  constexpr double kLargest = 8.0;
  constexpr double kSmallest = 6.0;
  for (double points = kLargest; points >= kSmallest; points -= 0.5) {
    font.setPointSizeF(points);
    const QFontMetrics metrics(font);
    const bool fits = std::all_of(labels.begin(), labels.end(), [&](const QLabel* label) {
      return metrics.horizontalAdvance(label->text()) <= label->width() &&
             metrics.height() <= label->height();
    });
    if (fits) break;
  }
  return font;
}

}  // namespace

Form1::Form1(Runtime& runtime, RunHistory& history, DriveList::Source drives,
             const std::string& start_folder, ListingAhead* start_listing, QWidget* parent)
    : QWidget(parent), runtime_(runtime), history_(history) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(texts::kWindowTitle));
  CreateControls(std::move(drives));
  CreateUndoAction();
  PlaceControls();
  OpenStartFolder(start_folder, start_listing);
  connect(Drive1_, &DriveList::DriveChanged, this, &Form1::Drive1Change);
  connect(Dir1_, &DirList::PathChanged, this, &Form1::Dir1Change);
  connect(Dir1_, &DirList::OpenFailed, this,
          [this](const SysError& err) { ShowError(texts::FolderErrorText(err)); });
  connect(Command1_, &QPushButton::clicked, this, &Form1::Command1Click);
  connect(Command2_, &QPushButton::clicked, this, &QWidget::close);
  // Once the window is up, so that a notice has a window to stand on, and only if no
  // folder opened since has been looked at already. Never in the middle of a run,
  // whose progress lets events through: on a stick its own parked files would be
  // taken from under it. A run brings home what an earlier one left anyway.
  QTimer::singleShot(0, this, [this] {
    if (held_files_looked_for_ || run_) return;
    const int opening = openings_;
    BringBackHeldFiles();
    if (opening == openings_) LookAtRecordedRuns(true);
  });
  Drive1_->setFocus();
}

Form1::~Form1() = default;

void Form1::CreateControls(DriveList::Source drives) {
  controls_ = new QWidget(this);
  Drive1_ = Named(new DriveList(std::move(drives), controls_), "Drive1");
  Dir1_ = Named(new DirList(runtime_, controls_), "Dir1");
  File1_ = Named(new FileList(runtime_, controls_), "File1");
  Drive1_->setAccessibleName(QString::fromUtf8(texts::kDriveListName));
  Dir1_->setAccessibleName(QString::fromUtf8(texts::kFolderListName));
  File1_->setAccessibleName(QString::fromUtf8(texts::kFileListName));
  Text1_ = Named(new QLineEdit(QString::fromUtf8(texts::kFilterDefault), controls_), "Text1");
  Text2_ = Named(new QLineEdit(controls_), "Text2");
  Text3_ = Named(new QLineEdit(QString::fromUtf8(texts::kRangeDefault), controls_), "Text3");
  Label1_ = Named(NewLabel(texts::kFilterCaption, Text1_, controls_), "Label1");
  Label2_ = Named(NewLabel(texts::kPrefixCaption, Text2_, controls_), "Label2");
  Label3_ = Named(NewLabel(texts::kRangeCaption, Text3_, controls_), "Label3");
  Command1_ = Named(new QPushButton(QString::fromUtf8(texts::kStart), controls_), "Command1");
  Command2_ = Named(new QPushButton(QString::fromUtf8(texts::kEnd), controls_), "Command2");
  setTabOrder(Drive1_, Dir1_);
  setTabOrder(Dir1_, File1_);
  setTabOrder(File1_, Text1_);
  setTabOrder(Text1_, Text2_);
  setTabOrder(Text2_, Text3_);
  setTabOrder(Text3_, Command1_);
  setTabOrder(Command1_, Command2_);
}

void Form1::CreateUndoAction() {
  undo_action_ = new QAction(QString::fromUtf8(texts::kUndoLastRun), this);
  undo_action_->setShortcut(QKeySequence::Undo);
  undo_action_->setEnabled(false);
  // The shortcut belongs to the whole window, but a text field with the focus claims
  // it first for its own typing. The file list only lends the action its context menu.
  undo_action_->setShortcutContext(Qt::WindowShortcut);
  File1_->addAction(undo_action_);
  File1_->setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(undo_action_, &QAction::triggered, this, &Form1::UndoLastRun);
}

void Form1::PlaceControls() {
  setFixedSize(Twips(0, 0, 5550, 3795).size());
  controls_->setGeometry(rect());
  Drive1_->setGeometry(Twips(225, 180, 2265, 315));
  Dir1_->setGeometry(Twips(180, 720, 2265, 1890));
  File1_->setGeometry(Twips(2790, 180, 2580, 2430));
  Text1_->setGeometry(Twips(3285, 2790, 1635, 285));
  Label1_->setGeometry(Twips(2880, 2835, 375, 195));
  Label2_->setGeometry(Twips(180, 2835, 1005, 195));
  Text2_->setGeometry(Twips(1215, 2790, 1320, 285));
  Label3_->setGeometry(Twips(495, 3330, 690, 195));
  Text3_->setGeometry(Twips(1215, 3285, 825, 285));
  Command1_->setGeometry(Twips(2835, 3285, 1140, 330));
  Command2_->setGeometry(Twips(4185, 3285, 1185, 330));
  setFont(FittingFont(font(), {Label1_, Label2_, Label3_}));
}

void Form1::OpenStartFolder(const std::string& start_folder, ListingAhead* start_listing) {
  Drive1_->SelectHolding(start_folder);
  const std::string root = Drive1_->Current().mount_point;
  std::optional<FolderListing> listing;
  if (start_listing != nullptr) listing = start_listing->Take(start_folder);
  if (listing) {
    Dir1_->SetPath(root, start_folder, std::move(*listing));
  } else if (!Dir1_->SetPath(root, start_folder, nullptr)) {
    // No report yet: there is no window to stand it on. The lists then start on the
    // drive's root, or stay empty.
    Dir1_->SetDrive(root, nullptr);
  }
  File1_->SetFiles(Dir1_->Path(), Dir1_->TakeFiles());
}

void Form1::OpenFolder(const std::string& folder) {
  std::string path;
  SysError err;
  if (ResolvePath(folder, &path, &err)) {
    Drive1_->SelectHolding(path);
    if (Dir1_->SetPath(Drive1_->Current().mount_point, path, &err)) return;
    Drive1_->SelectHolding(Dir1_->Root());
  }
  ShowError(texts::FolderErrorText(err));
}

std::string Form1::FolderPath() const { return Dir1_->Path(); }
std::string Form1::FilterText() const { return Text1_->text().toStdString(); }
std::string Form1::PrefixText() const { return Text2_->text().toStdString(); }
std::string Form1::RangeText() const { return Text3_->text().toStdString(); }

void Form1::SetRangeText(const std::string& text) { Text3_->setText(QString::fromStdString(text)); }

void Form1::RefreshFileList() {
  SysError err;
  if (!File1_->Refresh(&err)) ShowError(texts::FolderErrorText(err));
}

void Form1::ReportProgress(int done, int total) {
  if (run_) run_->Report(done, total);
}

bool Form1::StopRequested() { return run_ && run_->StopRequested(); }

// Files that a run cut short left in the holding folder go home as soon as their
// folder is open, with a word to the user. True when there were any; the lists then
// show the folder as it is now: opened again where the holding folder has gone, since
// the folder list still showed it, and the file list read again in any case.
bool Form1::BringBackHeldFiles() {
  held_files_looked_for_ = true;
  const Recovery recovery = RecoverHeldFiles(runtime_, Dir1_->Path());
  if (!recovery.found) return false;
  ShowNotice(QString::fromStdString(DescribeRecovery(recovery)));
  const bool emptied = recovery.kept.empty() && !recovery.error;
  if (emptied && Dir1_->SetPath(Dir1_->Root(), Dir1_->Path(), nullptr)) return true;
  File1_->SetPath(Dir1_->Path(), nullptr);
  return true;
}

// The undo entry is there while the open folder has a recorded run to give back;
// a folder that opens on a run that never finished says so once.
void Form1::LookAtRecordedRuns(bool folder_opened) {
  SysError err;
  const std::optional<StoredRun> newest = history_.Newest(Dir1_->Path(), &err);
  undo_action_->setEnabled(newest.has_value());
  if (folder_opened && newest && !newest->content.finished) {
    ShowNotice(texts::UnfinishedRunText(newest->content.files.size()));
  }
}

void Form1::ShowNotice(const QString& text) {
  QMessageBox::information(this, QString::fromUtf8(texts::kWindowTitle), text);
}

void Form1::ShowError(const QString& text) {
  QMessageBox::critical(this, QString::fromUtf8(texts::kWindowTitle), text);
}

void Form1::closeEvent(QCloseEvent* event) {
  if (!run_) {
    event->accept();
    return;
  }
  // Closing in the middle of a run stops it between two files and closes afterwards,
  // so no file is left half-way.
  run_->RequestStop();
  close_after_run_ = true;
  event->ignore();
}

void Form1::WhileBusy(const std::function<void()>& work) {
  QWidget* const focused = focusWidget();
  controls_->setEnabled(false);
  run_ = std::make_unique<RunProgress>(this);
  work();
  run_.reset();
  controls_->setEnabled(true);
  if (focused != nullptr) focused->setFocus();
}

void Form1::Command1Click() {
  if (run_) return;
  ShuffleOutcome outcome;
  WhileBusy([&] { outcome = ShuffleFolder(runtime_, *this, history_); });
  LookAtRecordedRuns(false);
  if (outcome.error) {
    // The run may have renamed files before it stopped; the list shows what is there
    // now. The report below says why, so a folder gone meanwhile needs no second one.
    File1_->Refresh(nullptr);
    ShowError(QString::fromStdString(DescribeError(*outcome.error)));
  }
  if (close_after_run_) close();
}

void Form1::UndoLastRun() {
  if (run_) return;
  std::optional<UndoOutcome> outcome;
  WhileBusy([&] { outcome = UndoNewestRun(runtime_, history_, *this); });
  LookAtRecordedRuns(false);
  if (!outcome) return;
  if (outcome->error) File1_->Refresh(nullptr);
  const std::string report = DescribeUndo(*outcome);
  if (!report.empty()) ShowError(QString::fromStdString(report));
  if (close_after_run_) close();
}

void Form1::Drive1Change() {
  SysError err;
  if (Dir1_->SetDrive(Drive1_->Current().mount_point, &err)) return;
  ShowError(texts::FolderErrorText(err));
  Drive1_->SelectHolding(Dir1_->Root());
}

void Form1::Dir1Change() {
  const int opening = ++openings_;
  if (!BringBackHeldFiles()) {
    // The folder list has just read the folder, files included.
    File1_->SetFiles(Dir1_->Path(), Dir1_->TakeFiles());
  }
  // Where the folder was opened again once its holding folder had gone, that
  // opening has looked already.
  if (opening == openings_) LookAtRecordedRuns(true);
}

}  // namespace vantrel
