// Writes the staff held in the staff table as one LilyPond \new Staff block.
#pragma once

#include <cstdio>

namespace choirly {

void output_staff(std::FILE* out);

}  // namespace choirly
