// The second pass: cuts the stored lines into staves, fills the staff table and has each
// staff written when the next one begins or the end marker is reached.
#pragma once

#include <cstdint>
#include <cstdio>

#include "translate/held_accidentals.hpp"

namespace choirly {

// Context carried from line to line and from staff to staff.
struct conversion_state {
  std::int32_t staff_count = 0;
  std::int32_t entry_count = 0;
  // Before any clef the music reads as treble, the format's default clef.
  std::int32_t clef_offset = 34;
  std::int32_t key_index = 8;  // no accidentals
  // The accidentals in force in the staff being converted.
  held_accidentals accidentals{};
  bool staff_overflow_reported = false;
  bool end_marker_seen = false;
  bool lyrics_written = false;
};

extern conversion_state pass_state;

void reset_conversion_state();

void convert_stored_lines(std::FILE* out, std::FILE* err);

}  // namespace choirly
