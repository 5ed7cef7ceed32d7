// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "runtime/drives.h"
#include "runtime/folder_listing.h"
#include "runtime/posix_runtime.h"
#include "window/form1.h"

namespace {

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 256}) {
    icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/vantrel.png").arg(size));
  }
  // The drawing itself serves every other size where Qt can read SVG.
  if (QImageReader::supportedImageFormats().contains("svg")) {
    icon.addFile(QStringLiteral(":/icons/vantrel.svg"));
  }
  return icon;
}

// Qt's own texts (the context menu of a field, the buttons of a message box) in
// German like the rest of the window.
void SpeakGerman(QApplication& app, QTranslator& translator) {
  const QLocale german(QLocale::German, QLocale::Germany);
  if (translator.load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    app.installTranslator(&translator);
  }
}

// The folder Vantrel was started from, or the root where that has gone.
std::string StartFolder() {
  std::string folder;
  if (vantrel::CurrentFolder(&folder, nullptr)) return folder;
  return std::string(1, '/');
}

// Qt knows the user's number format from the environment even where the C library
// has no matching locale installed, so the range is read the way the user writes it.
vantrel::NumberFormat UserNumberFormat() {
  const QLocale locale = QLocale::system();
  vantrel::NumberFormat format;
  format.decimal = locale.decimalPoint().toStdString();
  format.group = locale.groupSeparator().toStdString();
  if (format.group == format.decimal) format.group.clear();
  return format;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vantrel"));
  QApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("io.github.vantrel.Vantrel"));
  QApplication::setWindowIcon(ProgramIcon());
  QTranslator translator;
  SpeakGerman(app, translator);

  vantrel::PosixRuntime runtime(UserNumberFormat());
  vantrel::Form1 window(runtime, vantrel::ListDrives, StartFolder());
  window.show();
  return QApplication::exec();
}
