#pragma once

#include <cstdint>
#include <string>

namespace mardo {

// A count with a comma between each group of three digits ("1,204"), whatever the locale.
std::string GroupedNumber(int64_t value);

// A number of bytes as a person reads it: below 1024 "N bytes" ("1 byte"), else one decimal in
// the largest unit of 1024 it reaches, KB to EB ("3.2 GB"); the units are those of the lists'
// MB columns (1 MB = 1024 KB = 1,048,576 bytes). Negative values count as 0.
std::string ByteSizeText(int64_t bytes);

}  // namespace mardo
