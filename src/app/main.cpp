// mardo: the window.
#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/mardo_app.h"
#include "settings/app_texts.h"
#include "settings/start_options.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const mardo::StartOptions options = mardo::ReadStartOptions(arguments);
  if (options.help) {
    std::fputs(mardo::texts::kWindowUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s\n", mardo::texts::kAboutVersion);
    return 0;
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(mardo::texts::kApplicationTitle);
  QApplication::setOrganizationName(mardo::settings::kCompanyKey);
  QApplication::setDesktopFileName("mardo");
  QApplication::setWindowIcon(QIcon(":/mardo.svg"));
  mardo::CMardoApp app(arguments);
  app.InitInstance();
  return QApplication::exec();
}
