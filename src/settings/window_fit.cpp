#include "settings/window_fit.h"

#include <algorithm>

namespace mardo {
namespace {

int64_t Overlap(int64_t a, int64_t aLength, int64_t b, int64_t bLength) {
  return std::max<int64_t>(0, std::min(a + aLength, b + bLength) - std::max(a, b));
}

// The position on [low, high - length]: at `wanted` when it fits, else the nearest end; the low end
// when the length does not fit at all.
int32_t Clamp(int64_t wanted, int64_t low, int64_t high, int64_t length) {
  if (high - length < low) return static_cast<int32_t>(low);
  return static_cast<int32_t>(std::clamp(wanted, low, high - length));
}

}  // namespace

FittedWindow FitWindowToScreens(const WindowGeometry& wanted, bool placed,
                                std::span<const ScreenArea> screens, const FrameMargins& frame,
                                int32_t minimumWidth, int32_t minimumHeight) {
  FittedWindow fitted{wanted, placed};
  if (screens.empty()) return fitted;
  const ScreenArea* screen = &screens[0];
  if (placed) {
    int64_t best = 0;
    for (const ScreenArea& s : screens) {
      const int64_t area =
          Overlap(wanted.x, wanted.width, s.x, s.width) * Overlap(wanted.y, wanted.height, s.y, s.height);
      if (area > best) {
        best = area;
        screen = &s;
      }
    }
  }
  // The room for the window's own rectangle on that screen.
  const int64_t left = int64_t{screen->x} + frame.left;
  const int64_t top = int64_t{screen->y} + frame.top;
  const int64_t right = int64_t{screen->x} + screen->width - frame.right;
  const int64_t bottom = int64_t{screen->y} + screen->height - frame.bottom;
  WindowGeometry& g = fitted.geometry;
  g.width =
      static_cast<int32_t>(std::max<int64_t>(std::min<int64_t>(wanted.width, right - left), minimumWidth));
  g.height =
      static_cast<int32_t>(std::max<int64_t>(std::min<int64_t>(wanted.height, bottom - top), minimumHeight));
  if (!placed && g.width == wanted.width && g.height == wanted.height) return fitted;
  // A shrunk default size is placed, so that all of it shows.
  g.x = Clamp(placed ? wanted.x : left, left, right, g.width);
  g.y = Clamp(placed ? wanted.y : top, top, bottom, g.height);
  fitted.placed = true;
  return fitted;
}

}  // namespace mardo
