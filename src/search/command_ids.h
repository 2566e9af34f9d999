#pragma once

#include <cstdint>

// The commands of the lists' context menu and of the Edit menu, by their resource ids.
namespace mardo::command {

inline constexpr int32_t kCopySelectedRows = 32771;
inline constexpr int32_t kDisplayParent = 32772;
inline constexpr int32_t kDeleteSelectedCatalogs = 32773;
inline constexpr int32_t kOpen = 32774;
// Open in New Window for a file row, Explore for a directory row.
inline constexpr int32_t kOpenInNewWindow = 32775;
// No command of its own: its text labels 32775 on a directory row.
inline constexpr int32_t kExplore = 32776;
inline constexpr int32_t kRefresh = 32777;
inline constexpr int32_t kSelectAll = 32778;
inline constexpr int32_t kExploreParent = 32779;
inline constexpr int32_t kDeleteSelectedFiles = 32780;

}  // namespace mardo::command
