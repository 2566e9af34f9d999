#include "search/fit_text.h"

#include <vector>

namespace mardo {

std::string FitText(std::string_view text, int width, int offset, const TextMeasure& measure) {
  if (text.empty() || measure(text) + offset <= width) return std::string(text);
  // The dots are measured together with the terminating zero character, as the list always has.
  const int ellipsis = measure(std::string_view("...\0", 4));
  // ends[j - 1]: the bytes of the first j characters.
  std::vector<size_t> ends;
  for (size_t i = 0; i < text.size();) {
    size_t next = i + 1;
    while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
    ends.push_back(next);
    i = next;
  }
  // Cut after j characters, from one fewer than the text has down to 1, until the rest fits; at
  // least one character stays.
  size_t keep = ends[0];
  for (size_t j = ends.size() - 1; j >= 1; --j) {
    if (measure(text.substr(0, ends[j - 1])) + offset + ellipsis <= width) {
      keep = ends[j - 1];
      break;
    }
  }
  std::string fitted(text.substr(0, keep));
  fitted.append("...");
  return fitted;
}

}  // namespace mardo
