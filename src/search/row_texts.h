#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace mardo {

class Catalog;
class FileRecord;

// The cell texts of the three lists, shared by the window and the command line.

// One cell of a row, by column counted from 0; the same texts as the arrays below.
std::string ResultCell(const FileRecord& entry, int32_t column, bool grouping, std::string_view dateFormat);
std::string DirectoryCell(const FileRecord& entry, int32_t column, std::string_view dateFormat);
std::string CatalogCell(const Catalog& catalog, int32_t column, std::string_view dateFormat);

// A result row: Name, Date (`dateFormat`, local time), Length, Volume, Path. In the grouping
// modes a directory entry's length is "Directory".
std::array<std::string, 5> ResultCells(const FileRecord& entry, bool grouping, std::string_view dateFormat);

// A directory-list row: Name, Date, Length, Path.
std::array<std::string, 4> DirectoryCells(const FileRecord& entry, std::string_view dateFormat);

// A catalog-list row: Name, Date, Free (MB), Files, Volume, Serial number, Catalog file name.
std::array<std::string, 7> CatalogCells(const Catalog& catalog, std::string_view dateFormat);

// The Length cell of an entry: a file's length; for a directory entry of a version-3 catalog the
// total of its subtree in MiB with three decimals, else "Directory".
std::string LengthCell(const FileRecord& entry, bool grouping);

}  // namespace mardo
