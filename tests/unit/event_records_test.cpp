// Note, chord and rest records: which form matches and the note words each one packs.
#include "translate/event_records.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace choirly {
namespace {

constexpr std::int32_t treble = 34, alto = 28, bass = 22;

// Words of a line, or an empty list when the line is no event record.
std::vector<note_word> words_of(std::string line, std::int32_t clef, std::int32_t key) {
  event_words event{};
  const bool matched =
      parse_rest_event(line, clef, key, event) || parse_note_event(line, clef, key, event);
  if (!matched) return {};
  return {event.words, event.words + event.word_count};
}

note_word word(std::uint32_t position, std::uint32_t units, std::uint32_t key,
               std::uint32_t accidental = 0, bool tied = false, bool slurred = false) {
  return static_cast<note_word>(position | units << duration_shift | key << key_shift |
                                accidental << accidental_shift | (tied ? tie_bit : 0) |
                                (slurred ? slur_bit : 0));
}

TEST(EventRecords, WordValues) {
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:-1^", treble, 8), std::vector<note_word>{67641377});
  EXPECT_EQ(words_of("|Note|Dur:8th,Dotted,Slur|Pos:#2", bass, 7),
            std::vector<note_word>{137828376});
  EXPECT_EQ(words_of("|Rest|Dur:Whole", treble, 8), std::vector<note_word>{557311});
  EXPECT_EQ(words_of("|Rest|Dur:4th", treble, 8), std::vector<note_word>{532735});
}

TEST(EventRecords, Durations) {
  EXPECT_EQ(duration_units_of("Whole"), 128u);
  EXPECT_EQ(duration_units_of("Whole,Dotted"), 192u);
  EXPECT_EQ(duration_units_of("Half"), 64u);
  EXPECT_EQ(duration_units_of("64th"), 2u);
  EXPECT_EQ(duration_units_of("64th,Dotted"), 3u);
  EXPECT_EQ(duration_units_of("32nd"), 4u);
  EXPECT_EQ(duration_units_of("16th"), 8u);
  EXPECT_EQ(duration_units_of("8th,Dotted"), 24u);
  EXPECT_EQ(duration_units_of("4th,DblDotted"), 32u);  // no comma right before "Dotted"
  EXPECT_EQ(duration_units_of("Breve"), 0u);
  EXPECT_EQ(duration_units_of("Breve,Dotted"), 0u);
  EXPECT_EQ(duration_units_of("Half4th"), 64u);  // the first name of the list wins
}

TEST(EventRecords, Accidentals) {
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:b-3", alto, 8), std::vector<note_word>{word(25, 32, 8, 1)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:n-1", alto, 8), std::vector<note_word>{word(27, 32, 8, 5)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:x0^", alto, 8),
            std::vector<note_word>{word(28, 32, 8, 4, true)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:v3", alto, 8), std::vector<note_word>{word(31, 32, 8, 2)});
  // Unreadable items give position 0 without the clef offset.
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:z3", alto, 8), std::vector<note_word>{word(0, 32, 8)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:bb3^", alto, 8), std::vector<note_word>{word(0, 32, 8)});
}

TEST(EventRecords, Chords) {
  const auto three = words_of("|Chord|Dur:4th,Slur|Pos:-2,0,2|Opts:Stem=Up", treble, 8);
  EXPECT_EQ(three, (std::vector<note_word>{word(32, 32, 8, 0, false, true),
                                           word(34, 32, 8, 0, false, true),
                                           word(36, 32, 8, 0, false, true)}));
  // Of five notes only four are read; the fourth ends at its comma.
  const auto five = words_of("|Chord|Dur:Half|Pos:-4,-2,0,2,4", treble, 8);
  ASSERT_EQ(five.size(), 4u);
  EXPECT_EQ(five[3], word(36, 64, 8));
  // A tie on the last item ties only that note.
  EXPECT_EQ(words_of("|Chord|Dur:4th|Pos:0,2^", treble, 8),
            (std::vector<note_word>{word(34, 32, 8), word(36, 32, 8, 0, true)}));
  // The fourth item runs to white space, commas included: "3,5" reads as 3.
  EXPECT_EQ(words_of("|Chord|Dur:4th|Pos:0,1,2,3^,5 x", treble, 8).back(),
            word(37, 32, 8, 0, true));
}

TEST(EventRecords, TwoVoiceForms) {
  const std::vector<note_word> two_one = {word(34, 64, 8), word(36, 64, 8), word(31, 32, 8)};
  EXPECT_EQ(words_of("|Chord|Dur:Half|Pos:0,2|Opts:Stem=Up|Dur2:4th|Pos2:-3", treble, 8), two_one);
  EXPECT_EQ(words_of("|Chord|Dur:Half|Pos:0,2|Dur2:4th|Pos2:-3", treble, 8), two_one);
  // The rest chord: the rest first, then the notes of Pos2 with Dur2.
  const std::vector<note_word> rest_chord = {word(255, 32, 8), word(29, 64, 8)};
  EXPECT_EQ(words_of("|RestChord|Dur:4th|Opts:VertOffset=0|Dur2:Half|Pos2:-5", treble, 8),
            rest_chord);
  EXPECT_EQ(words_of("|RestChord|Dur:4th|Dur2:Half|Pos2:-5", treble, 8), rest_chord);
  // A position field "REST" is one rest.
  EXPECT_EQ(words_of("|Note|Dur:8th|Pos:REST", treble, 8),
            std::vector<note_word>{word(255, 16, 8)});
}

TEST(EventRecords, PartialMatchesFallThrough) {
  // No Pos2: the two-voice forms fail and the one-voice chord form takes it.
  EXPECT_EQ(words_of("|Chord|Dur:4th|Pos:1|Dur2:Half", treble, 8),
            std::vector<note_word>{word(35, 32, 8)});
  // An empty Opts value does not match the form that skips it.
  EXPECT_EQ(words_of("|Chord|Dur:4th|Pos:1|Opts:|Dur2:Half|Pos2:0", treble, 8),
            std::vector<note_word>{word(35, 32, 8)});
  // A rest chord without Pos2 is no event at all.
  EXPECT_TRUE(words_of("|RestChord|Dur:4th|Dur2:4th", treble, 8).empty());
  EXPECT_TRUE(words_of("|Note|Dur:4th", treble, 8).empty());
  EXPECT_TRUE(words_of("|Note|Dur:|Pos:1", treble, 8).empty());
  EXPECT_TRUE(words_of(" |Note|Dur:4th|Pos:1", treble, 8).empty());
  EXPECT_TRUE(words_of("|Note|Pos:1|Dur:4th", treble, 8).empty());
  // An apostrophe ends a field like a bar does.
  EXPECT_EQ(words_of("|Note|Dur:4th'|Pos:1", treble, 8), std::vector<note_word>{});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:1'2", treble, 8), std::vector<note_word>{word(35, 32, 8)});
  // A position field that splits into nothing gives an entry without words.
  event_words event{};
  EXPECT_TRUE(parse_note_event("|Note|Dur:4th|Pos:,1", treble, 8, event));
  EXPECT_EQ(event.word_count, 0);
}

TEST(EventRecords, PositionLimits) {
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:-40", treble, 8), std::vector<note_word>{word(0, 32, 8)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:300", treble, 8), std::vector<note_word>{word(254, 32, 8)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:221", treble, 8), std::vector<note_word>{word(254, 32, 8)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:220", treble, 8), std::vector<note_word>{word(254, 32, 8)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:219", treble, 8), std::vector<note_word>{word(253, 32, 8)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:-34", treble, 8), std::vector<note_word>{word(0, 32, 8)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:99999999999999999999^", treble, 8),
            std::vector<note_word>{word(254, 32, 8, 0, true)});
  EXPECT_EQ(words_of("|Note|Dur:4th|Pos:-99999999999999999999", treble, 8),
            std::vector<note_word>{word(0, 32, 8)});
}

}  // namespace
}  // namespace choirly
