// Lyric texts cut into syllables, and syllables laid under the notes that take them.
#pragma once

#include <string_view>
#include <vector>

#include "score/model.hpp"

namespace choirly::score {

// Syllables end at blanks and line ends and after hyphens; "_" joins words into one syllable,
// printed as a space or, when `underscore_as_space` is false, as itself.
std::vector<syllable> split_syllables(std::string_view text, bool underscore_as_space = true);

// Gives each syllable of each lyric line the onset of the event it lies under, in the order
// of the staff's events that take a syllable. Returns how many syllables found no note.
std::size_t place_lyrics(staff& s);

}  // namespace choirly::score
