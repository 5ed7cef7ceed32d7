// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <functional>
#include <string>
#include <vector>

#include "runtime/drives.h"

namespace vantrel {

/// `Drive1`: the drop-down list of drives, shown by mount point and label.
class DriveList : public QComboBox {
  Q_OBJECT

 public:
  using Source = std::function<std::vector<Drive>()>;

  /// Reads the drives from `source` now and each time the list drops down.
  explicit DriveList(Source source, QWidget* parent = nullptr);

  /// The selected drive.
  const Drive& Current() const;
  /// Selects the drive that holds `path` (nearest mount point), without a change.
  void SelectHolding(const std::string& path);
  /// Reads the drives again before dropping down, so that a stick plugged in while
  /// the program runs shows up.
  void showPopup() override;

 signals:
  /// The user picked another drive.
  void DriveChanged();

 private:
  void Fill(std::vector<Drive> drives, std::string selected);

  Source source_;
  std::vector<Drive> drives_;
};

}  // namespace vantrel
