// The window's tests: offscreen, with a fixed time zone; no test ever waits for a modal dialog.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("TZ", "UTC0", 1);
  tzset();
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
