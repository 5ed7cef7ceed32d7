// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/german_texts.h"

#include "window/report_texts.h"

namespace vantrel::texts {

QString UnfinishedRunText(size_t files) {
  return QString::fromStdString(UnfinishedRunReport(files, "Strg+Z"));
}

QString FolderErrorText(const SysError& error) {
  return QString::fromStdString(FolderErrorReport(error));
}

}  // namespace vantrel::texts
