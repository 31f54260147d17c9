// Note, chord, rest and rest-chord records: their recognition and their note words.
#pragma once

#include <cstdint>
#include <string_view>

#include "limits.hpp"
#include "translate/staff_table.hpp"

namespace choirly {

struct event_words {
  int word_count;
  note_word words[max_event_words];
  std::uint32_t unread_words;  // bit i: word i stands for an item that no form reads
};

// The rest-chord and rest forms, tried before the fermata test.
bool parse_rest_event(std::string_view line, std::int32_t clef_offset, std::int32_t key_index,
                      event_words& event);
// The chord and note forms, tried after it.
bool parse_note_event(std::string_view line, std::int32_t clef_offset, std::int32_t key_index,
                      event_words& event);

// Duration of a duration field in 128ths of a whole note, dot included.
std::uint32_t duration_units_of(std::string_view field);

}  // namespace choirly
