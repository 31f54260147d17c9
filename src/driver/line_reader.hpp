// The first pass: reads the score, transliterates it, drops layout records, hands song data
// to the captures and stores every other line in the line table.
#pragma once

#include <cstdio>

#include "choirly.hpp"
#include "line_table.hpp"

namespace choirly {

void reset_line_table();

// Reads `in` to its end. Returns false after writing the fatal message for a line that is
// too long or that would need a slot beyond the table; true otherwise.
bool read_score(std::FILE* in, std::FILE* err);

}  // namespace choirly
