// Unit tests of what the reader keeps for the page's heads, verses and playback: note-head
// letters, muted notes, accidentals held across a clef change, and the verses' layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "score/lyrics.hpp"
#include "score/reader.hpp"

namespace {

namespace sc = choirly::score;

sc::score read(const std::string& body) {
  const sc::reading r =
      sc::read_nwctxt("!NoteWorthyComposer(2.751)\n" + body + "!NoteWorthyComposer-End\n");
  EXPECT_TRUE(r.ok) << r.error;
  return r.model;
}

std::vector<sc::event> events(const sc::score& s, std::size_t staff = 0) {
  std::vector<sc::event> out;
  for (const auto& it : s.staves.at(staff).items)
    if (const auto* e = std::get_if<sc::event>(&it)) out.push_back(*e);
  return out;
}

TEST(ScoreHeads, LettersAfterThePositionNameTheHead) {
  struct row {
    const char* pos;
    char head;
    char accidental;
    bool tie;
  };
  const std::vector<row> rows = {
      {"0", 0, 0, false},        {"0x", 'x', 0, false},     {"n-4x", 'x', 'n', false},
      {"b-3X", 'X', 'b', false}, {"#-2z", 'z', '#', false}, {"0y^", 'y', 0, true},
      {"0Y", 'Y', 0, false},     {"0a", 'a', 0, false},     {"0b", 'b', 0, false},
  };
  std::string body = "|AddStaff|Name:\"Kit\"\n|Clef|Type:Percussion\n";
  for (const row& r : rows)
    body += std::string("|Note|Dur:4th|Pos:") + r.pos + "\n|Bar\n";
  const std::vector<sc::event> e = events(read(body));
  ASSERT_EQ(e.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(e[i].main.notes.size(), 1u) << rows[i].pos;
    EXPECT_EQ(e[i].main.notes[0].head, rows[i].head) << rows[i].pos;
    EXPECT_EQ(e[i].main.notes[0].accidental, rows[i].accidental) << rows[i].pos;
  }
  // A tie mark beside a head letter still ties, here to the next note on the same line.
  EXPECT_TRUE(e[5].main.notes[0].tie);
  EXPECT_TRUE(e[6].main.notes[0].tied_from);
}

TEST(ScoreHeads, MutedNotesAreMarkedAndStillSound) {
  const std::vector<sc::event> e =
      events(read("|AddStaff|Name:\"S\"\n|Note|Dur:4th|Pos:0|Opts:Muted\n|Note|Dur:4th|Pos:0\n"
                  "|Chord|Dur:4th|Pos:0,2|Opts:Stem=Down,Muted\n"));
  ASSERT_EQ(e.size(), 3u);
  EXPECT_TRUE(e[0].muted);
  EXPECT_FALSE(e[1].muted);
  EXPECT_TRUE(e[2].muted);
  EXPECT_EQ(e[2].stem, sc::stem_direction::down);
}

// An accidental holds for the pitch written, not for the staff position: after a clef change
// the position names another pitch, which keeps its key's alteration.
TEST(ScoreHeads, AHeldAccidentalStaysWithItsWrittenPitchAcrossAClefChange) {
  const std::vector<sc::event> e = events(
      read("|AddStaff|Name:\"Piano\"\n|Clef|Type:Treble\n|Note|Dur:4th|Pos:#-4\n|Clef|Type:Bass\n"
           "|Note|Dur:4th|Pos:-4\n|Note|Dur:4th|Pos:8\n|Clef|Type:Treble\n|Note|Dur:4th|Pos:-4\n"
           "|Bar\n|Note|Dur:4th|Pos:-4\n"));
  ASSERT_EQ(e.size(), 5u);
  const auto sound = [&](std::size_t i) { return e[i].main.notes.at(0).sound; };
  EXPECT_EQ(sound(0), (sc::pitch{0, 2, 1}));   // e sharp above middle C
  EXPECT_EQ(sound(1), (sc::pitch{-2, 4, 0}));  // g two octaves down: the same line, unaltered
  EXPECT_EQ(sound(2), (sc::pitch{0, 2, 1}));   // e' again, in the bass clef: still sharp
  EXPECT_EQ(sound(3), (sc::pitch{0, 2, 1}));   // back in the treble clef: still sharp
  EXPECT_EQ(sound(4), (sc::pitch{0, 2, 0}));   // the bar line ends it
}

TEST(ScoreHeads, TheVersesLayoutRecordIsKept) {
  struct row {
    const char* record;
    bool above, left, underscore_as_space;
  };
  const std::vector<row> rows = {
      {"", false, false, true},
      {"|Lyrics|Placement:Bottom|Align:Standard Rules|Offset:0\n", false, false, true},
      {"|Lyrics|Placement:Top|Align:Standard Rules|Offset:-2|UnderscoreAsSpace:N\n", true, false,
       false},
      {"|Lyrics|Placement:Bottom|Align:Start of Accidental/Note|Offset:2\n", false, true, true},
  };
  for (const row& r : rows) {
    const sc::score s = read(std::string("|AddStaff|Name:\"T\"\n") + r.record +
                             "|Lyric1|Text:\"one_two three_\"\n|Note|Dur:4th|Pos:0\n"
                             "|Note|Dur:4th|Pos:0\n");
    const sc::staff& staff = s.staves.at(0);
    EXPECT_EQ(staff.lyrics_above, r.above) << r.record;
    EXPECT_EQ(staff.lyrics_left, r.left) << r.record;
    ASSERT_EQ(staff.lyrics.at(0).syllables.size(), 2u) << r.record;
    EXPECT_EQ(staff.lyrics[0].syllables[0].text, r.underscore_as_space ? "one two" : "one_two")
        << r.record;
    EXPECT_EQ(staff.lyrics[0].syllables[1].text, r.underscore_as_space ? "three" : "three_")
        << r.record;
  }
}

}  // namespace
