#include "platform/desktop_applications.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/file_system.h"

namespace mardo {
namespace {

std::string Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(';', start), text.size());
    const std::string item = Trim(text.substr(start, end - start));
    if (!item.empty()) items.push_back(item);
    start = end + 1;
  }
  return items;
}

// The keys and values of every group of an INI-style file (mimeapps.list, mimeinfo.cache, a
// desktop entry), by group; within a group the first occurrence of a key counts.
using Group = std::map<std::string, std::string, std::less<>>;
std::map<std::string, Group, std::less<>> ReadGroups(const std::string& path) {
  std::map<std::string, Group, std::less<>> groups;
  std::ifstream in(path);
  std::string line;
  Group* group = nullptr;
  while (in && std::getline(in, line)) {
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    if (trimmed[0] == '[') {
      group = trimmed.back() == ']' ? &groups[trimmed.substr(1, trimmed.size() - 2)] : nullptr;
      continue;
    }
    const size_t equals = trimmed.find('=');
    if (group == nullptr || equals == std::string::npos) continue;
    group->emplace(Trim(std::string_view(trimmed).substr(0, equals)),
                   Trim(std::string_view(trimmed).substr(equals + 1)));
  }
  return groups;
}

std::optional<std::string> ValueOf(const std::map<std::string, Group, std::less<>>& groups,
                                   std::string_view group, std::string_view key) {
  const auto found = groups.find(group);
  if (found == groups.end()) return std::nullopt;
  const auto value = found->second.find(key);
  if (value == found->second.end()) return std::nullopt;
  return value->second;
}

std::vector<std::string> EnvironmentList(const char* name, std::string_view fallback) {
  const char* value = std::getenv(name);
  std::string_view text = value != nullptr && *value != '\0' ? std::string_view(value) : fallback;
  std::vector<std::string> dirs;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(':', start), text.size());
    if (end > start && text[start] == '/') dirs.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return dirs;
}

std::string HomeDirectory(const char* name, std::string_view below) {
  const char* value = std::getenv(name);
  if (value != nullptr && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + std::string(below);
}

// Unquotes the Exec value into arguments, as freedesktop.org's desktop entries quote them.
std::optional<std::vector<std::string>> SplitExec(std::string_view exec) {
  std::vector<std::string> arguments;
  size_t i = 0;
  while (i < exec.size()) {
    while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t')) ++i;
    if (i >= exec.size()) break;
    std::string argument;
    if (exec[i] == '"') {
      ++i;
      bool closed = false;
      while (i < exec.size()) {
        const char c = exec[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < exec.size() &&
            std::string_view("\"`$\\").find(exec[i]) != std::string_view::npos) {
          argument.push_back(exec[i++]);
        } else {
          argument.push_back(c);
        }
      }
      if (!closed) return std::nullopt;
      if (i < exec.size() && exec[i] != ' ' && exec[i] != '\t') return std::nullopt;
    } else {
      while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t') argument.push_back(exec[i++]);
    }
    arguments.push_back(std::move(argument));
  }
  if (arguments.empty()) return std::nullopt;
  return arguments;
}

}  // namespace

DesktopApplications::Directories DesktopApplications::FromEnvironment() {
  Directories dirs;
  dirs.config.push_back(HomeDirectory("XDG_CONFIG_HOME", "/.config"));
  for (std::string& dir : EnvironmentList("XDG_CONFIG_DIRS", "/etc/xdg"))
    dirs.config.push_back(std::move(dir));
  dirs.data.push_back(HomeDirectory("XDG_DATA_HOME", "/.local/share"));
  for (std::string& dir : EnvironmentList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
    dirs.data.push_back(std::move(dir));
  return dirs;
}

std::string DesktopApplications::FileUrl(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                       byte == '~' || byte == '/';
    if (plain) {
      url.push_back(c);
    } else {
      url.push_back('%');
      url.push_back(kHex[byte >> 4]);
      url.push_back(kHex[byte & 15]);
    }
  }
  return url;
}

std::optional<std::vector<std::string>> DesktopApplications::ExecArguments(std::string_view exec,
                                                                           const std::string& file) {
  std::optional<std::vector<std::string>> split = SplitExec(exec);
  if (!split) return std::nullopt;
  std::vector<std::string> arguments;
  bool fileGiven = false;
  for (const std::string& word : *split) {
    // A field code that stands alone becomes the file as one argument of its own.
    if (word == "%f" || word == "%F" || word == "%u" || word == "%U") {
      arguments.push_back(word == "%f" || word == "%F" ? file : FileUrl(file));
      fileGiven = true;
      continue;
    }
    std::string argument;
    for (size_t i = 0; i < word.size(); ++i) {
      if (word[i] != '%' || i + 1 >= word.size()) {
        argument.push_back(word[i]);
        continue;
      }
      const char code = word[++i];
      if (code == '%') argument.push_back('%');
      // Other codes (%i %c %k, deprecated and unknown ones) are dropped; a file code inside a
      // word would put the name into a larger argument, so it is dropped too.
    }
    if (!argument.empty() || word.empty()) arguments.push_back(std::move(argument));
  }
  if (arguments.empty()) return std::nullopt;
  // An entry that takes no file still gets it, as the last argument.
  if (!fileGiven) arguments.push_back(file);
  return arguments;
}

std::optional<DesktopApplications::Entry> DesktopApplications::EntryOf(std::string_view id) const {
  // The entry "kde-dolphin.desktop" is applications/kde-dolphin.desktop or, in a subdirectory,
  // applications/kde/dolphin.desktop.
  std::vector<std::string> names = {std::string(id)};
  std::string nested(id);
  std::replace(nested.begin(), nested.end(), '-', '/');
  if (nested != id) names.push_back(nested);
  for (const std::string& dir : directories_.data) {
    for (const std::string& name : names) {
      const auto groups = ReadGroups(JoinNativePath(dir + "/applications", name));
      const std::optional<std::string> exec = ValueOf(groups, "Desktop Entry", "Exec");
      if (!exec) continue;
      if (ValueOf(groups, "Desktop Entry", "Hidden") == "true") return std::nullopt;
      const std::optional<std::string> type = ValueOf(groups, "Desktop Entry", "Type");
      if (type && *type != "Application") return std::nullopt;
      return Entry{*exec, ValueOf(groups, "Desktop Entry", "Terminal") == "true"};
    }
  }
  return std::nullopt;
}

std::optional<DesktopCommand> DesktopApplications::CommandFor(std::span<const std::string> mimeTypes,
                                                              const std::string& file) const {
  std::vector<std::string> listPaths;
  for (const std::string& dir : directories_.config) listPaths.push_back(dir + "/mimeapps.list");
  for (const std::string& dir : directories_.data) listPaths.push_back(dir + "/applications/mimeapps.list");
  std::vector<std::map<std::string, Group, std::less<>>> lists;
  for (const std::string& path : listPaths) lists.push_back(ReadGroups(path));
  std::vector<std::map<std::string, Group, std::less<>>> caches;
  for (const std::string& dir : directories_.data)
    caches.push_back(ReadGroups(dir + "/applications/mimeinfo.cache"));

  // The defaults of the type and then of its ancestors, in order of importance; then what the
  // lists and the caches know of each type.
  std::vector<std::string> candidates;
  auto add = [&candidates](const std::optional<std::string>& value) {
    if (value)
      for (std::string& id : SplitList(*value)) candidates.push_back(std::move(id));
  };
  for (const std::string& type : mimeTypes) {
    if (type.empty()) continue;
    for (const auto& list : lists) add(ValueOf(list, "Default Applications", type));
  }
  for (const std::string& type : mimeTypes) {
    if (type.empty()) continue;
    for (const auto& list : lists) add(ValueOf(list, "Added Associations", type));
    for (const auto& cache : caches) add(ValueOf(cache, "MIME Cache", type));
  }
  for (const std::string& id : candidates) {
    const std::optional<Entry> entry = EntryOf(id);
    if (!entry) continue;
    if (std::optional<std::vector<std::string>> arguments = ExecArguments(entry->exec, file))
      return DesktopCommand{std::move(*arguments), entry->terminal};
  }
  return std::nullopt;
}

}  // namespace mardo
