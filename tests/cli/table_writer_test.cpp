#include "cli/table_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/terminal_prompts.h"
#include "cli/text_escape.h"

namespace mardo {
namespace {

const char* kHeaders[] = {"Name", "Path"};

std::string Table(OutputFormat format, const std::vector<std::vector<std::string>>& rows,
                  bool terminal = false) {
  std::ostringstream out;
  {
    TableWriter table(out, format, kHeaders, terminal);
    for (const auto& row : rows) table.Row(row);
  }
  return out.str();
}

TEST(TextEscape, ControlCharactersBecomeBackslashEscapes) {
  EXPECT_EQ(EscapeControls("a\tb\nc\rd", false), "a\\tb\\nc\\rd");
  EXPECT_EQ(EscapeControls(std::string("\x1b[31mred\x7f\0z", 11), false), "\\x1b[31mred\\x7f\\x00z");
  // Backslashes separate catalog paths and stay as they are.
  EXPECT_EQ(EscapeControls("\\docs\\old", true), "\\docs\\old");
  // Piped, bytes from 0x80 up are kept; on a terminal, only well-formed UTF-8 that is not a C1
  // control reaches the screen.
  EXPECT_EQ(EscapeControls("bad\xff\xc2\x9b[2Jx", false), "bad\xff\xc2\x9b[2Jx");
  EXPECT_EQ(EscapeControls("bad\xff\xc2\x9b[2Jx", true), "bad\\xff\\xc2\\x9b[2Jx");
  EXPECT_EQ(EscapeControls("\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\x80", true),
            "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\x80");
  EXPECT_EQ(EscapeControls("cut\xe2\x82", true), "cut\\xe2\\x82");
}

TEST(TextEscape, Utf8IsCheckedAsTheStandardDefinesIt) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain \xc3\xa9 \xe2\x82\xac \xf4\x8f\xbf\xbf"));
  EXPECT_FALSE(IsValidUtf8("\xc0\x80"));          // overlong NUL
  EXPECT_FALSE(IsValidUtf8("\xe0\x80\xaf"));      // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));      // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xf4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xe2\x82"));          // cut short
  EXPECT_FALSE(IsValidUtf8("\x80"));

  // One U+FFFD per maximal ill-formed subpart.
  const std::string fffd = "\xef\xbf\xbd";
  EXPECT_EQ(ReplaceInvalidUtf8("a\xe2\x82z"), "a" + fffd + "z");
  EXPECT_EQ(ReplaceInvalidUtf8("\xf0\x80\x80"), fffd + fffd + fffd);
  EXPECT_EQ(ReplaceInvalidUtf8("\xed\xa0\x80"), fffd + fffd + fffd);
  EXPECT_EQ(ReplaceInvalidUtf8("ok\xff"), "ok" + fffd);
  EXPECT_EQ(ReplaceInvalidUtf8("\xc3\xa9"), "\xc3\xa9");
}

TEST(TextEscape, Base64FollowsTheStandardAlphabetAndPadding) {
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("f"), "Zg==");
  EXPECT_EQ(Base64("fo"), "Zm8=");
  EXPECT_EQ(Base64("foo"), "Zm9v");
  EXPECT_EQ(Base64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64("\xff\xfe\xfd"), "//79");
}

TEST(TableWriter, CsvQuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(Table(OutputFormat::kCsv, {{"plain", "with,comma"}, {"say \"hi\"", "two\nlines"}}),
            "Name,Path\r\nplain,\"with,comma\"\r\n\"say \"\"hi\"\"\",\"two\nlines\"\r\n");
}

TEST(TableWriter, TsvRowsNeverBreak) {
  EXPECT_EQ(Table(OutputFormat::kTsv, {{"new\nline", "\\a\\b"}, {"tab\there", "cr\r"}}),
            "new\\nline\t\\a\\b\ntab\\there\tcr\\r\n");
}

TEST(TableWriter, JsonCarriesTheExactBytesOfNamesThatAreNotUtf8) {
  EXPECT_EQ(Table(OutputFormat::kJson, {{"bad\xffname", "\\ok"}}),
            "[\n  {\"Name\": \"bad\xef\xbf\xbdname\", \"Name_bytes\": \"YmFk/25hbWU=\", \"Path\": "
            "\"\\\\ok\"}\n]\n");
  // C0, DEL and C1 controls are escaped, so the JSON is safe on a terminal as well.
  EXPECT_EQ(Table(OutputFormat::kJson, {{"\x1b[1m\x7f\xc2\x9b", ""}}),
            "[\n  {\"Name\": \"\\u001b[1m\\u007f\\u009b\", \"Path\": \"\"}\n]\n");
  EXPECT_EQ(Table(OutputFormat::kJson, {}), "[]\n");
}

TEST(TableWriter, ATerminalSeesNoControlCharacters) {
  EXPECT_EQ(Table(OutputFormat::kTsv, {{"esc\x1b[31mred", "bad\xff"}}, true), "esc\\x1b[31mred\tbad\\xff\n");
  EXPECT_EQ(Table(OutputFormat::kCsv, {{"two\nlines", "a,b"}}, true), "Name,Path\r\ntwo\\nlines,\"a,b\"\r\n");
  // Piped, CSV keeps every byte.
  EXPECT_EQ(Table(OutputFormat::kCsv, {{"esc\x1b", "x"}}), "Name,Path\r\nesc\x1b,x\r\n");
}

TEST(TerminalPrompts, MessagesKeepTheirLineBreaksAndEscapeTheRest) {
  EXPECT_EQ(TerminalPrompts::ForTerminal("one\r\ntwo"), "one\ntwo");
  EXPECT_EQ(TerminalPrompts::ForTerminal("file '\x1b]0;x\x07'\r\nwhy", true), "file '\\x1b]0;x\\x07'\nwhy");
}

}  // namespace
}  // namespace mardo
