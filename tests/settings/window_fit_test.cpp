#include "settings/window_fit.h"

#include <gtest/gtest.h>

#include <vector>

namespace mardo {
namespace {

TEST(WindowFit, TheWindowLiesOnTheScreenThatHoldsMostOfItAndFitsIt) {
  const std::vector<ScreenArea> screens = {{0, 0, 1280, 900}, {1280, 0, 1920, 1080}};
  const FrameMargins none;
  const FrameMargins titled{2, 30, 2, 2};
  const struct {
    const char* what;
    WindowGeometry wanted;
    bool placed;
    FrameMargins frame;
    WindowGeometry fitted;
    bool fittedPlaced;
  } cases[] = {
      {"a default that fits stays unplaced", {0, 0, 980, 640}, false, none, {0, 0, 980, 640}, false},
      {"a stored place that fits stays", {100, 50, 700, 500}, true, none, {100, 50, 700, 500}, true},
      {"mostly on the second screen", {1200, 100, 800, 600}, true, none, {1280, 100, 800, 600}, true},
      {"a monitor that is gone: back on the primary",
       {5000, 4000, 600, 400},
       true,
       none,
       {680, 500, 600, 400},
       true},
      {"too large for its screen: shrunk and placed",
       {0, 0, 1500, 1000},
       false,
       none,
       {0, 0, 1280, 900},
       true},
      {"the frame counts", {0, 0, 1280, 900}, true, titled, {2, 30, 1276, 868}, true},
      {"never below the minimum", {0, 0, 200, 100}, true, none, {0, 0, 300, 150}, true},
  };
  for (const auto& c : cases) {
    const FittedWindow fitted = FitWindowToScreens(c.wanted, c.placed, screens, c.frame, 300, 150);
    EXPECT_EQ(fitted.geometry, c.fitted) << c.what;
    EXPECT_EQ(fitted.placed, c.fittedPlaced) << c.what;
  }
  // A screen smaller than the minimum: the minimum wins, at the screen's corner.
  const std::vector<ScreenArea> tiny = {{0, 0, 200, 100}};
  EXPECT_EQ(FitWindowToScreens({50, 50, 400, 300}, true, tiny, none, 300, 150).geometry,
            (WindowGeometry{0, 0, 300, 150}));
  // Without screens the wanted rectangle stays.
  EXPECT_EQ(FitWindowToScreens({7, 8, 9, 10}, true, {}, none, 1, 1).geometry, (WindowGeometry{7, 8, 9, 10}));
}

}  // namespace
}  // namespace mardo
