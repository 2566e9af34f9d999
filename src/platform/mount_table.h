#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mardo {

// One mounted file system, as /proc/self/mountinfo describes it.
struct Mount {
  std::string mountPoint;  // absolute, no trailing separator except for "/"
  std::string fsType;      // "ext4", "vfat", "iso9660", "nfs", ...
  std::string source;      // "/dev/sdb1", "srv:/export", ...
  uint32_t major = 0;
  uint32_t minor = 0;
};

// The mount table of this process. Read from a file that tests can point elsewhere.
class MountTable {
 public:
  static constexpr const char* kDefaultPath = "/proc/self/mountinfo";

  // Reads the table; an unreadable file gives an empty table.
  static MountTable Load(const std::string& path = kDefaultPath);
  static MountTable Parse(std::string_view text);

  // The mount that holds the absolute path `path`: the longest mount point that is `path` itself or
  // one of its leading components; on a tie, the later mount (it hides the earlier one). nullptr
  // when nothing matches (an empty table).
  const Mount* Find(std::string_view path) const;

  const std::vector<Mount>& Mounts() const { return mounts_; }

 private:
  std::vector<Mount> mounts_;
};

// Undoes the octal escapes of mountinfo and fstab fields ("\040" for a space).
std::string DecodeMountField(std::string_view field);

}  // namespace mardo
