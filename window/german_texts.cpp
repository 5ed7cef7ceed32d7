// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/german_texts.h"

#include "engine/shuffle_error.h"
#include "runtime/text.h"

namespace vantrel::texts {

QString FolderErrorText(const SysError& error) {
  const ErrorKind kind = ErrorKind::kFolderUnreadable;
  std::string text = "Fehler " + std::to_string(static_cast<int>(kind)) + ": " + ErrorText(kind) +
                     "\nOrdner: " + DisplayName(error.path) +
                     "\nGrund: " + SystemReason(error.code) + " (" + error.call + ", errno " +
                     std::to_string(error.code) + ")";
  return QString::fromStdString(text);
}

}  // namespace vantrel::texts
