// The MIDI instrument each staff plays, by the names LilyPond knows.
#pragma once

#include <string>
#include <string_view>

#include "score/model.hpp"

namespace choirly::page {

// The General MIDI instrument name LilyPond knows for a program number 0..127.
std::string_view midi_instrument(int program);

// " midiInstrument = ..." for a staff's \\with block: its program, or the drums for a
// percussion clef or MIDI channel 10; empty when the score names none.
std::string instrument_setting(const score::staff& s);

}  // namespace choirly::page
