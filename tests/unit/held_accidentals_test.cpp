// Accidentals that hold to the bar line and over a tie: the codes each note word ends up with.
#include "translate/held_accidentals.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace choirly {
namespace {

constexpr std::int32_t treble = 34;
constexpr std::uint32_t none = 0, flat = 1, sharp = 3, dsharp = 4, natural = 5;

// Runs the lines as the pass does (a line beginning "|Bar" ends the bar) and gives the
// accidental code of every word, in record order.
std::vector<std::uint32_t> accidentals_of(const std::vector<std::string>& lines) {
  held_accidentals held{};
  std::vector<std::uint32_t> codes;
  for (const std::string& line : lines) {
    if (line.starts_with("|Bar")) {
      end_bar(held);
      continue;
    }
    event_words event{};
    if (!parse_rest_event(line, treble, 8, event) && !parse_note_event(line, treble, 8, event))
      continue;
    apply_held_accidentals(held, event);
    for (int i = 0; i < event.word_count; ++i)
      codes.push_back(accidental_of(event.words[i]));
  }
  return codes;
}

struct held_case {
  const char* what;
  std::vector<std::string> lines;
  std::vector<std::uint32_t> codes;
};

TEST(HeldAccidentals, CodesTaken) {
  const held_case cases[] = {
      {"held to the bar line, at its position only",
       {"|Note|Dur:4th|Pos:#0", "|Note|Dur:4th|Pos:0", "|Note|Dur:4th|Pos:1", "|Note|Dur:4th|Pos:7",
        "|Bar", "|Note|Dur:4th|Pos:0"},
       {sharp, sharp, none, none, none}},
      {"the latest explicit accidental holds, a natural too",
       {"|Note|Dur:4th|Pos:#0", "|Note|Dur:4th|Pos:b0", "|Note|Dur:4th|Pos:0",
        "|Note|Dur:4th|Pos:n0", "|Note|Dur:4th|Pos:0"},
       {sharp, flat, flat, natural, natural}},
      {"any bar style ends the bar",
       {"|Note|Dur:4th|Pos:#0", "|Bar|Style:LocalRepeatClose|Repeat:3", "|Note|Dur:4th|Pos:0"},
       {sharp, none}},
      {"a tie hands it to the first note at its position only",
       {"|Note|Dur:4th|Pos:x0^", "|Bar", "|Note|Dur:4th|Pos:1", "|Note|Dur:4th|Pos:0",
        "|Note|Dur:4th|Pos:0"},
       {dsharp, none, dsharp, none}},
      {"a held accidental is handed over too, and on through a chain of ties",
       {"|Note|Dur:4th|Pos:#0", "|Note|Dur:4th|Pos:0^", "|Bar", "|Note|Dur:Whole|Pos:0^", "|Bar",
        "|Note|Dur:4th|Pos:0^", "|Note|Dur:4th|Pos:0", "|Note|Dur:4th|Pos:0"},
       {sharp, sharp, sharp, sharp, sharp, none}},
      {"a tie without an accidental hands nothing over",
       {"|Note|Dur:4th|Pos:#0", "|Bar", "|Note|Dur:4th|Pos:0^", "|Bar", "|Note|Dur:4th|Pos:0"},
       {sharp, none, none}},
      {"a handed-over accidental lasts one bar line",
       {"|Note|Dur:4th|Pos:#0^", "|Bar", "|Note|Dur:4th|Pos:1", "|Bar", "|Note|Dur:4th|Pos:0"},
       {sharp, none, none}},
      {"an explicit accidental after the tie wins and holds",
       {"|Note|Dur:4th|Pos:#0^", "|Bar", "|Note|Dur:4th|Pos:b0", "|Note|Dur:4th|Pos:0"},
       {sharp, flat, flat}},
      {"chord items and both voices share them, in record order",
       {"|Chord|Dur:4th|Pos:#0,0|Dur2:4th|Pos2:b-2", "|Chord|Dur:4th|Pos:-2,0"},
       {sharp, sharp, flat, flat, sharp}},
      {"a rest takes and sets nothing",
       {"|Note|Dur:4th|Pos:#0", "|RestChord|Dur:4th|Dur2:4th|Pos2:0", "|Rest|Dur:4th"},
       {sharp, none, sharp, none}},
      {"an unreadable item takes and sets nothing at position 0",
       {"|Note|Dur:4th|Pos:#-40", "|Note|Dur:4th|Pos:z3", "|Note|Dur:4th|Pos:bz^",
        "|Note|Dur:4th|Pos:-34", "|Bar", "|Note|Dur:4th|Pos:-34"},
       {sharp, none, none, sharp, none}},
  };
  for (const held_case& c : cases)
    EXPECT_EQ(accidentals_of(c.lines), c.codes) << c.what;
}

TEST(HeldAccidentals, TakenCodeJoinsTheWordUnchangedOtherwise) {
  held_accidentals held{};
  event_words first{}, second{};
  ASSERT_TRUE(parse_note_event("|Note|Dur:8th,Slur|Pos:#-2", treble, 12, first));
  ASSERT_TRUE(parse_note_event("|Note|Dur:Half|Pos:-2^", treble, 12, second));
  const note_word before = second.words[0];
  apply_held_accidentals(held, first);
  apply_held_accidentals(held, second);
  EXPECT_EQ(second.words[0],
            static_cast<note_word>(static_cast<std::uint32_t>(before) | sharp << accidental_shift));
}

}  // namespace
}  // namespace choirly
