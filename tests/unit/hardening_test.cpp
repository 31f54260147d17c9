// End-to-end runs at the edges of every fixed size and number range, arbitrary bytes inside
// each kind of record, and the inputs the fuzzer has found (fuzz/regressions).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "stream_capture.hpp"

namespace choirly {
namespace {

using testing::run_on;
using testing::run_result;

const std::string header = "!NoteWorthyComposer(2.5)\n";
const std::string end_marker = "!NoteWorthyComposer-End\n";

// The preamble of a score without song information.
const std::string preamble = R"(\version "2.16.1"

#(set-global-staff-size 24)
#(set-default-paper-size "letter")
#(ly:set-option 'point-and-click #f )
#(ly:set-option 'delete-intermediate-files #t)


\book {
  % \bookOutputName "book_output_name"
  \paper {
    indent = #0
    left-margin = 0.75\in
    line-width = 7.0\in
    top-margin = 0.25\in
    bottom-margin = 0.25\in
    print-page-number = ##f
    print-first-page-number = ##f
    ragged-bottom = ##t
    % page-count = 1
  }
  \header {
    title = ""
    poet = ""
    composer = ""
    tagline = ##f
    copyright = "Public Domain"
  }
  \score {
    \new ChoirStaff {
      <<
      \chords { }
)";

// The preamble up to the opening of the book, which no input changes.
const std::string book_opening = preamble.substr(0, preamble.find("\\book {\n") + 8);

std::string closing(const std::string& midi = "    \\midi { }") {
  return "      >>\n    }\n" + midi +
         "\n    \\layout { \\context { \\Staff printPartCombineTexts = ##f } }\n  }\n}\n\n";
}

const std::string staff_close = "        \\bar \"|.\"\n      }\n";

// A whole score: the header, the staff lines, the end marker.
std::string score(const std::string& staff_lines) {
  return header + "|AddStaff\n" + staff_lines + end_marker;
}

std::string repeated(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i)
    all += text;
  return all;
}

std::size_t count_of(const std::string& haystack, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + needle.size()))
    ++n;
  return n;
}

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(Hardening, TempoBeyond32Bits) {
  struct row {
    const char* number;
    const char* written;
  };
  const row rows[] = {
      {"2147483647", "2147483647"},
      {"2147483648", "2147483647"},
      {"4294967296", "2147483647"},  // not wrapped round to 0
      {"99999999999999999999999", "2147483647"},
      {"-2147483648", "-2147483648"},
      {"-2147483649", "-2147483648"},
      {"-99999999999999999999999", "-2147483648"},
      // Many digits but a small value: leading zeros, a sign and white space before it.
      {" +0000000000000000000000000120", "120"},
      {"\t-0000000000000000000000000001", "-1"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.number);
    const run_result got =
        run_on(header + "|Tempo|Tempo:" + r.number + "|\n|AddStaff\n" + end_marker);
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.err, "");
    EXPECT_EQ(got.out, preamble + "      \\new Staff {\n        \\time 4/4\n" + staff_close +
                           closing(std::string("    \\midi { \\tempo 4 = ") + r.written + " }"));
  }
}

// A quarter-note pickup, a bar, a whole note and a bar under the given time signature.
std::string pickup_staff(const std::string& signature, const std::string& pickup = "4th") {
  return score("|Clef|Type:Treble\n|TimeSig|Signature:" + signature + "\n|Note|Dur:" + pickup +
               "|Pos:0\n|Bar\n|Note|Dur:Whole|Pos:0\n|Bar\n");
}

TEST(Hardening, TimeSignatureExtremes) {
  struct row {
    const char* signature;
    const char* text;     // the time text as written
    const char* partial;  // the pickup line, or "" for none
  };
  const row rows[] = {
      {"3/0", "3/0", ""},  // no measure length, so no pickup
      {"3/129", "3/129", ""},
      {"3/256", "3/256", ""},
      {"99999999999/4", "2147483647/4", "        \\partial 4\n"},  // a huge measure
      {"-99999999999/4", "-2147483648/4", ""},                     // a negative measure
      {"4/99999999999", "4/2147483647", ""},
      {"4/-99999999999", "4/-2147483648", ""},
      {"3/-4", "3/-4", ""},
      {"-2147483648/1", "-2147483648/1", ""},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.signature);
    const run_result got = run_on(pickup_staff(r.signature));
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.err, "");
    EXPECT_EQ(got.out, preamble + "      \\new Staff {\n        \\clef treble\n        \\time " +
                           r.text + "\n" + r.partial + "         b'4 |\n         b'1 |\n       \n" +
                           staff_close + closing());
  }

  // 3/128 is a measure of 3 units: a sixty-fourth (2) is a pickup, with 3/129 there is none.
  const run_result small = run_on(pickup_staff("3/128", "64th"));
  EXPECT_NE(small.out.find("        \\time 3/128\n        \\partial 64\n"), std::string::npos);
  const run_result none = run_on(pickup_staff("3/129", "64th"));
  EXPECT_NE(none.out.find("        \\time 3/129\n         b'64 |\n"), std::string::npos);

  // A numerator of 0 counts as no time signature: its text and the default 4/4 both appear.
  const run_result zero = run_on(pickup_staff("0/4"));
  EXPECT_EQ(zero.status, 0);
  EXPECT_NE(zero.out.find("        \\time 0/4\n        \\time 4/4\n        \\partial 4\n"),
            std::string::npos);
}

// One note after the given clef record with no bar line: a staff in 4/4 with no pickup line,
// whose single voice holds `written`.
void expect_single_note(const std::string& clef_record, const std::string& clef_text,
                        const std::string& note, const std::string& written) {
  SCOPED_TRACE(clef_record + note);
  const run_result got = run_on(score(clef_record + note + "\n"));
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.err, "");
  EXPECT_EQ(got.out, preamble + "      \\new Staff {\n" + clef_text +
                         "        \\time 4/4\n       " + written + "\n" + staff_close + closing());
}

TEST(Hardening, PositionsOutsideTheStaffRange) {
  const std::string treble = "|Clef|Type:Treble\n";
  const std::string bass = "|Clef|Type:Bass\n";
  const std::string treble_text = "        \\clef treble\n";
  const std::string bass_text = "        \\clef bass\n";
  // Treble offset 34: 220 + 34 = 254, the highest position, an e with no octave mark.
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:220", "  e4");
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:219", "  d4");
  // 255 would mark a rest; the note stays a note at 254.
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:221", "  e4");
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:2147483647", "  e4");
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:99999999999", "  e4");
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:#99999999999", "  eis4");
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:-34", "  c,,,4");
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:00000000000000000000000001", "  c''4");
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:-35", "  c,,,4");
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:-2147483648", "  c,,,4");
  expect_single_note(treble, treble_text, "|Note|Dur:4th|Pos:b-99999999999^", "  ces,,,4 ~");
  // Bass offset 22.
  expect_single_note(bass, bass_text, "|Note|Dur:4th|Pos:232", "  e4");
  expect_single_note(bass, bass_text, "|Note|Dur:4th|Pos:233", "  e4");
  expect_single_note(bass, bass_text, "|Note|Dur:4th|Pos:-22", "  c,,,4");
  expect_single_note(bass, bass_text, "|Note|Dur:4th|Pos:-23", "  c,,,4");
  // Before any clef the treble offset applies: 0 + 34 is b'.
  expect_single_note("", "", "|Note|Dur:4th|Pos:0", "  b'4");

  // A chord of the two extremes: 254 lies higher than 0 and goes to the upper voice.
  const run_result chord = run_on(score(treble + "|Chord|Dur:Half|Pos:-40,300\n"));
  EXPECT_EQ(chord.status, 0);
  EXPECT_EQ(chord.out, preamble +
                           "      \\new Staff {\n        \\clef treble\n        \\time 4/4\n"
                           "        \\partcombine\n"
                           "        {\n           e2\n        }\n"
                           "        {\n           c,,,2\n        }\n" +
                           staff_close + closing());
}

TEST(Hardening, StaffOfBarLinesAtTheEntryLimit) {
  // 1000 bar lines fill the table exactly; a staff of bar lines has one voice and no pickup.
  const std::string expected = preamble + "      \\new Staff {\n        \\time 4/4\n       " +
                               repeated(" |\n       ", 1000) + "\n" + staff_close + closing();
  const run_result full = run_on(score(repeated("|Bar\n", 1000)));
  EXPECT_EQ(full.status, 0);
  EXPECT_EQ(full.err, "");
  EXPECT_EQ(full.out, expected);

  // The 1001st entry and all after it are dropped, with one warning for the staff.
  const run_result over = run_on(score(repeated("|Bar\n", 1003)));
  EXPECT_EQ(over.status, 0);
  EXPECT_EQ(over.err, "WARNING: Staff 1 has more than 1000 entries; the rest are dropped\n");
  EXPECT_EQ(over.out, expected);

  // One warning for each staff that overflows, naming that staff.
  const run_result two =
      run_on(header + "|AddStaff\n" + repeated("|Bar\n", 1001) + "|AddStaff\n|Bar\n|AddStaff\n" +
             repeated("|Bar\n", 1002) + end_marker);
  EXPECT_EQ(two.status, 0);
  EXPECT_EQ(two.err,
            "WARNING: Staff 1 has more than 1000 entries; the rest are dropped\n"
            "WARNING: Staff 3 has more than 1000 entries; the rest are dropped\n");
  EXPECT_EQ(count_of(two.out, "      \\new Staff {\n"), 3u);
  EXPECT_TRUE(ends_with(two.out, staff_close + closing()));
}

TEST(Hardening, EntriesBeforeTheFirstStaff) {
  // Records before any "|AddStaff" fill the table as staff 0, which is never written; the
  // first staff starts from an empty table.
  const run_result got =
      run_on(header + "|Clef|Type:Bass\n" + repeated("|Note|Dur:4th|Pos:0\n", 1001) +
             "|AddStaff\n|Bar\n" + end_marker);
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.err, "WARNING: Staff 0 has more than 1000 entries; the rest are dropped\n");
  EXPECT_EQ(got.out, preamble + "      \\new Staff {\n        \\time 4/4\n       " +
                         " |\n       \n" + staff_close + closing());
}

TEST(Hardening, SecondRunReadsNothingOfALongerFirstRun) {
  // A one-note staff in the default 4/4 and treble clef, as a fresh process writes it.
  const std::string one_note = preamble + "      \\new Staff {\n        \\time 4/4\n" +
                               "         b'4\n" + staff_close + closing();
  struct row {
    const char* what;
    std::string first;
    std::string second;
  };
  const row rows[] = {
      // Staff table: clef text, time signature and 1000 full entries before a short staff.
      {"staff table",
       score("|Clef|Type:Bass\n|TimeSig|Signature:3/4\n" +
             repeated("|Chord|Dur:Half|Pos:1,3|Dur2:4th|Pos2:-2\n", 1100)),
       score("|Note|Dur:4th|Pos:0\n")},
      // Line table: slots that held bar lines are dropped records in the second run.
      {"line table", score(repeated("|Bar\n", 3000)),
       score(repeated("|Editor|ActiveStaff:1\n", 2000) + "|Note|Dur:4th|Pos:0\n")},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    ASSERT_EQ(run_on(r.first).status, 0);
    const run_result got = run_on(r.second);
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.err, "");
    EXPECT_EQ(got.out, one_note);
  }
}

TEST(Hardening, PickupScanAtTheEndOfTheTable) {
  const std::string treble = "|Clef|Type:Treble\n";
  const std::string silent = "|Note|Dur:None|Pos:0\n";  // a note word of duration 0
  const std::string opening = preamble +
                              "      \\new Staff {\n        \\clef treble\n"
                              "        \\time 4/4\n";

  // Clef, 997 silent notes, a quarter note and a bar in slot 999: the bar ends the scan.
  const run_result last_slot =
      run_on(score(treble + repeated(silent, 997) + "|Note|Dur:4th|Pos:0\n|Bar\n"));
  EXPECT_EQ(last_slot.status, 0);
  EXPECT_EQ(last_slot.err, "");
  EXPECT_EQ(last_slot.out,
            opening + "        \\partial 4\n         b'4 |\n       \n" + staff_close + closing());

  // One silent note more pushes the bar out of the table: no bar ends the scan, no pickup.
  const run_result dropped =
      run_on(score(treble + repeated(silent, 998) + "|Note|Dur:4th|Pos:0\n|Bar\n"));
  EXPECT_EQ(dropped.status, 0);
  EXPECT_EQ(dropped.err, "WARNING: Staff 1 has more than 1000 entries; the rest are dropped\n");
  EXPECT_EQ(dropped.out, opening + "         b'4\n" + staff_close + closing());

  // Notes without any bar line: no pickup, however short.
  const run_result no_bar = run_on(score(treble + "|Note|Dur:4th|Pos:0\n"));
  EXPECT_EQ(no_bar.out, opening + "         b'4\n" + staff_close + closing());

  // Bar lines only before the first duration, and a double bar after it: no pickup.
  const run_result early_bars =
      run_on(score(treble + "|Bar\n|Bar\n|Note|Dur:4th|Pos:0\n|Bar|Style:Double\n"));
  EXPECT_EQ(early_bars.out, opening + "        |\n        |\n         b'4 \\bar \"||\" \n" +
                                staff_close + closing());

  // A full table of quarter notes without a bar line.
  const run_result full = run_on(score(treble + repeated("|Note|Dur:4th|Pos:0\n", 999)));
  EXPECT_EQ(full.status, 0);
  EXPECT_EQ(full.err, "");
  EXPECT_EQ(full.out,
            opening + "       " + repeated("  b'4", 999) + "\n" + staff_close + closing());

  // An empty staff: no voice at all.
  const run_result empty = run_on(score(""));
  EXPECT_EQ(empty.out,
            preamble + "      \\new Staff {\n        \\time 4/4\n" + staff_close + closing());
}

TEST(Hardening, LineTableLimitEndToEnd) {
  // Header in slot 0, staff in slot 1, 3997 filler lines, the end marker in slot 3999.
  const std::string filler = repeated("filler\n", 3997);
  const std::string document =
      preamble + "      \\new Staff {\n        \\time 4/4\n" + staff_close + closing();

  const run_result fits = run_on(header + "|AddStaff\n" + filler + end_marker);
  EXPECT_EQ(fits.status, 0);
  EXPECT_EQ(fits.err, "");
  EXPECT_EQ(fits.out, document);

  // The same end marker as the final line, without a line feed.
  const run_result unterminated =
      run_on(header + "|AddStaff\n" + filler + "!NoteWorthyComposer-End");
  EXPECT_EQ(unterminated.status, 0);
  EXPECT_EQ(unterminated.out, document);

  // Lines that take no slot may follow slot 3999: empty lines, dropped layout records,
  // captured tempo lines, and too-long lines (reported and dropped).
  const std::string long_line(201, 'L');
  const run_result beyond =
      run_on(header + "|AddStaff\n" + filler + end_marker +
             "\n\n|Editor|ActiveStaff:1\n|Tempo|Tempo:77|\n" + long_line + "\n\n");
  EXPECT_EQ(beyond.status, 0);
  EXPECT_EQ(beyond.err, "ERROR: Line 4004 is too long:\n" + long_line + "\n");
  EXPECT_EQ(beyond.out, preamble + "      \\new Staff {\n        \\time 4/4\n" + staff_close +
                            closing("    \\midi { \\tempo 4 = 77 }"));

  // One filler line more puts the end marker in slot 4000: refused, nothing written.
  const run_result over = run_on(header + "|AddStaff\n" + filler + "filler\n" + end_marker);
  EXPECT_EQ(over.status, 1);
  EXPECT_EQ(over.err, "ERROR: Input line 4000 exceeds the 4000-line limit\n");
  EXPECT_EQ(over.out, "");

  // Dropped lines before the limit still use up their slots.
  const run_result dropped_first =
      run_on(header + "|Editor|ActiveStaff:1\n|AddStaff\n" + filler + end_marker);
  EXPECT_EQ(dropped_first.status, 1);
  EXPECT_EQ(dropped_first.err, "ERROR: Input line 4000 exceeds the 4000-line limit\n");
  EXPECT_EQ(dropped_first.out, "");
}

// Properties every run on a score with the header and the end marker keeps, whatever bytes
// sit in its records.
void expect_well_formed(const run_result& got, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(got.status, 0);
  ASSERT_EQ(got.err, "");
  ASSERT_EQ(got.out.substr(0, book_opening.size()), book_opening);
  ASSERT_TRUE(ends_with(got.out,
                        "    \\layout { \\context { \\Staff printPartCombineTexts = ##f } }"
                        "\n  }\n}\n\n"));
  // Every staff opened is closed.
  ASSERT_EQ(count_of(got.out, "      \\new Staff {\n"), count_of(got.out, staff_close));
  // The transliteration leaves only ASCII, and a NUL ends a line's text.
  for (unsigned char c : got.out)
    ASSERT_TRUE(c != 0 && c < 0x80) << static_cast<int>(c);
}

TEST(Hardening, EveryByteInsideEveryKindOfRecord) {
  const std::string records[] = {
      "|Note|Dur:4th,Dotted,Slur|Pos:#-1^",
      "|Chord|Dur:8th|Pos:-2,0,2,4,6|Opts:Stem=Up|Dur2:4th|Pos2:b-4",
      "|Chord|Dur:Half|Pos:n1,x3|Dur2:Whole|Pos2:v-6",
      "|RestChord|Dur:4th|Opts:Stem=Up|Dur2:8th|Pos2:1",
      "|RestChord|Dur:16th|Dur2:32nd|Pos2:1,2",
      "|Rest|Dur:64th,Dotted",
      "|TempoVariance|Style:Fermata|Pause:0|Pos:9|Justify:Center|Placement:AtNextNote",
      "|Key|Signature:Bb,Eb,Ab|Tonic:C",
      "|Key|Tonic:A",
      "|Clef|Type:Bass",
      "|TimeSig|Signature:6/8",
      "|Bar",
      "|Bar|Style:Double",
      "|Dynamic||Style:mf|Pos:-8",
      "|Lyric1|Text:\"Hel-lo\\r\\nworld\"",
      "|SongInfo|Title:\"T\"|Author:\"A\"|Lyricist:\"L\"|Copyright1:\"C\"",
      "|Tempo|Tempo:90|",
      "|AddStaff|Name:\"Alto\"",
  };
  for (const std::string& record : records) {
    const std::size_t n = record.size();
    // Inserted at the start, after the first bar, in the middle and at the end, and in
    // place of the last character.
    const std::size_t inserts[] = {0, 1, n / 2, n};
    for (int byte = 0; byte < 256; ++byte) {
      const char c = static_cast<char>(byte);
      for (std::size_t at : inserts) {
        std::string changed = record;
        changed.insert(at, 1, c);
        expect_well_formed(
            run_on(score("|Clef|Type:Treble\n|Note|Dur:4th|Pos:0\n" + changed +
                         "\n|Note|Dur:8th|Pos:1\n|Bar\n")),
            record + " with byte " + std::to_string(byte) + " at " + std::to_string(at));
      }
      std::string replaced = record;
      replaced.back() = c;
      expect_well_formed(run_on(score(replaced + "\n|Bar\n")),
                         record + " ending in byte " + std::to_string(byte));
    }
  }
}

// Every message line begins with its level, except the echo that follows a too-long line.
bool messages_well_formed(const std::string& err) {
  if (!err.empty() && err.back() != '\n') return false;
  bool echo = false;
  std::size_t start = 0;
  while (start < err.size()) {
    const std::size_t end = err.find('\n', start);
    const std::string line = err.substr(start, end - start);
    start = end + 1;
    if (echo) {
      echo = false;
    } else if (line.rfind("ERROR: Line ", 0) == 0 && ends_with(line, " is too long:")) {
      echo = true;
    } else if (line.rfind("INFO: ", 0) != 0 && line.rfind("WARNING: ", 0) != 0 &&
               line.rfind("ERROR: ", 0) != 0) {
      return false;
    }
  }
  return !echo;
}

// Inputs kept from fuzzing (fuzz/regressions, standard input only): each must end with a
// valid status and pass the same checks as the fuzz target.
TEST(Hardening, FuzzRegressions) {
  const std::filesystem::path folder =
      std::filesystem::path(__FILE__).parent_path() / "../../fuzz/regressions";
  ASSERT_TRUE(std::filesystem::exists(folder)) << folder;
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string input{std::istreambuf_iterator<char>(file), {}};
    const run_result got = run_on(input);
    ++replayed;
    EXPECT_TRUE(messages_well_formed(got.err)) << got.err;
    if (got.status == 1) {
      EXPECT_EQ(got.out, "");
      continue;
    }
    ASSERT_EQ(got.status, 0);
    EXPECT_EQ(got.out.substr(0, book_opening.size()), book_opening);
    for (unsigned char c : got.out)
      ASSERT_TRUE(c != 0 && c < 0x80) << static_cast<int>(c);
    const bool warned =
        got.err.find("WARNING: Input has no end marker, so the document is incomplete\n") !=
        std::string::npos;
    EXPECT_TRUE(warned || got.out.find(closing().substr(closing().find("    \\layout"))) !=
                              std::string::npos);
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
}  // namespace choirly
