// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/dir_list.h"

#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

#include "runtime/folder_listing.h"
#include "runtime/folder_path.h"
#include "runtime/text.h"

namespace vantrel {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 7;

// Indents each entry by its depth below the drive's root, as a folder list does.
class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem indented(option);
    indented.rect.setLeft(option.rect.left() + Indent(index));
    QStyledItemDelegate::paint(painter, indented, index);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
  }

 private:
  static int Indent(const QModelIndex& index) {
    return kIndentPixels * index.data(kDepthRole).toInt();
  }
};

QListWidgetItem* NewItem(const QIcon& icon, const std::string& path, const std::string& caption,
                         int depth) {
  auto* item = new QListWidgetItem(icon, QString::fromStdString(DisplayName(caption)));
  item->setData(kPathRole, QByteArray::fromStdString(path));
  item->setData(kDepthRole, depth);
  return item;
}

}  // namespace

DirList::DirList(Runtime& runtime, QWidget* parent) : QListWidget(parent), runtime_(runtime) {
  setItemDelegate(new IndentDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(this, &QListWidget::itemDoubleClicked, this, &DirList::Open);
}

bool DirList::SetPath(const std::string& root, const std::string& path, SysError* err) {
  FolderListing listing;
  if (!ReadFolderListing(runtime_, path, &listing, err)) return false;
  SetPath(root, path, std::move(listing));
  return true;
}

void DirList::SetPath(const std::string& root, const std::string& path, FolderListing listing) {
  root_ = root;
  path_ = path;
  current_folders_[root] = path;
  files_ = std::move(listing.files);
  Show(listing.folders);
  emit PathChanged();
}

bool DirList::SetDrive(const std::string& root, SysError* err) {
  const auto remembered = current_folders_.find(root);
  if (remembered != current_folders_.end() && remembered->second != root) {
    // A folder opened earlier may have gone meanwhile; the drive itself may still be there.
    if (SetPath(root, remembered->second, nullptr)) return true;
  }
  return SetPath(root, root, err);
}

void DirList::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
    Open(currentItem());
    return;
  }
  QListWidget::keyPressEvent(event);
}

void DirList::Open(const QListWidgetItem* item) {
  const std::string path = item->data(kPathRole).toByteArray().toStdString();
  SysError err;
  if (!SetPath(root_, path, &err)) emit OpenFailed(err);
}

void DirList::Show(const std::vector<std::string>& subfolders) {
  clear();
  const std::vector<std::string> ancestors = FoldersFromRoot(root_, path_);
  const QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed_icon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  int depth = 0;
  for (const std::string& folder : ancestors) {
    const std::string caption = depth == 0 ? folder : LastPart(folder);
    addItem(NewItem(open_icon, folder, caption, depth++));
  }
  for (const std::string& name : subfolders) {
    addItem(NewItem(closed_icon, JoinPath(path_, name), name, depth));
  }
  // The open folder in the middle: the way back above it, the way on below.
  setCurrentRow(depth - 1);
  scrollToItem(currentItem(), QAbstractItemView::PositionAtCenter);
}

}  // namespace vantrel
