// The first pass: reads the score, transliterates it, drops layout records, hands song data
// to the captures and stores every other line in the line table.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "limits.hpp"

namespace choirly {

struct stored_line {
  std::uint8_t length;  // 0 for an empty slot
  char text[stored_line_max + 1];
};

extern std::array<stored_line, line_slots> line_table;
extern std::int32_t line_index;
extern std::int32_t last_line_index;

inline std::string_view line_text(int slot) {
  return {line_table[slot].text, line_table[slot].length};
}

enum class line_kind { dropped, song_info, tempo, lyric, stored };

// Which of the first pass's rules a complete line falls under (stored covers every line that
// is neither dropped nor captured, whatever its length).
line_kind classify_line(std::string_view line);

void reset_line_table();

// Reads `in` to its end. Returns false after writing the fatal message for a line that is
// too long or that would need a slot beyond the table; true otherwise.
bool read_score(std::FILE* in, std::FILE* err);

}  // namespace choirly
