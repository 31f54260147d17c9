// Unit tests of the page writer on hand-built models, and of its LilyPond notation pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page/notation.hpp"
#include "page/staves.hpp"
#include "page/writer.hpp"

namespace {

namespace sc = choirly::score;
using sc::rational;

// A staff built event by event, with onsets and measures counted as the reader counts them.
struct builder {
  sc::staff staff;
  rational now;
  sc::measure open;            // the measure being built
  bool open_has_note = false;  // its expected length is settled
  rational time_length{1};     // the time signature in force

  void note_in_measure() {
    if (!open_has_note) open.expected = time_length;
    open_has_note = true;
  }
  sc::measure closed_measure(bool closed) const {
    sc::measure m = open;
    m.end_item = staff.items.size();
    m.length = now - m.onset;
    m.closed = closed;
    if (!open_has_note) m.expected = time_length;
    return m;
  }
  // The staff with its last measure, which ends with it.
  sc::staff done() const {
    sc::staff s = staff;
    s.measures.push_back(closed_measure(false));
    return s;
  }

  builder& note(int octave, int step, int base, int dots = 0, int alteration = 0) {
    sc::event e;
    e.onset = now;
    e.main.base = base;
    e.main.dots = dots;
    e.main.length = rational(1, base) * (dots == 1 ? rational(3, 2) : rational(1));
    sc::note n;
    n.sound = {octave, step, alteration};
    e.main.notes.push_back(n);
    e.advance = e.main.length;
    e.takes_syllable = true;
    note_in_measure();
    now += e.advance;
    staff.items.emplace_back(e);
    return *this;
  }
  builder& rest(int base) {
    sc::event e;
    e.onset = now;
    e.main.base = base;
    e.main.length = e.advance = rational(1, base);
    note_in_measure();
    now += e.advance;
    staff.items.emplace_back(e);
    return *this;
  }
  builder& triplet(sc::triplet_mark mark) {
    sc::event& e = std::get<sc::event>(staff.items.back());
    e.triplet = mark;
    e.main.triplet = true;
    now -= e.advance;
    e.main.length = e.advance = e.main.length * rational(2, 3);
    now += e.advance;
    return *this;
  }
  builder& slur() {
    std::get<sc::event>(staff.items.back()).slur = true;
    return *this;
  }
  builder& no_syllable() {
    std::get<sc::event>(staff.items.back()).takes_syllable = false;
    return *this;
  }
  builder& bar(sc::bar_style style = sc::bar_style::single) {
    sc::bar_line b;
    b.style = style;
    b.onset = now;
    staff.measures.push_back(closed_measure(true));
    open = sc::measure{};
    open.first_item = staff.items.size() + 1;
    open.onset = now;
    open_has_note = false;
    staff.items.emplace_back(b);
    return *this;
  }
  builder& time(int n, int d) {
    sc::time_change t;
    t.numerator = n;
    t.denominator = d;
    time_length = t.measure_length();
    staff.items.emplace_back(t);
    return *this;
  }
  builder& lyrics(std::vector<std::string> texts) {
    sc::lyric_line line;
    for (std::string& t : texts) {
      sc::syllable s;
      s.hyphen = !t.empty() && t.back() == '-';
      if (s.hyphen) t.pop_back();
      s.text = t;
      s.placed = true;
      line.syllables.push_back(s);
    }
    staff.lyrics.push_back(line);
    return *this;
  }
};

sc::score one_staff(const builder& b, const std::string& name = "Soprano") {
  sc::score s;
  s.staves.push_back(b.done());
  s.staves.back().name = name;
  return s;
}

std::string page_of(const sc::score& s) {
  std::vector<sc::diagnostic> notes;
  return choirly::page::write_page(s, notes);
}

// The lines of the variable `name` between "name = {" (or "\lyricmode {") and "}".
std::vector<std::string> variable(const std::string& page, const std::string& name) {
  std::vector<std::string> lines;
  const std::size_t start = page.find(name + " = ");
  if (start == std::string::npos) return lines;
  std::size_t at = page.find('\n', start) + 1;
  while (at < page.size()) {
    const std::size_t end = page.find('\n', at);
    const std::string line = page.substr(at, end - at);
    if (line == "}") break;
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

TEST(PageNotation, PitchesDurationsAndLengths) {
  EXPECT_EQ(choirly::page::pitch_text({0, 0, 0}), "c'");
  EXPECT_EQ(choirly::page::pitch_text({1, 3, 1}), "fis''");
  EXPECT_EQ(choirly::page::pitch_text({-1, 6, -1}), "bes");
  EXPECT_EQ(choirly::page::pitch_text({-3, 2, -2}), "eeses,,");
  EXPECT_EQ(choirly::page::pitch_text({2, 1, 2}), "disis'''");
  EXPECT_EQ(choirly::page::duration_text(8, 2), "8..");
  EXPECT_EQ(choirly::page::length_text({3, 4}), "2.");
  EXPECT_EQ(choirly::page::length_text({1}), "1");
  EXPECT_EQ(choirly::page::length_text({7, 16}), "4..");
  EXPECT_EQ(choirly::page::length_text({5, 4}), "1*5/4");
  EXPECT_EQ(choirly::page::length_text({2}), "1*2");
  EXPECT_EQ(choirly::page::moment_text({5, 8}), "#(ly:make-moment 5/8)");
}

TEST(PageNotation, IdentifiersStringsAndSyllables) {
  EXPECT_EQ(choirly::page::identifier("Soprano"), "soprano");
  EXPECT_EQ(choirly::page::identifier("Right Hand"), "rightHand");
  EXPECT_EQ(choirly::page::identifier("Violino II."), "violinoII");
  EXPECT_EQ(choirly::page::identifier("Staff-2"), "staffTwo");
  EXPECT_EQ(choirly::page::identifier("3 Trumpets"), "threeTrumpets");
  EXPECT_EQ(choirly::page::identifier("소프라노"), "");
  EXPECT_EQ(choirly::page::number_word(42), "FortyTwo");
  EXPECT_EQ(choirly::page::quoted("a \"b\" \\ c\nd"), "\"a \\\"b\\\" \\\\ c d\"");
  EXPECT_EQ(choirly::page::syllable_text("love"), "love");
  EXPECT_EQ(choirly::page::syllable_text("두"), "두");
  EXPECT_EQ(choirly::page::syllable_text("1.두"), "\"1.두\"");
  EXPECT_EQ(choirly::page::syllable_text("a b"), "\"a b\"");
  EXPECT_EQ(choirly::page::syllable_text("{x}"), "\"{x}\"");
}

TEST(PageWriter, HeaderAndScoreFollowTheChoirTemplates) {
  sc::score s = one_staff(builder().note(0, 0, 1).bar());
  s.title = "Hymn \"One\"";
  s.author = "Ann";
  s.lyricist = "Bob";
  s.copyright1 = "(c) 2020";
  s.copyright2 = "All rights";
  s.staves[0].label = "Soprano";
  const std::string page = page_of(s);
  EXPECT_TRUE(
      page.starts_with("\\version \"2.24.0\"\n\n"
                       "\\header {\n"
                       "  title = \"Hymn \\\"One\\\"\"\n"
                       "  composer = \"Ann\"\n"
                       "  poet = \"Bob\"\n"
                       "  copyright = \\markup \\center-column { \"(c) 2020\" \"All rights\" }\n"
                       "  tagline = ##f\n"
                       "}\n\n"
                       "sopranoMusic = {\n"
                       "  \\autoBeamOff c'1 |\n"
                       "  \\bar \"|.\"\n"
                       "}\n"))
      << page;
  EXPECT_NE(page.find("\\score {\n  <<\n"
                      "    \\new Staff = \"staff1\" \\with { instrumentName = \"Soprano\" } <<\n"
                      "      \\new Voice = \"voice1\" { \\sopranoMusic }\n"
                      "    >>\n"
                      "  >>\n"
                      "  \\layout { }\n"
                      "  \\midi { }\n"
                      "}\n"),
            std::string::npos)
      << page;
}

TEST(PageWriter, TripletsPickupsAndIrregularMeasures) {
  using sc::triplet_mark;
  builder b;
  b.time(3, 4).note(0, 4, 4).bar();              // pickup of a quarter
  b.note(0, 0, 8).triplet(triplet_mark::first);  // a triplet of eighths
  b.note(0, 1, 8).triplet(triplet_mark::middle);
  b.note(0, 2, 8).triplet(triplet_mark::end);
  b.note(0, 3, 2).bar();
  b.note(0, 0, 1).bar();  // a measure of four quarters in 3/4
  b.note(0, 0, 2, 1).bar();
  const std::vector<std::string> music = variable(page_of(one_staff(b)), "sopranoMusic");
  const std::vector<std::string> expected = {
      // The pickup is measure 1 as NoteWorthy counts; LilyPond would number the next one 1.
      "  \\autoBeamOff \\time 3/4 \\partial 4 g'4 | \\set Timing.currentBarNumber = #2",
      "  \\tuplet 3/2 { c'8 d'8 e'8 } f'2 |",
      "  \\set Timing.measureLength = #(ly:make-moment 1) c'1 |",
      "  \\set Timing.measureLength = #(ly:make-moment 3/4) c'2. |",
      "  \\bar \"|.\"",
  };
  EXPECT_EQ(music, expected);
}

TEST(PageWriter, BarLinesSlursAndMeasureNumbers) {
  builder b;
  b.note(0, 0, 1).slur().bar(sc::bar_style::double_bar);
  b.note(0, 1, 1).bar(sc::bar_style::section_open);
  b.note(0, 2, 1).bar(sc::bar_style::invisible);
  b.rest(1).bar(sc::bar_style::repeat_close);
  b.note(0, 3, 1).bar(sc::bar_style::section_close);
  b.staff.ending_bar = sc::bar_style::single;
  const std::vector<std::string> music = variable(page_of(one_staff(b)), "sopranoMusic");
  const std::vector<std::string> expected = {
      // The repeat close with no open bar before it repeats from the start.
      "  \\autoBeamOff \\repeat volta 2 { c'1( \\bar \"||\" |",
      "  d'1) \\bar \".|\" |",
      "  e'1 \\bar \"\" |",
      "  r1 } |",
      "  % 5",
      "  f'1 \\bar \"|.\" |",
  };
  EXPECT_EQ(music, expected);
}

TEST(PageWriter, LyricsFollowLilyPondUnlessNoteWorthyDiffers) {
  // c( d) e f: LilyPond holds the first syllable over d; NoteWorthy agrees.
  builder plain;
  plain.note(0, 0, 4).slur().note(0, 1, 4).no_syllable().note(0, 2, 4).note(0, 3, 4);
  plain.lyrics({"Hal-", "le", "lu"});
  const std::string page = page_of(one_staff(plain));
  EXPECT_EQ(variable(page, "sopranoVerseOne"), std::vector<std::string>{"  Hal -- le lu"});
  EXPECT_NE(page.find("\\new Lyrics = \"staff1-verse1\" \\lyricsto \"voice1\" { "
                      "\\sopranoVerseOne }"),
            std::string::npos);

  // Lyric=Always on d: NoteWorthy gives d a syllable inside the slur, so every note is named.
  builder forced = plain;
  forced.staff.lyrics.clear();
  std::get<sc::event>(forced.staff.items[1]).takes_syllable = true;
  std::get<sc::event>(forced.staff.items[3]).takes_syllable = false;
  forced.lyrics({"a", "b", "c"});
  EXPECT_EQ(variable(page_of(one_staff(forced)), "sopranoVerseOne"),
            std::vector<std::string>{"  \\set ignoreMelismata = ##t a b c"});

  // A note NoteWorthy leaves without a syllable where LilyPond would give one: a skip.
  builder never;
  never.note(0, 0, 4).note(0, 1, 4).no_syllable().note(0, 2, 4);
  never.lyrics({"x", "y-"});
  EXPECT_EQ(variable(page_of(one_staff(never)), "sopranoVerseOne"),
            std::vector<std::string>{"  x _ y"});
}

TEST(PageWriter, LongerChordNotesSoundInASecondVoice) {
  builder b;
  b.note(0, 4, 4);
  sc::event& e = std::get<sc::event>(b.staff.items.back());
  e.has_second = true;
  e.second.base = 2;
  e.second.length = rational(1, 2);
  sc::note low;
  low.sound = {0, 0, 0};
  e.second.notes.push_back(low);
  b.note(0, 5, 4).note(0, 6, 2).bar();
  const std::string page = page_of(one_staff(b));
  EXPECT_EQ(variable(page, "sopranoMusic"),
            (std::vector<std::string>{"  \\autoBeamOff \\voiceOne g'4 a'4 \\oneVoice b'2 |",
                                      "  \\bar \"|.\""}));
  EXPECT_EQ(variable(page, "sopranoLower"),
            std::vector<std::string>{"  \\voiceTwo \\autoBeamOff c'2"});
  EXPECT_NE(page.find("      \\new Voice = \"voice1lower1\" { \\sopranoLower }\n"),
            std::string::npos);
}

// A chord's two parts of one length: the part NoteWorthy stems up sings in the staff's voice,
// the other below, a rest chord's rest kept in its place.
TEST(PageWriter, ChordPartsOfOneLengthSplitByTheirStems) {
  struct part {
    int position;
    sc::pitch sound;
    bool rest = false;
  };
  struct row {
    sc::stem_direction stem;
    part main, second;
    const char* upper;
    const char* lower;
  };
  const std::vector<row> rows = {
      {sc::stem_direction::up, {-2, {0, 4, 0}}, {-6, {0, 0, 0}}, "g'4", "c'4"},
      {sc::stem_direction::down, {-2, {0, 4, 0}}, {1, {1, 0, 0}}, "c''4", "g'4"},
      {sc::stem_direction::neutral, {-6, {0, 0, 0}}, {-2, {0, 4, 0}}, "g'4", "c'4"},
      {sc::stem_direction::down, {0, {}, true}, {-4, {0, 2, 0}}, "e'4", "r4"},
      {sc::stem_direction::neutral, {0, {}, true}, {-4, {0, 2, 0}}, "r4", "e'4"},
  };
  for (const row& r : rows) {
    builder b;
    b.note(0, 0, 4);
    sc::event& e = std::get<sc::event>(b.staff.items.back());
    e.stem = r.stem;
    e.main.notes[0].position = r.main.position;
    e.main.notes[0].sound = r.main.sound;
    if (r.main.rest) e.main.notes.clear();
    e.has_second = true;
    e.second = e.main;
    sc::note n;
    n.position = r.second.position;
    n.sound = r.second.sound;
    e.second.notes.assign(1, n);
    b.note(0, 6, 2, 1).bar();
    const std::string page = page_of(one_staff(b));
    EXPECT_EQ(variable(page, "sopranoMusic"),
              (std::vector<std::string>{
                  "  \\autoBeamOff \\voiceOne " + std::string(r.upper) + " \\oneVoice b'2. |",
                  "  \\bar \"|.\""}))
        << r.upper;
    EXPECT_EQ(variable(page, "sopranoLower"),
              std::vector<std::string>{"  \\voiceTwo \\autoBeamOff " + std::string(r.lower)})
        << r.upper;
  }
}

TEST(PageWriter, StavesGroupLayerAndHide) {
  sc::score s;
  const char* names[] = {"Sop", "Alto", "Upper", "Lower", "Ghost"};
  for (const char* name : names) {
    s.staves.push_back(builder().note(0, 0, 1).done());
    s.staves.back().name = name;
    s.staves.back().label = name;
  }
  s.staves[1].label.clear();  // an empty label prints nothing, not the staff's name
  s.staves[0].group = sc::group_with_next::bracket;
  s.staves[0].lyrics.push_back({{{"la", false, rational(0), true}}});
  s.staves[2].group = sc::group_with_next::brace;
  s.staves[2].layered_with_next = true;
  s.staves[3].group = sc::group_with_next::brace;
  s.staves[4].visible = false;
  const std::vector<int> numbers = choirly::page::staff_numbers(s);
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 4, 4, 0}));
  const std::string page = page_of(s);
  EXPECT_NE(
      page.find("    \\new ChoirStaff <<\n"
                "      \\new Staff = \"staff1\" \\with { instrumentName = \"Sop\" } <<\n"
                "        \\new Voice = \"voice1\" { \\sopMusic }\n"
                "      >>\n"
                "      \\new Lyrics = \"staff1-verse1\" \\lyricsto \"voice1\" { \\sopVerseOne }\n"
                "      \\new Staff = \"staff2\" <<\n"
                "        \\new Voice = \"voice2\" { \\altoMusic }\n"
                "      >>\n"
                "    >>\n"
                // A layered pair is labelled by its upper staff.
                "    \\new Staff = \"staff4\" \\with { instrumentName = \"Upper\" } <<\n"
                "      \\new Voice = \"voice3\" { \\voiceOne \\upperMusic }\n"
                "      \\new Voice = \"voice4\" { \\voiceTwo \\lowerMusic }\n"
                "    >>\n"
                "  >>\n"
                "  \\layout { }\n"
                "}\n"),
      std::string::npos)
      << page;
  // The hidden staff sounds in a MIDI score of its own, with all the others.
  EXPECT_NE(page.find("\\score {\n  <<\n    \\new Staff <<\n      \\new Voice { \\sopMusic }\n"),
            std::string::npos);
  EXPECT_NE(page.find("      \\new Voice { \\ghostMusic }\n    >>\n  >>\n  \\midi { }\n}\n"),
            std::string::npos);
}

}  // namespace

namespace {

TEST(PageWriter, WhatThePageLeavesOutOrDrawsOtherwiseGoesToTheNotes) {
  builder b;
  b.note(0, 0, 1).bar(sc::bar_style::repeat_open);
  b.note(0, 1, 1).bar(sc::bar_style::repeat_open);
  b.rest(1);
  sc::event& r = std::get<sc::event>(b.staff.items.back());
  r.articulations = sc::accent | sc::fermata;
  r.line = 7;
  sc::skipped_record spacer;
  spacer.kind = "Spacer";
  spacer.line = 9;
  b.staff.items.emplace_back(spacer);
  std::vector<sc::diagnostic> notes = {{3, "the reader's own"}};
  const std::string page = choirly::page::write_page(one_staff(b), notes);
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[0].message, "the reader's own");
  EXPECT_EQ(notes[1].line, 9);
  EXPECT_EQ(notes[1].message, "|Spacer| records are not on the page (1 in the score, first here)");
  EXPECT_EQ(notes[2].line, 7);
  EXPECT_EQ(notes[2].message,
            "1 staccato, accent or tenuto marks on rests are not on the page (first here)");
  EXPECT_EQ(notes[3].line, 0);
  EXPECT_EQ(notes[3].message,
            "repeats drawn as bar lines and brackets: two repeat open bars without a close "
            "between");
  // The page itself says nothing of them, and the rest keeps its fermata only.
  EXPECT_EQ(page.find("repeats drawn"), std::string::npos);
  EXPECT_EQ(variable(page, "sopranoMusic"),
            (std::vector<std::string>{"  \\autoBeamOff c'1 | \\bar \".|:\"",
                                      "  d'1 | \\bar \".|:\"", "  r1\\fermata", "  \\bar \"|.\""}));
}

}  // namespace
