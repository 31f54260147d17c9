// Each object type of the binary format decoded from hand-made bytes, in every version whose
// layout differs, and the header records of a small score.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nwc/binary_reader.hpp"
#include "tests/nwc/nwc_body.hpp"

namespace choirly::nwc {
namespace {

using testing::bytes;
using testing::object;
using testing::score_body;

constexpr int v170 = 0x0146;
constexpr int v175 = 0x014B;
constexpr int v201 = 0x0201;
constexpr int v205 = 0x0205;

// The records after the staff's StaffInstrument line, one per object.
std::vector<std::string> object_records(const std::string& text) {
  std::vector<std::string> records;
  bool in_staff = false;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.starts_with("!NoteWorthyComposer-End")) break;
    if (in_staff) records.push_back(line);
    if (line.starts_with("|StaffInstrument")) in_staff = true;
  }
  return records;
}

struct object_case {
  const char* name;
  int version;
  std::string data;  // the object, type and visibility byte included
  const char* record;
};

// A note's eight bytes: length, spacing, beam/triplet/stem, lyric, articulations and ties,
// slurs, position (stored with the opposite sign), accidental (5: none).
std::string note(std::initializer_list<int> block, int visibility = 0) {
  return object(8, bytes(block), visibility);
}

const std::vector<object_case>& object_cases() {
  static const std::vector<object_case> cases = {
      {"clef_bass", v175, object(0, bytes({1, 0, 0, 0})), "|Clef|Type:Bass"},
      {"clef_treble_octave_up", v175, object(0, bytes({0, 0, 1, 0})),
       "|Clef|Type:Treble|OctaveShift:Octave Up"},
      {"key_one_flat", v175, object(1, bytes({0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0})),
       "|Key|Signature:Bb|Tonic:F"},
      {"key_three_flats", v175, object(1, bytes({0x13, 0, 0, 0, 0, 0, 0, 0, 0, 0})),
       "|Key|Signature:Bb,Eb,Ab|Tonic:E"},
      {"key_two_sharps", v175, object(1, bytes({0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0})),
       "|Key|Signature:F#,C#|Tonic:D"},
      {"key_none", v175, object(1, std::string(10, '\0')), "|Key|Signature:C|Tonic:C"},
      {"key_tonic_of_2_05", v205, object(1, bytes({0, 0, 0x20, 0, 0, 0, 0, 0, 0, 0, 4, 0})),
       "|Key|Signature:F#|Tonic:E"},
      {"bar_single", v175, object(2, bytes({0, 1})), "|Bar"},
      {"bar_double", v175, object(2, bytes({1, 2})), "|Bar|Style:Double"},
      {"bar_local_repeat_close", v175, object(2, bytes({5, 3})),
       "|Bar|Style:LocalRepeatClose|Repeat:3"},
      {"bar_master_repeat_open", v175, object(2, bytes({6, 2})), "|Bar|Style:MasterRepeatOpen"},
      {"bar_system_break", v201, object(2, bytes({0x81, 0})), "|Bar|Style:Double|SysBreak:Y"},
      {"bar_hidden", v175, object(2, bytes({0, 0}), 3), "|Bar|Visibility:Never"},
      {"ending_one_two", v175, object(3, bytes({3, 0})), "|Ending|Endings:1,2"},
      {"time_three_four", v175, object(5, bytes({3, 0, 2, 0, 0, 0})), "|TimeSig|Signature:3/4"},
      {"time_six_eight", v201, object(5, bytes({6, 0, 3, 0, 0, 0})), "|TimeSig|Signature:6/8"},
      {"time_common", v175, object(5, bytes({4, 0, 2, 0, 1, 0})), "|TimeSig|Signature:Common"},
      {"time_alla_breve", v175, object(5, bytes({2, 0, 1, 0, 2, 0})),
       "|TimeSig|Signature:AllaBreve"},
      {"tempo_with_text", v175, object(6, bytes({0xF7, 0, 100, 0, 2}) + "Moderately" + '\0'),
       "|Tempo|Tempo:100|Text:\"Moderately\"|Pos:9"},
      {"tempo_dotted_base_hidden", v201, object(6, bytes({0xFA, 0, 60, 0, 3, 0}), 3),
       "|Tempo|Base:Quarter Dotted|Tempo:60|Pos:6|Visibility:Never"},
      {"dynamic", v175, object(7, bytes({0xF8, 0, 6, 0xFF, 0xFF, 0xFF, 0xFF})),
       "|Dynamic|Style:ff|Pos:8"},
      {"dynamic_velocity", v201, object(7, bytes({8, 0, 0x23, 100, 0, 0xFF, 0xFF})),
       "|Dynamic|Style:mp|Velocity:100|Pos:-8"},
      {"note_plain", v175, note({2, 0, 0, 0, 0, 0, 0xFE, 5}), "|Note|Dur:4th|Pos:2"},
      {"note_dotted_slur_tie_flat", v175, note({3, 0, 0x11, 0, 0x14, 0x01, 0x02, 1}),
       "|Note|Dur:8th,Dotted,Slur|Pos:b-2^|Opts:Stem=Up,Beam=First"},
      {"note_triplet_accent_tenuto", v175, note({2, 0, 0x24, 0, 0x20, 0x04, 0, 0}),
       "|Note|Dur:4th,Triplet=First,Tenuto,Accent|Pos:#0|Opts:Stem=Down"},
      {"note_staccato_double_dotted", v175, note({4, 0, 0x0B, 0, 0x03, 0, 0xF9, 2}),
       "|Note|Dur:16th,DblDotted,Triplet,Staccato|Pos:n7|Opts:Beam=End"},
      {"note_grace_lyric_never", v175, note({3, 0, 0, 1, 0, 0x20, 0, 5}),
       "|Note|Dur:8th,Grace|Pos:0|Opts:Lyric=Never"},
      {"note_slur_and_tie_directions", v201, note({1, 0, 0x40, 0, 0, 0xC0, 0, 0x0D}),
       "|Note|Dur:Half|Pos:0|Opts:Slur=Downward,Tie=Downward"},
      {"note_spacing", v201, note({0x32, 0x02, 0, 0, 0, 0, 0, 5}),
       "|Note|Dur:4th|Pos:0|Opts:XAccSpace=3,XNoteSpace=2"},
      {"note_hidden", v175, note({0, 0, 0, 0, 0, 0, 0, 5}, 3),
       "|Note|Dur:Whole|Pos:0|Visibility:Never"},
      {"note_crescendo_2_01", v201, note({2, 0, 0, 0, 0x40, 0, 0xFF, 5}),
       "|Note|Dur:4th|Pos:1|Opts:Crescendo"},
      // In 1.x the same bit marks a chord's note and gives no text.
      {"note_chord_marker_1_75", v175, note({2, 0, 0, 0, 0x40, 0, 0xFF, 5}), "|Note|Dur:4th|Pos:1"},
      {"note_stem_length_and_more_2_01", v201, note({2, 0, 0x10, 0, 0x80, 0, 0, 0xF5}) + '\x07',
       "|Note|Dur:4th|Pos:0|Opts:Stem=Up,Diminuendo,StemLength=7,ArticulationsOnStem,"
       "NoLegerLines,Muted"},
      {"note_1_70_ten_bytes", v170, note({2, 0, 0, 0, 0, 0, 0xFE, 5, 0, 0}), "|Note|Dur:4th|Pos:2"},
      {"rest_plain", v175, object(9, bytes({1, 0, 0, 0, 0, 0, 0, 0})), "|Rest|Dur:Half"},
      {"rest_dotted_offset", v175, object(9, bytes({2, 0, 0x20, 0, 0x04, 0, 0xF9, 0xFF})),
       "|Rest|Dur:4th,Dotted|Opts:Stem=Down,VertOffset=7"},
      {"chord_one_voice", v175,
       object(10, bytes({1, 0, 0, 0, 0, 0, 0, 5, 2, 0}) + note({1, 0, 0, 0, 0x40, 0, 0x02, 5}) +
                      note({1, 0, 0, 0, 0x50, 0, 0xFF, 0})),
       "|Chord|Dur:Half|Pos:-2,#1^"},
      {"chord_split_stems_1_75", v175,
       object(10, bytes({2, 0, 0x10, 0, 0, 0, 0, 5, 2, 0}) +
                      note({0, 0, 0x20, 0, 0x40, 0, 0x08, 5}) +
                      note({2, 0, 0x10, 0, 0x40, 0, 0x04, 5})),
       "|Chord|Dur:4th|Pos:-4|Opts:Stem=Up,ArticulationsOnStem|Dur2:Whole|Pos2:-8"},
      {"chord_split_stems_2_01", v201,
       object(10, bytes({2, 0, 0x10, 0, 0, 0, 0, 5, 2, 0}) + note({0, 0, 0x20, 0, 0, 0, 0x08, 5}) +
                      note({2, 0, 0x10, 0, 0, 0, 0x04, 5})),
       "|Chord|Dur:4th|Pos:-4|Opts:Stem=Up|Dur2:Whole|Pos2:-8"},
      {"chord_1_70_twelve_byte_header", v170,
       object(10, bytes({3, 0, 0x13, 0, 0, 0, 0, 5, 0, 0, 0, 0, 2, 0}) +
                      note({3, 0, 0x13, 0, 0x40, 0, 0x02, 5, 0, 0}) +
                      note({3, 0, 0x13, 0, 0x40, 0, 0x00, 5, 0, 0})),
       "|Chord|Dur:8th|Pos:-2,0|Opts:Stem=Up,Beam=End"},
      {"rest_chord_1_75", v175,
       object(18, bytes({2, 0, 0x10, 0, 0, 0, 0xF9, 0xFF, 1, 0}) +
                      note({1, 0, 0x20, 0, 0xC0, 0, 0xFF, 5})),
       "|RestChord|Dur:4th|Opts:Stem=Up,ArticulationsOnStem,VertOffset=7|Dur2:Half|Pos2:1"},
      {"rest_chord_around_a_chord", v175,
       object(18, bytes({2, 0, 0, 0, 0, 0, 0, 0, 1, 0}) +
                      object(10, bytes({1, 0, 0, 0, 0, 0, 0, 5, 2, 0}) +
                                     note({1, 0, 0, 0, 0xC0, 0, 0x02, 5}) +
                                     note({1, 0, 0, 0, 0xC0, 0, 0x00, 1}))),
       "|RestChord|Dur:4th|Opts:ArticulationsOnStem|Dur2:Half|Pos2:-2,b0"},
      {"sustain_pedal_released", v175, object(11, bytes({0xF6, 0x01, 0})),
       "|SustainPedal|Status:Released|Pos:10|Wide:Y"},
      {"sustain_pedal_down", v175, object(11, bytes({0xF6, 0, 1})), "|SustainPedal|Pos:10"},
      {"flow_segno", v175, object(12, bytes({0xF8, 0, 1, 0})), "|Flow|Style:Segno|Pos:8"},
      {"flow_dal_segno_right", v175, object(12, bytes({0xF8, 0x04, 7, 0})),
       "|Flow|Style:DalSegno|Pos:8|Justify:Right"},
      {"controller_change", v201, object(13, bytes({0, 0}) + std::string(32, '\x01')),
       "|MPC|Pos:0"},
      {"fermata_at_next_note", v175, object(14, bytes({0xF7, 0x1A, 1, 0})),
       "|TempoVariance|Style:Fermata|Pause:0|Pos:9|Justify:Center|Placement:AtNextNote"},
      {"breath_mark_pause", v175, object(14, bytes({0xF8, 0, 0, 5})),
       "|TempoVariance|Style:Breath Mark|Pause:5|Pos:8"},
      {"ritardando_has_no_pause", v175, object(14, bytes({0xF6, 0x08, 5, 7})),
       "|TempoVariance|Style:Ritardando|Pos:10|Placement:BestFitForward"},
      {"decrescendo", v175, object(15, bytes({0, 0, 1})),
       "|DynamicVariance|Style:Decrescendo|Pos:0"},
      {"legato", v175, object(16, bytes({0xFA, 0, 7})), "|PerformanceStyle|Style:Legato|Pos:6"},
      {"text", v175, object(17, bytes({0xF7, 0, 1}) + "G7" + '\0'),
       "|Text|Text:\"G7\"|Font:StaffBold|Pos:9"},
      {"text_escapes", v175, object(17, bytes({0, 0, 0}) + "a|b\"c'd\\e" + '\0'),
       "|Text|Text:\"a\\|b\\\"c\\'d\\\\e\"|Font:StaffItalic|Pos:0"},
      {"instrument_change_1_75", v175, object(4, std::string(8, '\0')), "|Instrument"},
      {"instrument_change_2_01", v201,
       object(4, bytes({0xFC, 0, 0, 0, 0, 0, 0, 0}) + "Flute" + std::string(10, '\0')),
       "|Instrument|Name:\"Flute\"|Pos:4"},
  };
  return cases;
}

class object_decoding : public ::testing::TestWithParam<object_case> {};

TEST_P(object_decoding, gives_its_record) {
  const object_case& c = GetParam();
  const binary_read read = read_binary(score_body(c.version, c.data, 1));
  ASSERT_TRUE(read.ok) << read.error;
  const std::vector<std::string> records = object_records(read.text);
  ASSERT_EQ(records.size(), 1u) << read.text;
  EXPECT_EQ(records[0], c.record);
}

INSTANTIATE_TEST_SUITE_P(every_type, object_decoding, ::testing::ValuesIn(object_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Each object cut short anywhere is damaged, never read past its end.
TEST(object_decoding, every_object_cut_short_is_damaged) {
  for (const object_case& c : object_cases()) {
    const std::string whole = score_body(c.version, c.data, 1);
    const std::size_t object_start = whole.size() - c.data.size();
    for (std::size_t cut = object_start; cut < whole.size(); ++cut) {
      const binary_read read = read_binary(whole.substr(0, cut));
      EXPECT_FALSE(read.ok) << c.name << " cut at " << cut;
      EXPECT_TRUE(read.error.starts_with("damaged NoteWorthy Composer file (at byte "))
          << c.name << ": " << read.error;
    }
  }
}

TEST(header_records, of_a_small_score) {
  const binary_read read = read_binary(score_body(v201, object(2, bytes({0, 0})), 1));
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.version, "2.01");
  const std::string font = "|Typeface:\"Times New Roman\"|Size:8|Bold:N|Italic:N|CharSet:0\n";
  EXPECT_EQ(read.text,
            "!NoteWorthyComposer(2.75)\n"
            "|SongInfo|Title:\"Title\"|Author:\"Author\"|Lyricist:\"Poet\"|Copyright1:\"C1\""
            "|Copyright2:\"C2\"\n"
            "|PgSetup|StaffSize:16|Zoom:4|TitlePage:Y|JustifyVertically:Y|PrintSystemSepMark:N"
            "|ExtendLastSystem:N|DurationPadding:Y|PageNumbers:0|StaffLabels:None"
            "|BarNumbers:Plain|StartingBar:1\n"
            "|Font|Style:StaffItalic" +
                font + "|Font|Style:StaffBold" + font + "|Font|Style:StaffLyric" + font +
                "|Font|Style:PageTitleText" + font + "|Font|Style:PageText" + font +
                "|Font|Style:PageSmallText" + font + "|Font|Style:User1" + font +
                "|Font|Style:User2" + font + "|Font|Style:User3" + font + "|Font|Style:User4" +
                font + "|Font|Style:User5" + font + "|Font|Style:User6" + font +
                // Margins are stored in inches, top, left, right, bottom.
                "|PgMargins|Left:1.02|Top:1.27|Right:1.02|Bottom:1.78|Mirror:N\n"
                "|AddStaff|Name:\"Sop\"|Group:\"Standard\"\n"
                "|StaffProperties|EndingBar:Section Close|Visible:Y|BoundaryTop:12"
                "|BoundaryBottom:11|Lines:5|Color:Default\n"
                "|StaffProperties|Muted:N|Volume:127|StereoPan:64|Device:0|Channel:3\n"
                "|StaffInstrument|Patch:0|Trans:0|DynVel:10,30,45,60,75,92,108,127\n"
                "|Bar\n"
                "!NoteWorthyComposer-End\n");
}

TEST(header_records, a_1_75_staff_is_labelled_with_its_name) {
  const binary_read read = read_binary(score_body(v175, "", 0));
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_NE(read.text.find("|SongInfo|Title:\"Title\"|Author:\"Author\"|Lyricist:\"\"|"),
            std::string::npos);
  EXPECT_NE(read.text.find("|AddStaff|Name:\"Sop\"|Label:\"Sop\"|Group:\"Standard\"\n"),
            std::string::npos);
}

struct damage_case {
  const char* name;
  std::string body;
  std::string error;
};

// The body with its page margins string replaced.
std::string margins_of(std::string body, std::string_view margins) {
  const std::size_t at = body.find("0.5 0.4 0.4 0.69999999");
  return body.replace(at, 22, margins);
}

TEST(damaged_files, say_where_and_what) {
  const std::string ok = score_body(v175, "", 0);
  const std::size_t end = ok.size();
  const std::vector<damage_case> cases = {
      {"unknown_type", score_body(v175, object(19, ""), 1),
       "damaged NoteWorthy Composer file (at byte " + std::to_string(end) +
           ": object type 19 is unknown to version 1.75)"},
      {"chord_of_no_notes", score_body(v175, object(10, bytes({2, 0, 0, 0, 0, 0, 0, 5, 0, 0})), 1),
       "damaged NoteWorthy Composer file (at byte " + std::to_string(end + 11) +
           ": a chord of 0 notes)"},
      {"chord_holding_a_rest",
       score_body(
           v175,
           object(10, bytes({2, 0, 0, 0, 0, 0, 0, 5, 1, 0}) + object(9, std::string(8, '\0'))), 1),
       "damaged NoteWorthy Composer file (at byte " + std::to_string(end + 13) +
           ": a chord holds something not a note)"},
      {"count_past_the_end", score_body(v175, "", 5),
       "damaged NoteWorthy Composer file (at byte " + std::to_string(end) +
           ": an object runs past the end)"},
      {"bytes_after_the_last_staff", ok + "xyz",
       "damaged NoteWorthy Composer file (at byte " + std::to_string(end) +
           ": 3 bytes follow the last staff)"},
      {"note_length_unknown", score_body(v175, note({9, 0, 0, 0, 0, 0, 0, 5}), 1),
       "damaged NoteWorthy Composer file (at byte " + std::to_string(end + 3) +
           ": note length 9 is unknown)"},
      {"title_without_end", ok.substr(0, ok.find("Title") + 3),
       "damaged NoteWorthy Composer file (at byte " + std::to_string(ok.find("Title")) +
           ": the title has no end before the end of the file)"},
      {"margins_not_numbers", margins_of(ok, "0.5 0.4 0.4 junk"),
       "damaged NoteWorthy Composer file (at byte " + std::to_string(ok.find("0.5 0.4")) +
           ": the page margins are not four numbers)"},
      {"margins_without_end", ok.substr(0, ok.find("0.5 0.4") + 5),
       "damaged NoteWorthy Composer file (at byte " + std::to_string(ok.find("0.5 0.4")) +
           ": the page margin text has no end before the end of the file)"},
      {"header_cut_in_the_magic", ok.substr(0, 30),
       "damaged NoteWorthy Composer file (at byte 30: the file header runs past the end)"},
  };
  for (const damage_case& c : cases) {
    const binary_read read = read_binary(c.body);
    EXPECT_FALSE(read.ok) << c.name;
    EXPECT_EQ(read.error, c.error) << c.name;
    EXPECT_TRUE(read.text.empty()) << c.name;
  }
}

TEST(versions, outside_the_known_ones_are_named_not_guessed) {
  const std::vector<std::pair<int, std::string>> cases = {
      {0x0137, "NoteWorthy Composer 1.55 files cannot be read (saved by version 1.55)"},
      {0x0300, "NoteWorthy Composer 3.00 files cannot be read (saved by version 3.00)"},
  };
  for (const auto& [word, error] : cases) {
    const binary_read read = read_binary(score_body(word, "", 0));
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, error);
  }
}

}  // namespace
}  // namespace choirly::nwc
