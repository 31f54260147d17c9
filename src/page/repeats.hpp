// Repeat bars and endings on the page: \repeat volta with \alternative where every staff's
// repeats nest cleanly and agree, otherwise bar lines and brackets set by repeatCommands.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "page/printer.hpp"
#include "score/model.hpp"

namespace choirly::page {

// Boundaries count a staff's measures: 0 before its first measure, b at its b-th bar line,
// the last after its last item.

// The ending index of a region's own open and close in `staff_repeats::at_boundary`.
inline constexpr std::size_t no_ending = static_cast<std::size_t>(-1);

// An ending of a repeat: the boundaries it runs between and the passes it is played in.
struct ending_run {
  std::size_t start = 0, stop = 0;
  std::vector<int> passes;
};

// A repeat written as \repeat volta, with its alternatives when it has endings.
struct repeat_region {
  std::size_t open = 0;   // the boundary it opens at
  std::size_t close = 0;  // where the repeated music ends: its close bar, or its first ending
  int count = 2;
  bool local = false;  // a local repeat, inside the master repeats
  std::vector<ending_run> endings;
};

// A boundary's repeat bars and brackets, for repeats drawn bar by bar.
struct repeat_bar {
  bool close = false, open = false;
  bool end_bracket = false;     // the bracket before ends here
  bool starts_bracket = false;  // an ending's bracket starts here, labelled `bracket`
  std::string bracket;          // "1., 2."
};

// One staff's repeats: regions when they are written as \repeat, else bars by boundary.
struct staff_repeats {
  std::vector<repeat_region> regions;  // in the order their repeats close
  std::vector<repeat_bar> bars;
  // By boundary, what of the regions stands there: (region, no_ending) where one opens
  // or closes, (region, k) where its ending k starts or stops; in order, so that a boundary is
  // printed without walking every region. Left empty, every region is looked at.
  std::vector<std::vector<std::pair<std::size_t, std::size_t>>> at_boundary;
};

struct repeat_plan {
  bool any = false;                   // the score has repeats or endings
  bool volta = false;                 // written as \repeat volta, which the MIDI can unfold
  bool per_staff = false;             // the staves' repeats differ: each staff draws its own
  std::vector<staff_repeats> staves;  // by model staff
  std::vector<std::string> problems;  // why the repeats are not written as \repeat
};

repeat_plan plan_repeats(const score::score& model);
// The index of a staff's regions by boundary, for staves with `boundaries` of them.
void index_boundaries(staff_repeats& r, std::size_t boundaries);

// What stands at boundary b before its bar line's own style (so that a double bar after an
// ending stays), and what after its bar check; at the staff's end, both in turn.
void print_before_bar(const staff_repeats& r, std::size_t b, printer& out);
void print_after_bar(const staff_repeats& r, bool per_staff, std::size_t b, printer& out);

}  // namespace choirly::page
