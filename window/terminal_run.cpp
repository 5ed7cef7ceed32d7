// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/terminal_run.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "engine/dry_run.h"
#include "engine/stick_order.h"
#include "runtime/folder_listing.h"
#include "runtime/text.h"
#include "window/report_texts.h"

namespace vantrel {
namespace {

volatile std::sig_atomic_t stop_signal = 0;

// The first signal is the one the exit code tells of; a second one must not cut
// short what the first set going, such as the files of a stick coming home.
extern "C" void RememberStop(int signal_number) {
  if (stop_signal == 0) stop_signal = signal_number;
}

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = RememberStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void PrintLine(std::FILE* stream, const std::string& text) {
  std::fputs(text.c_str(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

// The fields of a run as the command line gave them, and a progress line that only
// a terminal gets: a pipe or a log file would fill with carriage returns.
class TerminalView : public ShuffleView {
 public:
  TerminalView(std::string folder, const CommandLine& line)
      : folder_(std::move(folder)), line_(line), progress_(isatty(STDERR_FILENO) == 1) {}
  ~TerminalView() override { EndProgress(); }

  std::string FolderPath() const override { return folder_; }
  std::string FilterText() const override { return line_.filter; }
  std::string PrefixText() const override { return line_.prefix; }
  std::string RangeText() const override { return raised_.empty() ? line_.range : raised_; }
  void SetRangeText(const std::string& text) override { raised_ = text; }
  void RefreshFileList() override {}
  void ReportProgress(int done, int total) override {
    if (!progress_ || total <= 0) return;
    const int percent = static_cast<int>(int64_t{done} * 100 / total);
    if (percent == shown_percent_ && done != total) return;
    shown_percent_ = percent;
    std::fprintf(stderr, "\r%s\033[K", texts::ProgressReport(done, total).c_str());
    std::fflush(stderr);
  }
  bool StopRequested() override { return stop_signal != 0; }

  void EndProgress() {
    if (shown_percent_ < 0) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_percent_ = -1;
  }
  const std::string& raised_range() const { return raised_; }

 private:
  std::string folder_;
  const CommandLine& line_;
  bool progress_;
  int shown_percent_ = -1;
  std::string raised_;
};

// What the window says when a folder opens: files a cut-short run left on a stick
// come home, and a run that never finished is pointed out.
void LookAtFolder(Runtime& runtime, RunHistory& history, const std::string& path, bool bring_home) {
  if (bring_home) {
    const Recovery recovery = RecoverHeldFiles(runtime, path);
    if (recovery.found) PrintLine(stderr, DescribeRecovery(recovery));
  }
  if (const size_t files = FilesOfUnfinishedRun(history, path)) {
    PrintLine(stderr, texts::UnfinishedRunReport(files, "\"vantrel --undo\""));
  }
}

// A signal that came too late to stop anything leaves the exit code as the work ended.
int StoppedOr(bool stopped, int code) { return stopped ? 128 + stop_signal : code; }

int Shuffle(const CommandLine& line, Runtime& runtime, RunHistory& history, TerminalView& view) {
  LookAtFolder(runtime, history, view.FolderPath(), !line.dry_run);
  const ShuffleOutcome outcome =
      line.dry_run ? PreviewShuffle(runtime, view) : ShuffleFolder(runtime, view, history);
  view.EndProgress();
  if (outcome.error) {
    PrintLine(stderr, DescribeError(*outcome.error));
    return kExitFailed;
  }
  if (!line.dry_run) {
    PrintLine(stdout, texts::ShuffleSummary(outcome, view.raised_range()));
    return StoppedOr(outcome.stopped, 0);
  }
  for (const RenamedFile& file : outcome.record.files) {
    PrintLine(stdout, DisplayName(file.old_name) + " → " + DisplayName(file.new_name));
  }
  PrintLine(stdout, texts::DryRunSummary(outcome, view.raised_range()));
  return StoppedOr(outcome.stopped, 0);
}

int Undo(Runtime& runtime, RunHistory& history, TerminalView& view) {
  const std::optional<UndoOutcome> outcome = UndoNewestRun(runtime, history, view);
  view.EndProgress();
  if (!outcome) {
    PrintLine(stderr, texts::NothingToUndo(view.FolderPath()));
    return kExitFailed;
  }
  const std::string report = DescribeUndo(*outcome);
  if (!report.empty()) PrintLine(stderr, report);
  PrintLine(stdout, texts::UndoSummary(*outcome));
  return StoppedOr(outcome->stopped, outcome->restored == outcome->total ? 0 : kExitFailed);
}

}  // namespace

int RunFromTerminal(const CommandLine& line, Runtime& runtime, RunHistory& history) {
  CatchStopSignals();
  std::string path;
  SysError err;
  if (!ResolvePath(line.folder.value_or("."), &path, &err)) {
    PrintLine(stderr, texts::FolderErrorReport(err));
    return kExitFailed;
  }
  TerminalView view(path, line);
  return line.mode == Mode::kUndo ? Undo(runtime, history, view)
                                  : Shuffle(line, runtime, history, view);
}

}  // namespace vantrel
