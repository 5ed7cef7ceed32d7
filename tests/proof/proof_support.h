// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/posix_runtime.h"
#include "tests/support/fake_runtime.h"
#include "tests/support/temp_folder.h"

namespace vantrel::proof {

/// True when `name` is what a run could have given `old_name`: `prefix`, a number
/// of 1..range filled with "0" to `pad_width` digits, and the old name's last four
/// characters. Written apart from the engine so that both cannot share one slip.
bool IsDrawnName(const std::string& name, const std::string& old_name, const std::string& prefix,
                 int64_t range, size_t pad_width);

using testing::CallsWithoutFlagOrLinks;
using testing::CallsWithoutNoReplaceFlag;
using testing::ContentOf;
using testing::CreateFiles;
using testing::DrawLimitReached;
using testing::FakeRuntime;
using testing::ListNames;
using testing::NameByContent;
using testing::Numbered;
using testing::ReadFolder;
using testing::SameContentsEachOnce;
using testing::Snapshot;
using testing::WriteNewFile;

const char* MethodName(RenameMethod method);

struct Killed {
  bool by_sigkill = false;
  int reported = 0;  // steps the child said were done before it died
  std::string detail;
};

/// Starts shuffle_child (the program `child`) on `folder` with `range`, reads its
/// progress and kills it with SIGKILL once it reports `kill_after` steps done (a
/// step is one rename). The child waits for the kill once it has done `hold_at`
/// steps, so that however the machine is loaded, the kill lands before that point.
Killed RunAndKill(const std::string& child, const std::string& folder, const std::string& range,
                  int kill_after, int hold_at, const std::string& child_log);

struct Interrupted {
  int exit_code = -1;  // -1: the program did not end normally
  std::string out;     // its standard output
  std::string shown;   // what it showed on the terminal
};

/// Runs `argv` with its standard error on a terminal, where the program shows its
/// progress, and waits for it to end. With `interrupt`, a Ctrl+C (SIGINT) reaches it
/// as it shows its first progress.
Interrupted RunAndInterrupt(const std::vector<std::string>& argv, bool interrupt);

}  // namespace vantrel::proof
