#pragma once

#include "base/app_title.h"

// The application's own texts: title, Help dialogs, menu, status prompts, and the names under
// which the settings are kept. One place, shared by the window and the command line.
namespace mardo::texts {

// The caption of the folder chooser of the "..." button.
inline constexpr const char* kChooseDirectory = "Choose Directory";

// The main window's caption, with the last component of the start directory.
inline constexpr const char* kWindowTitle = "Mardo - %s";

inline constexpr const char* kAboutCaption = "About Mardo";
inline constexpr const char* kAboutVersion = "Mardo V2.6.3";
// The About box's second line: where the settings are kept.
inline constexpr const char* kAboutSettingsLine = "Settings: %s";

inline constexpr const char* kTipsCaption = "Tips & Hints";
// The usage text of the Tips dialog: every line ended by CR LF, one empty line at the end.
inline constexpr const char* kTipsText =
    "Mardo is a simple media cataloging tool, quite good usable for 200,000\r\n"
    "files on a P90. Files stored on removable media (CD-ROMs, LS120,\r\n"
    "Iomega Zip and Jaz disks, or even diskettes), can be found quickly and\r\n"
    "easy. Searching capabilities are based on file name, date and size.\r\n"
    "\r\n"
    "How to use Mardo ?\r\n"
    "------------------\r\n"
    "1. Select the Catalog Tab and catalog your media\r\n"
    " - it's possible to catalog a subdirectory\r\n"
    " - UNC drive names are supported\r\n"
    " - the volume name can be overwritten for catalog purpose\r\n"
    " - doubleclick on a row allows browsing the selected catalog\r\n"
    " - click the right mouse button to copy selected rows to the clipboard\r\n"
    "   or delete them\r\n"
    " - example for the list of files or directories to be ignored:\r\n"
    "   *.tmp; *.jbf; \\Temp*; (the last one defines a directory like\r\n"
    "   'Temporary Internet Files')\r\n"
    "2. Select the Search Tab to find the file you are looking for\r\n"
    " - instead of wildcards use a part of the file name only\r\n"
    " - there is a special character '|' to mark the start or end\r\n"
    "   of the filename (e.g. pattern '.c|' means files with extension 'c')\r\n"
    " - exactly one wildcard character '*' is allowed inside the searched text\r\n"
    " - '*str'  is the same as 'str*' is the same as 'str'\r\n"
    " - '|s*doc|' finds file names like 'Solution.DOC' or 'StringDOC'\r\n"
    " - '|s*doc'  finds in addition file names like 'SolDOCument.txt'\r\n"
    " - 's*doc'   finds in addition file names like 'unSolDOCument.txt'\r\n"
    " - the search is case-insensitive\r\n"
    " - check Selected catalogs only if you want to search a subset only\r\n"
    " - select 'Duplicates' to find them\r\n"
    "   (Duplicates means files having the same name and size)\r\n"
    " - select 'Same names' to find files with identical filenames\r\n"
    " - select 'Not on other volumes' to find the files that have no copy\r\n"
    "   (same name and size) on any other volume: what is not backed up yet;\r\n"
    "   with Selected catalogs only, the volumes not selected are the others\r\n"
    " - the date YY means YY0101, YYMM means YYMM01,\r\n"
    "   negative integer -n instead of days means 'n days before today',\r\n"
    "   empty date means today\r\n"
    " - to find directories only: use the condition Length < 0\r\n"
    " - doubleclick on any row allows to browse the parent directory\r\n"
    " - click the right mouse button to copy selected rows to the clipboard\r\n"
    "   or open the single selected file by its default program\r\n"
    "3. Select the Directory Tab to browse a catalog\r\n"
    " - doubleclick on directory displays the content of it\r\n"
    " - click the right mouse button to copy selected rows to the clipboard\r\n"
    "   or open the single selected file by its default program\r\n"
    "\r\n"
    "Paste rows from clipboard to Excel sheet for next processing.\r\n"
    "Drag selected files (not folders!) to the desired location/application.\r\n"
    "Click on any column-header resorts the list.\r\n"
    "Date formats are customizable (edit registry entries Mardo/Format/...)\r\n"
    "Use command-line parameter -dir \"dir1,dir2,...,dirn\" to read catalogs\r\n"
    "from more than one directory. Catalogs from StartIn directory are always read.\r\n"
    "\r\n";

// The frame's menu, in menu order.
inline constexpr const char* kMenuFile = "&File";
inline constexpr const char* kMenuExit = "E&xit";
inline constexpr const char* kMenuEdit = "Edit";
inline constexpr const char* kMenuCopy = "&Copy";
inline constexpr const char* kMenuSelectAll = "Select &All";
inline constexpr const char* kMenuView = "&View";
inline constexpr const char* kMenuStatusBar = "&Status Bar";
inline constexpr const char* kMenuHelp = "&Help";
inline constexpr const char* kMenuTips = "&Tips";
inline constexpr const char* kMenuAbout = "&About Mardo...";

// Status prompts of menu items (message pane while the item is highlighted) and their tool tips.
inline constexpr const char* kExitPrompt = "Quit the application; prompts to save documents";
inline constexpr const char* kTipsPrompt = "Tips & Hints - how to use Mardo";
inline constexpr const char* kTipsToolTip = "Hints";
inline constexpr const char* kSelectAllPrompt = "Select all rows";
inline constexpr const char* kCopyPrompt = "Copy selected rows to the clipboard";
inline constexpr const char* kStatusBarPrompt = "Show or hide the status bar";
inline constexpr const char* kAboutPrompt = "Display program information, version number and copyright";
inline constexpr const char* kParentPrompt = "Display parent directory";

// What "mardo --help" and "mardo --version" print.
inline constexpr const char* kWindowUsage =
    "Usage: mardo [-dir \"DIR1,DIR2,...\"] [-dd]\n"
    "\n"
    "Opens Mardo's window with every catalog (.mvl) of the current directory and of the -dir\n"
    "directories; new catalogs are written to the current directory.\n"
    "\n"
    "  -dir LIST    more catalog directories, separated by commas (relative ones are taken from\n"
    "               the current directory)\n"
    "  -dd          expert mode: hit limits above 5120, and deleting found files to the trash\n"
    "  --help       this text\n"
    "  --version    the version\n"
    "\n"
    "Options may begin with '-' or '/', in any case. The command line without a window is\n"
    "mardo-cli.\n";
// The message pane when no menu is open and the view has written nothing.
inline constexpr const char* kIdleMessage = "Select Catalog to add a new volume";

// Widest texts of the hit-count and file-count panes; the panes are sized to them.
inline constexpr const char* kHitCountPaneSample = "000000";
inline constexpr const char* kFileCountPaneSample = "00000000";

}  // namespace mardo::texts

// Where the settings live: $XDG_CONFIG_HOME/<company>/<application>.conf, by section and value name.
namespace mardo::settings {

inline constexpr const char* kCompanyKey = "kEzu";
inline constexpr const char* kApplicationKey = texts::kApplicationTitle;

inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kMaxHits = "MaxHits";
inline constexpr const char* kTopDirs = "TopDirs";
inline constexpr const char* kColumnWidthResult = "ColumnWidthResult";
inline constexpr const char* kColumnWidthDirectory = "ColumnWidthDirectory";
inline constexpr const char* kColumnWidthCatalog = "ColumnWidthCatalog";
inline constexpr const char* kWindowPos = "WindowPos";

inline constexpr const char* kFormatSection = "Format";
inline constexpr const char* kResultFormat = "Result";
inline constexpr const char* kDirFormat = "Dir";
inline constexpr const char* kCatalogFormat = "Catalog";

// The three histories, each its own section with values "0", "1", ...
inline constexpr const char* kPatternsSection = "Patterns";
inline constexpr const char* kIgnoredSection = "Ignored";
inline constexpr const char* kDirectoriesSection = "Directories";
inline constexpr int kPatternsCapacity = 16;
inline constexpr int kIgnoredCapacity = 8;
inline constexpr int kDirectoriesCapacity = 8;
// What the ignore-list box offers while its history is empty.
inline constexpr const char* kDefaultIgnored = "*.tmp; \\tmp; \\Temp*";

}  // namespace mardo::settings
