// Unit tests of the score reader: hand-written score texts in, the model's onsets,
// durations, pitches, lyric placement and diagnostics checked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "score/lyrics.hpp"
#include "score/reader.hpp"

namespace {

using choirly::score::event;
using choirly::score::pitch;
using choirly::score::rational;
using choirly::score::score;

score read(const std::string& body) {
  const choirly::score::reading r = choirly::score::read_nwctxt("!NoteWorthyComposer(2.751)\n" +
                                                                body + "!NoteWorthyComposer-End\n");
  EXPECT_TRUE(r.ok) << r.error;
  return r.model;
}

std::vector<event> events(const score& s, std::size_t staff = 0) {
  std::vector<event> out;
  for (const auto& it : s.staves.at(staff).items)
    if (const auto* e = std::get_if<event>(&it)) out.push_back(*e);
  return out;
}

TEST(ScoreReader, DurationsGiveExactOnsetsAndLengths) {
  struct row {
    const char* duration;
    rational length;
  };
  const std::vector<row> rows = {
      {"Whole", {1}},
      {"Half", {1, 2}},
      {"4th", {1, 4}},
      {"8th", {1, 8}},
      {"16th", {1, 16}},
      {"32nd", {1, 32}},
      {"64th", {1, 64}},
      {"4th,Dotted", {3, 8}},
      {"Half,DblDotted", {7, 8}},
      {"8th,Slur,Dotted", {3, 16}},
      {"64th,Dotted", {3, 128}},
  };
  std::string body = "|AddStaff|Name:\"S\"\n";
  for (const row& r : rows)
    body += std::string("|Note|Dur:") + r.duration + "|Pos:0\n";
  const std::vector<event> e = events(read(body));
  ASSERT_EQ(e.size(), rows.size());
  rational onset;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(e[i].onset, onset) << rows[i].duration;
    EXPECT_EQ(e[i].main.length, rows[i].length) << rows[i].duration;
    EXPECT_EQ(e[i].advance, rows[i].length) << rows[i].duration;
    onset += rows[i].length;
  }
}

TEST(ScoreReader, TripletsTakeTwoThirdsAndAnOpenGroupIsReported) {
  const score s = read(
      "|AddStaff|Name:\"S\"\n"
      "|Note|Dur:8th,Triplet=First|Pos:0\n"
      "|Note|Dur:8th,Triplet|Pos:1\n"
      "|Note|Dur:8th,Triplet=End|Pos:2\n"
      "|Note|Dur:4th|Pos:0\n"
      "|Note|Dur:8th,Triplet=First|Pos:0\n"
      "|Note|Dur:4th|Pos:0\n");
  const std::vector<event> e = events(s);
  ASSERT_EQ(e.size(), 6u);
  EXPECT_EQ(e[0].main.length, rational(1, 12));
  EXPECT_EQ(e[1].onset, rational(1, 12));
  EXPECT_EQ(e[2].onset, rational(1, 6));
  EXPECT_EQ(e[3].onset, rational(1, 4));
  EXPECT_EQ(e[5].onset, rational(1, 2) + rational(1, 12));
  EXPECT_EQ(e[0].triplet, choirly::score::triplet_mark::first);
  EXPECT_EQ(e[1].triplet, choirly::score::triplet_mark::middle);
  EXPECT_EQ(e[2].triplet, choirly::score::triplet_mark::end);
  ASSERT_EQ(s.diagnostics.size(), 1u);
  EXPECT_EQ(s.diagnostics[0].line, 7);
  EXPECT_EQ(s.diagnostics[0].message, "a triplet group that begins here does not close");
}

TEST(ScoreReader, ClefsPlaceTheMiddleLine) {
  struct row {
    const char* clef;
    pitch middle_line;
  };
  const std::vector<row> rows = {
      {"Treble", {0, 6, 0}},
      {"Bass", {-1, 1, 0}},
      {"Alto", {0, 0, 0}},
      {"Tenor", {-1, 5, 0}},
      {"Percussion", {-1, 1, 0}},
      {"Treble|OctaveShift:Octave Down", {-1, 6, 0}},
      {"Bass|OctaveShift:Octave Up", {0, 1, 0}},
  };
  for (const row& r : rows) {
    const std::vector<event> e =
        events(read(std::string("|AddStaff|Name:\"S\"\n|Clef|Type:") + r.clef +
                    "\n|Note|Dur:4th|Pos:0\n|Note|Dur:4th|Pos:-7\n"));
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].main.notes[0].sound, r.middle_line) << r.clef;
    pitch below = r.middle_line;
    --below.octave;
    EXPECT_EQ(e[1].main.notes[0].sound, below) << r.clef;
  }
}

TEST(ScoreReader, AccidentalsHoldToTheBarLineAndATieHandsThemOver) {
  const score s = read(
      "|AddStaff|Name:\"S\"\n"
      "|Clef|Type:Treble\n"
      "|Key|Signature:Bb,Eb|Tonic:B\n"
      "|Note|Dur:4th|Pos:0\n"   // b'  flat by the key
      "|Note|Dur:4th|Pos:n0\n"  // b'  natural
      "|Note|Dur:4th|Pos:0\n"   // b'  natural still
      "|Note|Dur:4th|Pos:-7\n"  // b   another position: flat
      "|Bar\n"
      "|Note|Dur:4th|Pos:0\n"     // b'  flat again
      "|Note|Dur:4th|Pos:#-1^\n"  // a'  sharp, tied
      "|Bar\n"
      "|Note|Dur:4th|Pos:-1\n"  // a'  sharp through the tie
      "|Note|Dur:4th|Pos:-1\n"  // a'  still sharp in this bar
      "|Note|Dur:4th|Pos:b0\n"  // b'  flat written though the key has it
      "|Bar\n"
      "|Note|Dur:4th|Pos:-1\n");  // a'  the key's a
  const std::vector<event> e = events(s);
  const std::vector<int> alterations = {-1, 0, 0, -1, -1, 1, 1, 1, -1, 0};
  ASSERT_EQ(e.size(), alterations.size());
  for (std::size_t i = 0; i < e.size(); ++i)
    EXPECT_EQ(e[i].main.notes[0].sound.alteration, alterations[i]) << "event " << i;
  EXPECT_TRUE(e[5].main.notes[0].tie);
  EXPECT_TRUE(e[6].main.notes[0].tied_from);
  EXPECT_FALSE(e[7].main.notes[0].tied_from);
  EXPECT_TRUE(e[8].main.notes[0].redundant_accidental);
  EXPECT_FALSE(e[1].main.notes[0].redundant_accidental);
}

TEST(ScoreReader, ATieToAnotherPitchLeadsNowhere) {
  const std::vector<event> e =
      events(read("|AddStaff|Name:\"S\"\n"
                  "|Note|Dur:4th|Pos:0^\n"
                  "|Note|Dur:4th|Pos:1\n"
                  "|Note|Dur:4th|Pos:1^\n"
                  "|Note|Dur:4th|Pos:#1\n"
                  "|Note|Dur:4th|Pos:2^\n"));
  ASSERT_EQ(e.size(), 5u);
  for (const event& x : e) {
    EXPECT_FALSE(x.main.notes[0].tie);
    EXPECT_FALSE(x.main.notes[0].tied_from);
  }
}

TEST(ScoreReader, EveryWrittenTieLandsOnTheNextNoteOfItsPitchOnceItHasSounded) {
  const score s = read(
      "|AddStaff|Name:\"S\"\n"
      "|Note|Dur:8th|Pos:-6^\n"        // 0: c' lets ring over the notes between to the chord
      "|Note|Dur:8th|Pos:-4^\n"        // 1: e' likewise
      "|Note|Dur:8th,Grace|Pos:-2^\n"  // 2: a grace note's tie goes to its main note
      "|Chord|Dur:4th|Pos:-6,-4,-2\n"  // 3
      "|Note|Dur:4th|Pos:0^\n"         // 4: b' found only two bars on: nowhere
      "|Bar\n"
      "|Note|Dur:Whole|Pos:1\n"  // 5
      "|Bar\n"
      "|Note|Dur:4th|Pos:0\n"                      // 6
      "|Chord|Dur:4th|Pos:3|Dur2:Half|Pos2:-3^\n"  // 7: the half note's tie waits for its end
      "|Note|Dur:4th|Pos:-3\n"                     // 8: sounds while the half note holds
      "|Chord|Dur:4th|Pos:2|Dur2:Half|Pos2:-3\n"   // 9
      "|Note|Dur:4th|Pos:1^\n"                     // 10: the next c'' is sharp: nowhere
      "|Note|Dur:4th|Pos:#1\n");                   // 11
  const std::vector<event> e = events(s);
  ASSERT_EQ(e.size(), 12u);
  struct row {
    std::size_t from;
    int part;
    bool lands;
    rational onset;  // of the event it lands on
    int to_part;
  };
  const std::vector<row> rows = {
      {0, 0, true, {1, 4}, 0}, {1, 0, true, {1, 4}, 0}, {2, 0, true, {1, 4}, 0},
      {4, 0, false, {0}, 0},   {7, 1, true, {5, 2}, 1}, {10, 0, false, {0}, 0},
  };
  for (const row& r : rows) {
    const auto& n = (r.part == 0 ? e[r.from].main : e[r.from].second).notes[0];
    EXPECT_TRUE(n.written_tie) << "event " << r.from;
    ASSERT_EQ(n.tied_to.has_value(), r.lands) << "event " << r.from;
    if (!r.lands) continue;
    const auto& to = std::get<event>(s.staves[0].items[n.tied_to->item]);
    EXPECT_EQ(to.onset, r.onset) << "event " << r.from;
    EXPECT_EQ(n.tied_to->part, r.to_part) << "event " << r.from;
    const auto& target = (r.to_part == 0 ? to.main : to.second).notes[n.tied_to->index];
    EXPECT_EQ(target.sound, n.sound) << "event " << r.from;
  }
  // A note the score does not tie leads nowhere.
  EXPECT_FALSE(e[3].main.notes[0].written_tie);
  EXPECT_FALSE(e[3].main.notes[0].tied_to.has_value());
}

TEST(ScoreReader, EachStaffStartsInCUntilItsOwnKey) {
  const score s = read(
      "|AddStaff|Name:\"A\"\n|Key|Signature:F#,C#|Tonic:D\n|Note|Dur:4th|Pos:-3\n"
      "|AddStaff|Name:\"B\"\n|Note|Dur:4th|Pos:-3\n|Key|Signature:F#\n|Note|Dur:4th|Pos:-3\n");
  EXPECT_EQ(events(s, 0)[0].main.notes[0].sound, (pitch{0, 3, 1}));
  EXPECT_EQ(events(s, 1)[0].main.notes[0].sound, (pitch{0, 3, 0}));
  EXPECT_EQ(events(s, 1)[1].main.notes[0].sound, (pitch{0, 3, 1}));
}

TEST(ScoreReader, ChordPartsOfTwoDurationsMoveOnByTheShorter) {
  const std::vector<event> e =
      events(read("|AddStaff|Name:\"S\"\n"
                  "|Chord|Dur:4th|Pos:-4,1|Opts:Stem=Up|Dur2:Half|Pos2:-8\n"
                  "|Note|Dur:4th|Pos:0\n"
                  "|RestChord|Dur:8th|Opts:Stem=Up|Dur2:4th|Pos2:-3\n"
                  "|Note|Dur:4th|Pos:0\n"));
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].main.notes.size(), 2u);
  EXPECT_TRUE(e[0].has_second);
  EXPECT_EQ(e[0].second.length, rational(1, 2));
  EXPECT_EQ(e[0].advance, rational(1, 4));
  EXPECT_EQ(e[1].onset, rational(1, 4));
  EXPECT_TRUE(e[2].main.notes.empty());
  EXPECT_EQ(e[2].advance, rational(1, 8));
  EXPECT_EQ(e[3].onset, rational(5, 8));
  EXPECT_FALSE(e[2].takes_syllable);
}

TEST(ScoreReader, BeamAndStemOptionsAreKeptAsWritten) {
  using choirly::score::beam_mark;
  using choirly::score::stem_direction;
  struct row {
    const char* record;
    beam_mark beam;
    stem_direction stem;
  };
  const std::vector<row> rows = {
      {"|Note|Dur:8th|Pos:0|Opts:Stem=Up,Beam=First", beam_mark::first, stem_direction::up},
      {"|Chord|Dur:8th|Pos:0,2|Opts:Beam,Stem=Down", beam_mark::middle, stem_direction::down},
      {"|Rest|Dur:8th|Opts:Beam", beam_mark::middle, stem_direction::neutral},
      {"|Note|Dur:8th|Pos:1|Opts:Beam=End", beam_mark::end, stem_direction::neutral},
      {"|Note|Dur:8th|Pos:1|Opts:StemLength=9,Lyric=Never", beam_mark::none,
       stem_direction::neutral},
      {"|Note|Dur:4th|Pos:1", beam_mark::none, stem_direction::neutral},
  };
  std::string body = "|AddStaff|Name:\"S\"\n";
  for (const row& r : rows)
    body += std::string(r.record) + "\n";
  const std::vector<event> es = events(read(body));
  ASSERT_EQ(es.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].record);
    EXPECT_EQ(es[i].beam, rows[i].beam);
    EXPECT_EQ(es[i].stem, rows[i].stem);
  }
}

TEST(ScoreReader, AWholeRestAloneFillsItsMeasure) {
  const std::vector<event> e =
      events(read("|AddStaff|Name:\"S\"\n|TimeSig|Signature:3/4\n"
                  "|Rest|Dur:Whole\n|Bar\n|Note|Dur:Half,Dotted|Pos:0\n|Bar\n"
                  "|Rest|Dur:Half\n|Rest|Dur:Whole\n|Bar\n"));
  ASSERT_EQ(e.size(), 4u);
  EXPECT_TRUE(e[0].full_measure_rest);
  EXPECT_EQ(e[0].advance, rational(3, 4));
  EXPECT_EQ(e[1].onset, rational(3, 4));
  EXPECT_FALSE(e[3].full_measure_rest);
  EXPECT_EQ(e[3].advance, rational(1));
}

TEST(ScoreReader, GraceNotesTakeNoTimeAndSitBeforeTheNextNote) {
  const std::vector<event> e =
      events(read("|AddStaff|Name:\"S\"\n|Note|Dur:4th|Pos:0\n|Note|Dur:8th,Grace|Pos:3\n"
                  "|Note|Dur:4th|Pos:2\n"));
  ASSERT_EQ(e.size(), 3u);
  EXPECT_TRUE(e[1].grace);
  EXPECT_EQ(e[1].onset, rational(1, 4));
  EXPECT_EQ(e[1].advance, rational(0));
  EXPECT_EQ(e[2].onset, rational(1, 4));
}

TEST(ScoreReader, ProblemsBecomeDiagnosticsAndReadingGoesOn) {
  const score s = read(
      "|AddStaff|Name:\"S\"\n"
      "|Note|Dur:Quarter|Pos:0\n"
      "|Note|Dur:4th|Pos:zz\n"
      "|TimeSig|Signature:3/5\n"
      "|Key|Signature:H#\n"
      "|Clef|Type:Violin\n"
      "|Note|Dur:4th|Pos:0\n");
  const std::vector<std::pair<int, std::string>> expected = {
      {3, "unknown duration \"Quarter\"; the event is left out"},
      {4, "note position \"zz\" left out"},
      {4, "a Note without notes is left out"},
      {5, "time signature \"3/5\" is not understood; left out"},
      {6, "key signature item \"H#\" is no note name with # or b; key left out"},
      {7, "unknown clef \"Violin\" left out"},
  };
  ASSERT_EQ(s.diagnostics.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(s.diagnostics[i].line, expected[i].first);
    EXPECT_EQ(s.diagnostics[i].message, expected[i].second);
  }
  EXPECT_EQ(events(s).size(), 1u);
}

TEST(ScoreReader, HeadersLineEndsAndSizeLimit) {
  for (const char* text :
       {"!NoteWorthyComposer(2.0)\r\n|AddStaff|Name:\"S\"\r\n|Note|Dur:4th|Pos:0\r\n",
        "\xEF\xBB\xBF!NoteWorthyComposer(2.75)\n|AddStaff|Name:\"S\"\n|Note|Dur:4th|Pos:0\n",
        "\n!NoteWorthyComposer(2.5)\n|AddStaff|Name:\"S\"\n|Note|Dur:4th|Pos:0"}) {
    const choirly::score::reading r = choirly::score::read_nwctxt(text);
    ASSERT_TRUE(r.ok) << text;
    ASSERT_EQ(r.model.staves.size(), 1u);
    EXPECT_EQ(r.model.staves[0].name, "S");
    EXPECT_EQ(r.model.staves[0].items.size(), 1u);
    EXPECT_FALSE(r.model.has_end_marker);
    ASSERT_EQ(r.model.diagnostics.size(), 1u);
    EXPECT_EQ(r.model.diagnostics[0].message,
              "the score has no end marker !NoteWorthyComposer-End; read to its last line");
  }
  EXPECT_EQ(choirly::score::read_nwctxt("|AddStaff\n").error,
            "not a NoteWorthy Composer text score (no !NoteWorthyComposer(2.x) header)");
  const std::string big(choirly::score::max_score_bytes + 1, '\n');
  const choirly::score::reading r = choirly::score::read_nwctxt(big);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error,
            "the score is larger than 32 MiB, which no NoteWorthy Composer score comes near");
  const std::string at_limit =
      "!NoteWorthyComposer(2.5)\n" + std::string(choirly::score::max_score_bytes - 25, 'x');
  EXPECT_TRUE(choirly::score::read_nwctxt(at_limit).ok);
}

TEST(ScoreReader, SongInfoAndStaffProperties) {
  const score s = read(
      "|SongInfo|Title:\"A \\\"B\\\"\"|Author:\"C\"|Lyricist:\"D\"|Copyright1:\"E\"|"
      "Copyright2:\"F \\| G\"\n"
      "|AddStaff|Name:\"Sop\"|Label:\"Soprano\"\n"
      "|StaffProperties|EndingBar:Double|Visible:Y|WithNextStaff:Bracket,ConnectBars\n"
      "|AddStaff|Name:\"Alt\"\n"
      "|StaffProperties|Visible:N|WithNextStaff:Brace,Layer\n"
      "|AddStaff|Name:\"Old\"\n"
      "|StaffProperties|Style:Orchestral|Layer:Y\n"
      "|AddStaff|Name:\"Old2\"\n"
      "|StaffProperties|Style:Orchestral\n");
  EXPECT_EQ(s.title, "A \"B\"");
  EXPECT_EQ(s.author, "C");
  EXPECT_EQ(s.lyricist, "D");
  EXPECT_EQ(s.copyright1, "E");
  EXPECT_EQ(s.copyright2, "F | G");
  ASSERT_EQ(s.staves.size(), 4u);
  EXPECT_EQ(s.staves[0].label, "Soprano");
  EXPECT_EQ(s.staves[0].group, choirly::score::group_with_next::bracket);
  EXPECT_EQ(s.staves[0].ending_bar, choirly::score::bar_style::double_bar);
  EXPECT_FALSE(s.staves[1].visible);
  EXPECT_EQ(s.staves[1].group, choirly::score::group_with_next::brace);
  EXPECT_TRUE(s.staves[1].layered_with_next);
  EXPECT_TRUE(s.staves[2].layered_with_next);
  EXPECT_EQ(s.staves[2].group, choirly::score::group_with_next::bracket);
  EXPECT_EQ(s.staves[3].group, choirly::score::group_with_next::none);
}

TEST(ScoreLyrics, SyllablesSplitAtBlanksLineEndsAndAfterHyphens) {
  const std::vector<choirly::score::syllable> s =
      choirly::score::split_syllables("Hel-lo  world_wide\nend-\n- Aah__");
  const std::vector<std::pair<std::string, bool>> expected = {
      {"Hel", true}, {"lo", false}, {"world wide", false},
      {"end", true}, {"", true},    {"Aah", false}};
  ASSERT_EQ(s.size(), expected.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    EXPECT_EQ(s[i].text, expected[i].first) << i;
    EXPECT_EQ(s[i].hyphen, expected[i].second) << i;
  }
}

TEST(ScoreLyrics, NotesTakeSyllablesByTheStandardRules) {
  const score s = read(
      "|AddStaff|Name:\"S\"\n"
      "|Lyric1|Text:\"one two three four five six se-ven\"\n"
      "|Note|Dur:4th|Pos:0\n"                    // one
      "|Rest|Dur:4th\n"                          // rests take none
      "|Note|Dur:4th,Slur|Pos:0\n"               // two
      "|Note|Dur:4th|Pos:1\n"                    // after a slur: none
      "|Note|Dur:8th,Grace|Pos:1\n"              // grace: none
      "|Chord|Dur:4th|Pos:0^,2^\n"               // three
      "|Chord|Dur:4th|Pos:0,2\n"                 // all tied: none
      "|Chord|Dur:4th|Pos:0^,2\n"                // four
      "|Chord|Dur:4th|Pos:0,4\n"                 // one tied of two: five
      "|Note|Dur:4th|Pos:0|Opts:Lyric=Never\n"   // none
      "|Note|Dur:4th,Slur|Pos:0\n"               // six
      "|Note|Dur:4th|Pos:1|Opts:Lyric=Always\n"  // se-
      "|Note|Dur:4th|Pos:1\n");                  // ven
  const std::vector<event> e = events(s);
  const std::vector<bool> takes = {true, false, true,  false, false, true, false,
                                   true, true,  false, true,  true,  true};
  ASSERT_EQ(e.size(), takes.size());
  for (std::size_t i = 0; i < e.size(); ++i)
    EXPECT_EQ(e[i].takes_syllable, takes[i]) << "event " << i;
  const auto& syllables = s.staves[0].lyrics.at(0).syllables;
  ASSERT_EQ(syllables.size(), 8u);
  const std::vector<rational> onsets = {{0}, {1, 2}, {1}, {3, 2}, {7, 4}, {9, 4}, {5, 2}, {11, 4}};
  for (std::size_t i = 0; i < onsets.size(); ++i) {
    EXPECT_TRUE(syllables[i].placed);
    EXPECT_EQ(syllables[i].onset, onsets[i]) << syllables[i].text;
  }
}

TEST(ScoreLyrics, SyllablesPastTheLastNoteAreReported) {
  const score s = read(
      "|AddStaff|Name:\"Alto\"\n|Lyric1|Text:\"a b c\"\n|Lyric2|Text:\"x\"\n"
      "|Note|Dur:4th|Pos:0\n|Note|Dur:4th|Pos:0\n");
  const auto& l = s.staves[0].lyrics;
  ASSERT_EQ(l.size(), 2u);
  EXPECT_TRUE(l[0].syllables[1].placed);
  EXPECT_FALSE(l[0].syllables[2].placed);
  ASSERT_EQ(s.diagnostics.size(), 1u);
  EXPECT_EQ(s.diagnostics[0].message,
            "staff \"Alto\" has 1 lyric syllable more than notes to take them; they are left out");
}

}  // namespace
