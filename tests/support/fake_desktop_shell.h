#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/desktop_shell.h"

namespace mardo::test {

// Records every request as "call|path" (calls: open, dir, show, start, trash) and answers from a
// script by that same text; a request without a scripted answer succeeds.
class FakeDesktopShell final : public DesktopShell {
 public:
  std::vector<std::string> calls;
  std::map<std::string, ShellResult> results;

  ShellResult OpenPath(const std::string& path) override { return Answer("open|" + path); }
  ShellResult OpenDirectory(const std::string& path) override { return Answer("dir|" + path); }
  ShellResult ShowInFolder(const std::string& file) override { return Answer("show|" + file); }
  ShellResult StartDefaultApplication(const std::string& file) override { return Answer("start|" + file); }
  ShellResult MoveToTrash(const std::string& path) override { return Answer("trash|" + path); }

 private:
  ShellResult Answer(const std::string& call) {
    calls.push_back(call);
    const auto scripted = results.find(call);
    return scripted != results.end() ? scripted->second : ShellResult{};
  }
};

}  // namespace mardo::test
