// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace vantrel {

/// What the program is asked to do.
enum class Mode {
  kWindow,   // open the window
  kShuffle,  // rename the folder's files from the terminal
  kUndo,     // undo the folder's newest recorded run from the terminal
};

/// What the command line asks for.
struct CommandLine {
  Mode mode = Mode::kWindow;
  /// The folder, raw bytes, absolute or relative to the current folder; a `file://`
  /// URL already turned into its path. None: the current folder (window only).
  std::optional<std::string> folder;
  /// The three fields of a shuffle from the terminal, as bytes; the window's defaults
  /// where not given.
  std::string filter;
  std::string prefix;
  std::string range;
  /// Lists what a shuffle would do and renames nothing.
  bool dry_run = false;
  /// Set when the program ends at once with this code, after printing `text` to
  /// standard output (code 0) or standard error.
  std::optional<int> exit_code;
  std::string text;
};

/// Reads `argv` as the system passed it. Answers --help and --version; an unknown
/// option, a second folder, a terminal option without --shuffle or --undo, or those
/// without a folder end with exit code 2 and the usage.
CommandLine ReadCommandLine(int argc, const char* const argv[]);

}  // namespace vantrel
