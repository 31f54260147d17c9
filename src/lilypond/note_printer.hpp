// Pitch, rest and duration tokens of one note word.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "translate/staff_table.hpp"

namespace choirly {

// A blank, then the pitch (letter, accidental, octave marks) or "r" for a rest.
void print_note(note_word word, std::FILE* out);
// The duration number with its dot, then " ~" for a tied word.
void print_duration(note_word word, std::FILE* out);
// The duration number with its dot for a length in 128ths, or "" when no single token has it.
std::string_view duration_text(std::int64_t units);

}  // namespace choirly
