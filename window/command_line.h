// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace vantrel {

/// What the command line `vantrel [FOLDER]` asks for.
struct CommandLine {
  /// The folder to open, raw bytes, absolute or relative to the current folder; a
  /// `file://` URL already turned into its path. None: the current folder.
  std::optional<std::string> folder;
  /// Set when the program ends at once with this code, after printing `text` to
  /// standard output (code 0) or standard error.
  std::optional<int> exit_code;
  std::string text;
};

/// Reads `argv` as the system passed it. Answers --help and --version; an unknown
/// option or a second folder ends with exit code 2 and the usage.
CommandLine ReadCommandLine(int argc, const char* const argv[]);

}  // namespace vantrel
