// Feeds arbitrary Search-tab inputs to the search: lines of the pattern, the date operator and
// text, the length operator and text, the mode and the hit-limit text; then runs the search over a
// small library.
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "search/name_pattern.h"
#include "search/search_conditions.h"
#include "search/search_engine.h"
#include "store/catalog_library.h"

using mardo::fuzz::Check;
using mardo::fuzz::Field;

namespace {

int32_t SmallNumber(const std::string& text) {
  return text.empty() ? 0 : static_cast<int32_t>(static_cast<unsigned char>(text[0]) % 8) - 1;
}

mardo::CatalogLibrary& Library() {
  static mardo::CatalogLibrary* library = [] {
    auto* made = new mardo::CatalogLibrary({}, std::string("/"));
    auto catalog = std::make_unique<mardo::Catalog>();
    catalog->AddDirectory("");
    catalog->AddDirectory("\\Docs");
    const char* names[] = {"a.txt", "Docs", "README", "b.TXT", "x|y*z", "", "\xff\xfe", "report-2000.pdf"};
    int32_t length = 0;
    for (const char* name : names) {
      const bool directory = std::string_view(name) == "Docs";
      catalog->AddFile(name, length * 86400 * 365, directory ? -1 : length * 1000, directory ? 0 : 1);
      ++length;
    }
    made->AdoptCatalog(std::move(catalog));
    return made;
  }();
  return *library;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> fields = mardo::fuzz::Fields(data, size, '\n');
  mardo::SearchInputs inputs;
  inputs.patternText = Field(fields, 0);
  inputs.dateOperator = SmallNumber(Field(fields, 1));
  inputs.dateText = Field(fields, 2);
  inputs.lengthOperator = SmallNumber(Field(fields, 3));
  inputs.lengthText = Field(fields, 4);
  inputs.mode = SmallNumber(Field(fields, 5));
  const bool expert = !Field(fields, 6).empty() && Field(fields, 6)[0] == 'x';
  inputs.hitLimit = mardo::NormaliseHitLimit(Field(fields, 6), expert);
  Check(inputs.hitLimit >= 1 && (expert || inputs.hitLimit <= 5120));

  const mardo::DayRange day = mardo::ParseSearchDate(inputs.dateText, 1796601600);
  Check(day.start <= day.end);
  const mardo::SearchRequest request = mardo::BuildSearchConditions(inputs, 1796601600);
  if (!request.ok) return 0;
  const mardo::SearchResult result = mardo::RunSearch(request.conditions, Library());
  Check(result.count == static_cast<int32_t>(result.hits.size()));
  const mardo::NamePattern pattern = mardo::CompileNamePattern(inputs.patternText);
  for (const mardo::FileRecord* hit : result.hits) {
    if (request.conditions.Has(mardo::SearchConditions::kNameCondition) && pattern.active)
      Check(mardo::MatchesName(pattern, hit->Name()));
  }
  return 0;
}
