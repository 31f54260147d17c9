// The staff writer on tables filled by hand: the whole text of each staff block.
#include "lilypond/staff_writer.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "stream_capture.hpp"
#include "translate/staff_table.hpp"

namespace choirly {
namespace {

constexpr std::uint32_t key_c = 8;

note_word note(std::uint32_t position, std::uint32_t units, bool slurred = false) {
  return static_cast<note_word>(position | units << duration_shift | key_c << key_shift |
                                (slurred ? slur_bit : 0));
}
note_word rest(std::uint32_t units) {
  return note(255, units);
}

class StaffWriter : public ::testing::Test {
 protected:
  void SetUp() override { reset_staff_table(); }

  void time(int numerator, int denominator) {
    time_sig_numerator = numerator;
    time_sig_denominator = denominator;
  }
  void text(int slot, const char* line) { std::strcpy(use_entry(slot).text, line); }
  void words(int slot, note_word w0, note_word w1 = 0) {
    use_entry(slot).words[0] = w0;
    use_entry(slot).words[1] = w1;
  }
  std::string written() {
    testing::captured_stream out;
    output_staff(out.file);
    return out.text();
  }
};

TEST_F(StaffWriter, OneVoiceWithPickupAndSlur) {
  time(3, 4);
  text(0, "        \\clef treble");
  words(1, note(32, 32));
  words(2, bar_marker);
  words(3, note(28, 64, true));
  words(4, note(30, 32));
  words(5, bar_marker);
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\clef treble\n"
            "        \\partial 4\n"
            "         g'4 |\n"
            "         c'2 (  e'4 ) |\n"
            "       \n"
            "        \\bar \"|.\"\n"
            "      }\n");
}

TEST_F(StaffWriter, TwoVoicesUnderPartcombine) {
  time(4, 4);
  words(0, note(32, 32), note(28, 64));
  words(1, note(30, 32));
  words(2, note(35, 64), note(31, 64));
  words(3, bar_marker);
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\partcombine\n"
            "        {\n"
            "           g'4  e'4  c''2 |\n"
            "         \n"
            "        }\n"
            "        {\n"
            "           c'2  f'2 |\n"
            "         \n"
            "        }\n"
            "        \\bar \"|.\"\n"
            "      }\n");
}

TEST_F(StaffWriter, ChordsWhileTheUpperVoiceIsBehind) {
  time(4, 4);
  words(0, note(35, 32), note(28, 64));
  words(1, note(36, 16), note(30, 16));
  words(2, note(37, 16), note(31, 16));
  words(3, bar_marker);
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\partial 2\n"
            "        \\partcombine\n"
            "        {\n"
            "           c''4 < d'' e'>8 < e'' f'>8 |\n"
            "         \n"
            "        }\n"
            "        {\n"
            "           c'2 |\n"
            "         \n"
            "        }\n"
            "        \\bar \"|.\"\n"
            "      }\n");
}

TEST_F(StaffWriter, ChordsWhileTheLowerVoiceIsBehind) {
  time(4, 4);
  words(0, note(35, 64), note(28, 32));
  words(1, note(36, 16), note(30, 16));
  words(2, note(37, 16), note(31, 16));
  words(3, bar_marker);
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\partial 2\n"
            "        \\partcombine\n"
            "        {\n"
            "           c''2 |\n"
            "         \n"
            "        }\n"
            "        {\n"
            "           c'4 < d''  e'>8 < e''  f'>8 |\n"
            "         \n"
            "        }\n"
            "        \\bar \"|.\"\n"
            "      }\n");
}

TEST_F(StaffWriter, RestChordWithADroppedRest) {
  time(4, 4);
  words(0, rest(32), note(28, 64));
  words(1, rest(32));
  words(2, note(36, 32));
  words(3, bar_marker);
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\partial 2.\n"
            "        \\partcombine\n"
            "        {\n"
            "           r4  d''4 |\n"
            "         \n"
            "        }\n"
            "        {\n"
            "           c'2 |\n"
            "         \n"
            "        }\n"
            "        \\bar \"|.\"\n"
            "      }\n");
  // The removal is stored, so the table shows the rest gone.
  EXPECT_EQ(staff[1].words[0], 0);
}

TEST_F(StaffWriter, FermataBeforeANote) {
  words(0, fermata_marker);
  words(1, note(32, 96));
  words(2, double_bar_marker);
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\time 4/4\n"
            "         g'2. \\fermata \\bar \"||\" \n"
            "        \\bar \"|.\"\n"
            "      }\n");
}

TEST_F(StaffWriter, FermataBeforeABarLine) {
  words(0, fermata_marker);
  words(1, bar_marker);
  words(2, note(32, 32));
  words(3, bar_marker);
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\time 4/4\n"
            "        \\partial 4\n"
            "        |\n"
            "        \\fermata  g'4 |\n"
            "       \n"
            "        \\bar \"|.\"\n"
            "      }\n");
}

TEST_F(StaffWriter, SlurAndFermataFlagsCarryIntoTheSecondPass) {
  time(4, 4);
  words(0, note(32, 32, true), note(28, 32));
  use_entry(999).words[0] = fermata_marker;
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\partcombine\n"
            "        {\n"
            "           g'4 (\n"
            "        }\n"
            "        {\n"
            "           c'4 ) \\fermata\n"
            "        }\n"
            "        \\bar \"|.\"\n"
            "      }\n");
}

TEST_F(StaffWriter, TablesWithoutNoteWords) {
  text(0, "        \\clef bass");
  text(1, "        \\mf\n");
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\clef bass\n"
            "        \\mf\n"
            "\n"
            "        \\time 4/4\n"
            "        \\bar \"|.\"\n"
            "      }\n");
  reset_staff_table();
  time(3, 4);
  EXPECT_EQ(written(), "      \\new Staff {\n        \\bar \"|.\"\n      }\n");
}

TEST_F(StaffWriter, BarLinesOnly) {
  time(3, 4);
  words(0, bar_marker);
  words(1, bar_marker);
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        |\n"
            "        |\n"
            "       \n"
            "        \\bar \"|.\"\n"
            "      }\n");
}

TEST_F(StaffWriter, PickupLengths) {
  time(6, 8);
  words(0, note(32, 16));
  words(1, bar_marker);
  words(2, note(32, 96));
  words(3, bar_marker);
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\partial 8\n"
            "         g'8 |\n"
            "         g'2. |\n"
            "       \n"
            "        \\bar \"|.\"\n"
            "      }\n");

  // A pickup without a token (80) and a full measure write no \partial line.
  auto pickup_line = [&](std::uint32_t first, std::uint32_t second, int numerator) {
    reset_staff_table();
    time(numerator, 4);
    words(0, note(30, first));
    words(1, note(30, second));
    words(2, bar_marker);
    const std::string s = written();
    const auto at = s.find("\\partial");
    return at == std::string::npos ? std::string() : s.substr(at, s.find('\n', at) - at);
  };
  EXPECT_EQ(pickup_line(64, 16, 4), "");
  EXPECT_EQ(pickup_line(64, 64, 4), "");
  EXPECT_EQ(pickup_line(64, 32, 4), "\\partial 2.");
  EXPECT_EQ(pickup_line(2, 2, 4), "\\partial 32");
  EXPECT_EQ(pickup_line(64, 32, 0), "\\partial 2.");  // no time seen: 4/4
  EXPECT_EQ(pickup_line(8, 8, 2), "\\partial 8");

  // A staff that opens with a bar line measures its first full measure.
  reset_staff_table();
  time(3, 4);
  words(0, bar_marker);
  words(1, note(30, 32));
  words(2, bar_marker);
  EXPECT_NE(written().find("        \\partial 4\n"), std::string::npos);
}

TEST_F(StaffWriter, OddTimeSignatures) {
  auto has_partial = [&](int numerator, int denominator) {
    reset_staff_table();
    time(numerator, denominator);
    words(0, note(30, 32));
    words(1, bar_marker);
    return written().find("\\partial") != std::string::npos;
  };
  EXPECT_FALSE(has_partial(3, 0));           // no measure length at all
  EXPECT_FALSE(has_partial(4, 256));         // 128 / 256 is 0
  EXPECT_TRUE(has_partial(2, 3));            // 42 * 2 = 84 > 32
  EXPECT_FALSE(has_partial(INT32_MAX, -1));  // negative measure
  EXPECT_TRUE(has_partial(INT32_MIN, -1));   // -128 * INT32_MIN, in 64 bits
  EXPECT_TRUE(has_partial(INT32_MAX, 1));    // huge but fits in 64 bits
  EXPECT_FALSE(has_partial(-3, 4));
}

TEST_F(StaffWriter, UnequalPairWhileBehindIsDropped) {
  time(4, 4);
  words(0, note(35, 32), note(28, 64));
  words(1, note(36, 16), note(30, 8));  // unequal while upper is behind: nothing
  words(2, note(37, 32));
  EXPECT_EQ(written(),
            "      \\new Staff {\n"
            "        \\partcombine\n"
            "        {\n"
            "           c''4  e''4\n"
            "        }\n"
            "        {\n"
            "           c'2\n"
            "        }\n"
            "        \\bar \"|.\"\n"
            "      }\n");
}

TEST_F(StaffWriter, OnlyWordsZeroAndOneArePrinted) {
  time(4, 4);
  use_entry(0).words[0] = note(28, 32);
  staff[0].words[1] = note(30, 32);
  staff[0].words[2] = note(32, 32);
  const std::string s = written();
  EXPECT_NE(s.find("           e'4\n"), std::string::npos);
  EXPECT_NE(s.find("           c'4\n"), std::string::npos);
  EXPECT_EQ(s.find("g'"), std::string::npos);
}

}  // namespace
}  // namespace choirly
