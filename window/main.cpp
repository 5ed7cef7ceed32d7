// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>

#include "runtime/drives.h"
#include "runtime/folder_listing.h"
#include "runtime/posix_runtime.h"
#include "runtime/record_store.h"
#include "window/command_line.h"
#include "window/form1.h"
#include "window/terminal_run.h"

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
  QApplication::setApplicationName(QStringLiteral("Vantrel"));
  QApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
  // Read before there is a window, so that --help and --version need no display.
  const vantrel::CommandLine line = vantrel::ReadCommandLine(argc, argv);
  if (line.exit_code) {
    std::fputs(line.text.c_str(), *line.exit_code == 0 ? stdout : stderr);
    return *line.exit_code;
  }
  if (line.mode != vantrel::Mode::kWindow) {
    // No QApplication: a run from a script or over ssh never asks for a display.
    vantrel::PosixRuntime runtime(UserNumberFormat());
    vantrel::PosixRecordStore records;
    vantrel::RunHistory history(records);
    return vantrel::RunFromTerminal(line, runtime, history);
  }
  // Qt sees the program's name only: every option has been dealt with above, and a
  // folder named like one of Qt's own options ("-style") must not act as one.
  int qt_argc = 1;
  const std::string start_folder = StartFolder();
  vantrel::PosixRuntime runtime(UserNumberFormat());
  // A big folder is read while Qt starts and the window is built.
  vantrel::ListingAhead start_listing(runtime, start_folder);
  QApplication app(qt_argc, argv);
  QApplication::setDesktopFileName(QStringLiteral("io.github.vantrel.Vantrel"));
  QApplication::setWindowIcon(ProgramIcon());
  QTranslator translator;
  SpeakGerman(app, translator);

  vantrel::PosixRecordStore records;
  vantrel::RunHistory history(records);
  vantrel::Form1 window(runtime, history, vantrel::ListDrives, start_folder, &start_listing);
  window.show();
  if (line.folder) window.OpenFolder(*line.folder);
  return QApplication::exec();
}
