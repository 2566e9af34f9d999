#include "platform/mount_table.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace mardo {
namespace {

constexpr const char* kTable =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "40 22 8:17 / /media/usb rw,nosuid master:3 - vfat /dev/sdb1 rw,fmask=0022\n"
    "41 22 0:45 / /media/my\\040disk rw - exfat /dev/sdc1 rw\n"
    "42 22 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
    "43 22 0:50 / /net/share rw - cifs //srv/share rw\n"
    "garbage line\n"
    "44 40 8:18 / /media/usb rw - ext4 /dev/sdb2 rw\n";

TEST(MountTable, ParsesFieldsAndEscapes) {
  const MountTable table = MountTable::Parse(kTable);
  ASSERT_EQ(table.Mounts().size(), 6u);
  const Mount& usb = table.Mounts()[1];
  EXPECT_EQ(usb.mountPoint, "/media/usb");
  EXPECT_EQ(usb.fsType, "vfat");
  EXPECT_EQ(usb.source, "/dev/sdb1");
  EXPECT_EQ(usb.major, 8u);
  EXPECT_EQ(usb.minor, 17u);
  EXPECT_EQ(table.Mounts()[2].mountPoint, "/media/my disk");
}

TEST(MountTable, FindsTheLongestMountOnAComponentBoundary) {
  const MountTable table = MountTable::Parse(kTable);
  EXPECT_EQ(table.Find("/media/my disk/photos")->fsType, "exfat");
  EXPECT_EQ(table.Find("/media/usbstick")->mountPoint, "/");
  EXPECT_EQ(table.Find("/media/usb")->source, "/dev/sdb2");  // the later mount hides the earlier
  EXPECT_EQ(table.Find("/net/share/docs/old")->fsType, "cifs");
  EXPECT_EQ(table.Find("/")->mountPoint, "/");
  EXPECT_EQ(MountTable::Parse("").Find("/x"), nullptr);
}

TEST(MountTable, LoadsFromAFileAndToleratesAMissingOne) {
  test::TempDir tmp;
  tmp.MakeFile("mountinfo", 0, -1, kTable);
  EXPECT_EQ(MountTable::Load(tmp / "mountinfo").Mounts().size(), 6u);
  EXPECT_TRUE(MountTable::Load(tmp / "missing").Mounts().empty());
  EXPECT_FALSE(MountTable::Load().Mounts().empty());  // this machine's own table
}

}  // namespace
}  // namespace mardo
