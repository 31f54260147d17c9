// The first pass: reads the score, transliterates it, drops layout records, hands song data
// to the captures and stores every other line in the line table.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "choirly.hpp"
#include "limits.hpp"

namespace choirly {

// A slot of the line table: where its text starts in line_store, and its length (0 for an
// empty slot). Texts are packed one after the other, each with a terminating zero, so a
// score touches only as much memory as its text needs; the store has room for every slot
// at full length.
struct stored_line {
  std::uint32_t offset;
  std::uint8_t length;
};

extern std::array<stored_line, line_slots> line_table;
extern std::array<char, line_slots*(stored_line_max + 1)> line_store;
extern std::int32_t line_index;
extern std::int32_t last_line_index;

// The text of a slot; its data() is always followed by a terminating zero.
inline std::string_view line_text(int slot) {
  const stored_line& line = line_table[slot];
  if (line.length == 0) return "";
  return {line_store.data() + line.offset, line.length};
}

void reset_line_table();

// Reads `in` to its end. Returns false after writing the fatal message for a line that is
// too long or that would need a slot beyond the table; true otherwise.
bool read_score(std::FILE* in, std::FILE* err);

}  // namespace choirly
