// Feeds arbitrary ignore lists and names to the ignore-list parser and the wildcard matcher: the
// first line is the ignore list, every further line a name.
#include <cstdint>
#include <string>

#include "base/text_compare.h"
#include "fuzz_input.h"
#include "scan/ignore_pattern.h"

using mardo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> lines = mardo::fuzz::Fields(data, size, '\n');
  mardo::RecordArray<mardo::IgnorePattern> patterns;
  std::vector<std::string> notes;
  mardo::ParseIgnoreList(lines[0], patterns, &notes);
  Check(notes.size() <= static_cast<size_t>(patterns.Size()));
  for (const mardo::IgnorePattern* pattern : patterns) {
    Check(pattern->text.size() <= mardo::IgnorePattern::kMaxLength);
    const bool plain = pattern->text.find_first_of("*?[") == std::string::npos;
    for (size_t i = 1; i < lines.size(); ++i) {
      const std::string name = mardo::FoldAscii(lines[i]);
      const bool matches = mardo::WildcardMatch(name, pattern->text);
      // Without wildcards a pattern matches exactly its own text.
      if (plain) Check(matches == (name == pattern->text));
      // A star in front of a pattern never loses a match.
      if (matches) Check(mardo::WildcardMatch(name, "*" + pattern->text));
    }
    Check(mardo::WildcardMatch(pattern->text, "*"));
  }
  return 0;
}
