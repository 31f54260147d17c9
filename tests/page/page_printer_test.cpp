// Unit tests of the page's printer: how tokens join into lines, where lines break, the bar
// checks with their measure numbers, and brackets opened and closed by kind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page/printer.hpp"

namespace {

using choirly::page::line_breaks;
using choirly::page::nest;
using choirly::page::printer;

std::string tokens(line_breaks breaks, const std::vector<std::string>& words) {
  printer p(breaks);
  for (const std::string& w : words)
    p.token(w);
  return p.text();
}

TEST(PagePrinter, TokensJoinAndBreakByTheLayoutAsked) {
  struct layout_case {
    const char* name;
    line_breaks breaks;
    std::vector<std::string> words;
    std::string expected;
  };
  const std::string ten(10, 'x');  // with its blank, 11 columns as the wrap counts them
  const std::vector<layout_case> cases = {
      {"nothing", {}, {}, ""},
      {"empty tokens are nothing", {}, {"", "a", "", "b"}, "  a b\n"},
      {"one line without breaks", {}, {"a", "b", "c"}, "  a b c\n"},
      {"every third token",
       {.tokens_per_line = 3},
       {"1", "2", "3", "4", "5", "6", "7"},
       "  1 2 3\n  4 5 6\n  7\n"},
      // 6 tokens of 11 columns make 66; a seventh would pass 72.
      {"wrapped at 72 columns",
       {.max_width = 72},
       {ten, ten, ten, ten, ten, ten, ten, "y"},
       "  xxxxxxxxxx xxxxxxxxxx xxxxxxxxxx xxxxxxxxxx xxxxxxxxxx xxxxxxxxxx\n  xxxxxxxxxx y\n"},
      {"a token longer than the width stands alone",
       {.max_width = 5},
       {"abcdefgh", "i"},
       "  abcdefgh\n  i\n"},
  };
  for (const layout_case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(tokens(c.breaks, c.words), c.expected);
  }
}

TEST(PagePrinter, BarChecksEndMeasuresAndEveryFifthIsNumbered) {
  printer p({.measure_number_every = 5});
  for (const char* note : {"c1", "c2", "c3", "c4", "c5", "c6"}) {
    p.token(note);
    p.bar_check();
    p.token("\\bar \"||\"");  // after the bar check, on the same line
    p.end_line();
  }
  p.line("\\bar \"|.\"");
  EXPECT_EQ(p.text(),
            "  c1 | \\bar \"||\"\n"
            "  c2 | \\bar \"||\"\n"
            "  c3 | \\bar \"||\"\n"
            "  c4 | \\bar \"||\"\n"
            "  % 5\n"
            "  c5 | \\bar \"||\"\n"
            "  c6 | \\bar \"||\"\n"
            "  \\bar \"|.\"\n");
}

TEST(PagePrinter, ANumberWaitsForItsMeasuresFirstToken) {
  printer p({.measure_number_every = 2});
  p.token("a");
  p.bar_check();
  p.end_line();
  p.end_line();  // an empty line is no line
  p.token("");   // nor is an empty token a measure's first
  p.line("% a line of its own takes no number");
  p.token("b");
  EXPECT_EQ(p.text(), "  a |\n  % a line of its own takes no number\n  % 2\n  b\n");
}

TEST(PagePrinter, BracketsCloseAsWhatTheyAre) {
  printer p;
  EXPECT_FALSE(p.is_open(nest::tuplet));
  p.open(nest::repeat, "\\repeat volta 2 {");
  p.open(nest::tuplet, "\\tuplet 3/2 {");
  p.token("c8 d8 e8");
  EXPECT_TRUE(p.is_open(nest::tuplet));
  p.close(nest::tuplet);
  EXPECT_FALSE(p.is_open(nest::tuplet));
  EXPECT_TRUE(p.is_open(nest::repeat));
  // Closing what is not open writes nothing.
  p.close(nest::tuplet);
  p.close(nest::alternative);
  // Two voices open without a brace, and close with the voice's own shape.
  p.open(nest::two_voices, "");
  EXPECT_TRUE(p.is_open(nest::two_voices));
  p.close(nest::two_voices, "\\oneVoice");
  p.close(nest::repeat);
  p.open(nest::alternative, "\\alternative {");
  p.open(nest::ending, "\\volta 1 {");
  p.close(nest::ending);
  p.close(nest::alternative);
  EXPECT_EQ(p.text(),
            "  \\repeat volta 2 { \\tuplet 3/2 { c8 d8 e8 } \\oneVoice } \\alternative { \\volta "
            "1 { } }\n");
}

TEST(PagePrinter, AnInnerBracketOfTheKindClosesFirst) {
  printer p;
  p.open(nest::repeat, "R1 {");
  p.open(nest::tuplet, "T {");
  p.open(nest::repeat, "R2 {");
  p.close(nest::repeat, "}R2");
  EXPECT_TRUE(p.is_open(nest::repeat));
  p.close(nest::repeat, "}R1");
  EXPECT_FALSE(p.is_open(nest::repeat));
  EXPECT_TRUE(p.is_open(nest::tuplet));
  EXPECT_EQ(p.text(), "  R1 { T { R2 { }R2 }R1\n");
}

}  // namespace
