#pragma once

#include <string>
#include <string_view>

namespace mardo {

// Names come from file systems and catalogs as bytes: UTF-8 in practice, but any byte but '/' and
// NUL may stand in a name, and a catalog made elsewhere may hold anything. These functions make
// such text safe for one output without changing what a reader sees of an ordinary name.

// Control characters as backslash escapes: tab "\t", newline "\n", carriage return "\r", every
// other byte below 0x20 and DEL as "\xHH". With `terminal`, also what a terminal could take as a
// control: C1 control characters (U+0080 to U+009F) and bytes that are not valid UTF-8, each byte
// as "\xHH". Backslashes are left as they are: they separate the directories of catalog paths.
std::string EscapeControls(std::string_view text, bool terminal);
// The same, appended to `out`.
void AppendEscapedControls(std::string& out, std::string_view text, bool terminal);

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// `text` with each maximal ill-formed subsequence replaced by U+FFFD, as the Unicode standard
// recommends (and as browsers decode).
std::string ReplaceInvalidUtf8(std::string_view text);

// Standard base64 with padding.
std::string Base64(std::string_view bytes);

// The text for one stream: escaped for a terminal, byte for byte otherwise.
inline std::string ForStream(std::string_view text, bool terminal) {
  return terminal ? EscapeControls(text, true) : std::string(text);
}

}  // namespace mardo
