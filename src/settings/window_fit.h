#pragma once

#include <cstdint>
#include <span>

#include "settings/settings_values.h"

namespace mardo {

// A rectangle of the desktop in pixels: the part of a screen that windows may use.
struct ScreenArea {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// What the window frame adds around the window's own rectangle (title bar, borders), in pixels.
struct FrameMargins {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct FittedWindow {
  WindowGeometry geometry;
  bool placed = false;  // the position counts; otherwise only the size, and the desktop places it
};

// Where and how large the main window opens on these screens (the first is the primary one).
// `wanted` is the stored rectangle (`placed`) or the default size (not placed). The window takes
// the screen that holds the largest part of it (a rectangle on no screen, such as one left on a
// monitor that is gone, the primary screen), no larger than that screen's area with the frame and
// no smaller than the minimum, and lies wholly on that screen when it fits. A default size that
// fits stays unplaced.
FittedWindow FitWindowToScreens(const WindowGeometry& wanted, bool placed,
                                std::span<const ScreenArea> screens, const FrameMargins& frame,
                                int32_t minimumWidth, int32_t minimumHeight);

}  // namespace mardo
