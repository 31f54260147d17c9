// Unit tests of the marks in the score model: articulations and hairpin options of notes,
// mark records with their places, repeat counts, instruments, and the page's word on what it
// leaves out of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page/left_out.hpp"
#include "score/reader.hpp"

namespace {

namespace sc = choirly::score;

sc::score read(const std::string& body) {
  const sc::reading r = sc::read_nwctxt("!NoteWorthyComposer(2.751)\n|AddStaff|Name:\"S\"\n" +
                                        body + "!NoteWorthyComposer-End\n");
  EXPECT_TRUE(r.ok) << r.error;
  return r.model;
}

template <class T>
std::vector<T> all(const sc::score& s) {
  std::vector<T> out;
  for (const auto& it : s.staves.at(0).items)
    if (const auto* x = std::get_if<T>(&it)) out.push_back(*x);
  return out;
}

TEST(ScoreMarks, ArticulationsAndHairpinOptionsComeFromDurAndOpts) {
  const sc::score s = read(
      "|Note|Dur:4th,Staccato,Tenuto|Pos:0|Opts:Crescendo\n"
      "|Note|Dur:4th,Accent|Pos:0|Opts:Stem=Up,Diminuendo\n"
      "|Chord|Dur:4th,Staccatissimo,Marcato|Pos:0,2\n"
      "|Note|Dur:4th,Slur|Pos:0\n");
  const auto e = all<sc::event>(s);
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].articulations, sc::staccato | sc::tenuto);
  EXPECT_EQ(e[0].hairpin, sc::hairpin_option::crescendo);
  EXPECT_EQ(e[1].articulations, unsigned(sc::accent));
  EXPECT_EQ(e[1].hairpin, sc::hairpin_option::diminuendo);
  EXPECT_EQ(e[2].articulations, sc::staccatissimo | sc::marcato);
  EXPECT_EQ(e[3].articulations, 0u);
  EXPECT_EQ(e[3].hairpin, sc::hairpin_option::none);
}

TEST(ScoreMarks, MarkRecordsKeepKindStylePlaceAndOnset) {
  struct expected {
    sc::mark_kind kind;
    std::string style;
    bool above;
    bool visible;
    sc::rational onset;
  };
  const sc::score s = read(
      "|Dynamic|Style:mf|Pos:-8\n"
      "|Note|Dur:4th|Pos:0\n"
      "|Text|Text:\"a \\\"b\\\"\"|Font:StaffBold|Pos:-12\n"
      "|TempoVariance|Style:Fermata|Pause:0|Pos:9\n"
      "|TempoVariance|Style:Breath Mark\n"
      "|TempoVariance|Style:Caesura\n"
      "|TempoVariance|Style:Rubato\n"
      "|Note|Dur:Half|Pos:0\n"
      "|SustainPedal|Visibility:Never\n"
      "|SustainPedal|Status:Released\n"
      "|Flow|Style:DSalCoda\n"
      "|PerformanceStyle|Style:Dolce|Pos:6\n"
      "|DynamicVariance|Style:Sforzando\n");
  const std::vector<expected> want = {
      {sc::mark_kind::dynamic, "mf", false, true, 0},
      {sc::mark_kind::text, "", false, true, sc::rational(1, 4)},
      {sc::mark_kind::fermata, "Fermata", true, true, sc::rational(1, 4)},
      {sc::mark_kind::breath, "Breath Mark", true, true, sc::rational(1, 4)},
      {sc::mark_kind::caesura, "Caesura", true, true, sc::rational(1, 4)},
      {sc::mark_kind::tempo_variance, "Rubato", true, true, sc::rational(1, 4)},
      {sc::mark_kind::pedal_down, "", false, false, sc::rational(3, 4)},
      {sc::mark_kind::pedal_up, "", false, true, sc::rational(3, 4)},
      {sc::mark_kind::flow, "DSalCoda", true, true, sc::rational(3, 4)},
      {sc::mark_kind::performance_style, "Dolce", true, true, sc::rational(3, 4)},
      {sc::mark_kind::dynamic_variance, "Sforzando", false, true, sc::rational(3, 4)},
  };
  const auto marks = all<sc::mark>(s);
  ASSERT_EQ(marks.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(marks[i].kind, want[i].kind);
    EXPECT_EQ(marks[i].style, want[i].style);
    EXPECT_EQ(marks[i].above, want[i].above);
    EXPECT_EQ(marks[i].visible, want[i].visible);
    EXPECT_EQ(marks[i].onset, want[i].onset);
  }
  EXPECT_EQ(marks[1].font, sc::text_font::bold);
  EXPECT_EQ(marks[1].text, "a \"b\"");
}

TEST(ScoreMarks, EndingsRepeatCountsAndInstruments) {
  const sc::score s = read(
      "|StaffProperties|Channel:10\n"
      "|StaffInstrument|Patch:52|Trans:0\n"
      "|Note|Dur:Whole|Pos:0\n"
      "|Bar|Style:LocalRepeatClose|Repeat:3\n"
      "|Ending|Endings:1,3,D\n"
      "|Note|Dur:Whole|Pos:0\n"
      "|Bar|Style:MasterRepeatClose\n");
  EXPECT_EQ(s.staves[0].patch, 52);
  EXPECT_TRUE(s.staves[0].drum_channel);
  const auto bars = all<sc::bar_line>(s);
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[0].style, sc::bar_style::repeat_close);
  EXPECT_TRUE(bars[0].local);
  EXPECT_EQ(bars[0].repeat_count, 3);
  EXPECT_FALSE(bars[1].local);
  EXPECT_EQ(bars[1].repeat_count, 0);
  const auto marks = all<sc::mark>(s);
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].kind, sc::mark_kind::ending);
  EXPECT_EQ(marks[0].numbers, (std::vector<int>{1, 3}));
  EXPECT_TRUE(marks[0].default_ending);
}

TEST(ScoreMarks, RestsKeepTheirArticulationsAndThePageShowsTheFermataOnly) {
  const sc::score s = read(
      "|Note|Dur:4th|Pos:0\n"
      "|Rest|Dur:4th,Staccato\n"
      "|Rest|Dur:4th,Accent|Opts:Fermata\n"
      "|Note|Dur:4th,Staccato|Pos:0\n"
      "|RestChord|Dur:4th,Tenuto|Opts:Stem=Up|Dur2:4th|Pos2:1\n");
  const auto e = all<sc::event>(s);
  ASSERT_EQ(e.size(), 5u);
  EXPECT_EQ(e[1].articulations, unsigned(sc::staccato));
  EXPECT_EQ(e[2].articulations, sc::accent | sc::fermata);
  EXPECT_EQ(e[3].articulations, unsigned(sc::staccato));
  EXPECT_EQ(e[4].articulations, unsigned(sc::tenuto));
  // The page shows a rest's fermata, and of a rest chord's too, and nothing else on them.
  EXPECT_EQ(choirly::page::shown_articulations(e[1]), 0u);
  EXPECT_EQ(choirly::page::shown_articulations(e[2]), unsigned(sc::fermata));
  EXPECT_EQ(choirly::page::shown_articulations(e[3]), unsigned(sc::staccato));
  EXPECT_EQ(choirly::page::shown_articulations(e[4]), 0u);
  for (const auto& d : s.diagnostics)
    EXPECT_EQ(d.message.find("not on the page"), std::string::npos) << d.message;
  std::vector<sc::diagnostic> notes;
  choirly::page::note_left_out(s, notes);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].message,
            "3 staccato, accent or tenuto marks on rests are not on the page (first here)");
  EXPECT_EQ(notes[0].line, 4);
}

TEST(ScoreMarks, EachSkippedKindIsNamedOnceWithItsCount) {
  const sc::score s = read(
      "|Spacer|Width:825\n"
      "|Note|Dur:4th|Pos:0\n"
      "|MPC|Controller:vol\n"
      "|Spacer|Width:100\n"
      "|User|Plugin.x|Pos:0\n");
  // The model keeps what the score says; the page says what it leaves out.
  EXPECT_EQ(all<sc::skipped_record>(s).size(), 4u);
  EXPECT_TRUE(s.diagnostics.empty());
  std::vector<sc::diagnostic> notes;
  choirly::page::note_left_out(s, notes);
  std::vector<std::string> messages;
  for (const auto& d : notes)
    messages.push_back(d.message);
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "|MPC| records are not on the page (1 in the score, first here)",
                          "|Spacer| records are not on the page (2 in the score, first here)",
                          "|User| records are not on the page (1 in the score, first here)"}));
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[1].line, 3);
}

}  // namespace
