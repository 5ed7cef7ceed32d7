// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/folder_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCollator>
#include <QLocale>
#include <cerrno>
#include <random>

#include "runtime/drives.h"
#include "runtime/folder_path.h"
#include "runtime/posix_runtime.h"
#include "tests/support/folder_can_hold.h"
#include "tests/support/temp_folder.h"

namespace vantrel {
namespace {

using Names = std::vector<std::string>;
using testing::TempFolder;

TEST(MountInfoTest, ReadsFieldsPastOptionalOnesAndDecodesEscapes) {
  const std::string text =
      "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
      "garbage line\n"
      "91 26 8:17 / /media/anna/USB\\040STICK rw,nosuid shared:52 master:3 - vfat /dev/sdb1 "
      "rw,uid=1000\n"
      "92 26 0:50 /@home /home rw - btrfs /dev/mapper/crypt rw";
  const std::vector<MountEntry> entries = ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].mount_point, "/media/anna/USB STICK");
  EXPECT_EQ(entries[1].fs_type, "vfat");
  EXPECT_EQ(entries[1].source, "/dev/sdb1");
  EXPECT_EQ(entries[1].major, 8u);
  EXPECT_EQ(entries[1].minor, 17u);
  EXPECT_EQ(entries[2].root, "/@home");
}

struct MountCase {
  const char* name;
  std::string line;  // mounted at /m unless it says otherwise
  bool is_drive;
};

void PrintTo(const MountCase& c, std::ostream* out) { *out << c.name; }

class DriveMountTest : public ::testing::TestWithParam<MountCase> {};

TEST_P(DriveMountTest, TakesOnlyFileSystemsThatHoldFiles) {
  const std::string root_line = "1 0 254:0 / / rw - ext4 /dev/vda rw\n";
  const std::vector<MountEntry> drives =
      SelectDriveMounts(ParseMountInfo(root_line + GetParam().line));
  Names mount_points;
  for (const MountEntry& drive : drives) mount_points.push_back(drive.mount_point);
  EXPECT_EQ(mount_points, (GetParam().is_drive ? Names{"/", "/m"} : Names{"/"}));
}

INSTANTIATE_TEST_SUITE_P(
    Types, DriveMountTest,
    ::testing::Values(
        MountCase{"Proc", "2 1 0:20 / /m rw - proc proc rw", false},
        MountCase{"Sysfs", "2 1 0:21 / /m rw - sysfs sysfs rw", false},
        MountCase{"Cgroup2", "2 1 0:37 / /m rw - cgroup2 cgroup2 rw", false},
        MountCase{"Tmpfs", "2 1 0:22 / /m rw - tmpfs tmpfs rw", false},
        MountCase{"Devpts", "2 1 0:25 / /m rw - devpts devpts rw", false},
        MountCase{"Autofs", "2 1 0:40 / /m rw - autofs systemd-1 rw", false},
        MountCase{"SnapImage", "2 1 7:0 / /m ro - squashfs /dev/loop0 ro", false},
        MountCase{"DesktopFuse", "2 1 0:51 / /m rw - fuse.gvfsd-fuse gvfsd-fuse rw", false},
        MountCase{"Ext4", "2 1 8:2 / /m rw - ext4 /dev/sda2 rw", true},
        MountCase{"UsbStick", "2 1 8:17 / /m rw - vfat /dev/sdb1 rw", true},
        MountCase{"Ntfs3g", "2 1 0:60 / /m rw - fuseblk /dev/sdc1 rw", true},
        MountCase{"FatImage", "2 1 0:61 / /m rw - fuse.fusefat /tmp/fat.img rw", true},
        MountCase{"Nfs", "2 1 0:70 / /m rw - nfs4 server:/export rw", true},
        MountCase{"Samba", "2 1 0:71 / /m rw - cifs //server/share rw", true},
        MountCase{"Sshfs", "2 1 0:72 / /m rw - fuse.sshfs anna@host: rw", true}),
    [](const ::testing::TestParamInfo<MountCase>& info) { return info.param.name; });

TEST(DriveSelectionTest, OnlyTheTopmostMountOfAPointCounts) {
  const std::string text =
      "1 0 254:0 / / rw - overlay overlay rw\n"
      "2 1 8:2 / /data rw - ext4 /dev/sda2 rw\n"
      "3 2 0:30 / /data rw - tmpfs tmpfs rw\n"
      "4 1 0:31 / /usb rw - tmpfs tmpfs rw\n"
      "5 4 8:17 / /usb rw - vfat /dev/sdb1 rw\n";
  const std::vector<MountEntry> drives = SelectDriveMounts(ParseMountInfo(text));
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].mount_point, "/");  // a container's root still counts
  EXPECT_EQ(drives[1].mount_point, "/usb");
}

TEST(DriveSelectionTest, TheRootIsThereEvenWhenTheTextIsNot) {
  const std::vector<MountEntry> drives = SelectDriveMounts({});
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(drives[0].mount_point, "/");
}

TEST(DriveLabelTest, DecodesUdevEscapes) {
  EXPECT_EQ(DecodeLabelLink("FOTOS"), "FOTOS");
  EXPECT_EQ(DecodeLabelLink("MY\\x20STICK"), "MY STICK");
  EXPECT_EQ(DecodeLabelLink("a\\x2fb\\x5c"), "a/b\\");
  EXPECT_EQ(DecodeLabelLink("Gr\xC3\xBC\xC3\x9F"
                            "e"),
            "Gr\xC3\xBC\xC3\x9F"
            "e");
  EXPECT_EQ(DecodeLabelLink("bad\\xZZ"), "bad\\xZZ");
  EXPECT_EQ(DecodeLabelLink("cut\\x2"), "cut\\x2");
}

struct HoldingCase {
  const char* name;
  std::string path;
  int drive;
};

void PrintTo(const HoldingCase& c, std::ostream* out) { *out << c.name; }

class DriveHoldingTest : public ::testing::TestWithParam<HoldingCase> {};

TEST_P(DriveHoldingTest, FindsTheNearestMountPointAbove) {
  const std::vector<Drive> drives{{"/", ""}, {"/home", ""}, {"/media/anna/USB", "USB"}};
  EXPECT_EQ(DriveHolding(drives, GetParam().path), GetParam().drive);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DriveHoldingTest,
    ::testing::Values(HoldingCase{"Root", "/", 0}, HoldingCase{"Below", "/home/anna", 1},
                      HoldingCase{"MountPointItself", "/media/anna/USB", 2},
                      HoldingCase{"Deeper", "/media/anna/USB/Musik/Rock", 2},
                      HoldingCase{"SamePrefixOnly", "/homework", 0},
                      HoldingCase{"SiblingWithLongerName", "/media/anna/USB2", 0},
                      HoldingCase{"NotAbsolute", "home", -1}),
    [](const ::testing::TestParamInfo<HoldingCase>& info) { return info.param.name; });

TEST(FolderPathTest, ListsTheFoldersFromTheRootDown) {
  EXPECT_EQ(FoldersFromRoot("/", "/"), Names{"/"});
  EXPECT_EQ(FoldersFromRoot("/", "/a/b"), (Names{"/", "/a", "/a/b"}));
  EXPECT_EQ(FoldersFromRoot("/media/usb", "/media/usb/x/y"),
            (Names{"/media/usb", "/media/usb/x", "/media/usb/x/y"}));
  EXPECT_EQ(FoldersFromRoot("/media/usb", "/media/usb2/x"), Names{"/media/usb2/x"});
  EXPECT_EQ(JoinPath("/", "a"), "/a");
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
  EXPECT_EQ(LastPart("/a/b/c"), "c");
  EXPECT_EQ(LastPart("/"), "/");
}

TEST(SortByNameTest, SortsAsAGermanReaderExpects) {
  Names names{"b", "Zwiebel", "\xC3\x84pfel", "apfel", "Apfel", "10.jpg", "2.jpg", "\xFF", "\xFE"};
  SortByName(&names);
  // Umlauts sort with their letter and case does not count; names that read alike
  // keep byte order.
  EXPECT_EQ(names, (Names{"10.jpg", "2.jpg", "Apfel", "apfel", "\xC3\x84pfel", "b", "Zwiebel",
                          "\xFE", "\xFF"}));
}

// Printable ASCII names take a quicker way than the collator's sort keys; they must
// come out as the collator orders them all the same.
TEST(SortByNameTest, PrintableAsciiNamesComeOutInTheCollatorsOrder) {
  Names names;
  for (char c = ' '; c <= '~'; ++c) names.emplace_back(1, c);
  std::mt19937 random(7);
  // Long beginnings alike but for case, and few characters, so that many names tie
  // far into the name.
  const std::string beginnings[] = {"", "IMG 2024 0", "img 2024 0", "Img_2024-0"};
  const std::string crowded = "aA1 -.";
  for (int i = 0; i < 3000; ++i) {
    std::string name = beginnings[random() % 4];
    for (size_t length = name.size() + 1 + random() % 6; name.size() < length;) {
      name += random() % 2 == 0 ? crowded[random() % crowded.size()]
                                : static_cast<char>(' ' + random() % 95);
    }
    names.push_back(name);
  }
  SortByName(&names);
  QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  for (size_t i = 1; i < names.size(); ++i) {
    const int order =
        collator.compare(QString::fromStdString(names[i - 1]), QString::fromStdString(names[i]));
    ASSERT_TRUE(order < 0 || (order == 0 && names[i - 1] <= names[i]))
        << "\"" << names[i - 1] << "\" before \"" << names[i] << "\"";
  }
}

TEST(FolderListingTest, SeparatesFoldersFromFilesAndLeavesOutHiddenAndOtherEntries) {
  TempFolder folder;
  VANTREL_SKIP_IF(testing::WhyNoSymlink(folder.path()));
  VANTREL_SKIP_IF(testing::WhyNoName(folder.path(),
                                     "Gr\xFC\xDF"
                                     "e.mp3"));
  folder.AddFile("b.jpg");
  folder.AddFile("A.jpg");
  folder.AddFile(".hidden.jpg");
  folder.AddFolder("Urlaub");
  folder.AddFolder(".cache");
  folder.AddSymlink("link.jpg", "b.jpg");
  folder.AddSymlink("zu Urlaub", "Urlaub");
  folder.AddSymlink("broken", "nowhere");
  ASSERT_EQ(mkfifo(folder.PathOf("pipe").c_str(), 0644), 0);
  const std::string latin1_file =
      "Gr\xFC\xDF"
      "e.mp3";
  const std::string latin1_folder = "M\xFCll";
  folder.AddFile(latin1_file);
  folder.AddFolder(latin1_folder);

  PosixRuntime runtime;
  FolderListing listing;
  SysError err;
  ASSERT_TRUE(ReadFolderListing(runtime, folder.path(), &listing, &err));
  EXPECT_EQ(listing.folders, (Names{latin1_folder, "Urlaub", "zu Urlaub"}));
  EXPECT_EQ(listing.files, (Names{"A.jpg", "b.jpg", latin1_file, "link.jpg"}));
}

TEST(FolderListingTest, AFolderThatCannotBeReadLeavesTheListingAlone) {
  TempFolder folder;
  folder.AddFile("file.txt");
  PosixRuntime runtime;
  FolderListing listing{{"kept"}, {"kept.txt"}};
  SysError err;
  EXPECT_FALSE(ReadFolderListing(runtime, folder.PathOf("missing"), &listing, &err));
  EXPECT_EQ(err.code, ENOENT);
  EXPECT_FALSE(ReadFolderListing(runtime, folder.PathOf("file.txt"), &listing, &err));
  EXPECT_EQ(err.code, ENOTDIR);
  EXPECT_EQ(listing.folders, Names{"kept"});
}

}  // namespace
}  // namespace vantrel
