// Writes one staff from the staff table: its texts, the time and pickup, then one voice or
// two voices under \partcombine, with bar lines, slurs and fermatas.
#include "lilypond/staff_writer.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <utility>

#include "lilypond/note_printer.hpp"
#include "lilypond/text_output.hpp"
#include "translate/staff_table.hpp"

namespace choirly {

namespace {

// The used slots and one empty slot after them, where a fermata after the last note is
// written; the empty slots beyond write nothing.
std::span<staff_entry> written_entries() {
  const std::int32_t n = staff_used < staff_slots ? staff_used + 1 : staff_slots;
  return {staff.data(), static_cast<std::size_t>(n)};
}

int count_voices() {
  int voices = 0;
  for (const staff_entry& entry : written_entries()) {
    if (voices < 2 && entry.words[0] != 0 && entry.words[1] != 0)
      voices = 2;
    else if (voices == 0 && entry.words[0] != 0)
      voices = 1;
  }
  return voices;
}

// Length of one full measure in 128ths; the time globals hold any 32-bit values. A staff
// with no time signature yet is in 4/4, which output_staff writes.
std::int64_t measure_length() {
  if (time_sig_numerator == 0) return 128;
  if (time_sig_denominator == 0) return 0;  // no measure to compare a pickup with
  return std::int64_t{128} / time_sig_denominator * time_sig_numerator;
}

// Music before the first bar line that follows some counted duration; 0 when there is none.
std::int64_t pickup_length() {
  std::int64_t running = 0;
  for (const staff_entry& entry : written_entries()) {
    const std::uint32_t d0 = duration_of(entry.words[0]);
    const std::uint32_t d1 = duration_of(entry.words[1]);
    if (d0 != 0) running += d1 == 0 ? d0 : std::min(d0, d1);
    if (entry.words[0] == bar_marker && running != 0) return running;
  }
  return 0;
}

// State of the voice passes; the slur and fermata flags run on from pass 1 into pass 2.
struct voice_writer {
  std::FILE* out;
  int voices;
  int pass;
  std::int64_t upper_time;
  std::int64_t lower_time;
  note_word last_written;
  bool slur_open;
  bool fermata_pending;

  void write_word(note_word w) {
    put(" ", out);
    print_note(w, out);
    print_duration(w, out);
    last_written = w;
  }

  // Both words as one chord with the duration of word 0; pass 2 keeps a blank between them.
  void write_chord(note_word w0, note_word w1) {
    put(" <", out);
    print_note(w0, out);
    if (pass == 2) put(" ", out);
    print_note(w1, out);
    put(">", out);
    print_duration(w0, out);
    last_written = w0;
  }

  void write_notes(note_word w0, note_word w1) {
    const std::uint32_t d0 = duration_of(w0);
    const std::uint32_t d1 = duration_of(w1);
    if (d0 == 0 && d1 == 0) return;
    if (upper_time == lower_time) {
      // A second word alone while the voices are level has no voice behind to take it, and
      // is dropped.
      if (d0 == 0) return;
      write_word(pass == 1 || d1 == 0 ? w0 : w1);
      upper_time += d0;
      lower_time += d1 == 0 ? d0 : d1;
      return;
    }
    // One voice is behind: the slot belongs to it.
    const bool upper_behind = upper_time < lower_time;
    const bool writes = upper_behind ? pass == 1 : pass == 2;
    std::int64_t& behind = upper_behind ? upper_time : lower_time;
    if (d1 == 0) {
      if (writes) write_word(w0);
      behind += d0;
    } else if (d0 == 0) {
      if (writes) write_word(w1);
      behind += d1;
    } else if (d0 == d1) {
      if (writes) write_chord(w0, w1);
      behind += d0;
    }
  }

  void write_pass(std::string_view indent) {
    upper_time = 0;
    lower_time = 0;
    last_written = 0;
    if (voices == 2) put("        {\n", out);
    put(indent, out);
    for (staff_entry& entry : written_entries()) {
      note_word* words = entry.words;
      if (words[0] == bar_marker) {
        put(" |\n", out);
        put(indent, out);
      } else if (words[0] == double_bar_marker) {
        put(" \\bar \"||\" ", out);
      } else if (position_of(words[0]) < position_of(words[1])) {
        std::swap(words[0], words[1]);  // the higher note leads, and a rest comes first
      }
      if (upper_time != lower_time && position_of(words[0]) == rest_position) words[0] = 0;
      write_notes(words[0], words[1]);
      const bool slurred = has_bit(last_written, slur_bit);
      if (!slur_open && slurred) {
        put(" (", out);
        slur_open = true;
      } else if (slur_open && !slurred) {
        put(" )", out);
        slur_open = false;
      }
      if (fermata_pending) put(" \\fermata", out);
      fermata_pending = words[0] == fermata_marker;
    }
    put(voices == 2 ? "\n        }\n" : "\n", out);
  }
};

}  // namespace

void output_staff(std::FILE* out) {
  const int voices = count_voices();

  put("      \\new Staff {\n", out);
  for (const staff_entry& entry : written_entries()) {
    if (entry.text[0] == '\0') continue;
    put({entry.text, strnlen(entry.text, entry_text_size)}, out);
    put("\n", out);
  }

  if (time_sig_numerator == 0) put("        \\time 4/4\n", out);
  const std::int64_t measure = measure_length();
  const std::int64_t pickup = pickup_length();
  // A pickup that no single duration spells is left unmarked.
  const std::string_view pickup_duration = duration_text(pickup);
  if (pickup < measure && !pickup_duration.empty()) {
    put("        \\partial ", out);
    put(pickup_duration, out);
    put("\n", out);
  }

  if (voices == 2) put("        \\partcombine\n", out);

  voice_writer writer{out, voices, 1, 0, 0, 0, false, false};
  const std::string_view indent = voices == 2 ? "         " : "       ";
  for (int pass = 1; pass <= voices; ++pass) {
    writer.pass = pass;
    writer.write_pass(indent);
  }

  put("        \\bar \"|.\"\n      }\n", out);
}

}  // namespace choirly
