#pragma once

#include <string>

namespace mardo {

// The strftime formats of the date columns of the three lists (local time).
struct DateFormats {
  std::string result;   // the search results list
  std::string dir;      // the directory list
  std::string catalog;  // the catalog list
};

}  // namespace mardo
