// Accidentals that hold for the rest of their bar at their staff position, and over a tie
// into the next bar: what a note written without an accidental of its own sounds with.
#pragma once

#include <array>
#include <cstdint>

#include "limits.hpp"
#include "translate/event_records.hpp"

namespace choirly {

// One accidental code for each stored position; 0 where none holds.
using position_accidentals = std::array<std::uint8_t, note_positions>;

struct held_accidentals {
  position_accidentals in_bar{};    // written out in the current bar
  position_accidentals tied_on{};   // of the bar's last note at the position, when it is tied
  position_accidentals over_bar{};  // handed over the last bar line by a tie, until taken
  // Whether a table may hold an accidental: a bar line clears only those that may, since
  // most bars hold few accidentals and few ties.
  bool in_bar_used = false;
  bool tied_on_used = false;
  bool over_bar_used = false;
};

// Gives each note of the event that has no accidental of its own the one in force at its
// position, as if written out, and lets the event's accidentals and ties act on later notes.
// Items are taken in the order of the record.
void apply_held_accidentals(held_accidentals& held, event_words& event);

// A bar line of any style: the bar's accidentals lapse, those tied over it are handed on.
void end_bar(held_accidentals& held);

}  // namespace choirly
