#include "platform/desktop_applications.h"

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace mardo {
namespace {

using Arguments = std::vector<std::string>;

// The arguments of the command for a file of these types, or nothing.
std::optional<Arguments> CommandOf(const DesktopApplications& apps, std::vector<std::string> types,
                                   const std::string& file) {
  const std::optional<DesktopCommand> command = apps.CommandFor(types, file);
  if (!command) return std::nullopt;
  return command->arguments;
}

TEST(DesktopApplications, ExecValuesBecomeArgumentsWithTheFileAsOneOfItsOwn) {
  const std::string file = "/media/usb/a b;$(rm -rf ~)\n-x.txt";
  EXPECT_EQ(DesktopApplications::ExecArguments("gedit %U", file),
            (Arguments{"gedit", "file:///media/usb/a%20b%3B%24%28rm%20-rf%20~%29%0A-x.txt"}));
  EXPECT_EQ(DesktopApplications::ExecArguments("vlc --started-from-file %f", file),
            (Arguments{"vlc", "--started-from-file", file}));
  EXPECT_EQ(DesktopApplications::ExecArguments(R"("/opt/My App/run" --name "a \"b\" c" %F %i %c)", file),
            (Arguments{"/opt/My App/run", "--name", "a \"b\" c", file}));
  EXPECT_EQ(DesktopApplications::ExecArguments("viewer --rate=100%%", file),
            (Arguments{"viewer", "--rate=100%", file}));
  EXPECT_EQ(DesktopApplications::ExecArguments("\"unterminated %f", file), std::nullopt);
  EXPECT_EQ(DesktopApplications::ExecArguments("   ", file), std::nullopt);
  EXPECT_EQ(DesktopApplications::FileUrl("/a/\xff\xfe.txt"), "file:///a/%FF%FE.txt");
}

TEST(DesktopApplications, DefaultsComeBeforeTheCacheAndTypesWithoutTheirOwnTakeTheirAncestors) {
  test::TempDir tmp;
  tmp.MakeFile("config/mimeapps.list", 0, -1,
               "[Default Applications]\ntext/plain=gone.desktop;editor.desktop;\n"
               "[Added Associations]\nimage/png=viewer.desktop\ntext/x-python=idle.desktop\n");
  tmp.MakeFile("data/applications/editor.desktop", 0, -1,
               "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor --new %f\n");
  tmp.MakeFile("data/applications/kde/viewer.desktop", 0, -1,
               "[Desktop Entry]\nType=Application\nExec=viewer %u\n");
  tmp.MakeFile("data/applications/hidden.desktop", 0, -1, "[Desktop Entry]\nHidden=true\nExec=nope %f\n");
  tmp.MakeFile("data/applications/mimeinfo.cache", 0, -1,
               "[MIME Cache]\ntext/plain=other.desktop;\napplication/pdf=hidden.desktop;reader.desktop;\n"
               "image/jpeg=kde-viewer.desktop;\ntext/x-csrc=vim.desktop;\n");
  tmp.MakeFile("data/applications/reader.desktop", 0, -1, "[Desktop Entry]\nExec=reader\n");
  tmp.MakeFile("data/applications/idle.desktop", 0, -1, "[Desktop Entry]\nExec=idle %f\n");
  tmp.MakeFile("data/applications/vim.desktop", 0, -1,
               "[Desktop Entry]\nExec=vim %F\nTerminal=true\n[Desktop Action new]\nExec=gvim\n");
  const DesktopApplications apps({{tmp / "config"}, {tmp / "data"}});
  EXPECT_EQ(CommandOf(apps, {"text/plain"}, "/m/a.txt"), (Arguments{"editor", "--new", "/m/a.txt"}));
  EXPECT_EQ(CommandOf(apps, {"image/png"}, "/m/p.png"), std::nullopt);  // viewer.desktop is kde/viewer
  EXPECT_EQ(CommandOf(apps, {"image/jpeg"}, "/m/p.jpg"), (Arguments{"viewer", "file:///m/p.jpg"}));
  EXPECT_EQ(CommandOf(apps, {"application/pdf"}, "/m/d.pdf"), (Arguments{"reader", "/m/d.pdf"}));
  EXPECT_EQ(CommandOf(apps, {"application/x-unknown"}, "/m/x"), std::nullopt);
  EXPECT_EQ(CommandOf(apps, {""}, "/m/x"), std::nullopt);
  // The default of an ancestor comes before a mere association of the type itself.
  EXPECT_EQ(CommandOf(apps, {"text/x-python", "application/x-executable", "text/plain"}, "/m/a.py"),
            (Arguments{"editor", "--new", "/m/a.py"}));
  EXPECT_EQ(CommandOf(apps, {"text/x-python"}, "/m/a.py"), (Arguments{"idle", "/m/a.py"}));
  const std::optional<DesktopCommand> vim =
      apps.CommandFor(std::vector<std::string>{"text/x-csrc"}, "/m/a.c");
  ASSERT_TRUE(vim);
  EXPECT_EQ(vim->arguments, (Arguments{"vim", "/m/a.c"}));
  EXPECT_TRUE(vim->terminal);
  EXPECT_FALSE(apps.CommandFor(std::vector<std::string>{"text/plain"}, "/m/a.txt")->terminal);
}

}  // namespace
}  // namespace mardo
