#include "platform/catalog_path.h"

#include <gtest/gtest.h>

#include "scan/volume_path.h"

namespace mardo {
namespace {

TEST(CatalogPath, NativePathsBelowAMountPoint) {
  EXPECT_EQ(CatalogPathFromNative("/media/usb", "/media/usb/photos/2000"), "\\photos\\2000");
  EXPECT_EQ(CatalogPathFromNative("/media/usb", "/media/usb"), "");
  EXPECT_EQ(CatalogPathFromNative("/", "/"), "");
  EXPECT_EQ(CatalogPathFromNative("/", "/home/ann"), "\\home\\ann");
  EXPECT_EQ(CatalogPathFromNative("/m", "/m//a/"), "\\a");
  EXPECT_EQ(CatalogPathFromNative("/m", "/m/back\\slash/x"), "\\back\\slash\\x");  // kept as it is
}

TEST(CatalogPath, CatalogPathsBackToNative) {
  EXPECT_EQ(NativePathFromCatalog("/media/usb/", "\\photos\\2000"), "/media/usb/photos/2000");
  EXPECT_EQ(NativePathFromCatalog("/media/usb/", ""), "/media/usb");
  EXPECT_EQ(NativePathFromCatalog("/", ""), "/");
  EXPECT_EQ(NativePathFromCatalog("/", "\\home"), "/home");
}

TEST(CatalogPath, WindowsStyleRootsKeepTheirRules) {
  EXPECT_TRUE(IsWindowsStylePath("E:\\"));
  EXPECT_TRUE(IsWindowsStylePath("\\\\srv\\share"));
  EXPECT_FALSE(IsWindowsStylePath("/media/usb"));
  EXPECT_FALSE(IsWindowsStylePath("\\docs"));
  EXPECT_EQ(WindowsVolumeRelativePath("E:"), "");
  EXPECT_EQ(WindowsVolumeRelativePath("E:\\docs\\old"), "\\docs\\old");
  EXPECT_EQ(WindowsVolumeRelativePath("D:\\photos"), "\\photos");
  EXPECT_EQ(WindowsVolumeRelativePath("\\\\srv\\share"), "");
  EXPECT_EQ(WindowsVolumeRelativePath("\\\\srv\\share\\docs"), "\\docs");
  EXPECT_EQ(WindowsVolumeRelativePath("\\\\srv"), "");
  EXPECT_EQ(WindowsVolumeRelativePath("relative\\dir"), "relative\\dir");
}

}  // namespace
}  // namespace mardo
