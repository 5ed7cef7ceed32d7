// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/command_line.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <string_view>

#include "window/german_texts.h"

namespace vantrel {
namespace {

constexpr int kUsageError = 2;

CommandLine Ended(int exit_code, std::string text) {
  CommandLine line;
  line.exit_code = exit_code;
  line.text = std::move(text);
  return line;
}

CommandLine UsageError(const QString& problem) {
  return Ended(kUsageError, "vantrel: " + problem.toStdString() + "\n\n" + texts::kUsage);
}

// File managers may pass a folder as a file:// URL; its path is percent-encoded bytes.
std::string PathFromArgument(const std::string& argument) {
  for (const std::string_view prefix : {"file://localhost/", "file:///"}) {
    if (!argument.starts_with(prefix)) continue;
    const QByteArray path = QByteArray::fromPercentEncoding(
        QByteArray::fromStdString(argument.substr(prefix.size() - 1)));
    // An encoded zero byte would cut the path short; as given, the URL names no folder.
    if (path.contains('\0')) return argument;
    return path.toStdString();
  }
  return argument;
}

}  // namespace

CommandLine ReadCommandLine(int argc, const char* const argv[]) {
  // Latin-1 maps every byte to one character and back, so a folder name that is
  // not UTF-8 leaves the parser with the bytes it came in with.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLatin1(argv[i]);
  QCommandLineParser parser;
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
  const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
  parser.addOptions({help, version});
  if (!parser.parse(arguments)) {
    const QStringList unknown = parser.unknownOptionNames();
    return UsageError(unknown.isEmpty()
                          ? parser.errorText()
                          : QString::fromUtf8(texts::kUnknownOption).arg(unknown.join(", ")));
  }
  if (parser.isSet(help)) return Ended(0, texts::kUsage);
  if (parser.isSet(version)) {
    return Ended(0, (QCoreApplication::applicationName() + ' ' +
                     QCoreApplication::applicationVersion() + '\n')
                        .toStdString());
  }
  const QStringList folders = parser.positionalArguments();
  if (folders.size() > 1) return UsageError(QString::fromUtf8(texts::kOneFolderOnly));
  CommandLine line;
  if (!folders.isEmpty()) line.folder = PathFromArgument(folders[0].toLatin1().toStdString());
  return line;
}

}  // namespace vantrel
