// Writes the score model as a LilyPond 2.24 document shaped after LilyPond's choir
// templates: a header, a variable for each staff's music and each verse, one \score.
#pragma once

#include <string>
#include <vector>

#include "score/model.hpp"

namespace choirly::page {

// The page of a score. What the page leaves out or draws otherwise than the score says
// (records it has no meaning for, repeats it cannot write as repeats) is added to `notes`,
// the list that holds the reader's problems too.
// With `parts`, the full score is a \book of its own, and each part of the score (see
// parts.hpp) follows it as a \book of its own page (NAME-PART.pdf) and one of its rehearsal
// playback (NAME-PART-rehearsal.midi), all engraved by one LilyPond run.
std::string write_page(const score::score& model, std::vector<score::diagnostic>& notes,
                       bool parts = false);

}  // namespace choirly::page
