#include "cli/cli_app.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string_view>

#include "base/text_compare.h"
#include "cli/cli_form.h"
#include "cli/cli_texts.h"
#include "cli/table_writer.h"
#include "cli/terminal_prompts.h"
#include "index/indexed_search.h"
#include "platform/local_time.h"
#include "scan/add_workflow.h"
#include "scan/scan_texts.h"
#include "search/directory_listing.h"
#include "search/row_texts.h"
#include "search/search_engine.h"
#include "search/search_texts.h"
#include "search/sort_state.h"
#include "store/catalog_library.h"

namespace mardo {
namespace {

constexpr int kSuccess = 0;
constexpr int kNothing = 1;
constexpr int kError = 2;

// The options of one command: which take values, and how many.
struct OptionRule {
  const char* name;
  int values;  // -1: one or two (--date OP [TEXT])
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

ParsedCommand ParseCommand(const std::vector<std::string>& args, size_t first,
                           const std::vector<OptionRule>& rules) {
  ParsedCommand parsed;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
      continue;
    }
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      parsed.positional.push_back(arg);
      continue;
    }
    const std::string name = arg.substr(2);
    const auto rule =
        std::find_if(rules.begin(), rules.end(), [&](const OptionRule& s) { return name == s.name; });
    if (rule == rules.end()) {
      parsed.error = "Unknown option: " + arg;
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

// Everything a command needs to know about its run.
class Session {
 public:
  Session(CliContext& context, std::vector<std::string> globalArguments)
      : context_(context),
        library_(std::move(globalArguments), context.startDirectory.empty()
                                                 ? std::nullopt
                                                 : std::optional<std::string>(context.startDirectory)) {
    std::string ignored;
    expertMode_ = library_.GetOption("dd", ignored);
  }

  int Catalogs(const ParsedCommand& command);
  int Search(const ParsedCommand& command);
  int List(const ParsedCommand& command);
  int Add(const ParsedCommand& command);
  int Refresh(const ParsedCommand& command);
  int Delete(const ParsedCommand& command);
  int Dump(const ParsedCommand& command);

 private:
  int Fail(const std::string& message) {
    context_.err << message << '\n';
    return kError;
  }
  Catalog* FirstNamed(std::string_view name) const {
    for (Catalog* catalog : library_.Catalogs()) {
      if (catalog->DisplayName() == name) return catalog;
    }
    return nullptr;
  }
  bool Output(const ParsedCommand& command, OutputFormat& format) {
    if (ParseOutputFormat(command.Value("format", "tsv"), format)) return true;
    Fail("Unknown format: " + command.Value("format") + " (use tsv, csv or json)");
    return false;
  }
  int32_t HitLimit(const ParsedCommand& command) const {
    return NormaliseHitLimit(command.Value("limit", "512"), expertMode_);
  }
  int64_t Now() const { return context_.now != 0 ? context_.now : CurrentTime(); }
  TerminalPrompts::Answer Answering(const ParsedCommand& command) const {
    if (command.Has("yes")) return TerminalPrompts::Answer::kYes;
    return context_.inputIsTerminal ? TerminalPrompts::Answer::kAsk : TerminalPrompts::Answer::kNo;
  }
  int Finish(const CliForm& form, AddWorkflow::Outcome outcome) {
    if (!form.status.empty() && form.status != texts::kWaitPlease) {
      context_.out << TerminalPrompts::ForTerminal(form.status) << '\n';
    }
    switch (outcome) {
      case AddWorkflow::Outcome::kStored:
        return kSuccess;
      case AddWorkflow::Outcome::kNotWritten:
        return kError;
      case AddWorkflow::Outcome::kNothing:
        break;
    }
    return kNothing;
  }

  CliContext& context_;
  CatalogLibrary library_;
  bool expertMode_ = false;
};

std::vector<const char*> Headers(ListKind list) {
  std::vector<const char*> headers;
  for (const ColumnDef& column : ColumnsOf(list)) headers.push_back(column.header);
  return headers;
}

int Session::Catalogs(const ParsedCommand& command) {
  OutputFormat format;
  if (!Output(command, format)) return kError;
  library_.LoadAll();
  std::vector<const Catalog*> rows(library_.Catalogs().begin(), library_.Catalogs().end());
  const SortState state(ListKind::kCatalog);
  std::stable_sort(rows.begin(), rows.end(), [&state](const Catalog* a, const Catalog* b) {
    return CompareCatalogRows(a, b, state) < 0;
  });
  const auto headers = Headers(ListKind::kCatalog);
  TableWriter table(context_.out, format, headers);
  const std::string dateFormat = command.Value("date-format", texts::kDefaultCatalogDateFormat);
  for (const Catalog* catalog : rows) table.Row(CatalogCells(*catalog, dateFormat));
  return kSuccess;
}

int Session::Search(const ParsedCommand& command) {
  OutputFormat format;
  if (!Output(command, format)) return kError;
  SearchInputs inputs;
  inputs.patternText = command.Value("pattern");
  if (const auto* date = command.Last("date")) {
    if (!ParseOperator((*date)[0], inputs.dateOperator))
      return Fail("Unknown operator: " + (*date)[0] + " (use < <= = >= >)");
    if (date->size() > 1) inputs.dateText = (*date)[1];
  }
  if (const auto* length = command.Last("length")) {
    if (!ParseOperator((*length)[0], inputs.lengthOperator)) {
      return Fail("Unknown operator: " + (*length)[0] + " (use < <= = >= >)");
    }
    inputs.lengthText = (*length)[1];
    if (inputs.lengthText.empty() || inputs.lengthText.find_first_not_of("0123456789") != std::string::npos) {
      return Fail("The length must be a number of bytes: " + inputs.lengthText);
    }
  }
  const std::string mode = command.Value("mode", "standard");
  if (mode == "duplicates") {
    inputs.mode = static_cast<int32_t>(SearchMode::kDuplicates);
  } else if (mode == "same-names") {
    inputs.mode = static_cast<int32_t>(SearchMode::kSameNames);
  } else if (mode != "standard") {
    return Fail("Unknown mode: " + mode + " (use standard, duplicates or same-names)");
  }
  inputs.hitLimit = HitLimit(command);
  const SearchRequest request = BuildSearchConditions(inputs, Now());
  if (!request.ok) return Fail(request.message);

  std::vector<std::string> only;
  for (auto [it, end] = command.options.equal_range("only"); it != end; ++it) only.push_back(it->second[0]);
  // Through the catalogs' indexes: the same rows as RunSearch after LoadAll, without loading.
  const IndexedSearch found = SearchWithIndex(library_, request.conditions, only);
  if (found.unknownCatalog) return Fail("No catalog named '" + *found.unknownCatalog + "'");
  const SearchResult& result = found.result;

  std::vector<const FileRecord*> rows = result.hits;
  const SortState state(ListKind::kResults);
  std::stable_sort(rows.begin(), rows.end(), [&state](const FileRecord* a, const FileRecord* b) {
    return CompareResultRows(a, b, state, true) < 0;
  });
  const auto headers = Headers(ListKind::kResults);
  const std::string dateFormat = command.Value("date-format", texts::kDefaultResultDateFormat);
  {
    TableWriter table(context_.out, format, headers);
    for (const FileRecord* hit : rows) table.Row(ResultCells(*hit, result.grouping, dateFormat));
  }
  context_.out.flush();
  context_.err << result.CountText() << '\n';
  return rows.empty() ? kNothing : kSuccess;
}

int Session::List(const ParsedCommand& command) {
  if (command.positional.empty() || command.positional.size() > 2) return Fail(texts::cli::kLsHelp);
  OutputFormat format;
  if (!Output(command, format)) return kError;
  library_.LoadAll();
  const std::string& name = command.positional[0];
  const Catalog* catalog = FirstNamed(name);
  if (catalog == nullptr) return Fail("No catalog named '" + name + "'");
  int32_t dirNumber = 0;
  if (command.positional.size() == 2) {
    std::string path = command.positional[1];
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.size() > 1 && path.back() == '\\') path.pop_back();
    if (path == "\\") path.clear();
    dirNumber = FindDirectory(*catalog, path);
    if (dirNumber < 0) return Fail("No directory '" + path + "' in catalog '" + name + "'");
  } else if (catalog->dirs.Empty()) {
    return Fail("The catalog '" + name + "' holds no directory");
  }
  const int32_t limit = HitLimit(command);
  DirectoryListing listing = ListDirectory(*catalog, dirNumber, limit);
  const SortState state(ListKind::kDirectory);
  std::stable_sort(listing.entries.begin(), listing.entries.end(),
                   [&state](const FileRecord* a, const FileRecord* b) {
                     return CompareDirectoryRows(a, b, state, true) < 0;
                   });
  const auto headers = Headers(ListKind::kDirectory);
  const std::string dateFormat = command.Value("date-format", texts::kDefaultDirDateFormat);
  {
    TableWriter table(context_.out, format, headers);
    for (const FileRecord* entry : listing.entries) table.Row(DirectoryCells(*entry, dateFormat));
  }
  if (listing.truncated) {
    context_.out.flush();
    context_.err << "Only the first " << limit << " entries are listed (--limit shows more).\n";
  }
  return kSuccess;
}

int Session::Add(const ParsedCommand& command) {
  if (command.positional.size() != 1) return Fail(texts::cli::kAddHelp);
  library_.LoadAll();
  CliForm form(context_.err, context_.errorIsTerminal, context_.cancel, context_.cancellable);
  TerminalPrompts prompts(context_.in, context_.err, Answering(command));
  const VolumeQuery volumes(context_.systemPaths);
  AddWorkflow workflow(library_, form, prompts, volumes);
  form.root = command.positional[0];
  form.ignore = command.Value("ignore");
  // As in the window: the root is identified first, then a label the user gives replaces the
  // proposed one.
  if (!workflow.IdentifyVolume(form.root)) return kError;
  if (command.Has("label")) form.label = command.Value("label");
  return Finish(form, workflow.AddVolume(false));
}

int Session::Refresh(const ParsedCommand& command) {
  if (command.positional.size() != 1) return Fail(texts::cli::kRefreshHelp);
  library_.LoadAll();
  const std::string& name = command.positional[0];
  const Catalog* catalog = FirstNamed(name);
  if (catalog == nullptr) return Fail("No catalog named '" + name + "'");
  if (catalog->formatVersion < 2) {
    return Fail("The catalog '" + name + "' does not record its volume root and cannot be refreshed");
  }
  CliForm form(context_.err, context_.errorIsTerminal, context_.cancel, context_.cancellable);
  TerminalPrompts prompts(context_.in, context_.err, Answering(command));
  const VolumeQuery volumes(context_.systemPaths);
  AddWorkflow workflow(library_, form, prompts, volumes);
  return Finish(form, workflow.RefreshCatalog(catalog));
}

int Session::Delete(const ParsedCommand& command) {
  if (command.positional.empty()) return Fail(texts::cli::kDeleteHelp);
  library_.LoadAll();
  for (const std::string& name : command.positional) {
    if (FirstNamed(name) == nullptr) return Fail("No catalog named '" + name + "'");
  }
  TerminalPrompts prompts(context_.in, context_.err, Answering(command));
  if (!prompts.AskYesNo(texts::cli::kReallyDelete, texts::kApplicationTitle)) return kNothing;
  int status = kSuccess;
  for (const std::string& name : command.positional) {
    const Catalog* catalog = FirstNamed(name);
    if (catalog == nullptr) {
      status = Fail("No catalog named '" + name + "' is left");
      continue;
    }
    const std::string path = catalog->filePath;
    if (library_.DeleteCatalog(catalog)) {
      context_.out << "Deleted " << name << " (" << path << ")\n";
    } else {
      status = Fail("The catalog file '" + path + "' could not be deleted.");
    }
  }
  return status;
}

int Session::Dump(const ParsedCommand& command) {
  if (command.positional.size() != 1) return Fail(texts::cli::kDumpHelp);
  Catalog catalog;
  catalog.filePath = command.positional[0];
  if (!catalog.Read()) return Fail(texts::cli::kNotACatalog + catalog.filePath);
  std::ostream& out = context_.out;
  char number[64];
  out << "format\t" << catalog.formatVersion << '\n';
  out << "catalogued\t" << catalog.cataloguedTime << '\n';
  out << "root\t" << catalog.volumeRoot << '\n';
  out << "label\t" << catalog.volumeLabel << '\n';
  out << "name\t" << catalog.catalogName << '\n';
  out << "serial\t" << catalog.serialNumber << '\n';
  std::snprintf(number, sizeof number, "%.3f", static_cast<double>(catalog.freeSpace));
  out << "free\t" << number << '\n';
  out << "dirs\t" << catalog.dirs.Size() << '\n';
  for (int32_t k = 0; k < catalog.dirs.Size(); ++k) {
    const DirRecord& dir = *catalog.dirs[k];
    std::snprintf(number, sizeof number, "%.0f", dir.totalLength);
    out << "dir\t" << k << '\t' << dir.Path() << '\t' << dir.fileCount << '\t' << number << '\n';
  }
  out << "files\t" << catalog.files.Size() << '\n';
  for (int32_t i = 0; i < catalog.files.Size(); ++i) {
    const FileRecord& entry = *catalog.files[i];
    out << "file\t" << i << '\t' << entry.lastWriteTime << '\t' << entry.length << '\t' << entry.dirNumber
        << '\t' << entry.Name() << '\n';
  }
  return kSuccess;
}

bool IsGlobalOption(const std::string& arg, std::string_view name) {
  return arg.size() > 1 && (arg[0] == '-' || arg[0] == '/') &&
         EqualNoCase(std::string_view(arg).substr(1), name);
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, CliContext& context) {
  std::vector<std::string> global;
  size_t i = 0;
  while (i < arguments.size()) {
    const std::string& arg = arguments[i];
    if (arg == "--help" || arg == "-h" || arg == "help") {
      context.out << texts::cli::kUsage;
      return kSuccess;
    }
    if (IsGlobalOption(arg, "dir")) {
      global.push_back(arg);
      if (i + 1 < arguments.size()) global.push_back(arguments[i + 1]);
      i += 2;
    } else if (IsGlobalOption(arg, "dd")) {
      global.push_back(arg);
      ++i;
    } else if (!arg.empty() && arg[0] == '-') {
      context.err << "Unknown option: " << arg << "\n\n" << texts::cli::kUsage;
      return kError;
    } else {
      break;
    }
  }
  if (i >= arguments.size()) {
    context.err << texts::cli::kUsage;
    return kError;
  }
  const std::string command = arguments[i];
  const OptionRule format{"format", 1};
  const OptionRule dateFormat{"date-format", 1};
  const OptionRule limit{"limit", 1};
  const OptionRule yes{"yes", 0};

  struct Command {
    const char* name;
    const char* help;
    std::vector<OptionRule> options;
    int (Session::*run)(const ParsedCommand&);
  };
  const Command commands[] = {
      {"catalogs", texts::cli::kCatalogsHelp, {format, dateFormat}, &Session::Catalogs},
      {"search",
       texts::cli::kSearchHelp,
       {{"pattern", 1}, {"date", -1}, {"length", 2}, {"mode", 1}, limit, {"only", 1}, format, dateFormat},
       &Session::Search},
      {"ls", texts::cli::kLsHelp, {limit, format, dateFormat}, &Session::List},
      {"add", texts::cli::kAddHelp, {{"label", 1}, {"ignore", 1}, yes}, &Session::Add},
      {"refresh", texts::cli::kRefreshHelp, {yes}, &Session::Refresh},
      {"delete", texts::cli::kDeleteHelp, {yes}, &Session::Delete},
      {"dump", texts::cli::kDumpHelp, {}, &Session::Dump},
  };
  for (const Command& c : commands) {
    if (command != c.name) continue;
    const ParsedCommand parsed = ParseCommand(arguments, i + 1, c.options);
    if (parsed.help) {
      context.out << c.help;
      return kSuccess;
    }
    if (!parsed.error.empty()) {
      context.err << parsed.error << "\n\n" << c.help;
      return kError;
    }
    Session session(context, global);
    return (session.*c.run)(parsed);
  }
  context.err << "Unknown command: " << command << "\n\n" << texts::cli::kUsage;
  return kError;
}

}  // namespace mardo
