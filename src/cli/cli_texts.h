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
    "  -dir LIST           more catalog directories, in one list separated by commas (no spaces)\n"
    "  -dd                 expert mode: hit limits above 5120 are accepted\n"
    "\n"
    "Names that begin with '-': catalog files often do (the catalog of a subdirectory \\2000 is\n"
    "written as -2000.mvl). Put such names after '--', which ends the options, as in\n"
    "'mardo-cli dump -- -2000.mvl', or write the file as ./-2000.mvl.\n"
    "\n"
    "Exit status: 0 done, 1 nothing found or nothing done, 2 an error (said on standard error),\n"
    "3 a catalog stored with unreadable directories or entries under add --strict or refresh\n"
    "--strict.\n"
    "\n"
    "Run 'mardo-cli COMMAND --help' for the options of a command.\n";

inline constexpr const char* kCatalogsHelp =
    "Usage: mardo-cli catalogs [--format tsv|csv|json] [--date-format FORMAT]\n"
    "\n"
    "One line per loaded catalog: Name, Date, Free (MB), Files, Volume, Serial number, Catalog\n"
    "file name; sorted by name, then newest first. Catalog files that could not be read are named\n"
    "in a warning on standard error.\n";

inline constexpr const char* kSearchHelp =
    "Usage: mardo-cli search [--pattern TEXT] [--date OP [YYMMDD|-DAYS]] [--length OP BYTES]\n"
    "                        [--mode standard|duplicates|same-names] [--limit N] [--only NAME]...\n"
    "                        [--format tsv|csv|json] [--date-format FORMAT]\n"
    "\n"
    "OP is one of < <= = >= >. The pattern is part of a name, without regard to case; '|' at an\n"
    "end pins it to that end of the name, and the first '*' splits it in two parts that must both\n"
    "occur. --date OP without a date means today; -1 is yesterday. --only searches only the\n"
    "catalogs of that name (repeatable). --limit is the hit limit (default 512, at most 5120\n"
    "without -dd). Directories have negative lengths: --length '<' 10 lists them too.\n"
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
    "Usage: mardo-cli add ROOT [--label TEXT] [--ignore PATTERNS] [--yes] [--strict]\n"
    "\n"
    "Catalogues the tree under ROOT into a new catalog file in the current directory. The label\n"
    "is the volume's (or, for a subdirectory, its path) unless --label names the catalog.\n"
    "--ignore leaves out files and directories: '*.tmp; \\tmp' skips files matching *.tmp and\n"
    "directories named tmp (patterns are separated by ';' or spaces; '?' stands for a space).\n"
    "Questions (replace an existing catalog?) are answered Yes by --yes, asked on a terminal, and\n"
    "answered No otherwise. Ctrl+C cancels the scan. Directories that could not be read are\n"
    "named in a warning; --strict makes them end the command with exit status 3.\n";

inline constexpr const char* kRefreshHelp =
    "Usage: mardo-cli refresh NAME [--strict]\n"
    "\n"
    "Catalogues again the volume or directory of the first catalog called NAME, if the same\n"
    "medium is present, and replaces that catalog. --strict as for add.\n";

inline constexpr const char* kDeleteHelp =
    "Usage: mardo-cli delete NAME... [--yes]\n"
    "\n"
    "Deletes the first catalog of each NAME, with its file, after a question.\n";

inline constexpr const char* kDumpHelp =
    "Usage: mardo-cli dump FILE\n"
    "\n"
    "Prints every field of one catalog file, one tab-separated line each. A file name that\n"
    "begins with '-' goes after '--': mardo-cli dump -- -2000.mvl\n";

// Argument errors.
inline constexpr const char* kOneDash = "Unknown option: %s (options begin with two dashes: --%s)";
inline constexpr const char* kGlobalAfterCommand =
    "Unknown option: %s (-dir and -dd go before the command, as in mardo-cli -dir DIRS search ...)";
inline constexpr const char* kDashName =
    "Unknown option: %s (a name that begins with '-' goes after '--', as in mardo-cli %s -- %s)";
inline constexpr const char* kGivenTwice = "The option %s is given more than once";
inline constexpr const char* kUnexpectedPattern =
    "Unexpected argument: %s (the pattern goes after --pattern: mardo-cli search --pattern %s)";
inline constexpr const char* kDirTwice =
    "-dir is given more than once; name every catalog directory in one -dir, separated by commas: "
    "-dir \"%s\"";

// Warnings and notes, on standard error; the command goes on.
inline constexpr const char* kDirEmptyEntry =
    "Warning: -dir holds an empty entry, which names the start directory again";
inline constexpr const char* kDirSpaces =
    "Warning: the -dir entry '%s' begins or ends with a space, which is taken as part of the "
    "directory's name (separate the entries with commas only: -dir \"a,b\")";
inline constexpr const char* kDirLooksLikeOption =
    "Warning: the -dir list '%s' looks like an option; it is read as a directory, since the list "
    "is always the argument right after -dir";
inline constexpr const char* kDirUnreadable = "Warning: the catalog directory '%s' cannot be read: %s";
inline constexpr const char* kCatalogSkipped = "Warning: skipped the catalog file '%s': %s";
inline constexpr const char* kCatalogNotRead = "The catalog file '%s' could not be read: %s";
inline constexpr const char* kLimitNote =
    "Note: --limit %s is read as %d (the hit limit is a whole number from 1 to 5120, or more with -dd)";
inline constexpr const char* kUnreadableOne =
    "Warning: 1 directory could not be read and is catalogued as empty";
inline constexpr const char* kUnreadableMany =
    "Warning: %d directories could not be read and are catalogued as empty";
inline constexpr const char* kUnreadableEntryOne =
    "Warning: 1 entry could not be read and is left out of the catalog";
inline constexpr const char* kUnreadableEntryMany =
    "Warning: %d entries could not be read and are left out of the catalog";
inline constexpr const char* kUnreadableMore = "\n  (and %d more)";

// Add and refresh.
inline constexpr const char* kEmptyRoot =
    "No directory to catalogue: the root '' is empty (name one, as in mardo-cli add /media/usb)";
inline constexpr const char* kRootUnreadable = "Cannot read the directory '%s': %s";

}  // namespace mardo::texts::cli
