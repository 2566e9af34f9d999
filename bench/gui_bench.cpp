// mardo-gui-bench: the window's figures over the benchmark library (offscreen).
//
//   mardo-gui-bench run LIBRARY_DIR     the figures, one "name<TAB>value<TAB>unit" line each
//   mardo-gui-bench start LIBRARY_DIR   starts the window over the library and ends once it shows
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWindow>

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/mardo_app.h"
#include "platform/user_prompts.h"
#include "ui/directory_tab.h"
#include "ui/list_models.h"
#include "ui/search_add.h"
#include "ui/search_tab.h"

namespace mardo::bench {
namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Milliseconds of `body`, the median of `runs`.
double TimeMs(int runs, const std::function<void()>& body) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    body();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return Median(times);
}

// Questions are answered No and messages dropped: the benchmark never waits for a person.
class SilentPrompts final : public UserPrompts {
 public:
  void Message(std::string_view, std::string_view, Icon) override {}
  bool AskYesNo(std::string_view, std::string_view) override { return false; }
};

void Print(const char* name, double value, const char* unit) {
  std::printf("%s\t%.3f\t%s\n", name, value, unit);
  std::fflush(stdout);
}

// The window over the library, shown; returns when it is on the screen.
std::unique_ptr<CMardoApp> OpenWindow(const std::string& library, const QTemporaryDir& settings,
                                      SilentPrompts& prompts, std::vector<std::string> arguments) {
  FormServices services;
  services.prompts = &prompts;
  auto app = std::make_unique<CMardoApp>(std::move(arguments),
                                         (settings.path() + "/Mardo.conf").toStdString(), library, services);
  app->InitInstance();
  while (app->Frame().windowHandle() == nullptr || !app->Frame().windowHandle()->isExposed())
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  return app;
}

int Start(const std::string& library) {
  QTemporaryDir settings;
  SilentPrompts prompts;
  const auto app = OpenWindow(library, settings, prompts, {});
  return app->Frame().Form().Library().RecordCount() > 0 ? 0 : 1;
}

// Wall time of one whole process that starts the window and ends once it shows, in seconds.
double StartSeconds(const char* self, const std::string& library) {
  std::vector<double> times;
  for (int i = 0; i < 3; ++i) {
    const char* argv[] = {self, "start", library.c_str(), nullptr};
    const auto start = Clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, self, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  return Median(times);
}

int Run(const char* self, const std::string& library) {
  Print("gui_start_s", StartSeconds(self, library), "s");

  QTemporaryDir settings;
  SilentPrompts prompts;
  const auto app = OpenWindow(library, settings, prompts, {"-dd"});
  SearchAdd& form = app->Frame().Form();
  auto* pattern = form.findChild<QComboBox*>("pattern");
  auto* hitLimit = form.findChild<QLineEdit*>("hitLimit");
  const auto search = [&](const char* text, int limit) {
    hitLimit->setText(QString::number(limit));
    form.Directory().OnHitLimitLostFocus();
    pattern->setEditText(text);
    form.Search().ReadSearchConditions();
    QApplication::processEvents();
  };
  Print("gui_search_rare_ms", TimeMs(5, [&] { search("frobnic", 5120); }), "ms");
  Print("gui_search_fill_5120_ms", TimeMs(5, [&] { search("lib", 5120); }), "ms");
  const int filled = form.RecordModel(ListKind::kResults)->Count();
  Print("gui_search_fill_rows", filled, "rows");
  search("a", 100000);
  Print("sort_rows", form.RecordModel(ListKind::kResults)->Count(), "rows");
  // A click on the Date header of the results: the rows are sorted again, the view repainted.
  Print("sort_100k_ms",
        TimeMs(5,
               [&] {
                 form.OnColumnClick(ListKind::kResults, 1);
                 QApplication::processEvents();
               }),
        "ms");
  return 0;
}

}  // namespace
}  // namespace mardo::bench

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mardo-gui-bench run|start LIBRARY_DIR\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  const std::string command = argv[1];
  if (command == "start") return mardo::bench::Start(argv[2]);
  if (command == "run") return mardo::bench::Run(argv[0], argv[2]);
  return 2;
}
