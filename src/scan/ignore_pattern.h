#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/record_array.h"

namespace mardo {

// One pattern of an ignore list, kept for the duration of one scan.
struct IgnorePattern {
  static constexpr int32_t kFilePattern = 0;
  static constexpr int32_t kDirectoryPattern = -1;
  // Longest pattern kept; longer ones are cut to their first kMaxLength bytes.
  static constexpr size_t kMaxLength = 127;

  std::string text;  // lower-cased (ASCII), without the leading backslash of a directory pattern
  int32_t length = kFilePattern;

  bool IsDirectoryPattern() const { return length == kDirectoryPattern; }
};

// Appends one pattern per pattern of `text`, in the order they stand. Patterns are separated by
// ';', by white space or by both; a pattern beginning with a backslash names directories. With
// `notes`, appends one text per pattern that is not read as it may have been meant (a '[' without
// its ']', a range that holds no byte, a pattern cut to kMaxLength), naming it and saying how it
// is read.
void ParseIgnoreList(std::string_view text, RecordArray<IgnorePattern>& patterns,
                     std::vector<std::string>* notes = nullptr);

// Whether the whole of `name` matches the whole of `pattern`: '*' any run, '?' one byte, "[...]"
// one byte of a set (with '^' negation and ranges ordered as signed bytes); no escapes. The caller
// lower-cases the name. Takes at most about name length times pattern length steps, whatever the
// pattern.
bool WildcardMatch(std::string_view name, std::string_view pattern);

}  // namespace mardo
