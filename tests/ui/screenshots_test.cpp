// Pictures of the window on each tab, for the documentation. Runs only when MARDO_SCREENSHOTS
// names the directory to write them to (scripts/screenshots does that).
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>

#include <cstdlib>

#include "platform/mount_table.h"
#include "scan/tree_scanner.h"
#include "support/mounted_at.h"
#include "window_fixture.h"

namespace mardo {
namespace {

using test::WindowTest;

class Screenshots : public WindowTest {
 protected:
  // A catalogued volume made from a small tree, as a scan of a real disk makes it.
  void Catalogue(const std::string& tree, const std::string& label, const std::string& name,
                 uint32_t serial) {
    Catalog catalog;
    const MountTable mounts = test::MountedAt(tmp / tree);
    PosixDirectoryReader reader;
    TreeScanner scanner(catalog, reader, mounts);
    ASSERT_GT(scanner.Scan(tmp / tree, ""), 0);
    catalog.filePath = tmp / ("catalogs/" + name + ".mvl");
    catalog.volumeRoot = "/media/" + name + "/";
    catalog.volumeLabel = label;
    catalog.catalogName = name;
    catalog.serialNumber = serial;
    catalog.freeSpace = 1204.117f;
    ASSERT_TRUE(catalog.Write());
  }

  void Shot(const char* file) {
    QApplication::processEvents();
    ASSERT_TRUE(Frame().grab().save(QString::fromStdString(std::string(directory_) + "/" + file)));
  }

  const char* directory_ = std::getenv("MARDO_SCREENSHOTS");
};

TEST_F(Screenshots, EachTab) {
  if (directory_ == nullptr) GTEST_SKIP() << "MARDO_SCREENSHOTS is not set";
  const int64_t day = 86400;
  for (const char* f : {"holiday/2006/beach.jpg", "holiday/2006/dunes.jpg", "holiday/2006/harbour.jpg",
                        "holiday/2007/alps.jpg", "holiday/2007/lake.jpg", "family/birthday.jpg",
                        "family/garden.png", "scans/letter-1998.pdf", "readme.txt"})
    tmp.MakeFile(std::string("photos/") + f, 1843211 + static_cast<int64_t>(std::string(f).size()) * 7919,
                 1150000000 + static_cast<int64_t>(std::string(f).size()) * day);
  for (const char* f :
       {"film/holiday-2006.mkv", "film/alps.mkv", "music/album/01 intro.flac", "music/album/02 beach.flac",
        "backup/photos/2006/beach.jpg", "backup/photos/2007/lake.jpg"})
    tmp.MakeFile(std::string("backup/") + f, 734003200 - static_cast<int64_t>(std::string(f).size()) * 104729,
                 1300000000 + static_cast<int64_t>(std::string(f).size()) * day);
  Catalogue("photos", "PHOTOS", "Holiday", 0xABCD1234u);
  Catalogue("backup", "BACKUP_1", "Backup 1", 0x12345678u);
  Start();
  Frame().resize(1000, 560);

  Find<QComboBox>("pattern")->setEditText("beach");
  Form().Search().ReadSearchConditions();
  SelectRows(ListKind::kResults, {0});
  Shot("search.png");

  Find<QTabBar>("tabs")->setCurrentIndex(2);
  SelectRows(ListKind::kCatalog, {RowNamed(ListKind::kCatalog, "Holiday")});
  Find<QComboBox>("root")->setEditText("/media/usb");
  Shot("catalog.png");

  SelectRows(ListKind::kCatalog, {RowNamed(ListKind::kCatalog, "Holiday")});
  Form().OnListDoubleClick();
  SelectRows(ListKind::kDirectory, {RowNamed(ListKind::kDirectory, "holiday")});
  Form().Directory().OpenDirectoryEntry();
  SelectRows(ListKind::kDirectory, {RowNamed(ListKind::kDirectory, "2006")});
  Form().Directory().OpenDirectoryEntry();
  Form().Directory().OnParent();
  Shot("directory.png");
}

}  // namespace
}  // namespace mardo
