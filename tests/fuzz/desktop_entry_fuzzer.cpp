// Feeds arbitrary mimeapps.list files and desktop entries to the lookup of default applications:
// the bytes before the first NUL are the mimeapps.list, the rest the entry app.desktop (also read
// as a mimeinfo.cache). The whole input is also read as an Exec value.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_input.h"
#include "platform/desktop_applications.h"
#include "platform/file_system.h"

using mardo::fuzz::Check;

namespace {

const std::string kFile = "/media/usb/a b;$(x)\n%f.txt";

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Whether a command hands the file over as one argument of its own.
void CheckCommand(const std::vector<std::string>& arguments) {
  Check(!arguments.empty());
  bool given = false;
  for (const std::string& argument : arguments)
    given = given || argument == kFile || argument == mardo::DesktopApplications::FileUrl(kFile);
  Check(given);
}

// A directory of this run's own, removed when it ends (its name is never destroyed, so that the
// removal at exit can still read it).
const std::string& Scratch() {
  static const std::string* dir = [] {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    auto* path = new std::string(std::string(base) + "/mardo-fuzz-desktop-" + std::to_string(::getpid()));
    mardo::MakeDirectories(*path + "/config");
    mardo::MakeDirectories(*path + "/data/applications");
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(Scratch(), ignored);
    });
    return path;
  }();
  return *dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (const auto arguments = mardo::DesktopApplications::ExecArguments(input, kFile))
    CheckCommand(*arguments);

  const size_t cut = input.find('\0');
  const std::string list = input.substr(0, cut);
  const std::string entry = cut == std::string::npos ? std::string() : input.substr(cut + 1);
  Write(Scratch() + "/config/mimeapps.list", list);
  Write(Scratch() + "/data/applications/app.desktop", entry);
  Write(Scratch() + "/data/applications/mimeinfo.cache", entry);
  const mardo::DesktopApplications apps({{Scratch() + "/config"}, {Scratch() + "/data"}});
  const std::vector<std::string> types = {"text/x-python", "application/x-executable", "text/plain"};
  if (const auto command = apps.CommandFor(types, kFile)) CheckCommand(command->arguments);
  return 0;
}
