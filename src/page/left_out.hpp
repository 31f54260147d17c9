// What the page leaves out of the score, said once for each kind with where it first stands.
#pragma once

#include <vector>

#include "score/model.hpp"

namespace choirly::page {

// Adds a note for each kind of record the model holds no meaning for, and for the
// articulations on rests other than fermatas, which LilyPond users do not write.
void note_left_out(const score::score& model, std::vector<score::diagnostic>& notes);

// An event whose written duration is a rest's takes a fermata and no other articulation.
unsigned shown_articulations(const score::event& e);

}  // namespace choirly::page
