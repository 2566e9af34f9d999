#pragma once

// Texts of the command line, in one place.
namespace mardo::texts::cli {

inline constexpr const char* kUsage =
    "Usage: mardo-cli [-dir \"DIR1,DIR2,...\"] [-dd] COMMAND [ARGUMENTS]\n"
    "\n"
    "Mardo keeps one catalog file (.mvl) per catalogued volume and searches them all while the\n"
    "media are on the shelf. Catalogs are read from the current directory and from the -dir\n"
    "directories; new catalogs are written to the current directory.\n"
    "\n"
    "Commands:\n"
    "  catalogs            list the loaded catalogs\n"
    "  search              find entries by name, date and length, or duplicates\n"
    "  ls NAME [PATH]      list one catalogued directory\n"
    "  add ROOT            catalogue a volume or directory\n"
    "  refresh NAME        catalogue a volume again and replace its catalog\n"
    "  delete NAME...      delete catalogs with their files\n"
    "  dump FILE           every field of one catalog file\n"
    "\n"
    "Options before the command:\n"
    "  -dir LIST           more catalog directories, separated by commas\n"
    "  -dd                 expert mode: hit limits above 5120 are accepted\n"
    "\n"
    "Run 'mardo-cli COMMAND --help' for the options of a command.\n";

inline constexpr const char* kCatalogsHelp =
    "Usage: mardo-cli catalogs [--format tsv|csv|json] [--date-format FORMAT]\n"
    "\n"
    "One line per loaded catalog: Name, Date, Free (MB), Files, Volume, Serial number, Catalog\n"
    "file name; sorted by name, then newest first.\n";

inline constexpr const char* kSearchHelp =
    "Usage: mardo-cli search [--pattern TEXT] [--date OP [YYMMDD|-DAYS]] [--length OP BYTES]\n"
    "                        [--mode standard|duplicates|same-names] [--limit N] [--only NAME]...\n"
    "                        [--format tsv|csv|json] [--date-format FORMAT]\n"
    "\n"
    "OP is one of < <= = >= >. The pattern is part of a name, without regard to case; '|' at an\n"
    "end pins it to that end of the name, and one '*' splits it in two parts that must both\n"
    "occur. --date OP without a date means today; -1 is yesterday. --only searches only the\n"
    "catalogs of that name (repeatable). --limit is the hit limit (default 512, at most 5120\n"
    "without -dd).\n"
    "\n"
    "Prints one line per hit: Name, Date, Length, Volume, Path; directories first, then by name,\n"
    "newest first. The number of hits (\">N\" when the limit was reached) ends standard error.\n"
    "Exit status: 0 with hits, 1 without, 2 on an error.\n";

inline constexpr const char* kLsHelp =
    "Usage: mardo-cli ls NAME [PATH] [--limit N] [--format tsv|csv|json] [--date-format FORMAT]\n"
    "\n"
    "Lists one directory of the first catalog called NAME: PATH as the catalog shows it\n"
    "(\\docs\\old, or /docs/old); without PATH the directory the catalog was made from. Rows are\n"
    "Name, Date, Length, Path; directories first. At most --limit entries (default 512).\n";

inline constexpr const char* kAddHelp =
    "Usage: mardo-cli add ROOT [--label TEXT] [--ignore PATTERNS] [--yes]\n"
    "\n"
    "Catalogues the tree under ROOT into a new catalog file in the current directory. The label\n"
    "is the volume's (or, for a subdirectory, its path) unless --label names the catalog.\n"
    "--ignore leaves out files and directories: '*.tmp; \\tmp' skips files matching *.tmp and\n"
    "directories named tmp. Questions (replace an existing catalog?) are answered Yes by --yes,\n"
    "asked on a terminal, and answered No otherwise. Ctrl+C cancels the scan.\n";

inline constexpr const char* kRefreshHelp =
    "Usage: mardo-cli refresh NAME\n"
    "\n"
    "Catalogues again the volume or directory of the first catalog called NAME, if the same\n"
    "medium is present, and replaces that catalog.\n";

inline constexpr const char* kDeleteHelp =
    "Usage: mardo-cli delete NAME... [--yes]\n"
    "\n"
    "Deletes the first catalog of each NAME, with its file, after a question.\n";

inline constexpr const char* kDumpHelp =
    "Usage: mardo-cli dump FILE\n"
    "\n"
    "Prints every field of one catalog file, one tab-separated line each.\n";

inline constexpr const char* kNotACatalog = "Not a catalog file: ";

}  // namespace mardo::texts::cli
