// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/file_list.h"

#include "runtime/folder_listing.h"
#include "runtime/text.h"

namespace vantrel {

FileList::FileList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
}

bool FileList::SetPath(const std::string& path, SysError* err) {
  path_ = path;
  FolderListing listing;
  const bool read = ReadFolderListing(path, &listing, err);
  QStringList shown;
  shown.reserve(static_cast<qsizetype>(listing.files.size()));
  for (const std::string& name : listing.files) shown << QString::fromStdString(DisplayName(name));
  clear();
  addItems(shown);
  return read;
}

}  // namespace vantrel
