// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "runtime/runtime.h"

namespace vantrel {

/// Why a shuffle run stopped. The numbers are stable: users quote them.
enum class ErrorKind {
  kTooManyFiles = 1,
  // 2 was an index out of range, which nothing raises; the number stays unused.
  kRangeNotANumber = 3,
  kNameTooShort = 4,
  kRenameFailed = 10,
  kFolderUnreadable = 11,
  kRecordUnwritable = 12,
  kRecordUnreadable = 13,
  kNoFreeName = 20,
  kPrefixBadCharacter = 21,
  kPrefixWithDot = 22,
  kRangeTooLarge = 23,
  kNameTooLong = 24,
  kEmptyFilter = 25,
  kHeldFilesRemain = 26,
  kPrefixNotOnStick = 27,
  kNewNameGone = 30,
  kOldNameTaken = 31,
};

/// The one error of the engine: what went wrong, on which file, the system's
/// reason and how far the run had come.
struct ShuffleError {
  ErrorKind kind = ErrorKind::kNameTooShort;
  std::string file;        // raw bytes of the file concerned; empty when none
  std::string call;        // the failed system call, if any
  int sys_code = 0;        // its errno, if any
  int renamed_before = 0;  // files renamed by this run before it stopped
  int total = 0;           // files the run set out to rename
  int held = 0;            // files left in the holding folder, to come back later

  int number() const { return static_cast<int>(kind); }
};

/// An error of `kind` on `file`, from the failed system `call` with `sys_code`.
ShuffleError MakeError(ErrorKind kind, const std::string& file = {}, const std::string& call = {},
                       int sys_code = 0);

/// The same from the failed system call described by `sys`.
ShuffleError MakeError(ErrorKind kind, const std::string& file, const SysError& sys);

/// Ends the current run: throws MakeError(...). Only the engine calls it, and
/// ShuffleFolder catches it.
[[noreturn]] void RaiseError(ErrorKind kind, const std::string& file = {},
                             const std::string& call = {}, int sys_code = 0);

/// Runs `work` and returns what it threw: a ShuffleError as it was, running out of
/// memory as kRenameFailed from malloc. The one place where the engine's errors
/// become an outcome.
std::optional<ShuffleError> CatchError(const std::function<void()>& work);

}  // namespace vantrel
