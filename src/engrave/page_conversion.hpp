// One score from file bytes to the page path's LilyPond document: decoded as for choirly,
// read into the score model, written by the page writer. No convert-ly is needed after it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engrave/conversion_path.hpp"
#include "score/model.hpp"

namespace choirly::engrave {

struct page_reading {
  std::string log;  // what was read: the version and the encoding
  score::score model;
};

// Fails when the file is no score. `code_page` as for prepare_score.
result<page_reading> read_page_score(std::string_view file, int code_page = 0);

// "choirly-engrave: warning: line N: ..." for each problem, in the list's order, each on one
// line: a staff name may hold a line end.
std::string warning_lines(const std::vector<score::diagnostic>& diagnostics);

// With `parts`, the document makes each part's PDF and rehearsal MIDI file too.
conversion convert_page(std::string_view file, int code_page = 0, bool parts = false);

// The page path as choirly-engrave's default: LilyPond 2.24 reads its documents as they are.
conversion_path page_path(int code_page = 0, bool parts = false);

}  // namespace choirly::engrave
