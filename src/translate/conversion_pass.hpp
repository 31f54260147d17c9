// The second pass: cuts the stored lines into staves, fills the staff table and has each
// staff written when the next one begins or the end marker is reached.
#pragma once

#include <cstdint>
#include <cstdio>

namespace choirly {

// Context carried from line to line and from staff to staff.
struct conversion_state {
  std::int32_t staff_count;
  std::int32_t entry_count;
  std::int32_t clef_offset;
  std::int32_t key_index;
  bool staff_overflow_reported;
  bool end_marker_seen;
};

extern conversion_state pass_state;

void reset_conversion_state();

void convert_stored_lines(std::FILE* out, std::FILE* err);

}  // namespace choirly
