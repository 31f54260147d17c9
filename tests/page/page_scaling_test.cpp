// Large scores of one shape each (many repeats, endings, ties, staves, lyrics) against a
// plain score of as many lines: work that grows with the square of the score shows as a
// ratio far above the plain score's, in any build and on a loaded machine alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "page/writer.hpp"
#include "score/reader.hpp"

namespace {

constexpr int lines = 40000;

std::string score_of(const std::string& staves) {
  return "!NoteWorthyComposer(2.75)\n|SongInfo|Title:\"Large\"\n" + staves +
         "!NoteWorthyComposer-End\n";
}

std::string staff_head(int n) {
  return "|AddStaff|Name:\"S" + std::to_string(n) +
         "\"\n|StaffProperties|EndingBar:Section Close|Visible:Y\n|Clef|Type:Treble\n"
         "|TimeSig|Signature:4/4\n";
}

// `text` (of `text_lines` lines) as often as makes about `lines` lines.
std::string repeated(const std::string& text, int text_lines) {
  std::string out;
  for (int i = 0; i < lines / text_lines; ++i)
    out += text;
  return out;
}

// The shortest of two readings and writings, in seconds.
double seconds_for(const std::string& text) {
  double best = 1e9;
  for (int run = 0; run < 2; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const choirly::score::reading reading = choirly::score::read_nwctxt(text);
    EXPECT_TRUE(reading.ok);
    std::vector<choirly::score::diagnostic> notes;
    const std::string page = choirly::page::write_page(reading.model, notes);
    EXPECT_FALSE(page.empty());
    best = std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

TEST(PageScaling, LargeScoresOfOneShapeTakeAboutAsLongAsPlainOnes) {
  const std::string whole = "|Note|Dur:Whole|Pos:0\n";
  std::string many_staves;
  for (int i = 0; i < lines / 6; ++i)
    many_staves += staff_head(i) + whole + "|Bar\n";
  std::string syllables;
  for (int i = 0; i < lines; ++i)
    syllables += "la ";
  struct shape {
    const char* name;
    std::string text;
  };
  const std::vector<shape> shapes = {
      {"repeats", score_of(staff_head(0) + repeated("|Bar|Style:MasterRepeatOpen\n" + whole +
                                                        "|Bar|Style:MasterRepeatClose\n",
                                                    3))},
      {"endings",
       score_of(staff_head(0) +
                repeated("|Bar|Style:MasterRepeatOpen\n" + whole + "|Ending|Endings:1\n" + whole +
                             "|Bar|Style:MasterRepeatClose\n|Ending|Endings:2\n" + whole +
                             "|Bar|Style:Double\n",
                         8))},
      {"ties", score_of(staff_head(0) + repeated("|Chord|Dur:4th|Pos:0^,2^,4^\n", 1))},
      {"staves", score_of(many_staves)},
      {"lyrics", score_of(staff_head(0) + "|Lyric1|Text:\"" + syllables + "\"\n" +
                          repeated("|Note|Dur:4th|Pos:0\n", 1))},
  };
  const double plain = seconds_for(score_of(staff_head(0) + repeated(whole + "|Bar\n", 2)));
  for (const shape& s : shapes) {
    SCOPED_TRACE(s.name);
    // Each takes one to two times as long as the plain score; walking every repeat at every
    // bar line, as the repeats were once printed, took twenty times as long.
    EXPECT_LT(seconds_for(s.text), 8 * plain) << "plain score: " << plain << " s";
  }
}

}  // namespace
