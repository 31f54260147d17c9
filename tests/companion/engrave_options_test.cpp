// Units of choirly-engrave's command line and of its line splitter: what each argument list
// asks for, and the message for each mistake.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engrave/options.hpp"
#include "util/lines.hpp"

namespace choirly::engrave {
namespace {

result<options> parse(std::vector<const char*> args) {
  args.insert(args.begin(), "choirly-engrave");
  return parse_options(static_cast<int>(args.size()), args.data());
}

TEST(EngraveOptions, MistakesAreNamed) {
  struct {
    std::vector<const char*> args;
    std::string reason;
  } const rows[] = {
      {{}, "no PATH given"},
      {{"-q"}, "no PATH given"},
      {{"-j"}, "-j needs a value"},
      {{"s", "-o"}, "-o needs a value"},
      {{"s", "--timeout"}, "--timeout needs a value"},
      {{"-j0", "s"}, "-j needs a whole number from 1 to 9999, not '0'"},
      {{"-j", "10000", "s"}, "-j needs a whole number from 1 to 9999, not '10000'"},
      {{"-j", "2x", "s"}, "-j needs a whole number from 1 to 9999, not '2x'"},
      {{"--timeout=", "s"}, "--timeout needs a whole number of seconds from 0 to 999999, not ''"},
      {{"--timeout", "-1", "s"},
       "--timeout needs a whole number of seconds from 0 to 999999, not '-1'"},
      {{"-o", "", "s"}, "-o needs a folder name"},
      {{"--pdf", "s"}, "unknown option --pdf; a PATH that begins with '-' goes after --"},
      {{"-x\n", "--help"}, "unknown option -x\\n; a PATH that begins with '-' goes after --"},
      {{"s", "--codepage"}, "--codepage needs a value"},
      {{"--codepage", "0", "s"},
       "--codepage needs the number of a Windows code page that iconv knows, such as 1252 or "
       "949, not '0'"},
      {{"--codepage=12", "s"},
       "--codepage needs the number of a Windows code page that iconv knows, such as 1252 or "
       "949, not '12'"},
      {{"--codepage=949x", "s"},
       "--codepage needs the number of a Windows code page that iconv knows, such as 1252 or "
       "949, not '949x'"},
      {{"--nwctxt-only", "--choirly", "s"},
       "--nwctxt-only writes no LilyPond, so it takes neither --choirly nor --png"},
      {{"--png", "--nwctxt-only", "s"},
       "--nwctxt-only writes no LilyPond, so it takes neither --choirly nor --png"},
      {{"--parts", "--choirly", "s"},
       "--parts needs the page path; choirly's fixed format (--choirly) has no parts"},
      {{"--nwctxt-only", "--parts", "s"},
       "--nwctxt-only writes no LilyPond, so it makes no parts (--parts)"},
      {{"s", "--lilypond"}, "--lilypond needs a value"},
      {{"--lilypond=", "s"}, "--lilypond needs a program or a folder"},
  };
  for (const auto& row : rows) {
    const result<options> parsed = parse(row.args);
    EXPECT_FALSE(parsed) << row.reason;
    EXPECT_EQ(parsed.reason(), row.reason);
  }
}

TEST(EngraveOptions, WhatIsAskedFor) {
  const result<options> all = parse({"-j3", "-o", "out", "--timeout=0", "--choirly", "--ly-only",
                                     "--png", "-q", "a", "--", "-b", "--help", "-"});
  ASSERT_TRUE(all) << all.reason();
  EXPECT_EQ(all->asked, options::request::run);
  EXPECT_EQ(all->jobs, 3u);
  EXPECT_EQ(all->output_dir, std::filesystem::path("out"));
  EXPECT_EQ(all->timeout, 0);
  EXPECT_TRUE(all->choirly && all->ly_only && all->png && all->quiet);
  EXPECT_EQ(all->paths, (std::vector<std::string>{"a", "-b", "--help", "-"}));

  const result<options> parts = parse({"--parts", "--ly-only", "--png", "a"});
  ASSERT_TRUE(parts) << parts.reason();
  EXPECT_TRUE(parts->parts && parts->ly_only && parts->png);
  EXPECT_FALSE(all->parts);

  const result<options> text = parse({"--nwctxt-only", "--codepage", "949", "a"});
  ASSERT_TRUE(text) << text.reason();
  EXPECT_TRUE(text->nwctxt_only);
  EXPECT_EQ(text->code_page, 949);
  EXPECT_EQ(parse({"--codepage=1252", "a"})->code_page, 1252);
  EXPECT_EQ(parse({"--lilypond", "C:\\LilyPond\\bin", "a"})->lilypond, "C:\\LilyPond\\bin");
  EXPECT_EQ(parse({"--lilypond=/opt/lilypond", "a"})->lilypond, "/opt/lilypond");

  const result<options> plain = parse({"a"});
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->jobs, 0u);  // as many as there are cores, decided by the program
  EXPECT_EQ(plain->timeout, 600);
  EXPECT_FALSE(plain->output_dir.has_value());
  EXPECT_FALSE(plain->nwctxt_only);
  EXPECT_EQ(plain->code_page, 0);  // chosen by the bytes of each score
  EXPECT_FALSE(plain->lilypond.has_value());

  // --help and --version end the reading: what follows them is not judged.
  EXPECT_EQ(parse({"--help", "-j0"})->asked, options::request::help);
  EXPECT_EQ(parse({"a", "--version", "--bad"})->asked, options::request::version);
  EXPECT_EQ(parse({"-j", "--help"}).reason(),
            "-j needs a whole number from 1 to 9999, not '--help'");
}

TEST(EngraveLines, EachLineWithoutItsEnd) {
  struct {
    std::string text;
    std::vector<std::string> lines;
  } const rows[] = {
      {"", {}},
      {"\n", {""}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\nb\n\n", {"a\r", "b", ""}},
  };
  for (const auto& row : rows) {
    std::vector<std::string> got;
    for (const std::string_view line : util::lines(row.text))
      got.emplace_back(line);
    EXPECT_EQ(got, row.lines) << row.text;
  }
}

}  // namespace
}  // namespace choirly::engrave
