#include "platform/volume_query.h"

#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include "support/volume_fixture.h"

namespace mardo {
namespace {

TEST(VolumeQuery, LabelsAndSerialsComeFromTheDeviceLinks) {
  test::VolumeFixture machine;
  const VolumeQuery volumes(machine.paths);

  const VolumeIdentity usb = volumes.Identify(machine.Usb() + "/");
  ASSERT_TRUE(usb.ok);
  EXPECT_EQ(usb.mountPoint, machine.Usb());
  EXPECT_EQ(usb.label, "PHOTOS");
  EXPECT_EQ(usb.serial, 0xABCD1234u);

  const VolumeIdentity disk = volumes.Identify(machine.tmp / "media/disk");
  EXPECT_EQ(disk.label, "My Disk");
  EXPECT_EQ(disk.serial, 0x89ABCDEFu);

  machine.tmp.MakeDir("media/plain/photos/2000");
  const VolumeIdentity plain = volumes.Identify(machine.tmp / "media/plain/photos/./2000");
  EXPECT_EQ(plain.label, "");
  EXPECT_EQ(plain.serial, 0x550E8400u);
  EXPECT_EQ(plain.mountPoint, machine.tmp / "media/plain");
  EXPECT_EQ(plain.canonicalPath, machine.tmp / "media/plain/photos/2000");

  // A network share has no links: no label, and the file system id as serial number.
  const VolumeIdentity share = volumes.Identify(machine.tmp / "net/share");
  struct statvfs fs;
  ASSERT_EQ(::statvfs((machine.tmp / "net/share").c_str(), &fs), 0);
  EXPECT_EQ(share.label, "");
  EXPECT_EQ(share.serial, static_cast<uint32_t>(fs.f_fsid));
}

TEST(VolumeQuery, MissingPathsAndFilesFail) {
  test::VolumeFixture machine;
  const VolumeQuery volumes(machine.paths);
  const VolumeIdentity missing = volumes.Identify(machine.tmp / "media/nothing");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error, "No such file or directory");
  machine.tmp.MakeFile("media/usb/file.txt");
  EXPECT_EQ(volumes.Identify(machine.tmp / "media/usb/file.txt").error, "Not a directory");
}

TEST(VolumeQuery, FreeSpaceIsUnknownOnCdRoms) {
  test::VolumeFixture machine;
  const VolumeQuery volumes(machine.paths);
  EXPECT_EQ(volumes.FreeSpace(machine.tmp / "media/cdrom"), -1.0f);
  EXPECT_GT(volumes.FreeSpace(machine.Usb()), 0.0f);
  EXPECT_EQ(volumes.FreeSpace(machine.tmp / "missing"), -1.0f);
  EXPECT_EQ(volumes.Identify(machine.tmp / "media/cdrom").label, "CD_2000");
}

TEST(VolumeQuery, UuidTextsAndLinkNames) {
  EXPECT_EQ(VolumeQuery::SerialFromUuid("ABCD-1234"), 0xABCD1234u);
  EXPECT_EQ(VolumeQuery::SerialFromUuid("abcd-1234"), 0xABCD1234u);
  EXPECT_EQ(VolumeQuery::SerialFromUuid("0123456789ABCDEF"), 0x89ABCDEFu);
  EXPECT_EQ(VolumeQuery::SerialFromUuid("550e8400-e29b-41d4-a716-446655440000"), 0x550E8400u);
  EXPECT_EQ(VolumeQuery::SerialFromUuid("2023-01-15-10-20-30-00"), 0x20230115u);
  EXPECT_EQ(VolumeQuery::DecodeLinkName("My\\x20Disk\\x2f2"), "My Disk/2");
  EXPECT_EQ(VolumeQuery::DecodeLinkName("odd\\x2"), "odd\\x2");
}

TEST(VolumeQuery, WorksOnThisMachinesOwnMounts) {
  const VolumeQuery volumes;
  const VolumeIdentity root = volumes.Identify("/");
  ASSERT_TRUE(root.ok);
  EXPECT_EQ(root.mountPoint, "/");
  EXPECT_GE(volumes.FreeSpace("/"), 0.0f);
}

}  // namespace
}  // namespace mardo
