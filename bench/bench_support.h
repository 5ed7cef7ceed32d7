// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <random>
#include <string>

#include "engine/shuffle_view.h"
#include "runtime/record_store.h"

namespace vantrel::bench {

/// The fields of a window, as a run over every file of `folder` reads them.
struct BenchView : ShuffleView {
  std::string folder;
  std::string range;
  std::string FolderPath() const override { return folder; }
  std::string FilterText() const override { return "*.*"; }
  std::string PrefixText() const override { return ""; }
  std::string RangeText() const override { return range; }
  void SetRangeText(const std::string& text) override { range = text; }
  void RefreshFileList() override {}
};

/// A new folder below `base` holding `files` files named by `format` from 0 upwards;
/// ends the program when it cannot be made.
std::string MakeFolder(const std::string& base, int files, const char* format = "/file%05d.dat");

/// Seconds since `start`.
double Seconds(std::chrono::steady_clock::time_point start);

/// Seconds for the least work a shuffle of `path` can do: one listing and one
/// no-replace rename per file.
double TimeFloor(const std::string& path, std::mt19937_64& generator);

/// Points $XDG_STATE_HOME at a new folder below `base`, so that the records of the
/// runs timed, and of the processes started, stay out of the user's own; returns it.
std::string UseStateFolderIn(const std::string& base);

/// The store of records on Linux, timing its writes and syncs.
class TimedRecordStore : public PosixRecordStore {
 public:
  using PosixRecordStore::PosixRecordStore;
  std::unique_ptr<RecordWriter> Create(const std::string& name, SysError* err) override;
  /// Seconds spent creating, writing and syncing records so far.
  double seconds() const { return seconds_; }
  /// Bytes written to records so far.
  size_t bytes() const { return bytes_; }

 private:
  double seconds_ = 0;
  size_t bytes_ = 0;
};

}  // namespace vantrel::bench
