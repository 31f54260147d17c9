// Pitch, accidental, octave and duration tokens of single note words.
#include "lilypond/note_printer.hpp"

#include <gtest/gtest.h>

#include <string>

#include "stream_capture.hpp"

namespace choirly {
namespace {

note_word word(std::uint32_t position, std::uint32_t key, std::uint32_t accidental = 0,
               std::uint32_t duration = 0, bool tied = false) {
  return static_cast<note_word>(position | duration << duration_shift | key << key_shift |
                                accidental << accidental_shift | (tied ? tie_bit : 0));
}

std::string note(note_word w) {
  testing::captured_stream out;
  print_note(w, out.file);
  return out.text();
}

std::string duration(note_word w) {
  testing::captured_stream out;
  print_duration(w, out.file);
  return out.text();
}

TEST(PrintNote, OctaveBands) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, " c,,,"},   {6, " b,,,"},    {7, " c,,"},     {13, " b,,"},  {14, " c,"},
      {20, " b,"},    {21, " c"},      {27, " b"},      {28, " c'"},   {34, " b'"},
      {35, " c''"},   {41, " b''"},    {42, " c'''"},   {48, " b'''"}, {49, " c''''"},
      {55, " b''''"}, {56, " c'''''"}, {62, " b'''''"}, {63, " c"},    {254, " e"},
  };
  for (const auto& [position, text] : cases)
    EXPECT_EQ(note(word(position, 8)), text) << position;
}

TEST(PrintNote, RestIgnoresKeyAndAccidental) {
  EXPECT_EQ(note(word(255, 8)), " r");
  EXPECT_EQ(note(word(255, 15, 4)), " r");
  EXPECT_EQ(note(word(255, 2, 1, 32, true)), " r");
}

TEST(PrintNote, KeySignatures) {
  // Each row spelled over one octave from c' to b'.
  const char* rows[16] = {
      " c' d' e' f' g' a' b'",
      " ces' des' ees' fes' ges' aes' bes'",
      " ces' des' ees' f' ges' aes' bes'",
      " c' des' ees' f' ges' aes' bes'",
      " c' des' ees' f' g' aes' bes'",
      " c' d' ees' f' g' aes' bes'",
      " c' d' ees' f' g' a' bes'",
      " c' d' e' f' g' a' bes'",
      " c' d' e' f' g' a' b'",
      " c' d' e' fis' g' a' b'",
      " cis' d' e' fis' g' a' b'",
      " cis' d' e' fis' gis' a' b'",
      " cis' dis' e' fis' gis' a' b'",
      " cis' dis' e' fis' gis' ais' b'",
      " cis' dis' eis' fis' gis' ais' b'",
      " cis' dis' eis' fis' gis' ais' bis'",
  };
  for (std::uint32_t key = 0; key < 16; ++key) {
    std::string scale;
    for (std::uint32_t p = 28; p < 35; ++p)
      scale += note(word(p, key));
    EXPECT_EQ(scale, rows[key]) << "key_index " << key;
  }
}

TEST(PrintNote, ExplicitAccidentalsReplaceTheKey) {
  EXPECT_EQ(note(word(34, 7)), " bes'");
  EXPECT_EQ(note(word(34, 7, 5)), " b'");
  EXPECT_EQ(note(word(31, 9)), " fis'");
  EXPECT_EQ(note(word(31, 9, 5)), " f'");
  EXPECT_EQ(note(word(31, 9, 1)), " fes'");
  EXPECT_EQ(note(word(35, 2)), " ces''");
  EXPECT_EQ(note(word(34, 7, 1)), " bes'");
  EXPECT_EQ(note(word(34, 7, 2)), " beses'");
  EXPECT_EQ(note(word(22, 8, 3)), " dis");
  EXPECT_EQ(note(word(22, 8, 4)), " disis");
  // Codes 6 and 7 are never written by the converter and read as "none".
  EXPECT_EQ(note(word(34, 7, 6)), " bes'");
  EXPECT_EQ(note(word(31, 9, 7)), " fis'");
}

TEST(PrintDuration, TokensAndTie) {
  const std::pair<std::uint32_t, const char*> tokens[] = {
      {2, "64"},  {3, "64."}, {4, "32"},  {6, "32."}, {8, "16"},  {12, "16."}, {16, "8"},
      {24, "8."}, {32, "4"},  {48, "4."}, {64, "2"},  {96, "2."}, {128, "1"},
  };
  for (const auto& [units, text] : tokens)
    EXPECT_EQ(duration(word(30, 8, 0, units)), text);
  for (std::uint32_t units : {0u, 1u, 5u, 192u, 255u}) {
    EXPECT_EQ(duration(word(30, 8, 0, units)), "") << units;
    EXPECT_EQ(duration(word(30, 8, 0, units, true)), " ~") << units;
  }
  EXPECT_EQ(duration(word(30, 8, 0, 32, true)), "4 ~");
  EXPECT_EQ(duration(word(255, 8, 0, 64)), "2");
}

}  // namespace
}  // namespace choirly
