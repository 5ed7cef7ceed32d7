// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/command_line.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <vector>

#include "tests/support/temp_folder.h"

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
    ::testing::Values(
        FolderCase{"None", {}, std::nullopt},
        FolderCase{"NotUtf8", {"Musik/M\xFCll"}, "Musik/M\xFCll"},
        FolderCase{"LooksLikeAnOption", {"--", "-x"}, "-x"},
        FolderCase{"FileUrl", {"file:///media/M%C3%BCll%20neu"}, "/media/M\xC3\xBCll neu"},
        FolderCase{"FileUrlOfThisHost", {"file://localhost/M%FCll"}, "/M\xFCll"},
        FolderCase{"FileUrlWithZeroByte", {"file:///a%00b"}, "file:///a%00b"},
        FolderCase{
            "AfterAValueThatLooksLikeAnOption", {"--shuffle", "--prefix", "-x", "Musik"}, "Musik"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ExitCase {
  const char* name;
  QStringList arguments;
  int exit_code;
  QString says;  // the start of standard output for exit code 0, of standard error otherwise
};

void PrintTo(const ExitCase& c, std::ostream* out) { *out << c.name; }

class CommandLineExitTest : public ::testing::TestWithParam<ExitCase> {};

struct Ended {
  int exit_code = -1;
  QString out;
  QString err;
};

// The real program, with no display to open a window on, and its records in
// `state` when given.
Ended RunProgram(const QStringList& arguments, const std::string& state = {}) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(QString::fromLatin1(name));
  }
  if (!state.empty()) environment.insert("XDG_STATE_HOME", QString::fromStdString(state));
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(VANTREL_BINARY), arguments);
  Ended ended;
  if (!program.waitForFinished(120'000)) {
    ADD_FAILURE() << "still running: it opened a window";
    return ended;
  }
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  ended.exit_code = program.exitCode();
  ended.out = QString::fromUtf8(program.readAllStandardOutput());
  ended.err = QString::fromUtf8(program.readAllStandardError());
  return ended;
}

TEST_P(CommandLineExitTest, AnswersWithoutAWindow) {
  const Ended ended = RunProgram(GetParam().arguments);
  EXPECT_EQ(ended.exit_code, GetParam().exit_code);
  QString said = ended.out;
  QString other = ended.err;
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
                      ExitCase{"TwoFolders", {"/tmp", "/usr"}, 2, "vantrel: nur ein ORDNER"},
                      ExitCase{"UndoWithoutFolder", {"--undo"}, 2, "vantrel: --undo braucht"},
                      ExitCase{"FilterWithoutShuffle",
                               {"--filter", "*.jpg", "/tmp"},
                               2,
                               "vantrel: --filter gilt nur mit --shuffle"},
                      ExitCase{"RangeWithoutValue",
                               {"--shuffle", "/tmp", "--range"},
                               2,
                               "vantrel: --range braucht einen Wert"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TerminalCase {
  const char* name;
  QStringList arguments;  // the folder follows
  int exit_code;
  QString out_says;  // found in standard output
  QString err_says;  // found in standard error; empty: it stays empty
  int renamed;       // files that carry new names afterwards
};

void PrintTo(const TerminalCase& c, std::ostream* out) { *out << c.name; }

class TerminalRunTest : public ::testing::TestWithParam<TerminalCase> {};

// A shuffle from the terminal, then an undo in a process of its own, which gives
// back exactly what the first renamed.
TEST_P(TerminalRunTest, SaysWhatItDidAndAnUndoGivesEveryNameBack) {
  const TerminalCase& c = GetParam();
  testing::TempFolder state;
  testing::TempFolder folder;
  folder.AddFiles(12, "song", ".mp3");
  folder.AddFile("liste.txt");
  const auto before = folder.Contents();

  const QString path = QString::fromStdString(folder.path());
  const Ended run = RunProgram(c.arguments + QStringList{path}, state.path());
  EXPECT_EQ(run.exit_code, c.exit_code) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains(c.out_says)) << run.out.toStdString();
  if (c.err_says.isEmpty()) {
    EXPECT_EQ(run.err, "");
  } else {
    EXPECT_TRUE(run.err.contains(c.err_says)) << run.err.toStdString();
  }
  const auto after = folder.Contents();
  EXPECT_EQ(testing::ContentSet(after), testing::ContentSet(before));
  EXPECT_EQ(static_cast<int>(before.size()) - testing::KeptNames(before, after), c.renamed);

  const Ended undo = RunProgram({"--undo", path}, state.path());
  EXPECT_EQ(undo.exit_code, c.renamed > 0 ? 0 : 1) << undo.err.toStdString();
  EXPECT_EQ(folder.Contents(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, TerminalRunTest,
    ::testing::Values(
        TerminalCase{"RaisesTheRange",
                     {"--shuffle", "--filter", "*.mp3", "--prefix", "Foto", "--range", "5"},
                     0,
                     "12 Dateien umbenannt. \"Mix bis\" wurde auf 13 erhöht",
                     "",
                     12},
        TerminalCase{
            "RefusesAHiddenPrefix", {"--shuffle", "--prefix", ".x"}, 1, "", "Fehler 22", 0},
        TerminalCase{"DryRunRenamesAndRecordsNothing",
                     {"--shuffle", "--dry-run", "--filter=*.MP3"},
                     0,
                     "Probelauf: 12 Dateien würden umbenannt; nichts wurde umbenannt.",
                     "",
                     0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel
