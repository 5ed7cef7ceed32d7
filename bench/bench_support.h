// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <random>
#include <string>

#include "engine/shuffle_view.h"

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

}  // namespace vantrel::bench
