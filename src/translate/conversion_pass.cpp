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
constexpr std::string_view time_sig_prefix = "|TimeSig|Signature:";
constexpr std::string_view dynamic_prefix = "|Dynamic||Style:";

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

void convert_clefs(std::string_view line, std::FILE* err) {
  if (!contains(line, "|Clef|Type:")) return;  // what every clef pattern shares
  for (const clef_record& clef : clef_records) {
    if (contains(line, clef.pattern)) {
      write_text_entry(clef.text, err);
      pass_state.clef_offset = clef.clef_offset;
    }
  }
}

void convert_key(std::string_view line, std::FILE* err) {
  if (!contains(line, "|Key|")) return;  // what every key pattern shares
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
  if (!starts_with(line, time_sig_prefix)) return;
  std::string_view rest = line.substr(time_sig_prefix.size());
  std::size_t used = scan_decimal(rest, time_sig_numerator);
  if (used == 0) return;
  rest.remove_prefix(used);
  if (rest.empty() || rest[0] != '/') return;
  rest.remove_prefix(1);
  if (scan_decimal(rest, time_sig_denominator) == 0) return;
  char text[entry_text_size];
  std::snprintf(text, sizeof text, "        \\time %d/%d", time_sig_numerator,
                time_sig_denominator);
  write_text_entry(text, err);
}

// "|Dynamic||Style:%[^'|']|": the name runs to the next apostrophe or bar.
void convert_dynamic(std::string_view line, std::FILE* err) {
  if (!starts_with(line, dynamic_prefix)) return;
  char name[stored_line_max + 1];
  if (std::sscanf(line.data(), "|Dynamic||Style:%200[^'|']", name) != 1) return;
  char text[entry_text_size];
  // The name is cut so that the text fits its entry.
  std::snprintf(text, sizeof text, "        \\%.*s\n", dynamic_name_max, name);
  write_text_entry(text, err);
}

void convert_event(std::string_view line, std::FILE* err) {
  conversion_state& s = pass_state;
  event_words event{};
  if (!parse_rest_event(line, s.clef_offset, s.key_index, event)) {
    if (contains(line, fermata_record)) {
      write_marker_entry(fermata_marker, err);
      return;
    }
    if (!parse_note_event(line, s.clef_offset, s.key_index, event)) return;
  }
  // Also for an event whose entry is dropped: its accidentals still hold for later notes.
  apply_held_accidentals(s.accidentals, event);
  if (staff_entry* entry = next_entry(err))
    std::copy_n(event.words, event.word_count, entry->words);
}

void convert_line(std::string_view line, std::FILE* out, std::FILE* err) {
  conversion_state& s = pass_state;
  if (contains(line, end_marker)) {
    output_staff(out);
    write_lyric_comments_once(out);
    print_closing(out);
    s.end_marker_seen = true;
  }
  if (contains(line, "|AddStaff")) begin_staff(out);
  convert_clefs(line, err);
  convert_key(line, err);
  convert_time_signature(line, err);
  if (line == "|Bar") write_marker_entry(bar_marker, err);
  if (line == "|Bar|Style:Double") write_marker_entry(double_bar_marker, err);
  // Every bar line ends the bar, also the styles that write no marker.
  if (starts_with(line, "|Bar")) end_bar(s.accidentals);
  convert_dynamic(line, err);
  convert_event(line, err);
}

}  // namespace

void reset_conversion_state() {
  pass_state = conversion_state{};
}

void convert_stored_lines(std::FILE* out, std::FILE* err) {
  const std::int32_t last = std::min(last_line_index, line_slots - 1);
  for (std::int32_t slot = 0; slot <= last; ++slot)
    convert_line(line_text(slot), out, err);
  if (!pass_state.end_marker_seen)
    std::fputs("WARNING: Input has no end marker, so the document is incomplete\n", err);
}

}  // namespace choirly
