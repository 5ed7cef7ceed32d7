// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/run_history.h"
#include "runtime/runtime.h"
#include "window/command_line.h"

namespace vantrel {

/// Exit code of a run or an undo that failed, or of an undo that left files as they were.
inline constexpr int kExitFailed = 1;

/// Carries out a `--shuffle` or `--undo` of `line` without a window: a summary line
/// on standard output, reports on standard error, progress there too when it is a
/// terminal. SIGINT and SIGTERM stop the work between two files as "Abbrechen" does.
/// Returns the exit code: 0, kExitFailed, or 128 plus the first signal that stopped it.
int RunFromTerminal(const CommandLine& line, Runtime& runtime, RunHistory& history);

}  // namespace vantrel
