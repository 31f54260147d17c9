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
// Followed by the staff's playback as the score sets it (see playback_setting).
std::string instrument_setting(const score::staff& s);

// The playback settings of a staff's \\with block where the score changes them: the
// transposition of the MIDI alone, silence for a muted staff, the channel's volume and pan.
std::string playback_setting(const score::staff& s);

}  // namespace choirly::page
