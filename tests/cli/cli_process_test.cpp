// mardo-cli as a user runs it: a real process in a temporary directory, its output captured in
// files, or on a pseudo-terminal as a person would see it.
#include <grp.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/text_escape.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

struct RunOptions {
  std::string input;         // standard input (a file, never a terminal)
  rlim_t fileSizeLimit = 0;  // bytes; 0 for none. Files grow no larger, as on a full disk.
  bool asNobody = false;     // run by root: as the user "nobody" (65534), whom permissions bind
};

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Prepares the child after fork: TZ=UTC0, the working directory, and the program's arguments.
[[noreturn]] void ExecIn(const std::string& dir, const std::vector<std::string>& args) {
  if (::chdir(dir.c_str()) != 0) ::_exit(99);
  ::setenv("TZ", "UTC0", 1);
  // The search indexes go to a cache of the test's own, beside the directory.
  ::setenv("XDG_CACHE_HOME", (dir + "/../.cache").c_str(), 1);
  std::vector<char*> argv{const_cast<char*>(MARDO_CLI_PATH)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(MARDO_CLI_PATH, argv.data());
  ::_exit(98);
}

// Runs the program in `dir`; its output and errors land in files next to `dir`.
Result RunIn(const std::string& dir, const std::vector<std::string>& args, const RunOptions& options = {}) {
  const std::string capture = dir + "/../.capture";
  {
    std::ofstream in(capture + "-in", std::ios::binary);
    in << options.input;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (!std::freopen((capture + "-out").c_str(), "w", stdout) ||
        !std::freopen((capture + "-err").c_str(), "w", stderr) ||
        !std::freopen((capture + "-in").c_str(), "r", stdin)) {
      ::_exit(99);
    }
    if (options.fileSizeLimit > 0) {
      // A write past the limit then fails with EFBIG instead of ending the program.
      ::signal(SIGXFSZ, SIG_IGN);
      const struct rlimit limit { options.fileSizeLimit, options.fileSizeLimit };
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.asNobody && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      ::_exit(98);
    }
    ExecIn(dir, args);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWhole(capture + "-out"),
          ReadWhole(capture + "-err")};
}

// Runs the program on a pseudo-terminal (standard input, output and error) and returns what the
// terminal received.
std::string RunOnTerminal(const std::string& dir, const std::vector<std::string>& args) {
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid < 0) return "forkpty failed";
  if (pid == 0) ExecIn(dir, args);
  std::string received;
  char buffer[4096];
  while (true) {
    const ssize_t n = ::read(terminal, buffer, sizeof buffer);
    if (n > 0) {
      received.append(buffer, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the program has ended and the terminal is drained
    }
  }
  ::close(terminal);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return received;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A strict JSON reader that only says whether the text is one valid JSON value (RFC 8259: every
// string well-formed UTF-8 without raw control characters).
class JsonCheck {
 public:
  explicit JsonCheck(std::string_view text) : text_(text) {}

  bool Valid() {
    Space();
    if (!Value()) return false;
    Space();
    return pos_ == text_.size();
  }

 private:
  bool Value() {
    if (pos_ >= text_.size()) return false;
    switch (text_[pos_]) {
      case '{':
        return Sequence('}', true);
      case '[':
        return Sequence(']', false);
      case '"':
        return String();
      default:
        return Word("true") || Word("false") || Word("null") || Number();
    }
  }
  bool Sequence(char close, bool object) {
    ++pos_;
    Space();
    if (Take(close)) return true;
    do {
      Space();
      if (object && !(String() && (Space(), Take(':')))) return false;
      Space();
      if (!Value()) return false;
      Space();
    } while (Take(','));
    return Take(close);
  }
  bool String() {
    if (!Take('"')) return false;
    const size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      const auto c = static_cast<unsigned char>(text_[pos_]);
      if (c < 0x20) return false;
      if (c == '\\') {
        ++pos_;
        if (pos_ >= text_.size()) return false;
        if (text_[pos_] == 'u') {
          if (pos_ + 4 >= text_.size()) return false;
          for (int k = 1; k <= 4; ++k) {
            if (!std::isxdigit(static_cast<unsigned char>(text_[pos_ + k]))) return false;
          }
          pos_ += 4;
        } else if (std::string_view("\"\\/bfnrt").find(text_[pos_]) == std::string_view::npos) {
          return false;
        }
      }
      ++pos_;
    }
    return IsValidUtf8(text_.substr(start, pos_ - start)) && Take('"');
  }
  bool Number() {
    const size_t start = pos_;
    Take('-');
    while (pos_ < text_.size() &&
           std::string_view("0123456789.eE+-").find(text_[pos_]) != std::string_view::npos)
      ++pos_;
    return pos_ > start;
  }
  bool Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }
  bool Take(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void Space() {
    while (pos_ < text_.size() && std::string_view(" \t\r\n").find(text_[pos_]) != std::string_view::npos)
      ++pos_;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

TEST(CliProcess, CataloguesSearchesAndDeletesInItsCurrentDirectory) {
  test::TempDir tmp;
  tmp.MakeFile("disk/music/song.mp3", 4000);
  tmp.MakeFile("disk/music/Song.MP3", 4000);
  tmp.MakeDir("work");
  const Result add = RunIn(tmp / "work", {"add", tmp / "disk", "--label", "Music disk"});
  ASSERT_EQ(add.status, 0) << add.err;
  // The label is the directory's path on its file system, whatever holds the temporary directory.
  EXPECT_EQ(add.out.rfind("3 files added to catalog from [\\", 0), 0u) << add.out;
  EXPECT_EQ(add.out.substr(add.out.size() - 7), "\\disk]\n");

  const Result catalogs = RunIn(tmp / "work", {"catalogs"});
  EXPECT_EQ(catalogs.status, 0);
  EXPECT_EQ(catalogs.out.substr(0, 11), "Music disk\t");
  EXPECT_NE(catalogs.out.find(tmp / "work/Music-disk.mvl"), std::string::npos);

  const Result dups = RunIn(tmp / "work", {"search", "--mode", "duplicates"});
  EXPECT_EQ(dups.status, 0);
  EXPECT_EQ(dups.err, "2\n");
  const Result none = RunIn(tmp / "work", {"search", "--pattern", "|nothing|"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(RunIn(tmp / "work", {"search"}).status, 2);

  EXPECT_EQ(RunIn(tmp / "work", {"delete", "Music disk"}).status, 1);  // nobody to say yes
  const Result deleted = RunIn(tmp / "work", {"delete", "Music disk", "--yes"});
  EXPECT_EQ(deleted.status, 0);
  EXPECT_EQ(RunIn(tmp / "work", {"catalogs"}).out, "");
}

// What a desktop disk holds today: tens of thousands of directories, files of many GiB, dates past
// 2038 and paths longer than 255 bytes, catalogued, listed and searched exactly.
TEST(CliProcess, TodaysVolumesAreCataloguedWholeAndTrue) {
  test::TempDir tmp(test::TempDir::kMemory);
  constexpr int64_t k5GiB = int64_t{5} << 30;
  tmp.MakeFile("disk/big/film.mkv", k5GiB, 1700000000);  // sparse
  tmp.MakeFile("disk/future.txt", 1, 2208988800);        // 2040-01-01 00:00:00 UTC
  const std::string x(120, 'x');
  const std::string y(120, 'y');
  const std::string z(120, 'z');
  tmp.MakeFile("disk/" + x + "/" + y + "/" + z + "/deep.txt", 3, 1000000000);
  const std::string many = tmp.MakeDir("disk/many");
  for (int i = 0; i < 200; ++i) {
    const std::string level = many + "/" + std::to_string(i);
    ASSERT_EQ(::mkdir(level.c_str(), 0755), 0);
    for (int j = 0; j < 200; ++j) ASSERT_EQ(::mkdir((level + "/" + std::to_string(j)).c_str(), 0755), 0);
  }
  tmp.MakeDir("work");

  const Result add = RunIn(tmp / "work", {"add", tmp / "disk", "--label", "BIG"});
  ASSERT_EQ(add.status, 0) << add.err;
  EXPECT_EQ(add.out.substr(0, 34), "40208 files added to catalog from ");
  const std::vector<std::string> dump = Lines(RunIn(tmp / "work", {"dump", "BIG.mvl"}).out);
  ASSERT_GT(dump.size(), 8u);
  EXPECT_EQ(dump[0], "format\t4");
  EXPECT_EQ(dump[7], "dirs\t40206");

  // Rows: Name, Date, Length, Volume, Path (the catalog's path of the directory).
  auto search = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "search");
    args.insert(args.end(), {"--date-format", "%Y-%m-%d %H:%M:%S"});
    return RunIn(tmp / "work", args);
  };
  const Result big = search({"--length", ">", "4294967296"});
  ASSERT_EQ(big.status, 0) << big.err;
  const std::vector<std::string> row = Lines(big.out);
  ASSERT_EQ(row.size(), 1u);
  const size_t pathAt = row[0].rfind('\t') + 1;
  EXPECT_EQ(row[0].substr(0, pathAt), "film.mkv\t2023-11-14 22:13:20\t5368709120\tBIG\t");
  const std::string cell = row[0].substr(pathAt);
  ASSERT_EQ(cell.substr(cell.size() - 4), "/big");
  const std::string prefix = cell.substr(0, cell.size() - 4);  // the catalog's path of the disk
  EXPECT_NE(
      search({"--length", ">", "4294967296", "--format", "json"}).out.find("\"Length\": \"5368709120\""),
      std::string::npos);
  EXPECT_EQ(search({"--date", ">=", "400101"}).out,
            "future.txt\t2040-01-01 00:00:00\t1\tBIG\t" + prefix + "\n");
  const std::string deepPath = prefix + "/" + x + "/" + y + "/" + z;
  EXPECT_EQ(search({"--pattern", "deep.txt"}).out,
            "deep.txt\t2001-09-09 01:46:40\t3\tBIG\t" + deepPath + "\n");
  const Result listed = RunIn(tmp / "work", {"ls", "BIG", deepPath});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out.substr(0, 9), "deep.txt\t");
  EXPECT_EQ(Lines(RunIn(tmp / "work", {"ls", "BIG", prefix + "/many/199"}).out).size(), 200u);
}

// A sound catalog followed by a terabyte of holes (a few KiB on disk) ends no command.
TEST(CliProcess, ACatalogFollowedByATerabyteOfHolesIsLoadedWithTheOthers) {
  test::TempDir tmp;
  tmp.MakeFile("one/a.txt", 1);
  tmp.MakeFile("two/a.txt", 1);
  tmp.MakeDir("work");
  ASSERT_EQ(RunIn(tmp / "work", {"add", tmp / "one", "--label", "ONE"}).status, 0);
  ASSERT_EQ(RunIn(tmp / "work", {"add", tmp / "two", "--label", "TWO"}).status, 0);
  ASSERT_EQ(::truncate((tmp / "work/ONE.mvl").c_str(), int64_t{1} << 40), 0);
  const Result catalogs = RunIn(tmp / "work", {"catalogs"});
  EXPECT_EQ(catalogs.status, 0) << catalogs.err;
  EXPECT_EQ(Lines(catalogs.out).size(), 2u);
  const Result search = RunIn(tmp / "work", {"search", "--pattern", "a.txt"});
  EXPECT_EQ(search.status, 0) << search.err;
  EXPECT_EQ(search.err, "2\n");
}

TEST(CliProcess, MistakesEndWithStatusTwoAndSayWhyOnStandardError) {
  test::TempDir tmp;
  tmp.MakeFile("disk/a.txt", 1);
  tmp.MakeDir("work");
  // A catalog of a subdirectory is named after its last component, "\disk": its file begins with '-'.
  ASSERT_EQ(RunIn(tmp / "work", {"add", tmp / "disk"}).status, 0);
  ASSERT_TRUE(std::filesystem::exists(tmp / "work/-disk.mvl"));

  const Result bare = RunIn(tmp / "work", {"search", "passwd"});
  EXPECT_EQ(bare.status, 2);
  EXPECT_EQ(bare.out, "");
  EXPECT_EQ(
      Lines(bare.err).at(0),
      "Unexpected argument: passwd (the pattern goes after --pattern: mardo-cli search --pattern passwd)");

  const Result dash = RunIn(tmp / "work", {"dump", "-disk.mvl"});
  EXPECT_EQ(dash.status, 2);
  EXPECT_EQ(Lines(dash.err).at(0),
            "Unknown option: -disk.mvl (a name that begins with '-' goes after '--', as in mardo-cli dump -- "
            "-disk.mvl)");
  const Result dump = RunIn(tmp / "work", {"dump", "--", "-disk.mvl"});
  EXPECT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(dump.out.substr(0, 9), "format\t3\n");

  const Result empty = RunIn(tmp / "work", {"add", ""});
  EXPECT_EQ(empty.status, 2);
  EXPECT_EQ(empty.out, "");
  EXPECT_NE(empty.err.find("the root '' is empty"), std::string::npos);
}

// Names that a file system allows and that break naive output: a newline, a tab, an escape sequence,
// bytes that are not UTF-8.
class AwkwardNames : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"nl\nname.txt", "tab\tname.txt", "esc\x1b[31mred.txt", "bad\xffname.txt"}) {
      tmp_.MakeFile(std::string("disk/") + name, 7);
    }
    tmp_.MakeDir("work");
    const Result add = RunIn(tmp_ / "work", {"add", tmp_ / "disk", "--label", "Disk"});
    ASSERT_EQ(add.status, 0) << add.err;
  }

  test::TempDir tmp_;
};

TEST_F(AwkwardNames, TsvKeepsOneRowPerEntry) {
  const Result run = RunIn(tmp_ / "work", {"search", "--pattern", ".txt"});
  ASSERT_EQ(run.status, 0);
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 4u) << run.out;
  for (const std::string& row : rows) EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 4) << row;
  EXPECT_EQ(rows[0].substr(0, rows[0].find('\t')), "bad\xffname.txt");  // piped: the bytes stay
  EXPECT_EQ(rows[1].substr(0, rows[1].find('\t')), "esc\\x1b[31mred.txt");
  EXPECT_EQ(rows[2].substr(0, rows[2].find('\t')), "nl\\nname.txt");
  EXPECT_EQ(rows[3].substr(0, rows[3].find('\t')), "tab\\tname.txt");
}

TEST_F(AwkwardNames, JsonIsValidAndCarriesTheExactBytes) {
  const Result run = RunIn(tmp_ / "work", {"search", "--pattern", ".txt", "--format", "json"});
  ASSERT_EQ(run.status, 0);
  EXPECT_TRUE(JsonCheck(run.out).Valid()) << run.out;
  EXPECT_NE(run.out.find("\"Name\": \"bad\xef\xbf\xbdname.txt\", \"Name_bytes\": \"YmFk/25hbWUudHh0\""),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"Name\": \"nl\\nname.txt\""), std::string::npos);
  EXPECT_TRUE(JsonCheck(RunIn(tmp_ / "work", {"catalogs", "--format", "json"}).out).Valid());
}

TEST_F(AwkwardNames, CsvThroughAPipeKeepsEveryByte) {
  const Result run = RunIn(tmp_ / "work", {"search", "--pattern", "esc", "--format", "csv"});
  EXPECT_NE(run.out.find("\r\nesc\x1b[31mred.txt,"), std::string::npos) << run.out;
}

TEST_F(AwkwardNames, ATerminalSeesEscapesInsteadOfControlCharacters) {
  const std::string screen = RunOnTerminal(tmp_ / "work", {"search", "--pattern", ".txt"});
  EXPECT_NE(screen.find("esc\\x1b[31mred.txt\t"), std::string::npos) << screen;
  EXPECT_NE(screen.find("nl\\nname.txt\t"), std::string::npos) << screen;
  EXPECT_NE(screen.find("bad\\xffname.txt\t"), std::string::npos) << screen;
  EXPECT_EQ(screen.find('\x1b'), std::string::npos) << screen;
  EXPECT_EQ(screen.find('\xff'), std::string::npos) << screen;

  const std::string csv = RunOnTerminal(tmp_ / "work", {"search", "--pattern", "esc", "--format", "csv"});
  EXPECT_NE(csv.find("esc\\x1b[31mred.txt,"), std::string::npos) << csv;
  EXPECT_EQ(csv.find('\x1b'), std::string::npos) << csv;
}

TEST(CliProcess, ACatalogThatCannotBeWrittenIsNotAddedAndTheOldOneStays) {
  test::TempDir tmp;
  for (int i = 0; i < 300; ++i) tmp.MakeFile("big/a-file-with-a-long-name-" + std::to_string(i) + ".txt", 1);
  tmp.MakeDir("work");
  ASSERT_EQ(RunIn(tmp / "work", {"add", tmp / "big", "--label", "Big"}).status, 0);
  const std::string before = tmp.ReadFile("work/Big.mvl");
  ASSERT_GT(before.size(), 8192u);

  // The disk is "full" at 4 KiB per file: the new catalog file cannot be written whole.
  tmp.MakeFile("big/new.txt", 1);
  const Result run = RunIn(tmp / "work", {"add", tmp / "big", "--label", "Big", "--yes"}, {"", 4096});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(
      run.err.find("The catalog file '" + tmp / "work/Big.mvl" + "' could not be written.\nFile too large\n"),
      std::string::npos)
      << run.err;
  EXPECT_EQ(tmp.ReadFile("work/Big.mvl"), before);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(tmp / "work")) {
    if (entry.path().filename() != ".mardo.lock") names.push_back(entry.path().filename());
  }
  EXPECT_EQ(names, std::vector<std::string>{"Big.mvl"});  // no half-written file left behind
}

TEST(CliProcess, UnreadableDirectoriesAreNamedAndStrictFails) {
  test::TempDir tmp;
  tmp.MakeFile("disk/open/a.txt", 1);
  tmp.MakeFile("disk/closed/secret.txt", 1);
  tmp.MakeDir("work");
  // Root reads every directory: then mardo-cli runs as an ordinary user, who may write the work
  // directory and read the rest.
  namespace fs = std::filesystem;
  for (const std::string& dir : {tmp.Path(), tmp / "disk", tmp / "disk/open", tmp / "work"})
    fs::permissions(dir, fs::perms::all);
  fs::permissions(tmp / "disk/open/a.txt", fs::perms::owner_all | fs::perms::others_read);
  ASSERT_EQ(::chmod((tmp / "disk/closed").c_str(), 0), 0);
  RunOptions asUser;
  asUser.asNobody = true;
  const Result add = RunIn(tmp / "work", {"add", tmp / "disk", "--label", "Disk"}, asUser);
  const Result strict = RunIn(tmp / "work", {"refresh", "Disk", "--strict"}, asUser);
  ::chmod((tmp / "disk/closed").c_str(), 0755);
  EXPECT_EQ(add.status, 0) << add.err;
  EXPECT_EQ(add.out.rfind("3 files added to catalog from", 0), 0u) << add.out;  // closed is empty
  EXPECT_NE(add.err.find("Warning: 1 directory could not be read and is catalogued as empty: "),
            std::string::npos)
      << add.err;
  EXPECT_NE(add.err.find("closed"), std::string::npos) << add.err;
  EXPECT_EQ(strict.status, 3);
}

}  // namespace
}  // namespace mardo
