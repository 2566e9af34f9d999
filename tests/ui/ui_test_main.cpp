// The window's tests: offscreen, with a fixed time zone; no test ever waits for a modal dialog.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <ctime>

namespace {

QtMessageHandler standardHandler = nullptr;

// The offscreen platform warns about window hints, raising and grabbing it cannot do; nothing a
// test needs to see.
void QuietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains("propagateSizeHints") || message.contains("does not support raise()") ||
      message.contains("does not support grabbing"))
    return;
  if (standardHandler != nullptr) standardHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("TZ", "UTC0", 1);
  tzset();
  standardHandler = qInstallMessageHandler(QuietOffscreenWarnings);
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
