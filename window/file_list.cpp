// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/file_list.h"

#include <QAbstractListModel>

#include "runtime/folder_listing.h"
#include "runtime/text.h"

namespace vantrel {

// The names of one listing, raw bytes, shown as text.
class FileNames : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  void Reset(std::vector<std::string> names) {
    beginResetModel();
    names_ = std::move(names);
    endResetModel();
  }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    return QString::fromStdString(DisplayName(names_[static_cast<size_t>(index.row())]));
  }

 private:
  std::vector<std::string> names_;
};

FileList::FileList(Runtime& runtime, QWidget* parent)
    : QListView(parent), runtime_(runtime), names_(new FileNames(this)) {
  setModel(names_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setLayoutMode(QListView::Batched);
  setBatchSize(2000);
}

bool FileList::SetPath(const std::string& path, SysError* err) {
  FolderListing listing;
  const bool read = ReadFolderListing(runtime_, path, &listing, err);
  SetFiles(path, std::move(listing.files));
  return read;
}

void FileList::SetFiles(const std::string& path, std::vector<std::string> files) {
  path_ = path;
  names_->Reset(std::move(files));
}

}  // namespace vantrel
