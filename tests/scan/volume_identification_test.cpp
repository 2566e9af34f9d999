#include "scan/volume_identification.h"

#include <gtest/gtest.h>

#include "platform/mount_table.h"
#include "platform/volume_query.h"
#include "scan/volume_path.h"
#include "store/catalog_library.h"
#include "support/volume_fixture.h"

namespace mardo {
namespace {

struct Split {
  const char* path;
  const char* root;
  const char* rest;
};

TEST(SplitVolumePath, WindowsStylePathsKeepTheirRules) {
  const MountTable none;
  for (const Split& s :
       {Split{"\\\\srv\\share\\docs\\old", "\\\\srv\\share\\", "\\docs\\old"},
        Split{"\\\\srv\\share", "\\\\srv\\share\\", ""}, Split{"\\\\srv\\share\\", "\\\\srv\\share\\", ""},
        Split{"D:\\photos\\2000", "D:\\", "\\photos\\2000"}, Split{"D:", "D:\\", ""},
        Split{"D:\\", "D:\\", ""}, Split{"", "", ""}}) {
    const VolumeSplit split = SplitVolumePath(s.path, none, "/cwd");
    EXPECT_EQ(split.volumeRoot, s.root) << s.path;
    EXPECT_EQ(split.rest, s.rest) << s.path;
  }
}

TEST(SplitVolumePath, NativePathsSplitAtTheirMountPoint) {
  const MountTable mounts =
      MountTable::Parse("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n2 1 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n");
  for (const Split& s : {Split{"/media/usb/photos/2000", "/media/usb/", "\\photos\\2000"},
                         Split{"/media/usb", "/media/usb/", ""}, Split{"/media/usb/", "/media/usb/", ""},
                         Split{"/home/ann", "/", "\\home\\ann"}, Split{"/", "/", ""},
                         Split{"photos", "/media/usb/", "\\photos"}}) {
    const VolumeSplit split = SplitVolumePath(s.path, mounts, "/media/usb");
    EXPECT_EQ(split.volumeRoot, s.root) << s.path;
    EXPECT_EQ(split.rest, s.rest) << s.path;
  }
}

TEST(ProposeLabel, ShortensSubdirectoryLabelsOnly) {
  EXPECT_EQ(ProposeLabel("[\\photos\\2000]"), "\\2000");
  EXPECT_EQ(ProposeLabel("[\\docs]"), "\\docs");
  EXPECT_EQ(ProposeLabel("[\\\\srv\\share\\]"), "[\\\\srv\\share\\]");
  EXPECT_EQ(ProposeLabel("[/media/usb/]"), "[/media/usb/]");
  EXPECT_EQ(ProposeLabel("PHOTOS"), "PHOTOS");
}

class IdentifyTest : public testing::Test {
 protected:
  IdentifyTest() : volumes_(machine_.paths), library_({}, machine_.tmp.Path()) {}
  test::VolumeFixture machine_;
  VolumeQuery volumes_;
  CatalogLibrary library_;
};

TEST_F(IdentifyTest, LabelledVolumeAndItsSubdirectories) {
  const IdentifiedVolume usb = IdentifyVolume(machine_.Usb(), volumes_, library_);
  ASSERT_EQ(usb.outcome, IdentifiedVolume::Outcome::kIdentified);
  EXPECT_EQ(usb.volumeRoot, machine_.Usb() + "/");
  EXPECT_EQ(usb.volumeLabel, "PHOTOS");
  EXPECT_EQ(usb.serialNumber, 0xABCD1234u);
  EXPECT_EQ(usb.catalogName, "");
  EXPECT_EQ(usb.proposed, "PHOTOS");

  machine_.tmp.MakeDir("media/usb/photos/2000");
  const IdentifiedVolume sub = IdentifyVolume(machine_.Usb() + "/photos/2000", volumes_, library_);
  EXPECT_EQ(sub.volumeRoot, machine_.Usb() + "/");
  EXPECT_EQ(sub.volumeLabel, "[\\photos\\2000]");
  EXPECT_EQ(sub.serialNumber, 0xABCD1234u);
  EXPECT_EQ(sub.proposed, "\\2000");
}

TEST_F(IdentifyTest, VolumesWithoutALabelAreNamedByTheirRoot) {
  const IdentifiedVolume plain = IdentifyVolume(machine_.tmp / "media/plain", volumes_, library_);
  EXPECT_EQ(plain.volumeLabel, "[" + machine_.tmp / "media/plain/]");
  EXPECT_EQ(plain.proposed, plain.volumeLabel);
  const IdentifiedVolume share = IdentifyVolume(machine_.tmp / "net/share", volumes_, library_);
  EXPECT_EQ(share.volumeLabel, "[" + machine_.tmp / "net/share/]");  // not shortened
  EXPECT_EQ(share.proposed, share.volumeLabel);
}

TEST_F(IdentifyTest, AKnownVolumeGetsItsCatalogNameBack) {
  for (const char* name : {"Holiday", "Second"}) {
    auto known = std::make_unique<Catalog>();
    known->volumeLabel = "PHOTOS";
    known->serialNumber = 0xABCD1234u;
    known->catalogName = name;
    library_.AddCatalog(known);
  }
  const IdentifiedVolume usb = IdentifyVolume(machine_.Usb(), volumes_, library_);
  EXPECT_EQ(usb.catalogName, "Holiday");  // the first in library order
  EXPECT_EQ(usb.proposed, "Holiday");
}

TEST_F(IdentifyTest, FailuresCarryTheSystemsText) {
  const IdentifiedVolume missing = IdentifyVolume(machine_.tmp / "media/none", volumes_, library_);
  EXPECT_EQ(missing.outcome, IdentifiedVolume::Outcome::kFailed);
  EXPECT_EQ(missing.error, "No such file or directory");
  EXPECT_EQ(IdentifyVolume("E:\\", volumes_, library_).outcome, IdentifiedVolume::Outcome::kFailed);
  EXPECT_EQ(IdentifyVolume("", volumes_, library_).outcome, IdentifiedVolume::Outcome::kNothing);
}

}  // namespace
}  // namespace mardo
