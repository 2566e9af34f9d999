#include "platform/mount_table.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace mardo {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

bool IsOctal(char c) {
  return c >= '0' && c <= '7';
}

// Whether `prefix` is `path` itself or a run of its leading components.
bool HoldsPath(std::string_view prefix, std::string_view path) {
  if (prefix == "/") return !path.empty() && path[0] == '/';
  if (path.substr(0, prefix.size()) != prefix) return false;
  return path.size() == prefix.size() || path[prefix.size()] == '/';
}

}  // namespace

std::string DecodeMountField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
        IsOctal(field[i + 3])) {
      out.push_back(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                      (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

MountTable MountTable::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return Parse(text.str());
}

MountTable MountTable::Parse(std::string_view text) {
  MountTable table;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::vector<std::string_view> fields = SplitFields(text.substr(start, end - start));
    start = end + 1;
    // id parent major:minor root mount-point options [optional...] - type source super-options
    size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (fields.size() < 5 || dash + 2 >= fields.size()) continue;
    Mount mount;
    const std::string_view devno = fields[2];
    const size_t colon = devno.find(':');
    if (colon == std::string_view::npos) continue;
    std::from_chars(devno.data(), devno.data() + colon, mount.major);
    std::from_chars(devno.data() + colon + 1, devno.data() + devno.size(), mount.minor);
    mount.mountPoint = DecodeMountField(fields[4]);
    if (mount.mountPoint.empty() || mount.mountPoint[0] != '/') continue;
    mount.fsType = DecodeMountField(fields[dash + 1]);
    mount.source = DecodeMountField(fields[dash + 2]);
    table.mounts_.push_back(std::move(mount));
  }
  return table;
}

const Mount* MountTable::Find(std::string_view path) const {
  const Mount* best = nullptr;
  for (const Mount& mount : mounts_) {
    if (!HoldsPath(mount.mountPoint, path)) continue;
    if (best == nullptr || mount.mountPoint.size() >= best->mountPoint.size()) best = &mount;
  }
  return best;
}

}  // namespace mardo
