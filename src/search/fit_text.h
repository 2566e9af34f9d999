#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace mardo {

// Measures the width of a text (UTF-8) in the list's font, in pixels.
using TextMeasure = std::function<int(std::string_view)>;

// The text of a list cell as it fits `width` pixels together with `offset` (4 for the first
// column, 12 for the others): the text itself when it fits, else as many of its leading characters
// as fit together with "..." followed by "...". At least one character is kept. Characters are
// UTF-8 sequences, never cut in two.
std::string FitText(std::string_view text, int width, int offset, const TextMeasure& measure);

}  // namespace mardo
