#include "platform/catalog_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "scan/volume_path.h"
#include "support/temp_tree.h"

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

TEST(CatalogPath, EveryExistingReadingOfAStoredPathIsFound) {
  test::TempDir tmp;
  tmp.MakeDir("a/b/c");
  tmp.MakeDir("a\\b/c");
  tmp.MakeDir("x\\y");
  tmp.MakeFile("file", 1);
  const std::string root = tmp.Path() + "/";
  auto found = FindNativeDirectories(root, "\\a\\b\\c", 5);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{tmp / "a/b/c", tmp / "a\\b/c"}));
  EXPECT_EQ(FindNativeDirectories(root, "\\a\\b\\c", 1).size(), 1u);
  EXPECT_EQ(FindNativeDirectories(root, "\\x\\y", 5), (std::vector<std::string>{tmp / "x\\y"}));
  EXPECT_EQ(FindNativeDirectories(root, "", 5), (std::vector<std::string>{tmp.Path()}));
  EXPECT_EQ(FindNativeDirectories(root, "\\", 5), (std::vector<std::string>{tmp.Path()}));
  EXPECT_TRUE(FindNativeDirectories(root, "\\file", 5).empty());
  EXPECT_TRUE(FindNativeDirectories(root, "\\gone", 5).empty());
  EXPECT_TRUE(FindNativeDirectories(tmp / "gone/", "", 5).empty());
}

}  // namespace
}  // namespace mardo
