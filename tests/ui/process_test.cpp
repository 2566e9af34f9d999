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

TEST(MardoProcess, TheEndOfASessionClosesTheWindowAndSavesTheSettings) {
  test::TempDir tmp;
  const std::string config = tmp.MakeDir("config");
  const std::string start = tmp.MakeDir("start");
  const std::string settings = config + "/kEzu/Mardo.conf";
  const std::string environment[] = {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config,
                                     "XDG_RUNTIME_DIR=" + tmp.MakeDir("runtime"), "HOME=" + tmp.Path()};
  std::vector<char*> envp;
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const std::string program = MARDO_PATH;
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, start.c_str());
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  // The date formats are written as soon as the window is set up.
  while (!std::filesystem::exists(settings) ||
         tmp.ReadFile("config/kEzu/Mardo.conf").find("Result") == std::string::npos) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "mardo ended early";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_EQ(::kill(pid, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  QSettings saved(QString::fromStdString(settings), QSettings::IniFormat);
  EXPECT_EQ(saved.value("Settings/WindowPos").toString().split(',').size(), 10);
  EXPECT_EQ(saved.value("Settings/MaxHits").toString(), "512");
}

}  // namespace
}  // namespace mardo
