// Unit tests of the mark writer: marks met in a staff and the notes after them in, what the
// page writes at each step out, against LilyPond texts written by hand.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <variant>
#include <vector>

#include "page/marks.hpp"

namespace {

namespace sc = choirly::score;

sc::mark mark(sc::mark_kind kind, std::string style = "", bool visible = true, bool above = true) {
  sc::mark m;
  m.kind = kind;
  m.style = std::move(style);
  m.visible = visible;
  m.above = above;
  return m;
}

sc::mark text(std::string words, sc::text_font font, bool above) {
  sc::mark m = mark(sc::mark_kind::text, "", true, above);
  m.text = std::move(words);
  m.font = font;
  return m;
}

sc::event note(unsigned articulations = 0, sc::hairpin_option h = sc::hairpin_option::none) {
  sc::event e;
  e.main.notes.emplace_back();
  e.articulations = articulations;
  e.hairpin = h;
  return e;
}

sc::event rest(unsigned articulations) {
  sc::event e;
  e.articulations = articulations;
  return e;
}

struct staff_end {};
using step = std::variant<sc::mark, sc::event, staff_end>;

// What each step writes, joined by " | ".
std::string written(const std::vector<step>& steps, std::set<std::string>& shared) {
  choirly::page::mark_writer w(shared);
  std::string out;
  for (const step& s : steps) {
    if (&s != &steps.front()) out += " | ";
    if (const auto* m = std::get_if<sc::mark>(&s)) out += w.take(*m);
    if (const auto* e = std::get_if<sc::event>(&s)) out += w.post_events(*e);
    if (std::holds_alternative<staff_end>(s)) out += w.at_staff_end();
  }
  return out;
}

TEST(PageMarks, WhatEachStepWrites) {
  using sc::mark_kind;
  const auto cresc = sc::hairpin_option::crescendo;
  struct marks_case {
    const char* name;
    std::vector<step> steps;
    std::string expected;
  };
  const std::vector<marks_case> cases = {
      {"articulations in LilyPond's order",
       {note(sc::tenuto | sc::staccato | sc::accent)},
       "-.->--"},
      {"a rest keeps its fermata only",
       {rest(sc::staccato | sc::fermata), rest(sc::accent)},
       "\\fermata | "},
      {"a dynamic waits for the next note, above as the score places it",
       {mark(mark_kind::dynamic, "mf"), note(), note()},
       " | ^\\mf | "},
      {"a dynamic placed below says so, whatever the voice would choose",
       {mark(mark_kind::dynamic, "mf", true, false), note()},
       " | _\\mf"},
      {"of two dynamics on a note the first shown one stays as words, each on its side",
       {mark(mark_kind::dynamic, "mf", true, false), mark(mark_kind::dynamic, "ff"), note()},
       " |  | _\\markup \\dynamic \"mf\"^\\ff"},
      {"a hidden first dynamic goes",
       {mark(mark_kind::dynamic, "p", false), mark(mark_kind::dynamic, "ff"), note()},
       " |  | ^\\ff"},
      {"a hidden dynamic keeps its place without a stencil",
       {mark(mark_kind::dynamic, "p", false, false), note()},
       " | _\\tweak stencil ##f \\p"},
      {"a dynamic LilyPond has no command for prints as words",
       {mark(mark_kind::dynamic, "sfffz", true, false), note()},
       " | _\\markup \\dynamic \"sfffz\""},
      {"dynamic variances: sforzando as a dynamic, crescendo as words",
       {mark(mark_kind::dynamic_variance, "Sforzando", true, false),
        mark(mark_kind::dynamic_variance, "Crescendo", true, false), note()},
       " |  | _\\sfz_\\markup \\italic \"cresc.\""},
      {"a hairpin runs over its notes and ends on the note after them",
       {note(0, cresc), note(0, cresc), note()},
       "\\< |  | \\!"},
      {"a dynamic on the note after a hairpin ends it by itself",
       {note(0, cresc), mark(mark_kind::dynamic, "f"), note()},
       "\\< |  | ^\\f"},
      {"one fermata a note, from a mark and an articulation",
       {mark(mark_kind::fermata, "Fermata"), note(sc::fermata)},
       " | \\fermata"},
      {"a pedal pressed again is released first, a release at the end goes",
       {mark(mark_kind::pedal_down), note(), mark(mark_kind::pedal_down), note(),
        mark(mark_kind::pedal_up), staff_end{}},
       " | \\sustainOn |  | \\sustainOff\\sustainOn |  | "},
      {"texts by font and place, tempo words too",
       {text("Solo", sc::text_font::bold, true), text("soft", sc::text_font::italic, false),
        text("a", sc::text_font::plain, true),
        mark(mark_kind::tempo_variance, "Ritardando", true, false), note()},
       " |  |  |  | ^\\markup \\bold \"Solo\"_\\markup \\italic \"soft\"^\\markup "
       "\"a\"_\\markup \\italic \"rit.\""},
      {"blank and hidden texts print nothing",
       {text(" \n", sc::text_font::plain, true), note()},
       " | "},
      {"breaths and caesuras stand at their place",
       {mark(mark_kind::breath), mark(mark_kind::caesura, "", false)},
       "\\breathe | \\once \\omit BreathingSign \\caesura"},
      {"what waits at the staff's end goes on an empty chord",
       {note(0, cresc), mark(mark_kind::dynamic, "ff"), staff_end{}},
       "\\< |  | <>^\\ff"},
      {"an open hairpin ends at the staff's end", {note(0, cresc), staff_end{}}, "\\< | <>\\!"},
      {"nothing waiting, nothing written", {note(), staff_end{}}, " | "},
      {"endings are the repeats' to write", {mark(mark_kind::ending)}, ""},
  };
  for (const marks_case& c : cases) {
    SCOPED_TRACE(c.name);
    std::set<std::string> shared;
    EXPECT_EQ(written(c.steps, shared), c.expected);
  }
}

TEST(PageMarks, FlowMarksAreTheScoresOnceAMoment) {
  std::set<std::string> shared;
  sc::mark fine = mark(sc::mark_kind::flow, "DCalFine");
  fine.onset = sc::rational(3);
  sc::mark segno = mark(sc::mark_kind::flow, "Segno");
  sc::mark to_coda = mark(sc::mark_kind::flow, "ToCoda");
  to_coda.onset = sc::rational(5);
  sc::mark coda = mark(sc::mark_kind::flow, "Coda");
  coda.onset = sc::rational(6);
  sc::mark second_coda = coda;
  second_coda.onset = sc::rational(7);
  // Each segno and coda is the single sign, not LilyPond's count of them.
  EXPECT_EQ(written({fine, segno, to_coda, coda, second_coda}, shared),
            "\\textEndMark \"D.C. al Fine\" | \\segnoMark 1 | "
            "\\textEndMark \\markup { \"To Coda\" \\musicglyph \"scripts.coda\" } | "
            "\\codaMark 1 | \\codaMark 1");
  // A second staff holds the same marks: the score shows them once.
  EXPECT_EQ(written({fine, segno}, shared), " | ");
  sc::mark later = fine;
  later.onset = sc::rational(4);
  EXPECT_EQ(written({later, mark(sc::mark_kind::flow, "Fine", false)}, shared),
            "\\textEndMark \"D.C. al Fine\" | ");
}

}  // namespace
