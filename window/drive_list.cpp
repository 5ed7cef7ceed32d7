// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/drive_list.h"

#include <QAccessibleWidget>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>

#include "runtime/text.h"

namespace vantrel {
namespace {

QString Caption(const Drive& drive) {
  QString caption = QString::fromStdString(DisplayName(drive.mount_point));
  if (!drive.label.empty()) {
    caption += " [" + QString::fromStdString(DisplayName(drive.label)) + "]";
  }
  return caption;
}

// Qt's combo box on Linux tells a screen reader its current text as its name, which
// leaves the list unnamed ("/media/stick"); this one says "Laufwerk" and gives the
// drive as its value.
class DriveListAccessible : public QAccessibleWidget {
 public:
  explicit DriveListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return List()->currentText();
    return QAccessibleWidget::text(kind);
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == showMenuAction() || action == pressAction()) {
      List()->showPopup();
    } else {
      QAccessibleWidget::doAction(action);
    }
  }

 private:
  QComboBox* List() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* DriveListAccessibility(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String(DriveList::staticMetaObject.className())) return nullptr;
  return new DriveListAccessible(static_cast<DriveList*>(object));
}

}  // namespace

DriveList::DriveList(Source source, QWidget* parent)
    : QComboBox(parent), source_(std::move(source)) {
  static const bool accessibility_installed = [] {
    QAccessible::installFactory(DriveListAccessibility);
    return true;
  }();
  static_cast<void>(accessibility_installed);
  Fill(source_(), {});
  connect(this, &QComboBox::currentIndexChanged, this, &DriveList::DriveChanged);
}

const Drive& DriveList::Current() const {
  return drives_.at(static_cast<size_t>(std::max(currentIndex(), 0)));
}

void DriveList::SelectHolding(const std::string& path) {
  const int index = DriveHolding(drives_, path);
  if (index < 0) return;
  const QSignalBlocker quiet(this);
  setCurrentIndex(index);
}

void DriveList::showPopup() {
  Fill(source_(), Current().mount_point);
  QComboBox::showPopup();
}

void DriveList::Fill(std::vector<Drive> drives, std::string selected) {
  // The selected drive stays even when it has gone, since the folder list still
  // stands on it.
  const auto on = [](const std::string& mount_point) {
    return [&mount_point](const Drive& drive) { return drive.mount_point == mount_point; };
  };
  if (!selected.empty() && std::none_of(drives.begin(), drives.end(), on(selected))) {
    const auto kept = std::find_if(drives_.begin(), drives_.end(), on(selected));
    drives.push_back(kept != drives_.end() ? *kept : Drive{selected, {}});
  }
  if (drives.empty()) drives.push_back(Drive{"/", {}});
  const QSignalBlocker quiet(this);
  drives_ = std::move(drives);
  clear();
  const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
  for (const Drive& drive : drives_) addItem(icon, Caption(drive));
  const auto found = std::find_if(drives_.begin(), drives_.end(), on(selected));
  if (found != drives_.end()) setCurrentIndex(static_cast<int>(found - drives_.begin()));
}

}  // namespace vantrel
