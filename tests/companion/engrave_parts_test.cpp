// The parts of --parts: which staff labels and names sing, the file names parts take, and the
// parts of real scores, Korean ones among them, as expected by hand.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "engrave/page_conversion.hpp"
#include "page/parts.hpp"
#include "page/staves.hpp"

namespace {

using choirly::page::file_name_text;
using choirly::page::names_a_voice;

TEST(EngraveParts, LabelsAndNamesThatSing) {
  const struct {
    const char* text;
    bool voice;
  } rows[] = {
      {"Soprano", true},
      {"SOPRANO I", true},
      {"Mezzo-Soprano", true},
      {"Alt", true},
      {"Altos", true},
      {"Contralto", true},
      {"Tenor 1", true},
      {"T\xc3\xa9nor", true},
      {"Baritone", true},
      {"Bass", true},
      {"Basse", true},
      {"Basso continuo", false},
      {"S", true},
      {"A", true},
      {"S A", true},
      {"SATB", true},
      {"TB", true},
      {"T2", true},
      {"Sop.", true},
      {"Ten.", true},
      {"Bar.", true},
      {"Bs.", true},
      {"Women", true},
      {"Choir", true},
      {"소프라노", true},
      {"알토", true},
      {"앨토", true},
      {"테너, 베이스", true},
      {"베이스", true},
      {"바리톤", true},
      {"", false},
      {"Staff-1", false},
      {"Right Hand", false},
      {"Pianoforte", false},
      {"Violino I.", false},
      {"Viola.", false},
      {"Contrabass", false},
      {"Bassoon", false},
      {"Bar Measurement", false},
      {"Sopranino", false},
      {"BA", false},
      {"Sax", false},
      {"Tenderly", false},
      {"Organ", false},
      {"<StaffLabel>", false},
      {"Alto Sax", false},
      {"Bass Guitar", false},
      {"Tenor Drum", false},
      {"Soprano Recorder", false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(names_a_voice(row.text), row.voice) << row.text;
}

TEST(EngraveParts, FileNameText) {
  const struct {
    const char* text;
    const char* file;
  } rows[] = {
      {"Soprano", "Soprano"},
      {"테너, 베이스", "테너-베이스"},
      {"<StaffLabel>", "StaffLabel"},
      {"Violino I.", "Violino-I"},
      {"  S/A  ", "S-A"},
      {"a:b*c?\"d|e\\f", "a-b-c-d-e-f"},
      {"Tenor\t2\n", "Tenor-2"},
      {"...", ""},
  };
  for (const auto& row : rows)
    EXPECT_EQ(file_name_text(row.text), row.file) << row.text;
}

std::vector<std::string> part_names(const std::string& file) {
  std::ifstream in(std::string(CHOIRLY_CORPUS_DIR) + "/" + file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto read = choirly::engrave::read_page_score(bytes);
  if (!in.is_open() || !read) return {"cannot read " + file};
  std::vector<std::string> names;
  for (const auto& p :
       choirly::page::plan_parts(read->model, choirly::page::plan_staves(read->model)))
    names.push_back(p.suffix);
  return names;
}

TEST(EngraveParts, CorpusScores) {
  using names = std::vector<std::string>;
  const struct {
    const char* file;
    names parts;
  } rows[] = {
      // SATB with words under each voice, a piano pair below or above left out.
      {"kor_choir_go_down_moses_b.nwctxt", {"소프라노", "앨토", "테너", "베이스"}},
      {"kor_choir_gara_sarang_satb.nwctxt", {"소프라노", "앨토", "테너-베이스"}},
      // One singing staff; the piano staves are hidden or do not sing.
      {"kor_choir_ganaham_3staff.nwctxt", {"Staff-1"}},
      {"kor_choir_go_down_moses_a.nwctxt", {"Staff", "Staff-1", "Staff-2", "Staff-3"}},
      // Words under the viola alone make it the one part.
      {"m21_cuthbert_string_quartet.nwctxt", {"Viola"}},
      {"m21_really_complete_example.nwctxt", {"StaffLabel", "PianoStaffLabel", "Staff3Name"}},
      // No staff sings: every shown staff, named by its label, else its name, else its place.
      {"msx_incomplete_voice_2staves.nwctxt", {"Staff-1", "New-Britain"}},
      {"msx_segnos2_2staff.nwctxt", {"Staff-1", "Staff-2"}},
      {"m21_very_simple.nwctxt", {"Staff1"}},
      // The right hand lies on its layer (Layer:Y): one part under the upper staff's label.
      {"msx_beethoven_choral_fantasy_piano.nwctxt", {"Pianoforte", "Piano-LH"}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(part_names(row.file), row.parts) << row.file;
}

// A part takes tempo and flow marks from other staves into its own items; every tie must
// still reach the same note it reaches in the full score.
TEST(EngraveParts, TiesReachTheSameNotesWithBorrowedMarks) {
  namespace score = choirly::score;
  std::vector<std::pair<std::string, std::string>> scores;
  for (const char* file : {"kor_choir_go_down_moses_b.nwctxt", "kor_choir_gara_sarang_satb.nwctxt",
                           "msx_beethoven_choral_fantasy_piano.nwctxt"}) {
    std::ifstream in(std::string(CHOIRLY_CORPUS_DIR) + "/" + file, std::ios::binary);
    ASSERT_TRUE(in.is_open()) << file;
    scores.emplace_back(
        file, std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  }
  // The alto's tempo, borrowed by the soprano's part, goes just before the note its tie reaches.
  scores.emplace_back("tempo before the tied note",
                      "!NoteWorthyComposer(2.75)\n|AddStaff|Name:\"Soprano\"\n|Clef|Type:Treble\n"
                      "|Note|Dur:Half|Pos:0^\n|Note|Dur:Half|Pos:0\n|Bar\n"
                      "|AddStaff|Name:\"Alto\"\n|Clef|Type:Treble\n|Note|Dur:Half|Pos:-2\n"
                      "|Tempo|Tempo:80|Pos:8\n|Note|Dur:Half|Pos:-2\n|Bar\n"
                      "!NoteWorthyComposer-End\n");
  for (const auto& [file, bytes] : scores) {
    const auto read = choirly::engrave::read_page_score(bytes);
    ASSERT_TRUE(read) << file;
    const score::score& model = read->model;
    std::size_t ties = 0;
    const auto page_staves = choirly::page::plan_staves(model);
    for (const auto& p : choirly::page::plan_parts(model, page_staves)) {
      const std::vector<score::staff> staves =
          choirly::page::part_staves(model, page_staves[p.page_staff]);
      for (std::size_t s = 0; s < staves.size(); ++s)
        for (const score::item& it : staves[s].items)
          if (const auto* e = std::get_if<score::event>(&it))
            for (const score::note& n : e->main.notes) {
              if (!n.tied_to) continue;
              ++ties;
              ASSERT_LT(n.tied_to->item, staves[s].items.size()) << file;
              const auto* to = std::get_if<score::event>(&staves[s].items[n.tied_to->item]);
              ASSERT_NE(to, nullptr) << file << ": a tie reaches a mark";
              const auto& notes = n.tied_to->part == 0 ? to->main.notes : to->second.notes;
              ASSERT_LT(n.tied_to->index, notes.size()) << file;
              EXPECT_EQ(notes[n.tied_to->index].position, n.position) << file;
              EXPECT_TRUE(to->onset > e->onset) << file;
            }
    }
    EXPECT_GT(ties, 0u) << file;
  }
}

}  // namespace
