// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/shuffle_view.h"

namespace vantrel::testing {

/// The window's side of a run, as plain fields.
struct FakeView : ShuffleView {
  std::string folder;
  std::string filter = "*.*";
  std::string prefix;
  std::string range = "999";
  int refreshes = 0;
  std::vector<std::string> range_writes;
  std::vector<std::pair<int, int>> progress;
  int stop_after = -1;  // files done before StopRequested says yes; -1: never

  std::string FolderPath() const override { return folder; }
  std::string FilterText() const override { return filter; }
  std::string PrefixText() const override { return prefix; }
  std::string RangeText() const override { return range; }
  void SetRangeText(const std::string& text) override {
    range = text;
    range_writes.push_back(text);
  }
  void RefreshFileList() override { ++refreshes; }
  void ReportProgress(int done, int total) override { progress.emplace_back(done, total); }
  bool StopRequested() override {
    return stop_after >= 0 && static_cast<int>(progress.size()) >= stop_after;
  }
};

}  // namespace vantrel::testing
