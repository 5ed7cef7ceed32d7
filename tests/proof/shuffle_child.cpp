// SPDX-License-Identifier: GPL-3.0-or-later
// shuffle_child FOLDER RANGE PROGRESS_FD HOLD_AT
//
// Shuffles FOLDER (filter "*.*", no prefix) with the real runtime, recording the
// run where $XDG_STATE_HOME says, as the window would, and writes the number of steps done to
// PROGRESS_FD as it goes, so that a test can kill it part-way. Once HOLD_AT steps are done it waits
// to be killed, or for SIGUSR1, which lets the run go on to whatever the stick does to it then.
// Exits 0 when the run completed, 1 on an error.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/run_history.h"
#include "engine/shuffle_run.h"
#include "runtime/posix_runtime.h"
#include "window/report_texts.h"

namespace {

volatile sig_atomic_t g_go_on = 0;
void GoOn(int) { g_go_on = 1; }
// SIGUSR1 stays blocked but while the run waits, so that it cannot slip in between
// the look at the flag and the wait.
sigset_t g_waiting_mask;

class ChildView : public vantrel::ShuffleView {
 public:
  ChildView(std::string folder, std::string range, int progress_fd, int hold_at)
      : folder_(std::move(folder)),
        range_(std::move(range)),
        progress_fd_(progress_fd),
        hold_at_(hold_at) {}

  std::string FolderPath() const override { return folder_; }
  std::string FilterText() const override { return "*.*"; }
  std::string PrefixText() const override { return ""; }
  std::string RangeText() const override { return range_; }
  void SetRangeText(const std::string& text) override { range_ = text; }
  void RefreshFileList() override {}
  // Never blocks: a reader that has stopped reading must not hold the run at a
  // point between two files, where killing it would prove less.
  void ReportProgress(int done, int total) override {
    if (done % 16 != 0 && done != total) return;
    const std::string line = std::to_string(done) + "\n";
    [[maybe_unused]] const ssize_t ignored = write(progress_fd_, line.data(), line.size());
    // A test reading slowly on a loaded machine must still find the run unfinished.
    while (done >= hold_at_ && g_go_on == 0) sigsuspend(&g_waiting_mask);
  }

 private:
  std::string folder_;
  std::string range_;
  int progress_fd_;
  int hold_at_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: shuffle_child FOLDER RANGE PROGRESS_FD HOLD_AT\n");
    return 2;
  }
  sigset_t go_on;
  sigemptyset(&go_on);
  sigaddset(&go_on, SIGUSR1);
  sigprocmask(SIG_BLOCK, &go_on, &g_waiting_mask);
  sigdelset(&g_waiting_mask, SIGUSR1);
  signal(SIGUSR1, GoOn);
  const int progress_fd = std::atoi(argv[3]);
  fcntl(progress_fd, F_SETFL, fcntl(progress_fd, F_GETFL) | O_NONBLOCK);
  vantrel::PosixRuntime runtime(vantrel::NumberFormat{});
  ChildView view(argv[1], argv[2], progress_fd, std::atoi(argv[4]));
  vantrel::PosixRecordStore records;
  vantrel::RunHistory history(records);
  const vantrel::ShuffleOutcome outcome = vantrel::ShuffleFolder(runtime, view, history);
  if (outcome.error) {
    std::fprintf(stderr, "%s\n", vantrel::DescribeError(*outcome.error).c_str());
    return 1;
  }
  return 0;
}
