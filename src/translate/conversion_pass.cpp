// The second pass: walks the stored lines, cuts them into staves at "|AddStaff", turns the
// context records into staff entries and has each staff written when it ends.
#include "translate/conversion_pass.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "lilypond/document_frame.hpp"
#include "lilypond/staff_writer.hpp"
#include "line_table.hpp"
#include "text_scan.hpp"
#include "translate/event_records.hpp"
#include "translate/key_signatures.hpp"
#include "translate/staff_table.hpp"

namespace choirly {

conversion_state pass_state{};

namespace {

constexpr std::string_view end_marker = "!NoteWorthyComposer-End";
constexpr std::string_view fermata_record =
    "|TempoVariance|Style:Fermata|Pause:0|Pos:9|Justify:Center|Placement:AtNextNote";
constexpr std::string_view add_staff_record = "|AddStaff";
constexpr std::string_view clef_record_head = "|Clef|Type:";  // what every clef pattern shares
constexpr std::string_view key_record_head = "|Key|";         // what every key pattern shares

struct clef_record {
  std::string_view pattern;
  std::string_view text;
  std::int32_t clef_offset;  // position of the middle staff line under this clef
};
constexpr clef_record clef_records[] = {
    {"|Clef|Type:Treble", "        \\clef treble", 34},
    {"|Clef|Type:Alto", "        \\clef alto", 28},
    {"|Clef|Type:Tenor", "        \\clef tenor", 26},
    {"|Clef|Type:Bass", "        \\clef bass", 22},
};

// The slot the next entry takes, or null when the staff is full (reported once a staff).
staff_entry* next_entry(std::FILE* err) {
  conversion_state& s = pass_state;
  if (s.entry_count < staff_slots) return &use_entry(s.entry_count++);
  if (!s.staff_overflow_reported) {
    std::fprintf(err, "WARNING: Staff %d has more than %d entries; the rest are dropped\n",
                 s.staff_count, staff_slots);
    s.staff_overflow_reported = true;
  }
  return nullptr;
}

void write_text_entry(std::string_view text, std::FILE* err) {
  if (staff_entry* entry = next_entry(err)) {
    const std::size_t n = text.copy(entry->text, entry_text_size - 1);
    entry->text[n] = '\0';
  }
}

void write_marker_entry(note_word marker, std::FILE* err) {
  if (staff_entry* entry = next_entry(err)) entry->words[0] = marker;
}

// The lyric comments follow the first staff: where the second begins, or at the end marker
// of a score with a single staff. Never twice.
void write_lyric_comments_once(std::FILE* out) {
  if (pass_state.lyrics_written) return;
  print_lyric_comments(out);
  pass_state.lyrics_written = true;
}

void begin_staff(std::FILE* out) {
  conversion_state& s = pass_state;
  if (s.staff_count != 0) {
    output_staff(out);
    // NoteWorthy Composer writes no key record for a staff in C, so a staff without one
    // starts without accidentals, whatever key the staff before it ended in.
    s.key_index = 8;
  }
  if (s.staff_count == 1) write_lyric_comments_once(out);
  initialize_staff();
  if (s.staff_count < INT32_MAX) ++s.staff_count;
  s.entry_count = 0;
  s.staff_overflow_reported = false;
  s.accidentals = held_accidentals{};
}

// The records that count wherever they stand in a line. The first pass noted the letters
// that follow the bars of each line, so only the few lines that can hold one of them are
// searched for it.
struct line_marks {
  bool end_marker = false;
  bool add_staff = false;
  bool clef = false;
  bool key = false;
  bool fermata = false;
};

line_marks mark_line(std::string_view line, std::uint32_t bar_letters) {
  line_marks marks;
  // Most record lines are shorter than the end marker.
  marks.end_marker = line.size() >= end_marker.size() && line.find('!') != std::string_view::npos &&
                     contains(line, end_marker);
  if (bar_letters & bar_letter_bit(add_staff_record[1]))
    marks.add_staff = contains(line, add_staff_record);
  if (bar_letters & bar_letter_bit(clef_record_head[1]))
    marks.clef = contains(line, clef_record_head);
  if (bar_letters & bar_letter_bit(key_record_head[1])) marks.key = contains(line, key_record_head);
  if (bar_letters & bar_letter_bit(fermata_record[1]))
    marks.fermata = contains(line, fermata_record);
  return marks;
}

void convert_clefs(std::string_view line, std::FILE* err) {
  for (const clef_record& clef : clef_records) {
    if (contains(line, clef.pattern)) {
      write_text_entry(clef.text, err);
      pass_state.clef_offset = clef.clef_offset;
    }
  }
}

void convert_key(std::string_view line, std::FILE* err) {
  for (const key_pattern& key : key_patterns) {
    if (contains(line, key.pattern)) {
      write_text_entry(key.text, err);
      pass_state.key_index = key.key_index;
      return;  // unlike clefs, one key record gives one key
    }
  }
  // A key without a tonic: its signature list alone names the key. The chain lists the
  // majors first, so the first row with that list is the major key.
  constexpr std::string_view signature_label = "|Key|Signature:";
  const std::size_t at = line.find(signature_label);
  if (at == std::string_view::npos || contains(line, "|Tonic:")) return;
  std::string_view list = line.substr(at + signature_label.size());
  list = list.substr(0, list.find('|'));
  for (const key_pattern& key : key_patterns) {
    if (!starts_with(key.pattern, signature_label)) continue;
    const std::string_view rest = key.pattern.substr(signature_label.size());
    if (starts_with(rest, list) && starts_with(rest.substr(list.size()), "|Tonic:")) {
      write_text_entry(key.text, err);
      pass_state.key_index = key.key_index;
      return;
    }
  }
}

// "|TimeSig|Signature:%d/%d", each number going straight into its global as it converts.
void convert_time_signature(std::string_view line, std::FILE* err) {
  if (scan<record_formats::time_signature>(line, time_sig_numerator, time_sig_denominator) != 2)
    return;
  char text[entry_text_size];
  std::snprintf(text, sizeof text, "        \\time %d/%d", time_sig_numerator,
                time_sig_denominator);
  write_text_entry(text, err);
}

// "|Dynamic||Style:%[^'|']|": the name runs to the next apostrophe or bar.
void convert_dynamic(std::string_view line, std::FILE* err) {
  std::string_view name;
  if (scan<record_formats::dynamic>(line, name) != 1) return;
  // Eight blanks, a backslash, the name cut so that the text fits its entry, a line break.
  constexpr std::string_view indent = "        \\";
  char text[entry_text_size];
  std::size_t n = indent.copy(text, indent.size());
  n += name.copy(text + n, dynamic_name_max);
  text[n++] = '\n';
  write_text_entry({text, n}, err);
}

void convert_event(std::string_view line, char record, bool fermata, std::FILE* err) {
  conversion_state& s = pass_state;
  event_words event;
  if (record != 'R' || !parse_rest_event(line, s.clef_offset, s.key_index, event)) {
    if (fermata) {
      write_marker_entry(fermata_marker, err);
      return;
    }
    if ((record != 'C' && record != 'N') ||
        !parse_note_event(line, s.clef_offset, s.key_index, event))
      return;
  }
  // Also for an event whose entry is dropped: its accidentals still hold for later notes.
  apply_held_accidentals(s.accidentals, event);
  if (staff_entry* entry = next_entry(err))
    std::copy_n(event.words, event.word_count, entry->words);
}

void convert_line(std::string_view line, std::uint32_t bar_letters, std::FILE* out,
                  std::FILE* err) {
  conversion_state& s = pass_state;
  const line_marks marks = mark_line(line, bar_letters);
  if (marks.end_marker) {
    output_staff(out);
    write_lyric_comments_once(out);
    print_closing(out);
    s.end_marker_seen = true;
  }
  if (marks.add_staff) begin_staff(out);
  if (marks.clef) convert_clefs(line, err);
  if (marks.key) convert_key(line, err);
  // The other records are read from the start of the line, so the letter after its first
  // bar tells which of them it can be: a time signature, a bar line, a dynamic, a rest or
  // rest chord, a chord or a note.
  const char record = line.size() > 1 && line[0] == '|' ? line[1] : '\0';
  if (record == 'T') convert_time_signature(line, err);
  if (record == 'B') {
    if (line == "|Bar") write_marker_entry(bar_marker, err);
    if (line == "|Bar|Style:Double") write_marker_entry(double_bar_marker, err);
    // Every bar line ends the bar, also the styles that write no marker.
    if (starts_with(line, "|Bar")) end_bar(s.accidentals);
  }
  if (record == 'D') convert_dynamic(line, err);
  convert_event(line, record, marks.fermata, err);
}

}  // namespace

void reset_conversion_state() {
  pass_state = conversion_state{};
}

void convert_stored_lines(std::FILE* out, std::FILE* err) {
  const std::int32_t last = std::min(last_line_index, line_slots - 1);
  for (std::int32_t slot = 0; slot <= last; ++slot)
    convert_line(line_text(slot), line_table[slot].bar_letters, out, err);
  if (!pass_state.end_marker_seen)
    std::fputs("WARNING: Input has no end marker, so the document is incomplete\n", err);
}

}  // namespace choirly
