// One score from file bytes to LilyPond document, converted in this process by choirly::run.
// choirly keeps its state in global tables: convert one score at a time.
#pragma once

#include <string>
#include <string_view>

#include "engrave/conversion_path.hpp"

namespace choirly::engrave {

// Runs choirly on an already prepared text: its exit status, output and messages.
int run_choirly(std::string_view windows_1252, std::string& out, std::string& err);

// choirly's document with the score's texts in UTF-8; the failure is choirly's first ERROR
// line, or why the file is no score. `code_page` as for prepare_score.
conversion convert_score(std::string_view file, int code_page = 0);

// choirly's own path: the input it can take is at most line_slots lines of at most
// input_line_max characters, and a character may take four bytes in a UTF-8 score.
conversion_path choirly_path(int code_page = 0);

// No engraving: each score as a 2.75 text file (UTF-8), so that .nwc files can be kept, and
// their reading seen, as text.
conversion_path text_copy_path(int code_page = 0);

}  // namespace choirly::engrave
