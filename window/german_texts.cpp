// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/german_texts.h"

#include "engine/shuffle_error.h"
#include "runtime/text.h"

namespace vantrel::texts {

QString UnfinishedRunText(size_t files) {
  const QString start = QStringLiteral("Der letzte Lauf in diesem Ordner wurde nicht beendet: ");
  if (files == 1) {
    return start + QStringLiteral(
                       "Eine Datei trägt vielleicht schon einen neuen Namen. "
                       "Strg+Z gibt ihr den alten zurück.");
  }
  return start + QStringLiteral(
                     "Bis zu %1 Dateien tragen vielleicht schon neue Namen. "
                     "Strg+Z gibt ihnen die alten zurück.")
                     .arg(files);
}

QString FolderErrorText(const SysError& error) {
  const ErrorKind kind = ErrorKind::kFolderUnreadable;
  std::string text = "Fehler " + std::to_string(static_cast<int>(kind)) + ": " + ErrorText(kind) +
                     "\nOrdner: " + DisplayName(error.path) +
                     "\nGrund: " + SystemReason(error.code) + " (" + error.call + ", errno " +
                     std::to_string(error.code) + ")";
  return QString::fromStdString(text);
}

}  // namespace vantrel::texts
