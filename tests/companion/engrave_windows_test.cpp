// Units of the decisions the Windows build acts on, which Wine cannot show whole: how a child's
// command line is quoted, which LilyPond folder is taken, when a failed replacement means
// a viewer holds the file, whether the program owns its window; and LilyPond's CR LF lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engrave/lilypond_steps.hpp"
#include "engrave/windows_rules.hpp"

namespace choirly::engrave {
namespace {

// The way the C runtime (and CommandLineToArgvW, past the program name) splits a command
// line, written from Microsoft's description, to read back what quote_argument wrote.
std::vector<std::string> split_command_line(std::string_view line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
      ++i;
    if (i == line.size()) return args;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < line.size() && line[i] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          arg += '"';
        } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          arg += '"';  // "" inside quotes
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        arg.append(backslashes, '\\');
        if (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) arg += line[i++];
      }
    }
    args.push_back(arg);
  }
}

TEST(EngraveWindows, ArgumentsQuotedForCreateProcess) {
  struct {
    std::string arg, quoted;
  } const rows[] = {
      {"a.ly", "a.ly"},
      {"C:\\Program Files\\lilypond-2.24.4\\bin\\lilypond.exe",
       "\"C:\\Program Files\\lilypond-2.24.4\\bin\\lilypond.exe\""},
      {"", "\"\""},
      {"Café Noël.ly", "\"Café Noël.ly\""},
      {"가라가라.ly", "가라가라.ly"},
      {"a\\b", "a\\b"},                      // backslashes alone stay as they are
      {"say \"hi\"", "\"say \\\"hi\\\"\""},  // a quote is escaped
      {"dir\\ x\\", "\"dir\\ x\\\\\""},      // a backslash before the closing quote doubles
      {"a\\\"b", "\"a\\\\\\\"b\""},          // and those before a quote
      {"tab\there", "\"tab\there\""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(quote_argument(row.arg), row.quoted) << row.arg;
    EXPECT_EQ(split_command_line(quote_argument(row.arg)), std::vector<std::string>{row.arg})
        << row.arg;
  }
  const std::vector<std::string> args = {
      "C:\\LilyPond\\bin\\lilypond.exe", "--pdf", "가 b.ly", "", "x\\\\", "\"\\"};
  EXPECT_EQ(split_command_line(command_line(args)), args);
}

TEST(EngraveWindows, NewestLilyPondFolder) {
  struct {
    std::vector<std::string> names;
    std::optional<std::string> newest;
  } const rows[] = {
      {{}, std::nullopt},
      {{"Mozilla Firefox", "lilypond", "LilyPond", "lilypond-2.18.2", "lilypond-3.0.0"},
       std::nullopt},
      {{"lilypond-2.24.4"}, "lilypond-2.24.4"},
      // By number, not by spelling: 2.24.10 is newer than 2.24.9, 2.25 than 2.24.
      {{"lilypond-2.24.9", "lilypond-2.24.10", "lilypond-2.22.2"}, "lilypond-2.24.10"},
      {{"lilypond-2.24.4", "lilypond-2.25.1", "lilypond-2.23.82"}, "lilypond-2.25.1"},
      // Any case, and a suffix after the number.
      {{"LilyPond-2.24.1", "lilypond-2.24.0-mingw-x86_64"}, "LilyPond-2.24.1"},
      {{"lilypond-2.2", "lilypond-2.24"}, "lilypond-2.24"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(newest_lilypond_folder(row.names), row.newest)
        << (row.names.empty() ? "" : row.names[0]);
}

TEST(EngraveWindows, ReplacementHeldOpenByAnotherProgram) {
  constexpr unsigned long access_denied = 5, sharing_violation = 32, lock_violation = 33,
                          path_not_found = 3, disk_full = 112;
  struct {
    unsigned long error;
    bool exists, read_only, held;
  } const rows[] = {
      {sharing_violation, true, false, true}, {lock_violation, true, false, true},
      {access_denied, true, false, true},    // a viewer that shares no deletion
      {access_denied, true, true, false},    // read-only: no program to close
      {access_denied, false, false, false},  // nothing there: the folder refuses
      {path_not_found, false, false, false},  {disk_full, true, false, false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(held_open(row.error, row.exists, row.read_only), row.held)
        << row.error << " " << row.exists << row.read_only;
  EXPECT_EQ(kept_beside_name("x.pdf"), "x.new.pdf");
  EXPECT_EQ(kept_beside_name("Café Noël.nwc.pdf"), "Café Noël.nwc.new.pdf");
  EXPECT_EQ(kept_beside_name("x-page2.png"), "x-page2.new.png");
  EXPECT_EQ(kept_beside_name("x"), "x.new");
  EXPECT_EQ(kept_beside_name(".pdf"), ".pdf.new");
}

TEST(EngraveWindows, WindowOwnedAndExitTexts) {
  // Explorer starts the program in a new console: it is the one process there. From cmd the
  // console also holds cmd.exe (2); when the call fails it answers 0.
  EXPECT_TRUE(owns_console(1));
  EXPECT_FALSE(owns_console(2));
  EXPECT_FALSE(owns_console(0));
  EXPECT_EQ(windows_exit_text(0), "exited with status 0");
  EXPECT_EQ(windows_exit_text(1), "exited with status 1");
  EXPECT_EQ(windows_exit_text(0xC0000005UL), "was ended by exception 0xC0000005");
  EXPECT_EQ(windows_exit_text(0xC00000FDUL), "was ended by exception 0xC00000FD");
}

TEST(EngraveWindows, LilyPondLinesEndedByCrLf) {
  EXPECT_EQ(without_carriage_returns("a\r\nb\r\n\r\nc\rd\r"), "a\nb\n\nc\rd\r");
  const std::string output =
      "GNU LilyPond 2.24.4 (running Guile 2.2)\r\n"
      "Processing `a.ly'\r\n"
      "a.ly:2:1: warning: w\r\n"
      "Processing `b.ly'\r\n"
      "b.ly:3:1: error: e\r\n"
      "fatal error: failed files: \"b.ly\"\r\n";
  const lilypond_output split = split_lilypond_output(output, {"a.ly", "b.ly"});
  ASSERT_EQ(split.parts.size(), 2u);
  EXPECT_EQ(split.closing, "fatal error: failed files: \"b.ly\"");
  EXPECT_EQ(split.alone(0, "a.ly"),
            "GNU LilyPond 2.24.4 (running Guile 2.2)\nProcessing `a.ly'\n"
            "a.ly:2:1: warning: w\nSuccess: compilation successfully completed\n");
  const lilypond_report report = summarize_lilypond(split.alone(1, "b.ly"));
  EXPECT_EQ(report.verdict.reason(), "b.ly:3:1: error: e");
  EXPECT_EQ(summarize_lilypond("x.ly:1:1: error: raw\r\n").verdict.reason(),
            "x.ly:1:1: error: raw");
}

}  // namespace
}  // namespace choirly::engrave
