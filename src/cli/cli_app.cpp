#include "cli/cli_app.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string_view>

#include "base/format_text.h"
#include "base/start_options.h"
#include "cli/cli_form.h"
#include "cli/cli_texts.h"
#include "cli/scan_report.h"
#include "cli/table_writer.h"
#include "cli/terminal_prompts.h"
#include "cli/text_escape.h"
#include "index/index_cache.h"
#include "index/indexed_search.h"
#include "platform/file_system.h"
#include "platform/local_time.h"
#include "scan/add_workflow.h"
#include "scan/scan_texts.h"
#include "search/directory_listing.h"
#include "search/entry_path.h"
#include "search/grouping.h"
#include "search/row_texts.h"
#include "search/search_engine.h"
#include "search/search_texts.h"
#include "search/sort_state.h"
#include "settings/app_texts.h"
#include "store/catalog_library.h"
#include "store/store_texts.h"

namespace mardo {
namespace {

constexpr const char* kDefaultHitLimit = "512";

// The options of one command: which take values, and how many.
struct OptionRule {
  const char* name;
  int values;  // -1: one or two (--date OP [TEXT])
  bool repeatable = false;
};

struct ParsedCommand {
  std::vector<std::string> positional;
  std::multimap<std::string, std::vector<std::string>> options;
  bool help = false;
  std::string error;

  const std::vector<std::string>* Last(const std::string& name) const {
    const auto range = options.equal_range(name);
    return range.first == range.second ? nullptr : &std::prev(range.second)->second;
  }
  std::string Value(const std::string& name, const std::string& fallback = {}) const {
    const auto* values = Last(name);
    return values != nullptr && !values->empty() ? values->front() : fallback;
  }
  bool Has(const std::string& name) const { return options.count(name) > 0; }
};

// Why an argument that begins with one '-' is not taken: most often "--name" typed with one dash,
// a global option after the command, or a file or catalog name that begins with '-'.
std::string SingleDashError(const std::string& command, const std::string& arg,
                            const std::vector<OptionRule>& rules) {
  const std::string bare = arg.substr(1);
  for (const OptionRule& rule : rules) {
    if (bare == rule.name) return FormatText(texts::cli::kOneDash, arg.c_str(), rule.name);
  }
  if (IsStartOption(arg, "dir") || IsStartOption(arg, "dd")) {
    return FormatText(texts::cli::kGlobalAfterCommand, arg.c_str());
  }
  return FormatText(texts::cli::kDashName, arg.c_str(), command.c_str(), arg.c_str());
}

ParsedCommand ParseCommand(const std::vector<std::string>& args, size_t first, const std::string& command,
                           const std::vector<OptionRule>& rules) {
  ParsedCommand parsed;
  bool optionsEnded = false;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      parsed.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
      continue;
    }
    if (arg[1] != '-') {
      parsed.error = SingleDashError(command, arg, rules);
      return parsed;
    }
    const std::string name = arg.substr(2);
    const auto rule =
        std::find_if(rules.begin(), rules.end(), [&](const OptionRule& s) { return name == s.name; });
    if (rule == rules.end()) {
      parsed.error = "Unknown option: " + arg;
      return parsed;
    }
    if (!rule->repeatable && parsed.Has(name)) {
      parsed.error = FormatText(texts::cli::kGivenTwice, arg.c_str());
      return parsed;
    }
    std::vector<std::string> values;
    const int wanted = rule->values < 0 ? 1 : rule->values;
    for (int v = 0; v < wanted; ++v) {
      if (i + 1 >= args.size()) {
        parsed.error = "The option " + arg + " needs a value";
        return parsed;
      }
      values.push_back(args[++i]);
    }
    if (rule->values < 0 && i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0)
      values.push_back(args[++i]);
    parsed.options.emplace(name, std::move(values));
  }
  return parsed;
}

bool ParseOperator(std::string_view text, int32_t& index) {
  for (int32_t i = 1; i < static_cast<int32_t>(std::size(texts::kOperatorTexts)); ++i) {
    if (text == texts::kOperatorTexts[i]) {
      index = i;
      return true;
    }
  }
  return false;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Everything a command needs to know about its run.
// Sorts result rows as the results list first shows them (folders first, then by name, then by
// date). The first eight folded bytes of the names, packed, decide most comparisons: they order
// names as CompareNoCase does, and two names shorter than eight bytes (without a NUL byte) that
// agree in them are the same name: the date then orders them. The rows' own comparison decides
// the others.
void SortResultRows(std::vector<const FileRecord*>& rows) {
  const SortState state(ListKind::kResults);
  struct Keyed {
    uint64_t prefix;
    int64_t time;
    bool folder;
    bool whole;  // the name is whole in `prefix`
    const FileRecord* row;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(rows.size());
  for (const FileRecord* row : rows) {
    const std::string_view name = row->Name();
    keyed.push_back({GroupedEntry::Of(name, 0, 0).prefix, row->lastWriteTime, row->IsDirectory(),
                     name.size() < 8 && name.find('\0') == std::string_view::npos, row});
  }
  const bool byName = state.Keys()[0] == 1 && state.Direction(0) == 1;
  const bool thenByDate = byName && state.Keys()[1] == 2 && state.Keys()[2] == 0;
  const bool newestFirst = state.Direction(1) != 1;
  std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    if (byName && a.folder != b.folder) return a.folder;
    if (byName && a.prefix != b.prefix) return a.prefix < b.prefix;
    if (thenByDate && a.whole && b.whole) return newestFirst ? a.time > b.time : a.time < b.time;
    return CompareResultRows(a.row, b.row, state, true) < 0;
  });
  for (size_t k = 0; k < rows.size(); ++k) rows[k] = keyed[k].row;
}

class Session {
 public:
  Session(CliContext& context, std::vector<std::string> globalArguments)
      : context_(context),
        library_(std::move(globalArguments), context.startDirectory.empty()
                                                 ? std::nullopt
                                                 : std::optional<std::string>(context.startDirectory)),
        expertMode_(library_.Options().expertMode) {}

  int Catalogs(const ParsedCommand& command);
  int Search(const ParsedCommand& command);
  int List(const ParsedCommand& command);
  int Add(const ParsedCommand& command);
  int Refresh(const ParsedCommand& command);
  int Delete(const ParsedCommand& command);
  int Dump(const ParsedCommand& command);

 private:
  OutputChannel Out() const { return {context_.out, context_.outputIsTerminal}; }
  OutputChannel Err() const { return {context_.err, context_.errorIsTerminal}; }
  // A name or path for a message on standard error.
  std::string Shown(std::string_view text) const { return ForStream(text, context_.errorIsTerminal); }

  int Fail(const std::string& message) {
    context_.out.flush();
    context_.err << message << '\n';
    return kExitError;
  }
  void Warn(const std::string& message) {
    context_.out.flush();
    context_.err << message << '\n';
  }
  int NoCatalogNamed(const std::string& name) { return Fail("No catalog named '" + Shown(name) + "'"); }

  const Catalog* FirstNamed(std::string_view name) const {
    for (const Catalog* catalog : library_.Catalogs()) {
      if (catalog->DisplayName() == name) return catalog;
    }
    return nullptr;
  }
  bool Output(const ParsedCommand& command, OutputFormat& format) {
    if (ParseOutputFormat(command.Value("format", "tsv"), format)) return true;
    Fail("Unknown format: " + Shown(command.Value("format")) + " (use tsv, csv or json)");
    return false;
  }
  int32_t HitLimit(const ParsedCommand& command);
  int64_t Now() const { return context_.now != 0 ? context_.now : CurrentTime(); }
  TerminalPrompts::Answer Answering(const ParsedCommand& command) const {
    if (command.Has("yes")) return TerminalPrompts::Answer::kYes;
    return context_.inputIsTerminal ? TerminalPrompts::Answer::kAsk : TerminalPrompts::Answer::kNo;
  }

  // Loads every catalog, after warning about -dir entries that look wrong; with `nameSkipped`,
  // names each catalog file that could not be read.
  void LoadCatalogs(bool nameSkipped);
  // Warns of -dir entries that are empty, hold spaces at an end, or cannot be read.
  void WarnAboutDirectories();
  // Runs a prepared scan on this thread and reports how it ended. `noJob`: the status when the
  // workflow stopped before the scan (it has said why).
  int RunScan(AddWorkflow& workflow, CliForm& form, std::unique_ptr<ScanJob> job, bool strict, int noJob);

  CliContext& context_;
  CatalogLibrary library_;
  bool expertMode_ = false;
};

std::vector<const char*> Headers(ListKind list) {
  std::vector<const char*> headers;
  for (const ColumnDef& column : ColumnsOf(list)) headers.push_back(column.header);
  return headers;
}

void Session::LoadCatalogs(bool nameSkipped) {
  WarnAboutDirectories();
  const std::vector<CatalogLibrary::SkippedFile> skipped = library_.LoadAll();
  if (!nameSkipped) return;
  for (const CatalogLibrary::SkippedFile& file : skipped) {
    Warn(FormatText(texts::cli::kCatalogSkipped, Shown(file.path).c_str(), file.reason.c_str()));
  }
}

void Session::WarnAboutDirectories() {
  const std::vector<std::string>& directories = library_.CatalogDirectories();
  const std::string prefix = library_.StartDirectory() + "/";
  for (size_t k = 1; k < directories.size(); ++k) {
    const std::string& dir = directories[k];
    // The entry as typed: relative entries were put below the start directory.
    const std::string entry = dir.compare(0, prefix.size(), prefix) == 0 ? dir.substr(prefix.size()) : dir;
    if (entry.empty()) {
      Warn(texts::cli::kDirEmptyEntry);
      continue;
    }
    if (entry.front() == ' ' || entry.back() == ' ') {
      Warn(FormatText(texts::cli::kDirSpaces, Shown(entry).c_str()));
    }
    const std::string error = DirectoryReadError(dir);
    if (!error.empty()) Warn(FormatText(texts::cli::kDirUnreadable, Shown(dir).c_str(), error.c_str()));
  }
}

int32_t Session::HitLimit(const ParsedCommand& command) {
  const std::string text = command.Value("limit", kDefaultHitLimit);
  const int32_t limit = NormaliseHitLimit(text, expertMode_);
  if (std::to_string(limit) != text) {
    Warn(FormatText(texts::cli::kLimitNote, Shown(text).c_str(), static_cast<int>(limit)));
  }
  return limit;
}

int Session::Catalogs(const ParsedCommand& command) {
  OutputFormat format;
  if (!Output(command, format)) return kExitError;
  LoadCatalogs(true);
  std::vector<const Catalog*> rows(library_.Catalogs().begin(), library_.Catalogs().end());
  const SortState state(ListKind::kCatalog);
  std::stable_sort(rows.begin(), rows.end(), [&state](const Catalog* a, const Catalog* b) {
    return CompareCatalogRows(a, b, state) < 0;
  });
  const auto headers = Headers(ListKind::kCatalog);
  TableWriter table(context_.out, format, headers, context_.outputIsTerminal);
  const std::string dateFormat = command.Value("date-format", texts::kDefaultCatalogDateFormat);
  for (const Catalog* catalog : rows) table.Row(CatalogCells(*catalog, dateFormat));
  return kExitSuccess;
}

int Session::Search(const ParsedCommand& command) {
  OutputFormat format;
  if (!Output(command, format)) return kExitError;
  SearchInputs inputs;
  inputs.patternText = command.Value("pattern");
  if (const auto* date = command.Last("date")) {
    if (!ParseOperator((*date)[0], inputs.dateOperator))
      return Fail("Unknown operator: " + Shown((*date)[0]) + " (use < <= = >= >)");
    if (date->size() > 1) inputs.dateText = (*date)[1];
  }
  if (const auto* length = command.Last("length")) {
    if (!ParseOperator((*length)[0], inputs.lengthOperator)) {
      return Fail("Unknown operator: " + Shown((*length)[0]) + " (use < <= = >= >)");
    }
    inputs.lengthText = (*length)[1];
    if (!AllDigits(inputs.lengthText)) {
      return Fail("The length must be a number of bytes: " + Shown(inputs.lengthText));
    }
  }
  const std::string mode = command.Value("mode", "standard");
  if (mode == "duplicates") {
    inputs.mode = static_cast<int32_t>(SearchMode::kDuplicates);
  } else if (mode == "same-names") {
    inputs.mode = static_cast<int32_t>(SearchMode::kSameNames);
  } else if (mode == "not-elsewhere") {
    inputs.mode = static_cast<int32_t>(SearchMode::kNotElsewhere);
  } else if (mode != "standard") {
    return Fail("Unknown mode: " + Shown(mode) + " (use standard, duplicates, same-names or not-elsewhere)");
  }
  inputs.hitLimit = HitLimit(command);
  // A date is read in local time, whose zone a cold disk gives only after a few reads: the first
  // pages of the indexes are asked for before, so that the waits overlap.
  std::optional<IndexCache> cache;
  if (command.Last("date") != nullptr && inputs.mode != static_cast<int32_t>(SearchMode::kNotElsewhere)) {
    cache.emplace(IndexCache::DefaultDirectory());
    const std::vector<std::string> paths = library_.CatalogFiles();
    if (!paths.empty() && cache->IndexWaitsForDisk(paths[0])) {
      cache->ReadOpeningsSoon(paths);
      // The first pages may be in memory by the time the search looks: the rest is not.
      cache->SetDiskProbe([](const std::string&) { return true; });
    }
  }
  const SearchRequest request = BuildSearchConditions(inputs, Now());
  if (!request.ok) return Fail(request.message);
  // The search keeps the window's reading of the texts; the user hears when it differs from what
  // was typed.
  const SearchConditions& conditions = request.conditions;
  for (const std::string& note : ReadingNotes(inputs, conditions, Now())) Warn(Shown(note));

  WarnAboutDirectories();
  std::vector<std::string> only;
  for (auto [it, end] = command.options.equal_range("only"); it != end; ++it) only.push_back(it->second[0]);
  std::optional<IndexedSearch> found;
  SearchResult loaded;
  if (conditions.Has(SearchConditions::kNotElsewhere)) {
    // Every file of the other catalogs may be a copy: the catalogs are loaded whole. The named
    // ones are searched, the others are elsewhere.
    for (const CatalogLibrary::SkippedFile& file : library_.LoadAll())
      Warn(FormatText(texts::cli::kCatalogSkipped, Shown(file.path).c_str(), file.reason.c_str()));
    SearchScope scope{!only.empty(), {}};
    for (const std::string& name : only) {
      const size_t before = scope.selected.size();
      for (const Catalog* catalog : library_.Catalogs()) {
        if (catalog->DisplayName() == name) scope.selected.push_back(catalog);
      }
      if (scope.selected.size() == before) return NoCatalogNamed(name);
    }
    loaded = RunSearch(conditions, library_, scope);
  } else {
    // Through the catalogs' indexes: the same rows as RunSearch after LoadAll, without loading.
    found = cache ? SearchWithIndex(library_, conditions, only, *cache)
                  : SearchWithIndex(library_, conditions, only);
    for (const IndexedSearch::SkippedFile& file : found->skipped) {
      Warn(FormatText(texts::cli::kCatalogSkipped, Shown(file.path).c_str(), file.reason.c_str()));
    }
    if (found->unknownCatalog) return NoCatalogNamed(*found->unknownCatalog);
  }
  const SearchResult& result = found ? found->result : loaded;

  std::vector<const FileRecord*> rows = result.hits;
  SortResultRows(rows);
  const auto headers = Headers(ListKind::kResults);
  const std::string dateFormat = command.Value("date-format", texts::kDefaultResultDateFormat);
  {
    TableWriter table(context_.out, format, headers, context_.outputIsTerminal);
    for (const FileRecord* hit : rows) table.Row(ResultCells(*hit, result.grouping, dateFormat));
  }
  context_.out.flush();
  if (result.notElsewhere) context_.err << result.notElsewhere->Summary() << '\n';
  context_.err << result.CountText() << '\n';
  return rows.empty() ? kExitNothing : kExitSuccess;
}

int Session::List(const ParsedCommand& command) {
  if (command.positional.empty()) return Fail(texts::cli::kLsHelp);
  OutputFormat format;
  if (!Output(command, format)) return kExitError;
  const int32_t limit = HitLimit(command);
  LoadCatalogs(true);
  const std::string& name = command.positional[0];
  const Catalog* catalog = FirstNamed(name);
  if (catalog == nullptr) return NoCatalogNamed(name);
  int32_t dirNumber = 0;
  if (command.positional.size() == 2) {
    dirNumber = FindDirectoryByPath(*catalog, command.positional[1]);
    if (dirNumber < 0) {
      return Fail("No directory '" + Shown(ShownCatalogPath(NormaliseCatalogPath(command.positional[1]))) +
                  "' in catalog '" + Shown(name) + "'");
    }
  } else if (catalog->dirs.Empty()) {
    return Fail("The catalog '" + Shown(name) + "' holds no directory");
  }
  DirectoryListing listing = ListDirectory(*catalog, dirNumber, limit);
  const SortState state(ListKind::kDirectory);
  std::stable_sort(listing.entries.begin(), listing.entries.end(),
                   [&state](const FileRecord* a, const FileRecord* b) {
                     return CompareDirectoryRows(a, b, state, true) < 0;
                   });
  const auto headers = Headers(ListKind::kDirectory);
  const std::string dateFormat = command.Value("date-format", texts::kDefaultDirDateFormat);
  {
    TableWriter table(context_.out, format, headers, context_.outputIsTerminal);
    for (const FileRecord* entry : listing.entries) table.Row(DirectoryCells(*entry, dateFormat));
  }
  if (listing.truncated) {
    Warn("Only the first " + std::to_string(limit) + " entries are listed (--limit shows more).");
  }
  return kExitSuccess;
}

int Session::RunScan(AddWorkflow& workflow, CliForm& form, std::unique_ptr<ScanJob> job, bool strict,
                     int noJob) {
  if (!job) return noJob;
  const std::string root = job->Root();
  const std::string error = DirectoryReadError(root);
  if (!error.empty()) {
    // Not scanned: committing the job only ends the wait; the library stays as it was.
    workflow.Commit(std::move(job));
    return Fail(FormatText(texts::cli::kRootUnreadable, Shown(root).c_str(), error.c_str()));
  }
  job->Run(form.CancelFlag(), [&form](const ScanProgress& progress) { form.ScanProgress(progress); });
  return ReportScan(workflow.Commit(std::move(job)), strict, Out(), Err());
}

int Session::Add(const ParsedCommand& command) {
  if (command.positional.empty()) return Fail(texts::cli::kAddHelp);
  const std::string& root = command.positional[0];
  if (root.empty()) return Fail(texts::cli::kEmptyRoot);
  LoadCatalogs(false);
  CliForm form(context_.err, context_.errorIsTerminal, context_.cancel, context_.cancellable);
  TerminalPrompts prompts(context_.in, context_.err, Answering(command), context_.errorIsTerminal);
  prompts.SetVolumePath([&form] { return form.lastRoot; });
  const VolumeQuery volumes(context_.systemPaths);
  AddWorkflow workflow(library_, form, prompts, volumes);
  form.SetRootText(root);
  form.ignore = command.Value("ignore");
  // As in the window: the root is identified first, then a label the user gives replaces the
  // proposed one.
  if (!workflow.IdentifyVolume(form.root)) return kExitError;
  // Asked before the question about replacing a catalog, which would be asked for nothing.
  const std::string error = DirectoryReadError(root);
  if (!error.empty())
    return Fail(FormatText(texts::cli::kRootUnreadable, Shown(root).c_str(), error.c_str()));
  if (command.Has("label")) form.label = command.Value("label");
  return RunScan(workflow, form, workflow.PrepareAdd(false), command.Has("strict"), kExitNothing);
}

int Session::Refresh(const ParsedCommand& command) {
  if (command.positional.empty()) return Fail(texts::cli::kRefreshHelp);
  LoadCatalogs(false);
  const std::string& name = command.positional[0];
  const Catalog* catalog = FirstNamed(name);
  if (catalog == nullptr) return NoCatalogNamed(name);
  if (!catalog->CanBeRefreshed()) {
    return Fail("The catalog '" + Shown(name) + "' does not record its volume root and cannot be refreshed");
  }
  CliForm form(context_.err, context_.errorIsTerminal, context_.cancel, context_.cancellable);
  TerminalPrompts prompts(context_.in, context_.err, Answering(command), context_.errorIsTerminal);
  prompts.SetVolumePath([&form] { return form.lastRoot; });
  const VolumeQuery volumes(context_.systemPaths);
  AddWorkflow workflow(library_, form, prompts, volumes);
  // A refresh asks nothing: when it stops before the scan, it could not be done, and has said why.
  return RunScan(workflow, form, workflow.PrepareRefresh(catalog), command.Has("strict"), kExitError);
}

int Session::Delete(const ParsedCommand& command) {
  if (command.positional.empty()) return Fail(texts::cli::kDeleteHelp);
  LoadCatalogs(false);
  for (const std::string& name : command.positional) {
    if (FirstNamed(name) == nullptr) return NoCatalogNamed(name);
  }
  TerminalPrompts prompts(context_.in, context_.err, Answering(command), context_.errorIsTerminal);
  if (!prompts.AskYesNo(texts::kReallyDelete, texts::kApplicationTitle)) return kExitNothing;
  int status = kExitSuccess;
  for (const std::string& name : command.positional) {
    const Catalog* catalog = FirstNamed(name);
    if (catalog == nullptr) {
      status = Fail("No catalog named '" + Shown(name) + "' is left");
      continue;
    }
    const std::string path = catalog->filePath;
    std::string error;
    if (library_.DeleteCatalog(catalog, &error)) {
      context_.out << "Deleted " << ForStream(name, context_.outputIsTerminal) << " ("
                   << ForStream(path, context_.outputIsTerminal) << ")\n";
    } else {
      status = Fail(FormatText(texts::kCatalogNotDeleted, Shown(path).c_str(), error.c_str()));
    }
  }
  return status;
}

int Session::Dump(const ParsedCommand& command) {
  if (command.positional.empty()) return Fail(texts::cli::kDumpHelp);
  Catalog catalog;
  catalog.filePath = command.positional[0];
  std::string error;
  if (!catalog.Read(&error)) {
    return Fail(FormatText(texts::cli::kCatalogNotRead, Shown(catalog.filePath).c_str(), error.c_str()));
  }
  std::ostream& out = context_.out;
  // The texts of the catalog as TSV cells: control characters escaped, so each field stays on its
  // line.
  const bool terminal = context_.outputIsTerminal;
  auto text = [terminal](std::string_view field) { return EscapeControls(field, terminal); };
  char number[64];
  out << "format\t" << catalog.formatVersion << '\n';
  out << "catalogued\t" << catalog.cataloguedTime << '\n';
  out << "root\t" << text(catalog.volumeRoot) << '\n';
  out << "label\t" << text(catalog.volumeLabel) << '\n';
  out << "name\t" << text(catalog.catalogName) << '\n';
  out << "serial\t" << catalog.serialNumber << '\n';
  std::snprintf(number, sizeof number, "%.3f", static_cast<double>(catalog.freeSpace));
  out << "free\t" << number << '\n';
  out << "dirs\t" << catalog.dirs.Size() << '\n';
  for (int32_t k = 0; k < catalog.dirs.Size(); ++k) {
    const DirRecord& dir = *catalog.dirs[k];
    std::snprintf(number, sizeof number, "%.0f", dir.totalLength);
    out << "dir\t" << k << '\t' << text(dir.Path()) << '\t' << dir.fileCount << '\t' << number << '\n';
  }
  out << "files\t" << catalog.files.Size() << '\n';
  for (int32_t i = 0; i < catalog.files.Size(); ++i) {
    const FileRecord& entry = *catalog.files[i];
    out << "file\t" << i << '\t' << entry.lastWriteTime << '\t' << entry.length << '\t' << entry.dirNumber
        << '\t' << text(entry.Name()) << '\n';
  }
  return kExitSuccess;
}

struct Command {
  const char* name;
  const char* help;
  std::vector<OptionRule> options;
  int (Session::*run)(const ParsedCommand&);
  size_t maxPositional;  // SIZE_MAX: any number
};

const std::vector<Command>& Commands() {
  const OptionRule format{"format", 1};
  const OptionRule dateFormat{"date-format", 1};
  const OptionRule limit{"limit", 1};
  const OptionRule yes{"yes", 0};
  const OptionRule strict{"strict", 0};
  static const std::vector<Command> commands = {
      {"catalogs", texts::cli::kCatalogsHelp, {format, dateFormat}, &Session::Catalogs, 0},
      {"search",
       texts::cli::kSearchHelp,
       {{"pattern", 1},
        {"date", -1},
        {"length", 2},
        {"mode", 1},
        limit,
        {"only", 1, true},
        format,
        dateFormat},
       &Session::Search,
       0},
      {"ls", texts::cli::kLsHelp, {limit, format, dateFormat}, &Session::List, 2},
      {"add", texts::cli::kAddHelp, {{"label", 1}, {"ignore", 1}, yes, strict}, &Session::Add, 1},
      {"refresh", texts::cli::kRefreshHelp, {strict}, &Session::Refresh, 1},
      {"delete", texts::cli::kDeleteHelp, {yes}, &Session::Delete, SIZE_MAX},
      {"dump", texts::cli::kDumpHelp, {}, &Session::Dump, 1},
  };
  return commands;
}

// The error for an argument a command does not take.
std::string UnexpectedArgument(const Command& command, const std::string& arg) {
  if (std::string_view(command.name) == "search") {
    return FormatText(texts::cli::kUnexpectedPattern, arg.c_str(), arg.c_str());
  }
  return "Unexpected argument: " + arg;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, CliContext& context) {
  // The program's own options come before the command; the library reads them again from `global`.
  const StartOptions options = ParseStartOptions(arguments, OptionScope::kBeforeCommand);
  const size_t i = options.others.empty() ? arguments.size() : options.others.front();
  const std::vector<std::string> global(arguments.begin(), arguments.begin() + static_cast<ptrdiff_t>(i));
  if (options.help || (i < arguments.size() && arguments[i] == "help")) {
    // "help COMMAND" is that command's help.
    if (!options.help && i + 1 < arguments.size()) {
      for (const Command& c : Commands()) {
        if (arguments[i + 1] == c.name) {
          context.out << c.help;
          return kExitSuccess;
        }
      }
    }
    context.out << texts::cli::kUsage;
    return kExitSuccess;
  }
  if (options.version) {
    context.out << texts::kAboutVersion << '\n';
    return kExitSuccess;
  }
  if (i < arguments.size() && !arguments[i].empty() && arguments[i][0] == '-') {
    context.err << "Unknown option: " << ForStream(arguments[i], context.errorIsTerminal) << "\n\n"
                << texts::cli::kUsage;
    return kExitError;
  }
  if (options.dirLists.size() > 1) {
    // Only the first would count (as in the window); say how to give them all.
    std::string joined;
    for (const std::string& value : options.dirLists) joined += (joined.empty() ? "" : ",") + value;
    context.err << FormatText(texts::cli::kDirTwice, ForStream(joined, context.errorIsTerminal).c_str())
                << '\n';
    return kExitError;
  }
  if (i >= arguments.size()) {
    context.err << texts::cli::kUsage;
    return kExitError;
  }
  if (!options.dirLists.empty() && LooksLikeStartOption(options.DirList())) {
    context.err << FormatText(texts::cli::kDirLooksLikeOption,
                              ForStream(options.DirList(), context.errorIsTerminal).c_str())
                << '\n';
  }
  const std::string command = arguments[i];
  for (const Command& c : Commands()) {
    if (command != c.name) continue;
    const ParsedCommand parsed = ParseCommand(arguments, i + 1, command, c.options);
    if (parsed.help) {
      context.out << c.help;
      return kExitSuccess;
    }
    std::string error = parsed.error;
    if (error.empty() && parsed.positional.size() > c.maxPositional) {
      error = UnexpectedArgument(c, parsed.positional[c.maxPositional]);
    }
    if (!error.empty()) {
      context.err << ForStream(error, context.errorIsTerminal) << "\n\n" << c.help;
      return kExitError;
    }
    Session session(context, global);
    return (session.*c.run)(parsed);
  }
  context.err << "Unknown command: " << ForStream(command, context.errorIsTerminal) << "\n\n"
              << texts::cli::kUsage;
  return kExitError;
}

}  // namespace mardo
