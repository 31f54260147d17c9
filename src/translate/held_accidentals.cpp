// Accidentals that hold to the bar line and over a tie, kept per stored position.
#include "translate/held_accidentals.hpp"

namespace choirly {

void apply_held_accidentals(held_accidentals& held, event_words& event) {
  for (int i = 0; i < event.word_count; ++i) {
    const auto word = static_cast<std::uint32_t>(event.words[i]);
    const std::uint32_t position = word & position_mask;
    // A rest, or an item no form reads, neither takes nor sets anything.
    if (position == rest_position || (event.unread_words >> i & 1u) != 0) continue;
    std::uint32_t accidental = accidental_of(event.words[i]);
    if (accidental == accidental_none) {
      // A note tied over from the last bar keeps its accidental, and so does every note the
      // tie runs on to; the next untied one goes back to the key.
      accidental = held.in_bar[position];
      if (accidental == accidental_none) accidental = held.tied_on[position];
      if (accidental == accidental_none) accidental = held.over_bar[position];
      event.words[i] = static_cast<note_word>(word | accidental << accidental_shift);
    } else {
      held.in_bar[position] = static_cast<std::uint8_t>(accidental);
      held.in_bar_used = true;
    }
    const bool tied = (word & tie_bit) != 0;
    held.tied_on[position] = static_cast<std::uint8_t>(tied ? accidental : accidental_none);
    if (tied && accidental != accidental_none) held.tied_on_used = true;
    held.over_bar[position] = accidental_none;  // only the first note after the bar takes it
  }
}

void end_bar(held_accidentals& held) {
  if (held.tied_on_used) {
    held.over_bar = held.tied_on;
    held.tied_on.fill(accidental_none);
  } else if (held.over_bar_used) {
    held.over_bar.fill(accidental_none);
  }
  held.over_bar_used = held.tied_on_used;
  held.tied_on_used = false;
  if (held.in_bar_used) held.in_bar.fill(accidental_none);
  held.in_bar_used = false;
}

}  // namespace choirly
