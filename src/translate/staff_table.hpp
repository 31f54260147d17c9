// The staff table that holds one staff between its "|AddStaff" line and the next boundary,
// and the packed note word that carries one note, rest or marker. Shared with the writer.
#pragma once

#include <array>
#include <cstdint>

#include "limits.hpp"

namespace choirly {

using note_word = std::int32_t;

// Field layout of a note word (bit 0 least significant).
inline constexpr std::uint32_t position_mask = 0xFF;  // bits 0-7: diatonic steps, 28 = c'
inline constexpr int duration_shift = 8;              // bits 8-15: 128ths of a whole note
inline constexpr std::uint32_t duration_mask = 0xFF;
inline constexpr int key_shift = 16;  // bits 16-19: key_index in force
inline constexpr std::uint32_t key_mask = 0xF;
inline constexpr int accidental_shift = 20;  // bits 20-22: explicit accidental code
inline constexpr std::uint32_t accidental_mask = 0x7;
inline constexpr std::uint32_t tie_bit = 1u << 26;
inline constexpr std::uint32_t slur_bit = 1u << 27;

inline constexpr std::uint32_t rest_position = 255;

// Explicit accidental codes.
inline constexpr std::uint32_t accidental_none = 0;
inline constexpr std::uint32_t accidental_flat = 1;
inline constexpr std::uint32_t accidental_double_flat = 2;
inline constexpr std::uint32_t accidental_sharp = 3;
inline constexpr std::uint32_t accidental_double_sharp = 4;
inline constexpr std::uint32_t accidental_natural = 5;

// Markers are whole words with one high bit; a note word always has key bits, so never
// equals one.
inline constexpr note_word bar_marker = 0x10000000;
inline constexpr note_word double_bar_marker = 0x20000000;
inline constexpr note_word fermata_marker = 0x40000000;

inline std::uint32_t position_of(note_word w) {
  return static_cast<std::uint32_t>(w) & position_mask;
}
inline std::uint32_t duration_of(note_word w) {
  return (static_cast<std::uint32_t>(w) >> duration_shift) & duration_mask;
}
inline std::uint32_t key_of(note_word w) {
  return (static_cast<std::uint32_t>(w) >> key_shift) & key_mask;
}
inline std::uint32_t accidental_of(note_word w) {
  return (static_cast<std::uint32_t>(w) >> accidental_shift) & accidental_mask;
}
inline bool has_bit(note_word w, std::uint32_t bit) {
  return (static_cast<std::uint32_t>(w) & bit) != 0;
}

struct staff_entry {
  char text[entry_text_size];  // a line printed at the head of the staff, or empty
  note_word words[words_per_entry];
};

extern std::array<staff_entry, staff_slots> staff;

// Slots from the front that may hold anything; every later slot has an empty text and zero
// words. Clearing and writing a staff touch only these, not the whole table.
extern std::int32_t staff_used;

// The slot to fill, counted in staff_used. Every write to the table goes through here.
inline staff_entry& use_entry(std::int32_t slot) {
  if (slot >= staff_used) staff_used = slot + 1;
  return staff[static_cast<std::size_t>(slot)];
}

// The last time signature seen anywhere in the score; 0/0 until the first one.
extern std::int32_t time_sig_numerator;
extern std::int32_t time_sig_denominator;

// Clears every used slot's text and words before a new staff is filled.
void initialize_staff();

// Zeroes every used slot and both time-signature globals, as at program start.
void reset_staff_table();

}  // namespace choirly
