// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/command_line.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <vector>

namespace vantrel {
namespace {

struct FolderCase {
  const char* name;
  std::vector<const char*> arguments;  // after the program's name
  std::optional<std::string> folder;
};

void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.name; }

class CommandLineFolderTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(CommandLineFolderTest, TheFolderKeepsItsBytes) {
  std::vector<const char*> argv{"vantrel"};
  argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  const CommandLine line = ReadCommandLine(static_cast<int>(argv.size()), argv.data());
  EXPECT_FALSE(line.exit_code.has_value()) << line.text;
  EXPECT_EQ(line.folder, GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineFolderTest,
    ::testing::Values(FolderCase{"None", {}, std::nullopt},
                      FolderCase{"NotUtf8", {"Musik/M\xFCll"}, "Musik/M\xFCll"},
                      FolderCase{"LooksLikeAnOption", {"--", "-x"}, "-x"},
                      FolderCase{
                          "FileUrl", {"file:///media/M%C3%BCll%20neu"}, "/media/M\xC3\xBCll neu"},
                      FolderCase{"FileUrlOfThisHost", {"file://localhost/M%FCll"}, "/M\xFCll"},
                      FolderCase{"FileUrlWithZeroByte", {"file:///a%00b"}, "file:///a%00b"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ExitCase {
  const char* name;
  QStringList arguments;
  int exit_code;
  QString says;  // the start of standard output for exit code 0, of standard error otherwise
};

void PrintTo(const ExitCase& c, std::ostream* out) { *out << c.name; }

class CommandLineExitTest : public ::testing::TestWithParam<ExitCase> {};

// The real program, with no display to open a window on.
TEST_P(CommandLineExitTest, AnswersWithoutAWindow) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(QString::fromLatin1(name));
  }
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(VANTREL_BINARY), GetParam().arguments);
  ASSERT_TRUE(program.waitForFinished(120'000)) << "still running: it opened a window";
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), GetParam().exit_code);
  QString said = QString::fromUtf8(program.readAllStandardOutput());
  QString other = QString::fromUtf8(program.readAllStandardError());
  if (GetParam().exit_code != 0) {
    std::swap(said, other);
    EXPECT_TRUE(said.contains("\nAufruf: vantrel [ORDNER]\n")) << said.toStdString();
  }
  EXPECT_TRUE(said.startsWith(GetParam().says)) << said.toStdString();
  EXPECT_EQ(other, "");
}

INSTANTIATE_TEST_SUITE_P(
    Options, CommandLineExitTest,
    ::testing::Values(ExitCase{"Version", {"--version"}, 0, "Vantrel " VANTREL_VERSION "\n"},
                      ExitCase{"Help", {"-h"}, 0, "Aufruf: vantrel [ORDNER]\n"},
                      ExitCase{"UnknownOption",
                               {"--mischen", "/tmp"},
                               2,
                               "vantrel: unbekannte Option: mischen\n"},
                      ExitCase{"TwoFolders", {"/tmp", "/usr"}, 2, "vantrel: nur ein ORDNER"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel
