// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAccessible>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <filesystem>

#include "runtime/posix_runtime.h"
#include "tests/support/temp_folder.h"
#include "window/dir_list.h"
#include "window/drive_list.h"
#include "window/file_list.h"

namespace vantrel {
namespace {

using testing::TempFolder;

QStringList Texts(const QAbstractItemView& list) {
  QStringList texts;
  const QAbstractItemModel& model = *list.model();
  for (int row = 0; row < model.rowCount(); ++row) texts << model.index(row, 0).data().toString();
  return texts;
}

QStringList Texts(const QComboBox& box) {
  QStringList texts;
  for (int row = 0; row < box.count(); ++row) texts << box.itemText(row);
  return texts;
}

TEST(DirListTest, ShowsTheWayDownFromTheDriveRootThenTheVisibleSubfoldersByName) {
  TempFolder drive;
  drive.AddFolder("Musik");
  drive.AddFolder("Musik/Rock");
  drive.AddFolder("Musik/Rock/zz");
  drive.AddFolder("Musik/Rock/Alben");
  drive.AddFolder("Musik/Rock/.versteckt");
  drive.AddFile("Musik/Rock/lied.mp3");
  PosixRuntime runtime;
  DirList list(runtime);
  ASSERT_TRUE(list.SetPath(drive.path(), drive.PathOf("Musik/Rock"), nullptr));
  EXPECT_EQ(Texts(list),
            (QStringList{QString::fromStdString(drive.path()), "Musik", "Rock", "Alben", "zz"}));
  EXPECT_EQ(list.currentItem()->text(), "Rock") << "the open folder is the highlighted one";
}

TEST(DirListTest, AFolderThatCannotBeReadChangesNothing) {
  TempFolder drive;
  drive.AddFolder("a");
  PosixRuntime runtime;
  DirList list(runtime);
  ASSERT_TRUE(list.SetPath(drive.path(), drive.path(), nullptr));
  const QSignalSpy changes(&list, &DirList::PathChanged);
  SysError err;
  EXPECT_FALSE(list.SetPath(drive.path(), drive.PathOf("gone"), &err));
  EXPECT_EQ(err.code, ENOENT);
  EXPECT_EQ(list.Path(), drive.path());
  EXPECT_EQ(Texts(list).size(), 2);
  EXPECT_EQ(changes.count(), 0);
}

TEST(DirListTest, ADriveReopensTheFolderLastOpenedOnIt) {
  TempFolder first;
  TempFolder second;
  first.AddFolder("a");
  first.AddFolder("b");
  PosixRuntime runtime;
  DirList list(runtime);
  ASSERT_TRUE(list.SetDrive(first.path(), nullptr));
  EXPECT_EQ(list.Path(), first.path()) << "a drive not opened before starts at its root";
  ASSERT_TRUE(list.SetPath(first.path(), first.PathOf("a"), nullptr));
  ASSERT_TRUE(list.SetDrive(second.path(), nullptr));
  ASSERT_TRUE(list.SetDrive(first.path(), nullptr));
  EXPECT_EQ(list.Path(), first.PathOf("a"));
  EXPECT_EQ(list.Root(), first.path());

  ASSERT_TRUE(list.SetPath(first.path(), first.PathOf("b"), nullptr));
  ASSERT_TRUE(list.SetDrive(second.path(), nullptr));
  std::filesystem::remove(first.PathOf("b"));
  ASSERT_TRUE(list.SetDrive(first.path(), nullptr));
  EXPECT_EQ(list.Path(), first.path()) << "a folder gone since falls back to the root";
}

TEST(FileListTest, ShowsEveryVisiblePlainFileByNameWithBadBytesReplaced) {
  TempFolder folder;
  folder.AddFile("b.txt");
  folder.AddFile("A.jpg");
  folder.AddFile(".hidden.jpg");
  folder.AddFile(
      "Gr\xFC\xDF"
      "e.mp3");
  folder.AddFolder("Ordner.jpg");
  folder.AddSymlink("link.jpg", "A.jpg");
  PosixRuntime runtime;
  FileList list(runtime);
  ASSERT_TRUE(list.SetPath(folder.path(), nullptr));
  EXPECT_EQ(Texts(list), (QStringList{"A.jpg", "b.txt", "Gr\uFFFD\uFFFDe.mp3", "link.jpg"}));
}

TEST(FileListTest, AFolderGoneSinceShowsAsEmpty) {
  TempFolder folder;
  folder.AddFolder("sub");
  folder.AddFile("sub/a.txt");
  PosixRuntime runtime;
  FileList list(runtime);
  ASSERT_TRUE(list.SetPath(folder.PathOf("sub"), nullptr));
  ASSERT_EQ(Texts(list).size(), 1);
  std::filesystem::remove_all(folder.PathOf("sub"));
  SysError err;
  EXPECT_FALSE(list.Refresh(&err));
  EXPECT_EQ(err.code, ENOENT);
  EXPECT_EQ(Texts(list).size(), 0);
}

// What the keyboard and a screen reader get from the list: the current name moves
// in the order shown, typing jumps to a name, and the selection follows.
TEST(FileListTest, KeysMoveTheSelectionThroughTheNamesInTheirOrder) {
  TempFolder folder;
  for (const char* name : {"c.txt", "Beta.txt", "a.txt", "d.txt"}) folder.AddFile(name);
  PosixRuntime runtime;
  FileList list(runtime);
  ASSERT_TRUE(list.SetPath(folder.path(), nullptr));
  list.show();
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&list);
  ASSERT_NE(accessible, nullptr);
  const auto selected = [&] {
    QStringList names;
    for (int row = 0; row < accessible->childCount(); ++row) {
      QAccessibleInterface* item = accessible->child(row);
      if (item->state().selected) names << item->text(QAccessible::Name);
    }
    return names.join(",");
  };
  for (const auto& [key, name] : {std::pair{Qt::Key_Down, "a.txt"},
                                  {Qt::Key_Down, "Beta.txt"},
                                  {Qt::Key_End, "d.txt"},
                                  {Qt::Key_Up, "c.txt"},
                                  {Qt::Key_B, "Beta.txt"},
                                  {Qt::Key_Home, "a.txt"}}) {
    QTest::keyClick(&list, key);
    EXPECT_EQ(selected(), name) << "after the key for " << name;
  }
}

class DriveListTest : public ::testing::Test {
 protected:
  std::vector<Drive> mounted{{"/", ""}, {"/media/anna/FOTOS", "FOTOS"}};
  DriveList list{[this] { return mounted; }};
};

TEST_F(DriveListTest, ShowsMountPointsWithTheirLabels) {
  EXPECT_EQ(Texts(list), (QStringList{"/", "/media/anna/FOTOS [FOTOS]"}));
}

TEST_F(DriveListTest, OpeningTheListTakesInNewDrivesAndKeepsTheChoice) {
  list.SelectHolding("/media/anna/FOTOS/2024");
  const QSignalSpy changes(&list, &DriveList::DriveChanged);
  mounted.insert(mounted.begin() + 1, Drive{"/media/anna/MUSIK", ""});
  list.showPopup();
  list.hidePopup();
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(list.Current().mount_point, "/media/anna/FOTOS");

  mounted.pop_back();  // the chosen stick was pulled out
  list.showPopup();
  list.hidePopup();
  EXPECT_EQ(list.Current().mount_point, "/media/anna/FOTOS");
  EXPECT_EQ(changes.count(), 0);
}

}  // namespace
}  // namespace vantrel
