#include "platform/volume_query.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/file_system.h"

namespace mardo {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Lexically resolves a relative link target against the directory holding the link.
std::string ResolveLink(const std::string& dir, const std::string& target) {
  std::vector<std::string> parts;
  auto push = [&parts](std::string_view path) {
    size_t i = 0;
    while (i <= path.size()) {
      const size_t end = std::min(path.find('/', i), path.size());
      const std::string_view part = path.substr(i, end - i);
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.emplace_back(part);
      }
      i = end + 1;
    }
  };
  if (target.empty() || target[0] != '/') push(dir);
  push(target);
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

}  // namespace

VolumeQuery::VolumeQuery(SystemPaths paths) : paths_(std::move(paths)) {}

MountTable VolumeQuery::Mounts() const {
  return MountTable::Load(paths_.mountInfo);
}

bool VolumeQuery::IsCdRom(const Mount& mount) {
  return mount.fsType == "iso9660" || mount.fsType == "udf" || mount.source.rfind("/dev/sr", 0) == 0;
}

uint32_t VolumeQuery::SerialFromUuid(std::string_view uuid) {
  std::string hex;
  for (char c : uuid) {
    if (HexValue(c) >= 0) hex.push_back(c);
  }
  const bool fatStyle = uuid.size() == 9 && uuid[4] == '-' && hex.size() == 8;  // FAT and exFAT: "ABCD-1234"
  std::string_view digits = hex;
  if (!fatStyle) digits = hex.size() == 16 && uuid.size() == 16 ? digits.substr(8) : digits.substr(0, 8);
  uint32_t serial = 0;
  for (char c : digits) serial = (serial << 4) | static_cast<uint32_t>(HexValue(c));
  return serial;
}

std::string VolumeQuery::DecodeLinkName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && HexValue(name[i + 2]) >= 0 &&
        HexValue(name[i + 3]) >= 0) {
      out.push_back(static_cast<char>(HexValue(name[i + 2]) * 16 + HexValue(name[i + 3])));
      i += 3;
    } else {
      out.push_back(name[i]);
    }
  }
  return out;
}

std::string VolumeQuery::LinkNameFor(const std::string& dir, const Mount& mount) const {
  DIR* stream = ::opendir(dir.c_str());
  if (stream == nullptr) return {};
  std::vector<std::string> names;
  while (const dirent* d = ::readdir(stream)) {
    if (d->d_name[0] != '.') names.emplace_back(d->d_name);
  }
  ::closedir(stream);
  std::sort(names.begin(), names.end());
  const dev_t device = makedev(mount.major, mount.minor);
  for (const std::string& name : names) {
    const std::string link = dir + "/" + name;
    struct stat st;
    if (::stat(link.c_str(), &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == device)
      return DecodeLinkName(name);
    char target[4096];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    // The path of the device the link leads to, as the mount table names devices ("/dev/sdb1").
    std::string resolved = ResolveLink(dir, std::string(target, static_cast<size_t>(n)));
    const std::string& devDir = paths_.devDirectory;
    if (resolved.rfind(devDir + "/", 0) == 0) resolved = "/dev" + resolved.substr(devDir.size());
    if (resolved == mount.source) return DecodeLinkName(name);
  }
  return {};
}

VolumeIdentity VolumeQuery::Identify(const std::string& path) const {
  VolumeIdentity identity;
  const std::string canonical = CanonicalPath(path);
  if (canonical.empty()) {
    identity.error = SystemErrorText(errno);
    return identity;
  }
  struct stat st;
  if (::stat(canonical.c_str(), &st) != 0) {
    identity.error = SystemErrorText(errno);
    return identity;
  }
  if (!S_ISDIR(st.st_mode)) {
    identity.error = SystemErrorText(ENOTDIR);
    return identity;
  }
  identity.ok = true;
  identity.canonicalPath = canonical;
  const MountTable mounts = Mounts();
  const Mount* mount = mounts.Find(canonical);
  identity.mountPoint = mount != nullptr ? mount->mountPoint : "/";
  if (mount != nullptr) {
    identity.label = LinkNameFor(paths_.devDirectory + "/disk/by-label", *mount);
    const std::string uuid = LinkNameFor(paths_.devDirectory + "/disk/by-uuid", *mount);
    if (!uuid.empty()) {
      identity.serial = SerialFromUuid(uuid);
      return identity;
    }
  }
  struct statvfs fs;
  if (::statvfs(canonical.c_str(), &fs) == 0) identity.serial = static_cast<uint32_t>(fs.f_fsid);
  return identity;
}

float VolumeQuery::FreeSpace(const std::string& path) const {
  const std::string canonical = CanonicalPath(path);
  if (canonical.empty()) return -1.0f;
  const MountTable mounts = Mounts();
  if (const Mount* mount = mounts.Find(canonical); mount != nullptr && IsCdRom(*mount)) return -1.0f;
  struct statvfs fs;
  if (::statvfs(canonical.c_str(), &fs) != 0) return -1.0f;
  const double bytes = static_cast<double>(fs.f_bfree) * static_cast<double>(fs.f_frsize);
  return static_cast<float>(bytes / (1024.0 * 1024.0));
}

}  // namespace mardo
