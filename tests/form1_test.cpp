// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/form1.h"

#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "engine/stick_order.h"
#include "runtime/folder_listing.h"
#include "tests/support/fake_runtime.h"
#include "tests/support/folder_can_hold.h"
#include "tests/support/temp_folder.h"

namespace vantrel {
namespace {

using testing::FakeRuntime;
using testing::TempFolder;
using Names = std::vector<std::string>;

// Collects the error reports and notices instead of stopping at a message box.
class ReportingForm : public Form1 {
 public:
  using Form1::Form1;
  QStringList reports;
  QStringList notices;

 protected:
  void ShowError(const QString& text) override { reports << text; }
  void ShowNotice(const QString& text) override { notices << text; }
};

QStringList Texts(const QAbstractItemView* list) {
  QStringList texts;
  const QAbstractItemModel& model = *list->model();
  for (int row = 0; row < model.rowCount(); ++row) texts << model.index(row, 0).data().toString();
  return texts;
}

// What File1 ought to show: the folder's visible files as they are on disk now.
QStringList FilesOnDisk(const std::string& folder) {
  PosixRuntime real;
  FolderListing listing;
  EXPECT_TRUE(ReadFolderListing(real, folder, &listing, nullptr));
  QStringList texts;
  for (const std::string& name : listing.files) texts << QString::fromStdString(name);
  return texts;
}

class Form1Test : public ::testing::Test {
 protected:
  void Open(const std::string& start_folder) {
    // Read beside the window being built, as at start-up.
    ListingAhead listing(runtime, start_folder);
    form = std::make_unique<ReportingForm>(
        runtime, history, [this] { return drives; }, start_folder, &listing);
    form->show();
  }

  template <typename Widget>
  Widget* Find(const char* name) const {
    Widget* widget = form->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QListWidget* Dir1() const { return Find<QListWidget>("Dir1"); }
  QAbstractItemView* File1() const { return Find<QAbstractItemView>("File1"); }
  QComboBox* Drive1() const { return Find<QComboBox>("Drive1"); }
  QLineEdit* Field(const char* name) const { return Find<QLineEdit>(name); }

  void Type(const char* field, const QString& text) {
    Field(field)->selectAll();
    QTest::keyClicks(Field(field), text);
  }
  void ClickStart() { QTest::mouseClick(Find<QPushButton>("Command1"), Qt::LeftButton); }
  void PressCtrlZ() {
    QWidget* focused = QApplication::focusWidget();
    QTest::keyClick(focused != nullptr ? focused : form.get(), Qt::Key_Z, Qt::ControlModifier);
  }

  // Opens File1's context menu as a right click does and tells whether its undo entry
  // can be chosen.
  bool UndoEntryEnabled() {
    bool seen = false;
    bool enabled = false;
    QTimer look;  // fires inside the menu's own event loop
    look.setSingleShot(true);
    QObject::connect(&look, &QTimer::timeout, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      for (const QAction* action : menu->actions()) {
        if (action->text() != "Letzten Lauf rückgängig machen") continue;
        seen = true;
        enabled = action->isEnabled();
      }
      menu->close();
    });
    look.start(0);
    QWidget* viewport = File1()->viewport();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                            viewport->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(viewport, &click);
    EXPECT_TRUE(seen) << "no undo entry in the context menu";
    return enabled;
  }

  // Renames take a while, as on a slow stick; `act` runs once, at the first rename
  // after the progress dialog has appeared.
  void WhenTheDialogShows(std::function<void(QProgressDialog*)> act) {
    runtime.before_rename = [this, act, acted = false](const std::string&,
                                                       const std::string&) mutable {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
      auto* dialog = form->findChild<QProgressDialog*>();
      if (acted || dialog == nullptr || !dialog->isVisible()) return;
      acted = true;
      act(dialog);
    };
  }

  QListWidgetItem* DirEntry(const QString& text) const {
    const QList<QListWidgetItem*> found = Dir1()->findItems(text, Qt::MatchExactly);
    EXPECT_EQ(found.size(), 1) << text.toStdString();
    return found.value(0);
  }
  void ClickDirEntry(const QString& text) {
    QTest::mouseClick(Dir1()->viewport(), Qt::LeftButton, {},
                      Dir1()->visualItemRect(DirEntry(text)).center());
  }
  // QTest's double-click is the second click only; a user's starts with a first one.
  void DoubleClickDirEntry(const QString& text) {
    const QPoint where = Dir1()->visualItemRect(DirEntry(text)).center();
    QTest::mouseClick(Dir1()->viewport(), Qt::LeftButton, {}, where);
    QTest::mouseDClick(Dir1()->viewport(), Qt::LeftButton, {}, where);
  }

  TempFolder folder;
  FakeRuntime runtime;
  TempFolder state;
  PosixRecordStore records{state.PathOf("vantrel")};
  RunHistory history{records};
  std::vector<Drive> drives{{folder.path(), ""}};
  std::unique_ptr<ReportingForm> form;
};

TEST_F(Form1Test, StartRenamesTheMatchingFilesAndTheListShowsTheirNewNames) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "notes.txt"}) folder.AddFile(name);
  Open(folder.path());
  Type("Text1", "*.jpg");
  ClickStart();

  EXPECT_EQ(runtime.renames().size(), 3u * testing::RenamesPerFile(folder.path()));
  EXPECT_TRUE(folder.Exists("notes.txt"));
  EXPECT_FALSE(folder.Exists("a.jpg"));
  EXPECT_EQ(Texts(File1()), FilesOnDisk(folder.path())) << "the filter does not narrow the list";
  EXPECT_TRUE(form->reports.isEmpty()) << form->reports.join("\n").toStdString();
}

// A slow stick lets the window's events through between two renames, its first
// look for held files among them, which must leave the run's parked files alone.
TEST_F(Form1Test, ARunOnASlowStickStartedAtOnceKeepsTheFilesItParks) {
  runtime.ordered_directory = true;
  runtime.before_rename = [](const std::string&, const std::string&) {
    QCoreApplication::processEvents();
  };
  for (const char* name : {"a.jpg", "b.jpg"}) folder.AddFile(name);
  Open(folder.path());
  ClickStart();
  EXPECT_EQ(runtime.renames().size(), 4u);
  EXPECT_TRUE(form->reports.isEmpty()) << form->reports.join("\n").toStdString();
}

TEST_F(Form1Test, CtrlZAfterStartGivesBackTheOldNamesOnce) {
  for (const char* name : {"a.jpg", "b.jpg", "notes.txt"}) folder.AddFile(name);
  Open(folder.path());
  const QStringList before = Texts(File1());
  EXPECT_FALSE(UndoEntryEnabled()) << "nothing to undo before the first run";

  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  ClickStart();
  ASSERT_NE(Texts(File1()), before);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Texts(File1()), before);
  EXPECT_FALSE(UndoEntryEnabled()) << "no redo";
  EXPECT_TRUE(form->reports.isEmpty()) << form->reports.join("\n").toStdString();

  // Three runs, a new start of the program, and each Ctrl+Z takes back one run.
  for (int run = 0; run < 3; ++run) ClickStart();
  Open(folder.path());
  EXPECT_TRUE(UndoEntryEnabled()) << "the runs of the last session";
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  for (int undo = 0; undo < 3; ++undo) PressCtrlZ();
  EXPECT_EQ(Texts(File1()), before);
  EXPECT_FALSE(UndoEntryEnabled()) << "back at the first names";
  EXPECT_TRUE(form->reports.isEmpty() && form->notices.isEmpty())
      << (form->reports + form->notices).join("\n").toStdString();
}

TEST_F(Form1Test, AFolderWhoseLastRunWasKilledSaysSoAndCtrlZGivesTheNamesBack) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) folder.AddFile(name);
  const QStringList before = FilesOnDisk(folder.path());
  {  // A run killed after it had planned two renames and done one.
    SysError err;
    std::unique_ptr<RunJournal> journal = history.Begin(folder.path(), &err);
    ASSERT_TRUE(journal && journal->Plan({{"a.jpg", "7.jpg"}, {"b.jpg", "3.jpg"}}, &err));
    std::filesystem::rename(folder.PathOf("a.jpg"), folder.PathOf("7.jpg"));
  }
  Open(folder.path());
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  ASSERT_EQ(form->notices.size(), 1);
  EXPECT_TRUE(form->notices[0].contains("Bis zu 2 Dateien")) << form->notices[0].toStdString();
  EXPECT_EQ(FilesOnDisk(folder.path()), QStringList({"7.jpg", "b.jpg", "c.jpg"}))
      << "no undo by itself";

  PressCtrlZ();
  EXPECT_EQ(Texts(File1()), before);
  EXPECT_TRUE(form->reports.isEmpty()) << form->reports.join("\n").toStdString();
  EXPECT_FALSE(UndoEntryEnabled());
}

struct RangeCase {
  const char* name;
  int files;
  const char* typed;
  const char* shown;
};

void PrintTo(const RangeCase& c, std::ostream* out) { *out << c.name; }

class Form1RangeTest : public Form1Test, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(Form1RangeTest, ARaisedRangeIsInTheFieldBeforeTheFirstRename) {
  for (int i = 0; i < GetParam().files; ++i) folder.AddFile("file" + std::to_string(i) + ".jpg");
  Open(folder.path());
  Type("Text3", GetParam().typed);
  QString at_first_rename;
  runtime.before_rename = [&](const std::string&, const std::string&) {
    if (at_first_rename.isNull()) at_first_rename = Field("Text3")->text();
  };
  ClickStart();
  EXPECT_EQ(at_first_rename, GetParam().shown);
  EXPECT_EQ(Field("Text3")->text(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Ranges, Form1RangeTest,
                         ::testing::Values(RangeCase{"TooSmall", 12, "10", "13"},
                                           RangeCase{"JustEnough", 12, "12", "12"},
                                           RangeCase{"PaddedStaysAsTyped", 3, "0999", "0999"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Test, AnErrorIsReportedAndTheWindowStaysUsable) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "notes.txt"}) folder.AddFile(name);
  runtime.FailRenameOf("b.jpg", EACCES);
  Open(folder.path());
  Type("Text1", "*.jpg");
  ClickStart();

  ASSERT_EQ(form->reports.size(), 1);
  const QString report = form->reports[0];
  EXPECT_TRUE(report.startsWith("Fehler 10:")) << report.toStdString();
  EXPECT_TRUE(report.contains("b.jpg") && report.contains("Zugriff verweigert"));
  // As many as carry a new name now; on a stick the moves out and back count once.
  const QStringList now = FilesOnDisk(folder.path());
  const auto renamed = std::count_if(now.begin(), now.end(), [](const QString& name) {
    return name.endsWith(".jpg") && !QStringList{"a.jpg", "b.jpg", "c.jpg"}.contains(name);
  });
  EXPECT_TRUE(report.contains(QString("Bereits umbenannt: %1 von 3").arg(renamed)))
      << report.toStdString();
  EXPECT_EQ(Texts(File1()), FilesOnDisk(folder.path())) << "names renamed before the error";

  Type("Text1", "*.txt");
  ClickStart();
  EXPECT_FALSE(folder.Exists("notes.txt"));
  EXPECT_EQ(form->reports.size(), 1);
  EXPECT_EQ(Texts(File1()), FilesOnDisk(folder.path()));
}

TEST_F(Form1Test, OpensOnTheStartFolderAndTheDriveThatHoldsIt) {
  folder.AddFolder("stick");
  folder.AddFolder("stick/Musik");
  folder.AddFile("stick/Musik/lied.mp3");
  drives.push_back(Drive{folder.PathOf("stick"), "STICK"});
  Open(folder.PathOf("stick/Musik"));
  EXPECT_EQ(Drive1()->currentIndex(), 1) << "the nearest mount point above the folder";
  EXPECT_EQ(Texts(Dir1()), (QStringList{QString::fromStdString(folder.PathOf("stick")), "Musik"}));
  EXPECT_EQ(Texts(File1()), QStringList{"lied.mp3"});
}

struct GivenFolderCase {
  const char* name;
  const char* given;   // below the temporary folder, which is the current folder
  bool absolute;       // given with the temporary folder in front
  const char* opened;  // below the temporary folder; nullptr when it cannot be opened
  int refused = 0;     // errno the runtime answers on opening it
};

void PrintTo(const GivenFolderCase& c, std::ostream* out) { *out << c.name; }

class Form1GivenFolderTest : public Form1Test,
                             public ::testing::WithParamInterface<GivenFolderCase> {};

TEST_P(Form1GivenFolderTest, OpensWithItsDriveOrReportsAndStaysUsable) {
  const std::string base = std::filesystem::canonical(folder.path());
  folder.AddFile("oben.jpg");
  for (const char* name : {"stick", "stick/Musik", "stick/M\xFCll"}) folder.AddFolder(name);
  folder.AddFile("stick/Musik/lied.mp3");
  drives = {{base, ""}, {base + "/stick", "STICK"}};
  const std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(base);
  Open(base);
  const GivenFolderCase& c = GetParam();
  if (c.refused != 0) runtime.FailOpen(c.refused);
  form->OpenFolder(c.absolute ? base + "/" + c.given : c.given);
  runtime.Heal();
  std::filesystem::current_path(was);

  if (c.opened != nullptr) {
    EXPECT_EQ(form->FolderPath(), base + "/" + c.opened);
    EXPECT_EQ(Drive1()->currentIndex(), 1);
    EXPECT_EQ(Texts(File1()), FilesOnDisk(form->FolderPath()));
    EXPECT_TRUE(form->reports.isEmpty()) << form->reports.join("\n").toStdString();
    return;
  }
  ASSERT_EQ(form->reports.size(), 1);
  EXPECT_TRUE(form->reports[0].startsWith("Fehler 11:")) << form->reports[0].toStdString();
  EXPECT_TRUE(form->reports[0].contains(c.given));
  EXPECT_EQ(Drive1()->currentIndex(), 0);
  EXPECT_EQ(form->FolderPath(), base);
  ClickStart();
  EXPECT_FALSE(folder.Exists("oben.jpg")) << "Start works on the folder the window opened on";
}

INSTANTIATE_TEST_SUITE_P(
    Given, Form1GivenFolderTest,
    ::testing::Values(GivenFolderCase{"Absolute", "stick/Musik", true, "stick/Musik"},
                      GivenFolderCase{"Relative", "./stick/../stick/Musik", false, "stick/Musik"},
                      GivenFolderCase{"NotUtf8", "stick/M\xFCll", false, "stick/M\xFCll"},
                      GivenFolderCase{"Missing", "stick/fehlt", false, nullptr},
                      GivenFolderCase{"AFile", "stick/Musik/lied.mp3", true, nullptr},
                      GivenFolderCase{"Refused", "stick/Musik", true, nullptr, EACCES}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Test, PickingADriveMovesFolderListAndFileListTogether) {
  TempFolder other;
  other.AddFile("anderes.txt");
  folder.AddFolder("sub");
  folder.AddFile("sub/unten.txt");
  drives.push_back(Drive{other.path(), ""});
  Open(folder.path());
  DoubleClickDirEntry("sub");

  QTest::keyClick(Drive1(), Qt::Key_Down);
  EXPECT_EQ(form->FolderPath(), other.path());
  EXPECT_EQ(Texts(File1()), QStringList{"anderes.txt"});

  QTest::keyClick(Drive1(), Qt::Key_Up);
  EXPECT_EQ(form->FolderPath(), folder.PathOf("sub")) << "the folder last opened on the drive";
  EXPECT_EQ(Texts(File1()), QStringList{"unten.txt"});
  EXPECT_TRUE(form->reports.isEmpty());
}

TEST_F(Form1Test, ADriveThatCannotBeReadIsReportedAndEveryListKeepsItsChoice) {
  folder.AddFile("bleibt.txt");
  drives.push_back(Drive{folder.PathOf("kein-medium"), ""});
  Open(folder.path());
  const QStringList folders_before = Texts(Dir1());

  QTest::keyClick(Drive1(), Qt::Key_Down);
  ASSERT_EQ(form->reports.size(), 1);
  EXPECT_TRUE(form->reports[0].startsWith("Fehler 11:")) << form->reports[0].toStdString();
  EXPECT_TRUE(form->reports[0].contains("nicht gefunden"));
  EXPECT_EQ(Drive1()->currentIndex(), 0);
  EXPECT_EQ(form->FolderPath(), folder.path());
  EXPECT_EQ(Texts(Dir1()), folders_before);
  EXPECT_EQ(Texts(File1()), QStringList{"bleibt.txt"});
}

class Form1OpenTest : public Form1Test, public ::testing::WithParamInterface<const char*> {};

TEST_P(Form1OpenTest, HighlightingMovesNothingAndOpeningMovesTheFileList) {
  folder.AddFile("oben.jpg");
  folder.AddFolder("sub");
  folder.AddFile("sub/unten.jpg");
  Open(folder.path());

  ClickDirEntry("sub");
  EXPECT_EQ(form->FolderPath(), folder.path());
  EXPECT_EQ(Texts(File1()), QStringList{"oben.jpg"});
  ClickStart();
  EXPECT_FALSE(folder.Exists("oben.jpg")) << "a run works on the open folder";
  EXPECT_TRUE(folder.Exists("sub/unten.jpg"));

  if (std::string(GetParam()) == "DoubleClick") {
    DoubleClickDirEntry("sub");
  } else {
    QTest::keyClick(Dir1(), Qt::Key_Return);
  }
  EXPECT_EQ(form->FolderPath(), folder.PathOf("sub"));
  EXPECT_EQ(Texts(File1()), QStringList{"unten.jpg"});

  DoubleClickDirEntry(QString::fromStdString(folder.path()));
  EXPECT_EQ(form->FolderPath(), folder.path()) << "an ancestor opens as well";
  EXPECT_EQ(Texts(File1()), FilesOnDisk(folder.path()));
}

INSTANTIATE_TEST_SUITE_P(Ways, Form1OpenTest, ::testing::Values("DoubleClick", "Return"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(Form1Test, AFolderGoneSinceItWasListedIsReportedWhenOpened) {
  folder.AddFile("bleibt.txt");
  folder.AddFolder("weg");
  Open(folder.path());
  std::filesystem::remove(folder.PathOf("weg"));
  DoubleClickDirEntry("weg");
  ASSERT_EQ(form->reports.size(), 1);
  EXPECT_TRUE(form->reports[0].startsWith("Fehler 11:"));
  EXPECT_EQ(form->FolderPath(), folder.path());
  EXPECT_EQ(Texts(File1()), QStringList{"bleibt.txt"});
}

class Form1HeldFilesTest : public Form1Test, public ::testing::WithParamInterface<bool> {};

// Opening a folder brings home the files that a run cut short left in its holding
// folder; both lists then show the folder as it is afterwards, also where a name
// taken meanwhile keeps a file in the holding folder.
TEST_P(Form1HeldFilesTest, FilesBroughtHomeShowInTheLists) {
  const bool one_taken = GetParam();
  const std::string holding = std::string("stick/") + kHoldingFolder;
  folder.AddFolder("stick");
  folder.AddFolder(holding);
  for (const char* name : {"/a.mp3", "/b.mp3"}) folder.AddFile(holding + name);
  if (one_taken) folder.AddFile("stick/b.mp3");
  Open(folder.path());
  DoubleClickDirEntry("stick");
  EXPECT_EQ(form->notices.size(), 1);
  EXPECT_EQ(Texts(File1()), FilesOnDisk(folder.PathOf("stick")));
  EXPECT_TRUE(Texts(File1()).contains("a.mp3"));
  EXPECT_EQ(Texts(Dir1()).contains(kHoldingFolder), one_taken);
}

INSTANTIATE_TEST_SUITE_P(Cases, Form1HeldFilesTest, ::testing::Values(false, true),
                         [](const auto& info) {
                           return std::string(info.param ? "OneNameTaken" : "AllComeHome");
                         });

TEST_F(Form1Test, NamesThatAreNotUtf8ShowReplacedButRunsGetTheirBytes) {
  const std::string latin1_folder = "M\xFCll";
  VANTREL_SKIP_IF(testing::WhyNoName(folder.path(), latin1_folder));
  folder.AddFolder(latin1_folder);
  folder.AddFile(latin1_folder + "/T\xFCte.jpg");
  Open(folder.path());
  DoubleClickDirEntry("M\uFFFDll");
  EXPECT_EQ(form->FolderPath(), folder.PathOf(latin1_folder));
  EXPECT_EQ(Texts(File1()), QStringList{"T\uFFFDte.jpg"});

  ClickStart();
  ASSERT_EQ(runtime.renames().size(), 1u);
  EXPECT_EQ(runtime.renames()[0].first, "T\xFCte.jpg");
  EXPECT_TRUE(form->reports.isEmpty()) << form->reports.join("\n").toStdString();
}

TEST_F(Form1Test, ALongRunShowsProgressAndStopsBetweenFilesWhenAsked) {
  constexpr int kFiles = 40;
  for (int i = 0; i < kFiles; ++i) folder.AddFile("lied" + std::to_string(i) + ".mp3");
  Open(folder.path());
  QElapsedTimer clock;
  qint64 shown_after_ms = -1;
  QString shown;
  size_t done_when_stopped = 0;
  WhenTheDialogShows([&](QProgressDialog* dialog) {
    shown_after_ms = clock.elapsed();
    shown = dialog->labelText();
    done_when_stopped = runtime.renames().size();
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  clock.start();
  ClickStart();

  EXPECT_GE(shown_after_ms, 500) << "a short run would flash a dialog";
  EXPECT_TRUE(shown.contains(QString("von %1 Dateien").arg(kFiles))) << shown.toStdString();
  if (testing::RenamesPerFile(folder.path()) == 1) {
    EXPECT_EQ(runtime.renames().size(), done_when_stopped + 1) << "the file under way is finished";
  } else {
    EXPECT_FALSE(folder.Exists(kHoldingFolder)) << "every file taken out came back";
  }
  EXPECT_EQ(Texts(File1()), FilesOnDisk(folder.path()));
  EXPECT_TRUE(form->reports.isEmpty());
  const auto* dialog = form->findChild<QProgressDialog*>();
  EXPECT_TRUE(dialog == nullptr || !dialog->isVisible());
}

TEST_F(Form1Test, TheWindowTakesNoInputDuringARun) {
  TempFolder other;
  drives.push_back(Drive{other.path(), ""});
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) folder.AddFile(name);
  Open(folder.path());
  int renames_seen = 0;
  runtime.before_rename = [&](const std::string&, const std::string&) {
    if (++renames_seen > 1) return;
    ClickStart();
    QTest::keyClick(Drive1(), Qt::Key_Down);
    QTest::keyClicks(Field("Text2"), "x");
  };
  ClickStart();
  EXPECT_EQ(renames_seen, 3 * testing::RenamesPerFile(folder.path())) << "a second run started";
  EXPECT_EQ(form->FolderPath(), folder.path());
  EXPECT_EQ(Field("Text2")->text(), "");
  EXPECT_TRUE(form->isVisible());
}

struct CloseCase {
  const char* name;
  bool while_dialog_shows;  // otherwise at the first rename, before the dialog
  bool to_dialog;           // otherwise to the window
};

void PrintTo(const CloseCase& c, std::ostream* out) { *out << c.name; }

class Form1CloseTest : public Form1Test, public ::testing::WithParamInterface<CloseCase> {};

// Sent as the desktop sends it (close button, logout): Qt drops such a request to a
// window that a modal one blocks, where QWidget::close() would still get through.
TEST_P(Form1CloseTest, ACloseRequestDuringARunStopsItBetweenFiles) {
  constexpr int kFiles = 40;
  for (int i = 0; i < kFiles; ++i) folder.AddFile("lied" + std::to_string(i) + ".mp3");
  Open(folder.path());
  std::optional<size_t> done_at_request;
  const auto request_close = [&](QWidget* target) {
    done_at_request = runtime.renames().size();
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(
        target->windowHandle());
  };
  if (GetParam().while_dialog_shows) {
    WhenTheDialogShows([&](QProgressDialog* dialog) {
      request_close(GetParam().to_dialog ? static_cast<QWidget*>(dialog) : form.get());
    });
  } else {
    runtime.before_rename = [&](const std::string&, const std::string&) {
      if (!done_at_request) request_close(form.get());
    };
  }
  ClickStart();

  ASSERT_TRUE(done_at_request.has_value());
  EXPECT_EQ(runtime.renames().size(), *done_at_request + 1) << "the file under way is finished";
  EXPECT_EQ(FilesOnDisk(folder.path()).size(), kFiles);
  EXPECT_EQ(form->isVisible(), GetParam().to_dialog) << "only the window's own close ends it";
  const auto* dialog = form->findChild<QProgressDialog*>();
  EXPECT_TRUE(dialog == nullptr || !dialog->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Requests, Form1CloseTest,
                         ::testing::Values(CloseCase{"WindowBeforeTheDialog", false, false},
                                           CloseCase{"WindowWhileTheDialogShows", true, false},
                                           CloseCase{"DialogItself", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Test, EndeEndsTheProgramWithExitCodeZero) {
  Open(folder.path());
  QTimer::singleShot(0, form.get(),
                     [this] { QTest::mouseClick(Find<QPushButton>("Command2"), Qt::LeftButton); });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  watchdog.start(5000);
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(Form1Test, FocusStartsOnTheDriveListAndTabGoesThroughTheControlsInOrder) {
  Open(folder.path());
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QStringList order{QApplication::focusWidget()->objectName()};
  for (int i = 0; i < 8; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget()->objectName();
  }
  EXPECT_EQ(order, (QStringList{"Drive1", "Dir1", "File1", "Text1", "Text2", "Text3", "Command1",
                                "Command2", "Drive1"}));
  // A screen reader names the lists, which have no label to name them.
  for (const auto& [list_name, spoken] :
       {std::pair{"Drive1", "Laufwerk"}, {"Dir1", "Ordner"}, {"File1", "Dateien"}}) {
    QAccessibleInterface* accessible =
        QAccessible::queryAccessibleInterface(form->findChild<QWidget*>(list_name));
    ASSERT_NE(accessible, nullptr) << list_name;
    EXPECT_EQ(accessible->text(QAccessible::Name), QString::fromUtf8(spoken)) << list_name;
  }
  auto* drives = form->findChild<QComboBox*>("Drive1");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(drives)->text(QAccessible::Value),
            drives->currentText());
}

TEST_F(Form1Test, EachLabelNamesItsFieldEndsJustLeftOfItAndShowsAllItsText) {
  Open(folder.path());
  EXPECT_EQ(form->size(), QSize(370, 253));
  EXPECT_EQ(form->minimumSize(), form->maximumSize());
  for (const auto& [label_name, field_name] :
       {std::pair{"Label1", "Text1"}, {"Label2", "Text2"}, {"Label3", "Text3"}}) {
    SCOPED_TRACE(label_name);
    const QLabel* label = Find<QLabel>(label_name);
    QLineEdit* field = Field(field_name);
    // 30 twips are 2 pixels.
    EXPECT_EQ(label->geometry().right() + 1 + 2, field->geometry().left());
    EXPECT_LE(std::abs(label->geometry().center().y() - field->geometry().center().y()), 1);
    const QFontMetrics metrics(label->font());
    EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width());
    EXPECT_LE(metrics.height(), label->contentsRect().height());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(field);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), label->text());
  }
}

}  // namespace
}  // namespace vantrel
