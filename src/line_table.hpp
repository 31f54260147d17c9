// The line table: the record lines that the first pass keeps for the second. Filled by the
// reader, read by the conversion pass and the document frame.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "limits.hpp"

namespace choirly {

// A slot of the line table: where its text starts in line_store, and its length (0 for an
// empty slot). Texts are packed one after the other, each with a terminating zero, so a
// score touches only as much memory as its text needs; the store has room for every slot
// at full length. Each slot also keeps which capital letters follow a bar in its text (bit n for
// the letter 'A' + n, A to X), seen by the first pass as it classified the line, so that the second
// pass searches for a record that may stand anywhere in a line only in the lines that can
// hold it.
struct stored_line {
  std::uint32_t offset;
  std::uint32_t length : 8;
  std::uint32_t bar_letters : 24;
};

constexpr std::uint32_t bar_letter_bit(char letter) {
  return letter >= 'A' && letter <= 'X' ? 1u << (letter - 'A') : 0;
}

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

}  // namespace choirly
