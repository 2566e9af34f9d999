// The mardo program as a whole process: its own options, and the end of a session.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSettings>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_tree.h"

namespace mardo {
namespace {

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

TEST(MardoProcess, HelpAndVersionPrintWithoutAWindow) {
  const std::string program = MARDO_PATH;
  EXPECT_EQ(Output("env -u DISPLAY QT_QPA_PLATFORM=none " + program + " --version"), "Mardo V2.6.3\n");
  const std::string help = Output("env -u DISPLAY QT_QPA_PLATFORM=none " + program + " -dd --help");
  EXPECT_EQ(help.rfind("Usage: mardo [-dir \"DIR1,DIR2,...\"] [-dd]\n", 0), 0u);
}

// Runs mardo offscreen in a start directory of its own, with `extra` in its environment, until its
// settings are set up, then ends the session (SIGTERM). Gives the exit status and the settings.
struct Session {
  int status = -1;
  std::string settings;  // the settings file's path
};
Session RunSession(test::TempDir& tmp, const std::vector<std::string>& extra) {
  Session session;
  const std::string config = tmp.MakeDir("config");
  const std::string start = tmp.MakeDir("start");
  session.settings = config + "/kEzu/Mardo.conf";
  const std::string runtime = tmp.MakeDir("runtime");
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  std::vector<std::string> environment = {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config,
                                          "XDG_RUNTIME_DIR=" + runtime, "HOME=" + tmp.Path()};
  environment.insert(environment.end(), extra.begin(), extra.end());
  std::vector<char*> envp;
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const std::string program = MARDO_PATH;
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, start.c_str());
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return session;
  // The date formats are written as soon as the window is set up.
  while (!std::filesystem::exists(session.settings) ||
         tmp.ReadFile("config/kEzu/Mardo.conf").find("Result") == std::string::npos) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != 0) return session;  // mardo ended early
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ::kill(pid, SIGTERM);
  int status = 0;
  if (::waitpid(pid, &status, 0) == pid) session.status = status;
  return session;
}

TEST(MardoProcess, TheEndOfASessionClosesTheWindowAndSavesTheSettings) {
  test::TempDir tmp;
  const Session session = RunSession(tmp, {});
  EXPECT_TRUE(WIFEXITED(session.status) && WEXITSTATUS(session.status) == 0) << session.status;
  QSettings saved(QString::fromStdString(session.settings), QSettings::IniFormat);
  EXPECT_EQ(saved.value("Settings/WindowPos").toString().split(',').size(), 10);
  EXPECT_EQ(saved.value("Settings/MaxHits").toString(), "512");
}

TEST(MardoProcess, AtALargerScaleTheWindowFitsTheScreenItOpensOn) {
  // A 1280x900 screen at 1.5 times the scale: 853x600 of the window's pixels.
  test::TempDir tmp;
  const std::string screens = tmp.MakeFile(
      "screens.json", 0, -1,
      R"({"screens": [{"name": "one", "x": 0, "y": 0, "width": 1280, "height": 900, "logicalDpi": 96,)"
      R"( "logicalBaseDpi": 96, "dpr": 1}]})");
  const Session session =
      RunSession(tmp, {"QT_QPA_PLATFORM=offscreen:configfile=" + screens, "QT_SCALE_FACTOR=1.5"});
  ASSERT_TRUE(WIFEXITED(session.status) && WEXITSTATUS(session.status) == 0) << session.status;
  QSettings saved(QString::fromStdString(session.settings), QSettings::IniFormat);
  const QStringList position = saved.value("Settings/WindowPos").toString().split(',');
  ASSERT_EQ(position.size(), 10);
  const int left = position[6].toInt(), top = position[7].toInt();
  const int right = position[8].toInt(), bottom = position[9].toInt();
  EXPECT_GE(left, 0);
  EXPECT_GE(top, 0);
  EXPECT_LE(right, 853);
  EXPECT_LE(bottom, 600);
}

}  // namespace
}  // namespace mardo
