// Repeat bars and endings on the page: \repeat volta with \alternative where every staff's
// repeats nest cleanly and agree, otherwise bar lines and brackets set by repeatCommands.
#pragma once

#include <string>
#include <vector>

#include "score/model.hpp"

namespace choirly::page {

// What a staff's music says at each measure boundary: index 0 before its first measure, b at
// its b-th bar line, the last after its last item. `closing` stands before the bar line's own
// style, so that a double bar after an ending stays; `opening` after it.
struct staff_repeats {
  std::vector<std::string> closing, opening;
};

struct repeat_plan {
  bool any = false;                   // the score has repeats or endings
  bool volta = false;                 // written as \repeat volta, which the MIDI can unfold
  bool per_staff = false;             // the staves' repeats differ: each staff draws its own
  std::vector<staff_repeats> staves;  // by model staff
  std::vector<std::string> problems;  // why the repeats are not written as \repeat
};

repeat_plan plan_repeats(const score::score& model);

}  // namespace choirly::page
