// mardo-bench: builds the benchmark corpus and measures Mardo against find and plocate.
//
//   mardo-bench corpus CONTENTS LIBRARY_DIR TREE_DIR TREE_FILES
//   mardo-bench memory LIBRARY_DIR
//   mardo-bench grouping LIBRARY_DIR
//   mardo-bench search-memory LIBRARY_DIR duplicates|not_elsewhere|not_elsewhere_all
//   mardo-bench mlocate LIBRARY_DIR MLOCATE_DB
//   mardo-bench run LIBRARY_DIR TREE_DIR PLOCATE_DB PLOCATE_FULL_DB MARDO_CLI
//
// MLOCATE_DB receives the library's names in the mlocate format, for plocate-build to index
// (PLOCATE_FULL_DB); MARDO_CLI is the mardo-cli program, measured as a whole process.
//
// CONTENTS is the text of Debian's Contents lists (one "path  section/package" per line).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <numeric>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/corpus.h"
#include "index/indexed_search.h"
#include "platform/mount_table.h"
#include "scan/tree_scanner.h"
#include "search/row_texts.h"
#include "search/search_engine.h"
#include "store/catalog_library.h"

namespace mardo::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uint64_t kSeed = 20261207;
constexpr size_t kVolumes = 8;
// The directory tree on disk is the densest run of consecutive files under this many directories
// (16,501 of them for 300,000 files), as when catalogs held at most 32,768 directories, so that
// the scanning figures compare from run to run.
constexpr size_t kTreeDirectories = 32768;
constexpr const char* kRarePattern = "frobnic";
constexpr const char* kShortPattern = "qx";  // two bytes that few names hold: every name is tested

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The median wall time of `runs` calls, in seconds.
double Time(int runs, const std::function<void()>& body) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    body();
    times.push_back(Seconds(Clock::now() - start));
  }
  return Median(times);
}

// Runs a program with its output thrown away; false when it failed. posix_spawn does not copy
// this process's page tables, so the measured time is the program's own even with the library
// loaded.
bool RunQuietly(const std::vector<std::string>& args) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) <= 1;  // 1: plocate found nothing
}

struct ChildRun {
  bool ok = false;
  double seconds = 0;
  double mib = 0;  // peak resident memory
};

// Runs a program with its output thrown away and `environment` added to this one's; its wall time
// and peak resident memory.
ChildRun RunMeasured(const std::vector<std::string>& args, const std::vector<std::string>& environment = {}) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  envp.push_back(nullptr);
  ChildRun run;
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  run.seconds = Seconds(Clock::now() - start);
  run.mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) <= 1;  // 1: nothing found
  return run;
}

// The median time and memory of `runs` runs.
ChildRun MedianRun(int runs, const std::vector<std::string>& args,
                   const std::vector<std::string>& environment = {},
                   const std::function<void()>& before = {}) {
  std::vector<double> seconds;
  std::vector<double> mib;
  ChildRun result;
  result.ok = true;
  for (int i = 0; i < runs; ++i) {
    if (before) before();
    const ChildRun run = RunMeasured(args, environment);
    result.ok = result.ok && run.ok;
    seconds.push_back(run.seconds);
    mib.push_back(run.mib);
  }
  result.seconds = Median(seconds);
  result.mib = Median(mib);
  return result;
}

// Two programs measured in turns, after a few warm-up runs of each, so that both see the same
// state of the machine; medians of `runs` runs each.
std::pair<ChildRun, ChildRun> MedianRunsInTurns(int runs, const std::vector<std::string>& first,
                                                const std::vector<std::string>& firstEnvironment,
                                                const std::vector<std::string>& second) {
  for (int i = 0; i < 5; ++i) {
    RunMeasured(first, firstEnvironment);
    RunMeasured(second, {});
  }
  std::vector<double> seconds[2];
  std::vector<double> mib[2];
  std::pair<ChildRun, ChildRun> result;
  result.first.ok = result.second.ok = true;
  for (int i = 0; i < runs; ++i) {
    const ChildRun a = RunMeasured(first, firstEnvironment);
    const ChildRun b = RunMeasured(second, {});
    result.first.ok = result.first.ok && a.ok;
    result.second.ok = result.second.ok && b.ok;
    seconds[0].push_back(a.seconds);
    mib[0].push_back(a.mib);
    seconds[1].push_back(b.seconds);
    mib[1].push_back(b.mib);
  }
  result.first.seconds = Median(seconds[0]);
  result.first.mib = Median(mib[0]);
  result.second.seconds = Median(seconds[1]);
  result.second.mib = Median(mib[1]);
  return result;
}

// The standard output of a program.
std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

int64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  int64_t size = 0;
  int64_t resident = 0;
  statm >> size >> resident;
  return resident * ::sysconf(_SC_PAGESIZE);
}

std::vector<CorpusFile> ReadCorpus(const std::string& contents) {
  std::ifstream in(contents);
  std::vector<std::string> paths;
  std::string line;
  while (std::getline(in, line)) {
    const std::string_view path = ContentsPath(line);
    if (!path.empty()) paths.emplace_back(path);
  }
  return MakeCorpus(std::move(paths), kSeed);
}

int BuildCorpus(const std::string& contents, const std::string& libraryDir, const std::string& treeDir,
                size_t treeFiles) {
  const std::vector<CorpusFile> files = ReadCorpus(contents);
  if (files.empty()) {
    std::cerr << "no paths in " << contents << '\n';
    return 1;
  }
  // (a) The library: consecutive slices of the corpus, one catalog each, scanned from memory.
  fs::create_directories(libraryDir);
  std::vector<size_t> starts = SplitVolumes(files, kVolumes, SIZE_MAX);
  starts.push_back(files.size());
  for (size_t v = 0; v + 1 < starts.size(); ++v) {
    const std::string root = "/corpus/volume" + std::to_string(v + 1);
    MemoryTree tree(root, files, starts[v], starts[v + 1]);
    const MountTable mounts = MountTable::Parse("1 0 8:1 / " + root + " rw - ext4 /dev/sdz1 rw\n");
    Catalog catalog;
    TreeScanner scanner(catalog, tree, mounts);
    if (scanner.Scan(root, "") == 0) {
      std::cerr << "volume " << v + 1 << ": " << scanner.RefusalText() << '\n';
      return 1;
    }
    catalog.volumeRoot = root + "/";
    catalog.volumeLabel = "VOLUME" + std::to_string(v + 1);
    catalog.serialNumber = static_cast<uint32_t>(0x10000000u + v);
    catalog.freeSpace = 1024.0f * static_cast<float>(v + 1);
    catalog.filePath = libraryDir + "/volume" + std::to_string(v + 1) + ".mvl";
    std::string error;
    if (!catalog.Write(&error)) {
      std::cerr << catalog.filePath << ": " << error << '\n';
      return 1;
    }
    std::cerr << catalog.filePath << ": " << catalog.files.Size() << " records, " << catalog.dirs.Size()
              << " directories\n";
  }
  // (b) The tree: a run of consecutive files under kTreeDirectories directories, as empty (sparse) files
  // with their sizes and times.
  const auto [first, last] = TreeSlice(files, treeFiles, kTreeDirectories);
  size_t made = 0;
  for (size_t i = first; i < last; ++i) {
    const fs::path path = fs::path(treeDir) / files[i].path;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) continue;  // a name that is a directory elsewhere in the corpus
    if (::ftruncate(fd, files[i].size) == 0) {
      const struct timespec times[2] = {{files[i].time, 0}, {files[i].time, 0}};
      ::futimens(fd, times);
    }
    ::close(fd);
    ++made;
  }
  std::cerr << treeDir << ": " << made << " files\n";
  return 0;
}

// Loads the library and prints records, bytes and the resident memory per record.
int Memory(const std::string& libraryDir) {
  const int64_t before = ResidentBytes();
  CatalogLibrary library({}, libraryDir);
  library.LoadAll();
  const int64_t after = ResidentBytes();
  int64_t nameBytes = 0;
  for (const Catalog* catalog : library.Catalogs())
    nameBytes += static_cast<int64_t>(catalog->names.BytesUsed());
  const double perRecord =
      static_cast<double>(after - before - nameBytes) / std::max<int64_t>(library.RecordCount(), 1);
  std::cout << library.RecordCount() << ' ' << perRecord << '\n';
  return 0;
}

// The peak resident memory of this process since the last reset, in bytes; -1 when unknown.
int64_t PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
  }
  return -1;
}

SearchConditions Conditions(const std::string& pattern, int mode = 0) {
  SearchInputs inputs;
  inputs.patternText = pattern;
  inputs.mode = mode;
  return BuildSearchConditions(inputs, 0).conditions;
}

// The searches of the modes that must see every entry: Duplicates over the whole library, and
// Not on other volumes for its first catalog against the others and for every catalog at once.
struct WholeLibrarySearch {
  const char* name;
  int mode;
  bool firstCatalogOnly;
};
constexpr WholeLibrarySearch kWholeLibrarySearches[] = {
    {"duplicates", 1, false},
    {"not_elsewhere", 3, true},
    {"not_elsewhere_all", 3, false},
};

SearchResult RunWholeLibrarySearch(CatalogLibrary& library, const WholeLibrarySearch& search) {
  SearchScope scope;
  if (search.firstCatalogOnly) scope = {true, {library.Catalogs()[0]}};
  return RunSearch(Conditions("", search.mode), library, scope);
}

// Loads the library and prints the memory one whole-library search adds at its peak, in bytes.
int SearchMemory(const std::string& libraryDir, const std::string& name) {
  CatalogLibrary library({}, libraryDir);
  library.LoadAll();
  for (const WholeLibrarySearch& search : kWholeLibrarySearches) {
    if (name != search.name) continue;
    const int64_t before = ResidentBytes();
    // Writing 5 resets the peak to the present resident set.
    std::ofstream("/proc/self/clear_refs") << "5";
    RunWholeLibrarySearch(library, search);
    std::cout << PeakResidentBytes() - before << '\n';
    return 0;
  }
  return 2;
}

// Times and peak memory of the whole-library searches (3 runs each; memory in a process of its
// own, so that earlier searches leave no peak behind).
void MeasureWholeLibrarySearches(CatalogLibrary& library, const std::string& libraryDir,
                                 const std::function<void(std::string, double, std::string)>& add) {
  for (const WholeLibrarySearch& search : kWholeLibrarySearches) {
    size_t rows = 0;
    const double seconds = Time(3, [&] { rows = RunWholeLibrarySearch(library, search).hits.size(); });
    add(std::string(search.name) + "_s", seconds, "s");
    const std::string peak = Capture("'/proc/" + std::to_string(::getpid()) + "/exe' search-memory '" +
                                     libraryDir + "' " + search.name);
    add(std::string(search.name) + "_mib", peak.empty() ? -1.0 : std::stod(peak) / (1024.0 * 1024.0), "MiB");
    if (rows == 0) std::cerr << search.name << ": no rows\n";
  }
}

int Grouping(const std::string& libraryDir) {
  CatalogLibrary library({}, libraryDir);
  library.LoadAll();
  MeasureWholeLibrarySearches(library, libraryDir, [](std::string name, double value, std::string unit) {
    std::cout << name << '\t' << value << '\t' << unit << '\n' << std::flush;
  });
  return 0;
}

// Writes the names of every catalog of the library as an mlocate database.
int WriteMlocate(const std::string& libraryDir, const std::string& out) {
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  std::string bytes;
  WriteMlocateHeader(bytes, "/corpus");
  const CatalogLibrary library({}, libraryDir);
  for (const std::string& path : library.CatalogFiles()) {
    Catalog catalog;
    catalog.filePath = path;
    if (!catalog.Read()) continue;
    WriteMlocateCatalog(bytes, catalog);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.clear();
  }
  return file.good() ? 0 : 1;
}

// Whether the indexed search gives the rows of RunSearch over the loaded library, cell for cell
// and in the same order.
bool SameRows(const SearchResult& loaded, const IndexedSearch& indexed) {
  const SearchResult& r = indexed.result;
  if (r.count != loaded.count || r.CountText() != loaded.CountText() || r.hits.size() != loaded.hits.size())
    return false;
  for (size_t i = 0; i < r.hits.size(); ++i) {
    if (ResultCells(*r.hits[i], r.grouping, "%Y-%m-%d %H:%M:%S") !=
        ResultCells(*loaded.hits[i], loaded.grouping, "%Y-%m-%d %H:%M:%S")) {
      return false;
    }
  }
  return true;
}

struct ScanAndFind {
  int32_t entries = 0;
  std::string refusal;
  double scan = 0;  // median seconds
  double find = 0;
};

// The scanner (as the program runs it) and `find` printing what a catalog records, taking turns
// so that both see the same load, with warm caches.
ScanAndFind MeasureScan(const std::string& root) {
  constexpr int kRuns = 5;
  ScanAndFind result;
  Catalog catalog;
  {
    TreeScanner warm(catalog);
    warm.Scan(root, "");
    result.refusal = warm.RefusalText();
  }
  RunQuietly({"find", root, "-printf", "%s %T@\\n"});
  std::vector<double> scans;
  std::vector<double> finds;
  for (int i = 0; i < kRuns; ++i) {
    scans.push_back(Time(1, [&] {
      TreeScanner scanner(catalog);
      result.entries = scanner.Scan(root, "");
    }));
    finds.push_back(Time(1, [&] { RunQuietly({"find", root, "-printf", "%s %T@\\n"}); }));
  }
  result.scan = Median(scans);
  result.find = Median(finds);
  if (result.refusal.empty() && result.entries == 0) result.refusal = "nothing found";
  return result;
}

struct Figure {
  std::string name;
  double value;
  std::string unit;
};

// One query of mardo-cli against plocate: the same pattern and hit limit (plocate has no dates,
// lengths or grouping: it gets the pattern alone; an anchor becomes a regular expression, and a
// `*` a glob, as plocate needs them to answer the same question).
struct Query {
  const char* pattern;
  int32_t limit;
  const char* dateOp = "";
  const char* date = "";
  const char* lengthOp = "";
  const char* length = "";
  int32_t mode = 0;  // 0 standard, 1 duplicates, 2 same names
};

const Query kQueries[] = {
    {"frobnic", 512},
    {"frobnic", 5120},
    {"lib", 512},
    {"lib", 5120},
    {"libreoffice", 512},
    {"libreoffice", 5120},
    {"gtk3", 512},
    {".desktop", 512},
    {".desktop", 5120},
    {"qx", 512},
    {"qx", 5120},
    {"x", 512},
    {"|lib", 512},
    {"|read", 5120},
    {".c|", 512},
    {".desktop|", 5120},
    {"lib*.so", 512},
    {"gtk*3", 5120},
    {"lib", 5120, "<", "050201"},
    {"gtk3", 512, ">=", "200101"},
    {"conf", 5120, "", "", "=", "1000"},
    {"frobnic", 512, "", "", ">", "1000"},
    {"*", 512, "", "", ">", "4294967296"},
    {"readme", 512, "", "", "", "", 1},
    {"readme", 5120, "", "", "", "", 2},
    {"libreoffice", 5120, "", "", "", "", 1},
};

int32_t OperatorIndex(std::string_view op) {
  const char* const ops[] = {"", "<", "<=", "=", ">=", ">"};
  for (int32_t i = 0; i < 6; ++i) {
    if (op == ops[i]) return i;
  }
  return 0;
}

SearchInputs InputsOf(const Query& q) {
  SearchInputs inputs;
  inputs.patternText = q.pattern;
  inputs.hitLimit = q.limit;
  inputs.dateOperator = OperatorIndex(q.dateOp);
  inputs.dateText = q.date;
  inputs.lengthOperator = OperatorIndex(q.lengthOp);
  inputs.lengthText = q.length;
  inputs.mode = q.mode;
  return inputs;
}

std::string Describe(const Query& q) {
  std::string text = std::string("`") + q.pattern + "`";
  if (*q.dateOp != 0) text += std::string(", date ") + q.dateOp + " " + q.date;
  if (*q.lengthOp != 0) text += std::string(", length ") + q.lengthOp + " " + q.length;
  if (q.mode == 1) text += ", duplicates";
  if (q.mode == 2) text += ", same names";
  return text + ", " + std::to_string(q.limit);
}

std::vector<std::string> CliArgs(const std::string& cli, const std::string& library, const Query& q) {
  std::vector<std::string> args = {cli,         "-dir",    library,   "search",
                                   "--pattern", q.pattern, "--limit", std::to_string(q.limit)};
  if (*q.dateOp != 0) args.insert(args.end(), {"--date", q.dateOp, q.date});
  if (*q.lengthOp != 0) args.insert(args.end(), {"--length", q.lengthOp, q.length});
  if (q.mode == 1) args.insert(args.end(), {"--mode", "duplicates"});
  if (q.mode == 2) args.insert(args.end(), {"--mode", "same-names"});
  return args;
}

std::vector<std::string> PlocateArgs(const std::string& db, const Query& q) {
  std::string pattern = q.pattern;
  std::vector<std::string> args = {"plocate", "-d", db, "-i", "-b", "-l", std::to_string(q.limit)};
  const bool start = pattern.front() == '|';
  const bool end = pattern.size() > 1 && pattern.back() == '|';
  if (start || end) {
    std::string core = pattern.substr(start ? 1 : 0, pattern.size() - (start ? 1 : 0) - (end ? 1 : 0));
    std::string regex = start ? "^" : "";
    for (char c : core) {
      if (c == '.') regex += '\\';
      regex += c;
    }
    if (end) regex += "$";
    args.insert(args.end(), {"-r", regex});
    return args;
  }
  if (pattern.find('*') != std::string::npos && pattern != "*") pattern = "*" + pattern + "*";
  args.push_back(pattern);
  return args;
}

// Empties the page cache (as root), so that the next run reads its files from the disk.
bool DropCaches() {
  ::sync();
  std::ofstream drop("/proc/sys/vm/drop_caches");
  if (!drop) return false;
  drop << "3\n";
  drop.flush();
  return static_cast<bool>(drop);
}

// Every query of kQueries, mardo-cli and plocate taking turns: warm (medians of `warmRuns` each
// after warm-up runs) and cold (medians of `coldRuns`, the page cache emptied before each run).
void RunVersus(const std::string& library, const std::string& plocateDb, const std::string& cli,
               const std::vector<std::string>& env, int warmRuns, int coldRuns,
               const std::function<void(std::string, double, std::string)>& add) {
  const bool cold = coldRuns > 0 && DropCaches();
  struct Row {
    double warm[2];
    double cold[2];
  };
  std::vector<Row> rows;
  int over = 0;
  for (size_t k = 0; k < std::size(kQueries); ++k) {
    const Query& q = kQueries[k];
    const std::vector<std::string> mardo = CliArgs(cli, library, q);
    const std::vector<std::string> plocate = PlocateArgs(plocateDb, q);
    Row row{};
    const auto [m, p] = MedianRunsInTurns(warmRuns, mardo, env, plocate);
    row.warm[0] = 1000.0 * m.seconds;
    row.warm[1] = 1000.0 * p.seconds;
    if (cold) {
      std::vector<double> times[2];
      for (int i = 0; i < coldRuns; ++i) {
        DropCaches();
        times[0].push_back(1000.0 * RunMeasured(mardo, env).seconds);
        DropCaches();
        times[1].push_back(1000.0 * RunMeasured(plocate).seconds);
      }
      row.cold[0] = Median(times[0]);
      row.cold[1] = Median(times[1]);
    }
    const std::string name = "q" + std::to_string(k + 1);
    add(name + "_warm_ms", row.warm[0], "ms");
    add(name + "_plocate_warm_ms", row.warm[1], "ms");
    if (cold) {
      add(name + "_cold_ms", row.cold[0], "ms");
      add(name + "_plocate_cold_ms", row.cold[1], "ms");
    }
    if (row.warm[0] > row.warm[1] || (cold && row.cold[0] > row.cold[1])) ++over;
    rows.push_back(row);
  }
  add("queries_over_plocate", over, "queries");
  std::printf("\n| # | query, limit | mardo-cli warm | plocate warm | mardo-cli cold | plocate cold |\n");
  std::printf("|---|---|---:|---:|---:|---:|\n");
  for (size_t k = 0; k < rows.size(); ++k) {
    std::printf("| %zu | %s | %.1f | %.1f | %.1f | %.1f |\n", k + 1, Describe(kQueries[k]).c_str(),
                rows[k].warm[0], rows[k].warm[1], rows[k].cold[0], rows[k].cold[1]);
  }
  std::printf("\n");
}

// The rows of every query through the indexes against RunSearch over the loaded library.
void CompareRows(CatalogLibrary& library, const std::string& libraryPath, IndexCache& cache, int& queries,
                 int& differences) {
  for (const Query& q : kQueries) {
    const SearchConditions conditions = BuildSearchConditions(InputsOf(q), 1767225600).conditions;
    const SearchResult loaded = RunSearch(conditions, library);
    const IndexedSearch indexed = SearchWithIndex(CatalogLibrary({}, libraryPath), conditions, {}, cache);
    ++queries;
    if (!SameRows(loaded, indexed)) {
      ++differences;
      std::cerr << "different rows: " << Describe(q) << '\n';
    }
  }
}

// Only mardo-cli against plocate, and the rows compared: for measuring the index alone.
int Versus(const std::string& libraryDir, const std::string& plocateDb, const std::string& cli, int warmRuns,
           int coldRuns) {
  auto add = [](std::string name, double value, std::string unit) {
    std::cout << name << '\t' << value << '\t' << unit << '\n' << std::flush;
  };
  const std::string cache = fs::absolute(fs::path(libraryDir).parent_path() / "cache").string();
  const std::vector<std::string> env = {"XDG_CACHE_HOME=" + cache};
  const std::string libraryPath = fs::absolute(libraryDir).string();
  const ChildRun build = MedianRun(3, {cli, "-dir", libraryPath, "search", "--pattern", kRarePattern}, env,
                                   [&] { fs::remove_all(cache); });
  add("index_build_s", build.seconds, "s");
  int64_t indexBytes = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(cache) / "mardo"))
    indexBytes += static_cast<int64_t>(entry.file_size());
  add("index_mib", static_cast<double>(indexBytes) / (1024.0 * 1024.0), "MiB");
  add("plocate_db_mib", static_cast<double>(fs::file_size(plocateDb)) / (1024.0 * 1024.0), "MiB");
  RunVersus(libraryPath, plocateDb, cli, env, warmRuns, coldRuns, add);
  CatalogLibrary library({}, libraryPath);
  library.LoadAll();
  IndexCache indexCache((fs::path(cache) / "mardo").string());
  int queries = 0;
  int differences = 0;
  CompareRows(library, libraryPath, indexCache, queries, differences);
  add("index_queries_compared", queries, "queries");
  add("index_queries_different", differences, "queries");
  return 0;
}

int Run(const std::string& libraryDir, const std::string& treeDir, const std::string& plocateDb,
        const std::string& plocateFullDb, const std::string& cli) {
  std::vector<Figure> figures;
  auto add = [&figures](std::string name, double value, std::string unit) {
    figures.push_back({std::move(name), value, std::move(unit)});
    std::cout << figures.back().name << '\t' << value << '\t' << figures.back().unit << '\n' << std::flush;
  };

  // mardo-cli as a whole process through the index, against plocate over an index of the same
  // names; first, while this process is small (a spawned child's peak memory counts this
  // process's until it execs). The index lives in a cache directory of its own.
  const std::string cache = fs::absolute(fs::path(libraryDir).parent_path() / "cache").string();
  const std::vector<std::string> env = {"XDG_CACHE_HOME=" + cache};
  const std::string libraryPath = fs::absolute(libraryDir).string();
  auto cliSearch = [&](const std::string& pattern) {
    return std::vector<std::string>{cli, "-dir", libraryPath, "search", "--pattern", pattern};
  };
  const ChildRun build = MedianRun(3, cliSearch(kRarePattern), env, [&] { fs::remove_all(cache); });
  add("index_build_s", build.seconds, "s");
  std::vector<std::string> catalogFiles = CatalogLibrary({}, libraryDir).CatalogFiles();
  int64_t indexBytes = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(cache) / "mardo"))
    indexBytes += static_cast<int64_t>(entry.file_size());
  add("index_mib", static_cast<double>(indexBytes) / (1024.0 * 1024.0), "MiB");
  add("plocate_db_mib", static_cast<double>(fs::file_size(plocateFullDb)) / (1024.0 * 1024.0), "MiB");
  int64_t stamp = 1767225600;
  const ChildRun update = MedianRun(3, cliSearch(kRarePattern), env, [&] {
    // A new modification time: the catalog counts as changed.
    const struct timespec times[2] = {{stamp, 0}, {stamp, 0}};
    ++stamp;
    ::utimensat(AT_FDCWD, catalogFiles[catalogFiles.size() / 2].c_str(), times, 0);
  });
  add("index_update_s", update.seconds, "s");
  const auto [rare, plocateFull] = MedianRunsInTurns(
      41, cliSearch(kRarePattern), env, {"plocate", "-d", plocateFullDb, "-i", "-b", kRarePattern});
  add("cli_search_rare_ms", 1000.0 * rare.seconds, "ms");
  add("cli_search_rare_mib", rare.mib, "MiB");
  add("plocate_full_rare_ms", 1000.0 * plocateFull.seconds, "ms");
  add("plocate_full_rare_mib", plocateFull.mib, "MiB");
  add("cli_search_rare_vs_plocate", rare.seconds / plocateFull.seconds, "ratio");
  add("cli_search_common_ms", 1000.0 * MedianRun(15, cliSearch("lib"), env).seconds, "ms");
  add("cli_search_short_ms", 1000.0 * MedianRun(15, cliSearch(kShortPattern), env).seconds, "ms");
  const ChildRun cliLoad = MedianRun(3, {cli, "-dir", libraryPath, "catalogs"}, env);
  add("cli_load_ms", 1000.0 * cliLoad.seconds, "ms");
  add("cli_load_mib", cliLoad.mib, "MiB");
  RunVersus(libraryPath, plocateFullDb, cli, env, 7, 3, add);

  // Scanning the corpus tree and the machine's /usr, against find doing the same walk.
  const ScanAndFind tree = MeasureScan(treeDir);
  add("tree_entries", tree.entries, "entries");
  add("scan_s", tree.scan, "s");
  add("find_s", tree.find, "s");
  add("scan_vs_find", tree.scan / tree.find, "ratio");
  const ScanAndFind usr = MeasureScan("/usr");
  if (usr.entries > 0) {
    add("usr_entries", usr.entries, "entries");
    add("scan_usr_s", usr.scan, "s");
    add("find_usr_s", usr.find, "s");
    add("scan_vs_find_usr", usr.scan / usr.find, "ratio");
  } else {
    std::cerr << "/usr: not scanned (" << usr.refusal << ")\n";
  }

  // Loading the library.
  int64_t libraryBytes = 0;
  for (const auto& entry : fs::directory_iterator(libraryDir))
    libraryBytes += static_cast<int64_t>(entry.file_size());
  const double load = Time(3, [&] {
    CatalogLibrary library({}, libraryDir);
    library.LoadAll();
  });
  CatalogLibrary library({}, libraryDir);
  library.LoadAll();
  add("entries", library.RecordCount(), "entries");
  add("load_s", load, "s");
  add("load_mb_per_s", static_cast<double>(libraryBytes) / (1024.0 * 1024.0) / load, "MB/s");
  std::istringstream memory(
      Capture("'/proc/" + std::to_string(::getpid()) + "/exe' memory '" + libraryDir + "'"));
  double records = 0;
  double perRecord = 0;
  memory >> records >> perRecord;
  add("bytes_per_record", perRecord, "bytes");

  // Searches over the whole library.
  auto searchMs = [&library](const SearchConditions& conditions, int runs = 5) {
    return 1000.0 * Time(runs, [&] { RunSearch(conditions, library); });
  };
  add("search_rare_ms", searchMs(Conditions(kRarePattern)), "ms");
  add("search_common_ms", searchMs(Conditions("lib")), "ms");
  add("search_end_anchor_ms", searchMs(Conditions(".c|")), "ms");
  add("search_star_ms", searchMs(Conditions("lib*.so")), "ms");
  SearchInputs length;
  length.lengthOperator = static_cast<int32_t>(CompareOperator::kEqual);
  length.lengthText = "1000000";
  add("search_length_ms", searchMs(BuildSearchConditions(length, 0).conditions), "ms");
  SearchInputs date;
  date.dateOperator = static_cast<int32_t>(CompareOperator::kBefore);
  date.dateText = "000101";
  add("search_date_ms", searchMs(BuildSearchConditions(date, 0).conditions), "ms");
  MeasureWholeLibrarySearches(library, libraryDir, add);
  add("same_names_s", searchMs(Conditions("", 2), 3) / 1000.0, "s");

  // The rare pattern over the tree's entries: Mardo's catalog of the tree against plocate's
  // database of the same tree.
  CatalogLibrary treeLibrary({}, "/nonexistent");
  {
    auto scanned = std::make_unique<Catalog>();
    TreeScanner scanner(*scanned);
    scanner.Scan(treeDir, "");
    scanned->filePath = "/nonexistent/tree.mvl";  // kept in memory only: adopted, not written
    scanned->UpdateDisplayName();
    treeLibrary.AdoptCatalog(std::move(scanned));
  }
  if (treeLibrary.Catalogs().Size() != 1 || treeLibrary.Catalogs()[0]->files.Empty()) {
    std::cerr << treeDir << ": the tree could not be scanned\n";
    return 1;
  }
  const double mardoTree = 1000.0 * Time(9, [&] { RunSearch(Conditions(kRarePattern), treeLibrary); });
  const double plocate = 1000.0 * Time(9, [&] {
                           RunQuietly({"plocate", "-d", plocateDb, "-i", "-b", kRarePattern});
                         });
  add("search_rare_tree_ms", mardoTree, "ms");
  add("plocate_rare_ms", plocate, "ms");
  add("search_rare_vs_plocate", mardoTree / plocate, "ratio");

  // The index gives RunSearch's rows over the whole corpus.
  int differences = 0;
  int queries = 0;
  IndexCache indexCache((fs::path(cache) / "mardo").string());
  auto compare = [&](SearchInputs inputs, int32_t hitLimit) {
    inputs.hitLimit = hitLimit;
    const SearchConditions conditions = BuildSearchConditions(inputs, 1767225600).conditions;
    const SearchResult loaded = RunSearch(conditions, library);
    const IndexedSearch indexed =
        SearchWithIndex(CatalogLibrary({}, libraryPath), conditions, {}, indexCache);
    ++queries;
    if (!SameRows(loaded, indexed)) {
      ++differences;
      std::cerr << "different rows: pattern '" << inputs.patternText << "' mode " << inputs.mode << '\n';
    }
  };
  for (const char* pattern : {kRarePattern, "lib", kShortPattern, ".c|", "lib*.so", "|read", "x", "*"}) {
    SearchInputs inputs;
    inputs.patternText = pattern;
    compare(inputs, 512);
    compare(inputs, 100000);
  }
  SearchInputs dated;
  dated.dateOperator = static_cast<int32_t>(CompareOperator::kBefore);
  dated.dateText = "050201";
  compare(dated, 5120);
  SearchInputs sized;
  sized.patternText = "conf";
  sized.lengthOperator = static_cast<int32_t>(CompareOperator::kEqual);
  sized.lengthText = "1000";
  compare(sized, 5120);
  SearchInputs huge;  // files above 4 GiB
  huge.lengthOperator = static_cast<int32_t>(CompareOperator::kAfter);
  huge.lengthText = "4294967296";
  compare(huge, 5120);
  huge.mode = 1;
  compare(huge, 5120);
  for (int mode : {1, 2}) {
    SearchInputs grouped;
    grouped.patternText = "readme";
    grouped.mode = mode;
    compare(grouped, 5120);
  }
  CompareRows(library, libraryPath, indexCache, queries, differences);
  add("index_queries_compared", queries, "queries");
  add("index_queries_different", differences, "queries");

  std::printf("\n%-24s %14s  %s\n", "figure", "value", "unit");
  for (const Figure& f : figures) std::printf("%-24s %14.3f  %s\n", f.name.c_str(), f.value, f.unit.c_str());
  return 0;
}

}  // namespace
}  // namespace mardo::bench

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 5 && args[0] == "corpus") {
    return mardo::bench::BuildCorpus(args[1], args[2], args[3], std::stoul(args[4]));
  }
  if (args.size() == 2 && args[0] == "memory") return mardo::bench::Memory(args[1]);
  if (args.size() == 2 && args[0] == "grouping") return mardo::bench::Grouping(args[1]);
  if (args.size() == 3 && args[0] == "search-memory") return mardo::bench::SearchMemory(args[1], args[2]);
  if (args.size() == 3 && args[0] == "mlocate") return mardo::bench::WriteMlocate(args[1], args[2]);
  if (args.size() == 6 && args[0] == "versus")
    return mardo::bench::Versus(args[1], args[2], args[3], std::stoi(args[4]), std::stoi(args[5]));
  if (args.size() == 6 && args[0] == "run")
    return mardo::bench::Run(args[1], args[2], args[3], args[4], args[5]);
  std::cerr << "usage: mardo-bench corpus CONTENTS LIBRARY_DIR TREE_DIR TREE_FILES\n"
               "       mardo-bench memory LIBRARY_DIR\n"
               "       mardo-bench grouping LIBRARY_DIR\n"
               "       mardo-bench search-memory LIBRARY_DIR duplicates|not_elsewhere|not_elsewhere_all\n"
               "       mardo-bench mlocate LIBRARY_DIR MLOCATE_DB\n"
               "       mardo-bench run LIBRARY_DIR TREE_DIR PLOCATE_DB PLOCATE_FULL_DB MARDO_CLI\n"
               "       mardo-bench versus LIBRARY_DIR PLOCATE_FULL_DB MARDO_CLI WARM_RUNS COLD_RUNS\n";
  return 2;
}
