// mardo: the window.
#include <QApplication>
#include <QIcon>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/mardo_app.h"
#include "base/start_options.h"
#include "settings/app_texts.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const mardo::StartOptions options = mardo::ParseStartOptions(arguments);
  if (options.help) {
    std::fputs(mardo::texts::kWindowUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("%s\n", mardo::texts::kAboutVersion);
    return 0;
  }
  QApplication application(argc, argv);
  // Qt takes the user's locale for the C library too; numbers in lists and catalogs keep the
  // point ("%.3f"), and only the copied megabytes of directories take the user's separator.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(mardo::texts::kApplicationTitle);
  QApplication::setOrganizationName(mardo::settings::kCompanyKey);
  QApplication::setDesktopFileName("mardo");
  QApplication::setWindowIcon(QIcon(":/mardo.svg"));
  mardo::CMardoApp app(arguments);
  app.InitInstance();
  const int status = QApplication::exec();
  // Everything the program keeps was written when the window closed (the settings; catalogs are
  // written when they are made). Taking the loaded catalogs apart, and waiting for a scan of a
  // medium that no longer answers, would only keep the process alive after its window is gone:
  // the system takes the memory and the threads back at once.
  std::fflush(nullptr);
  std::_Exit(status);
}
