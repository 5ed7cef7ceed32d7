// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/record_format.h"
#include "engine/shuffle_run.h"
#include "engine/undo_run.h"
#include "runtime/record_store.h"

namespace vantrel {

/// Records kept per folder, newest first; older ones go.
inline constexpr size_t kRunsKeptPerFolder = 50;
/// Records older than this go, whatever their folder.
inline constexpr int64_t kRecordLifetimeUs = int64_t{90} * 24 * 3600 * 1000000;

/// A run as its record in the store tells it.
struct StoredRun {
  std::string name;  // of the record in the store
  RecordContent content;
};

/// The record of the run going on. Every call returns once what it wrote is
/// durable; false, with `err` set, when it is not.
class RunJournal {
 public:
  RunJournal(std::unique_ptr<RecordWriter> writer, std::string name);
  /// Plans `files` as the next entries of the run, before any of them is renamed.
  bool Plan(const std::vector<RenamedFile>& files, SysError* err);
  /// Planned file `index` takes `new_name` instead, before that rename.
  bool Amend(size_t index, const std::string& new_name, SysError* err);
  /// Planned file `index` carries its planned (or amended) name now. Kept in memory
  /// for End; a killed run's record leaves it open which planned files got theirs.
  void Done(size_t index);
  /// The run ended, done, stopped or failed; planned files not Done were never renamed.
  bool End(SysError* err);
  /// Files planned so far.
  size_t planned() const { return planned_; }
  /// The record's name in the store.
  const std::string& name() const { return name_; }

 private:
  bool Write(const std::string& entry, SysError* err);

  std::unique_ptr<RecordWriter> writer_;
  std::string name_;
  size_t planned_ = 0;
  std::vector<bool> done_;
};

/// The runs recorded on disk, by folder.
class RunHistory {
 public:
  explicit RunHistory(RecordStore& store) : store_(store) {}

  /// Starts the record of a new run in the folder at `path` (raw bytes) after
  /// pruning old records: written and durable on return, nullptr with `err` set
  /// when the record cannot be written.
  std::unique_ptr<RunJournal> Begin(const std::string& path, SysError* err);
  /// The newest run of the folder at `path` that still has files to give back,
  /// however it ended; its files' folder is `path`. Records that cannot be read
  /// are passed over. nullopt when there is none, or when `err` is set.
  std::optional<StoredRun> Newest(const std::string& path, SysError* err);
  /// After an undo of `run`: only the first `kept` of its files are left to give
  /// back. A record with none left is removed.
  bool Settle(const StoredRun& run, size_t kept, SysError* err);
  /// Removes the record of a run that renamed nothing. Best effort.
  void Discard(const RunJournal& journal);
  /// Removes all but the newest kRunsKeptPerFolder records of each folder, and
  /// every record older than kRecordLifetimeUs. Best effort.
  void Prune();
  /// The state folder, for messages.
  std::string Location() const { return store_.Location(); }

 private:
  RecordStore& store_;
};

/// ShuffleFolder with its renames recorded in `history` ahead of them: a record
/// that cannot be written stops the run before its first rename, with
/// ErrorKind::kRecordUnwritable.
ShuffleOutcome ShuffleFolder(Runtime& runtime, ShuffleView& view, RunHistory& history);

/// Undoes the newest recorded run of the view's folder, as UndoRun does, and keeps
/// in its record what is still to give back, so that the next call goes on with it
/// or, when none is left, with the run before it. nullopt when the folder has no
/// recorded run left.
std::optional<UndoOutcome> UndoNewestRun(Runtime& runtime, RunHistory& history, ShuffleView& view);

/// Files that the folder's newest run, if it never finished, may have renamed;
/// 0 when its newest run finished or there is none.
size_t FilesOfUnfinishedRun(RunHistory& history, const std::string& path);

}  // namespace vantrel
