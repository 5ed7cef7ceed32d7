// SPDX-License-Identifier: GPL-3.0-or-later
// Times the real window on Qt's offscreen platform: opening a generated folder in
// Dir1, and a click on "Start" until File1 is painted with the new names, against
// the floor measured in the same run (listing the folder and renaming every file
// once) and against the engine alone; and what File1's refresh and the progress
// reports take of it. Then times the program's start-up in a big and in an empty
// folder, each in a process of its own.
//
//   window_bench [folder]   (default: the current folder; it must be writable)

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "bench/bench_support.h"
#include "engine/run_history.h"
#include "engine/shuffle_run.h"
#include "runtime/drives.h"
#include "runtime/folder_listing.h"
#include "runtime/posix_runtime.h"
#include "window/form1.h"
#include "window/run_progress.h"

extern char** environ;

namespace {

using vantrel::bench::MakeFolder;
using vantrel::bench::Seconds;
using vantrel::bench::TimeFloor;
using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "window_bench: %s\n", what.c_str());
  std::exit(1);
}

// A message box would wait for a click that never comes.
class BenchForm : public vantrel::Form1 {
 public:
  using Form1::Form1;

 protected:
  void ShowError(const QString& text) override { Fail(text.toStdString()); }
};

template <typename Widget>
Widget* Find(const QWidget& form, const char* name) {
  auto* widget = form.findChild<Widget*>(QString::fromLatin1(name));
  if (widget == nullptr) Fail(std::string("no control ") + name);
  return widget;
}

// Tells when a list has been painted after its rows changed, whatever kind of
// model or item view it uses.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QAbstractItemView* list) {
    list->viewport()->installEventFilter(this);
    const QAbstractItemModel* model = list->model();
    connect(model, &QAbstractItemModel::modelReset, this, [this] { changed_ = true; });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] { changed_ = true; });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { changed_ = true; });
  }

  void Arm(bool changed_already = false) {
    changed_ = changed_already;
    painted_ = false;
  }

  // The paint happens within the processEvents call that delivers it, so once the
  // flag is up the list is on the screen.
  void WaitForPaint() {
    const auto give_up = Clock::now() + std::chrono::minutes(2);
    while (!painted_) {
      if (Clock::now() > give_up) Fail("the file list was never painted");
      QCoreApplication::processEvents();
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && changed_) painted_ = true;
    return QObject::eventFilter(watched, event);
  }

 private:
  bool changed_ = false;
  bool painted_ = false;
};

struct WindowFigures {
  double open_dir_s = 0;  // Return on the folder in Dir1 until File1 is painted
  double window_s = 0;    // click on "Start" until File1 is painted with the new names
  double refresh_s = 0;   // File1 re-reading the renamed folder until painted
  double progress_s = 0;  // spent in the progress reports of a run as long as the click's
};

void ExpectNewNames(const QAbstractItemView& file1, int files) {
  const QAbstractItemModel& model = *file1.model();
  if (model.rowCount() != files) Fail("File1 shows a wrong number of files");
  for (int row = 0; row < files; ++row) {
    if (model.index(row, 0).data().toString().startsWith(QLatin1String("file"))) {
      Fail("File1 still shows an old name");
    }
  }
}

// The window paints every 50 ms during a run and shows a progress dialog after half a
// second. Their cost is the time spent in the reports of a run of `run_s` seconds,
// the renames stood for by waiting.
double TimeProgress(QWidget& form, int files, double run_s) {
  vantrel::RunProgress progress(&form);
  double inside = 0;
  const auto start = Clock::now();
  for (int done = 1; done <= files; ++done) {
    while (Seconds(start) < run_s * done / files) {
    }
    const auto before = Clock::now();
    progress.Report(done, files);
    inside += Seconds(before);
  }
  return inside;
}

template <typename Action>
double TimeUntilPainted(PaintWatch& watch, Action action) {
  watch.Arm();
  const auto start = Clock::now();
  action();
  watch.WaitForPaint();
  return Seconds(start);
}

// Every run is recorded, as in the program.
struct Recording {
  vantrel::PosixRecordStore store;
  vantrel::RunHistory history{store};
};

WindowFigures TimeWindow(vantrel::Runtime& runtime, Recording& recording, const std::string& top,
                         const std::string& folder, int files) {
  BenchForm form(runtime, recording.history, vantrel::ListDrives, top);
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) Fail("the window was never shown");
  auto* dir1 = Find<QAbstractItemView>(form, "Dir1");
  auto* file1 = Find<QAbstractItemView>(form, "File1");
  PaintWatch watch(file1);
  const QString entry = QString::fromStdString(std::filesystem::path(folder).filename());
  const QModelIndexList found =
      dir1->model()->match(dir1->model()->index(0, 0), Qt::DisplayRole, entry, 1, Qt::MatchExactly);
  if (found.isEmpty()) Fail("Dir1 does not list " + folder);
  dir1->setCurrentIndex(found.first());

  WindowFigures figures;
  figures.open_dir_s = TimeUntilPainted(watch, [&] { QTest::keyClick(dir1, Qt::Key_Return); });
  if (form.FolderPath() != folder) Fail("Dir1 did not open " + folder);
  Find<QLineEdit>(form, "Text3")->setText(QString::number(files + 1));
  auto* start = Find<QPushButton>(form, "Command1");
  figures.window_s = TimeUntilPainted(watch, [&] { QTest::mouseClick(start, Qt::LeftButton); });
  ExpectNewNames(*file1, files);
  figures.refresh_s = TimeUntilPainted(watch, [&] { form.RefreshFileList(); });
  figures.progress_s = TimeProgress(form, files, figures.window_s);
  return figures;
}

double TimeEngine(vantrel::Runtime& runtime, Recording& recording, const std::string& folder,
                  int files) {
  vantrel::bench::BenchView view;
  view.folder = folder;
  view.range = std::to_string(files + 1);
  const auto start = Clock::now();
  const vantrel::ShuffleOutcome outcome = vantrel::ShuffleFolder(runtime, view, recording.history);
  const double seconds = Seconds(start);
  if (outcome.error || outcome.renamed != files) Fail("the engine's run failed");
  return seconds;
}

// The child's side of TimeStartUp: what main() does, until File1 is on the screen.
int ShowWindowIn(vantrel::Runtime& runtime, const char* folder, vantrel::ListingAhead* listing) {
  Recording recording;
  BenchForm form(runtime, recording.history, vantrel::ListDrives, folder, listing);
  PaintWatch watch(Find<QAbstractItemView>(form, "File1"));
  watch.Arm(true);
  form.show();
  watch.WaitForPaint();
  std::fputs("shown\n", stdout);
  std::fflush(stdout);
  return 0;
}

// From starting a process to its window painted, in a process of its own so that
// nothing is loaded or cached in it yet.
double TimeStartUp(const std::string& folder) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) Fail("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  std::string self = "window_bench";
  std::string flag = "--show";
  std::string where = folder;
  std::array<char*, 4> argv{self.data(), flag.data(), where.data(), nullptr};
  const auto start = Clock::now();
  pid_t child = 0;
  if (posix_spawn(&child, "/proc/self/exe", &actions, nullptr, argv.data(), environ) != 0) {
    Fail("posix_spawn");
  }
  close(pipe_fds[1]);
  char byte = 0;
  const bool shown = read(pipe_fds[0], &byte, 1) == 1;
  const double seconds = Seconds(start);
  close(pipe_fds[0]);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  waitpid(child, &status, 0);
  if (!shown || !WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("start-up in " + folder);
  return seconds;
}

void Remove(const std::string& folder) {
  std::filesystem::remove_all(folder);
  sync();
}

}  // namespace

namespace {

struct SizeFigures {
  WindowFigures window{1e9, 1e9, 1e9, 1e9};
  double floor_s = 1e9;
  double engine_s = 1e9;
};

void KeepBest(const WindowFigures& run, WindowFigures* best) {
  best->open_dir_s = std::min(best->open_dir_s, run.open_dir_s);
  best->window_s = std::min(best->window_s, run.window_s);
  best->refresh_s = std::min(best->refresh_s, run.refresh_s);
  best->progress_s = std::min(best->progress_s, run.progress_s);
}

// The best of several runs of each: the kernel's rename time varies from run to run.
SizeFigures MeasureSize(vantrel::Runtime& runtime, Recording& recording, const std::string& base,
                        int files, std::mt19937_64& generator) {
  SizeFigures best;
  const int repeats = files <= 1000 ? 15 : files <= 8000 ? 7 : 5;
  for (int repeat = 0; repeat < repeats; ++repeat) {
    const std::string top = MakeFolder(base, 0);
    const std::string window_folder = MakeFolder(top, files);
    const std::string floor_folder = MakeFolder(base, files);
    const std::string engine_folder = MakeFolder(base, files);
    sync();
    std::array<std::function<void()>, 3> steps{
        [&] { best.floor_s = std::min(best.floor_s, TimeFloor(floor_folder, generator)); },
        [&] {
          best.engine_s =
              std::min(best.engine_s, TimeEngine(runtime, recording, engine_folder, files));
        },
        [&] { KeepBest(TimeWindow(runtime, recording, top, window_folder, files), &best.window); }};
    // Each goes first in turn, so that none always pays for another's writeback.
    std::rotate(steps.begin(), steps.begin() + repeat % 3, steps.end());
    for (const auto& step : steps) step();
    for (const std::string& folder : {top, floor_folder, engine_folder}) Remove(folder);
  }
  return best;
}

struct StartUpFigures {
  double empty_s = 1e9;
  double big_s = 1e9;
  double reading_s = 1e9;  // the listing the big start waits for, read and sorted
};

// Best start-up times in an empty and in a big folder, taken in turn, and the time
// the big folder's listing takes on its own: the start cannot show File1 sooner
// after main() begins.
StartUpFigures MeasureStartUp(vantrel::Runtime& runtime, const std::string& base, int files) {
  const std::string empty = MakeFolder(base, 0);
  const std::string big = MakeFolder(base, files);
  sync();
  StartUpFigures best;
  // A start takes a few hundredths of a second, so a busy moment of the machine
  // weighs much; many tries cost little.
  for (int repeat = 0; repeat < 25; ++repeat) {
    best.empty_s = std::min(best.empty_s, TimeStartUp(empty));
    best.big_s = std::min(best.big_s, TimeStartUp(big));
    vantrel::FolderListing listing;
    const auto start = Clock::now();
    if (!vantrel::ReadFolderListing(runtime, big, &listing, nullptr)) Fail("listing " + big);
    best.reading_s = std::min(best.reading_s, Seconds(start));
  }
  Remove(empty);
  Remove(big);
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc == 3 && std::string(argv[1]) == "--show") {
    vantrel::PosixRuntime runtime;  // as main() starts the program
    vantrel::ListingAhead listing(runtime, argv[2]);
    QApplication app(argc, argv);
    return ShowWindowIn(runtime, argv[2], &listing);
  }
  QApplication app(argc, argv);
  const std::string base = argc > 1 ? argv[1] : std::filesystem::current_path().string();
  vantrel::PosixRuntime runtime;
  const std::string state = vantrel::bench::UseStateFolderIn(base);
  Recording recording;
  std::mt19937_64 generator(std::random_device{}());
  std::printf("%7s %9s %9s %7s %9s %10s %11s %11s\n", "files", "window_s", "floor_s", "ratio",
              "engine_s", "refresh_s", "progress_s", "open_dir_s");
  SizeFigures last;
  for (const int files : {1000, 8000, 32767}) {
    last = MeasureSize(runtime, recording, base, files, generator);
    std::printf("%7d %9.4f %9.4f %7.3f %9.4f %10.4f %11.4f %11.4f\n", files, last.window.window_s,
                last.floor_s, last.window.window_s / last.floor_s, last.engine_s,
                last.window.refresh_s, last.window.progress_s, last.window.open_dir_s);
    std::fflush(stdout);
  }
  const StartUpFigures start_up = MeasureStartUp(runtime, base, 32767);
  std::printf("start-up: empty folder %.4f s, 32767 files %.4f s; their listing alone %.4f s\n",
              start_up.empty_s, start_up.big_s, start_up.reading_s);
  std::printf("files=32767 window_s=%.4f floor_s=%.4f ratio=%.3f open_ratio=%.3f\n",
              last.window.window_s, last.floor_s, last.window.window_s / last.floor_s,
              start_up.big_s / start_up.empty_s);
  Remove(state);
  return 0;
}
