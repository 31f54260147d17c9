// The verses in lyric mode, one syllable per note as NoteWorthy Composer lays them under the
// notes, told to LilyPond where its own rules for melismata would lay them otherwise.
#pragma once

#include <string>
#include <vector>

#include "score/model.hpp"

namespace choirly::page {

// A note of the staff's voice, in order, as the verses see it.
struct syllable_slot {
  bool takes = false;    // NoteWorthy gives it a syllable
  bool melisma = false;  // LilyPond would hold the syllable before over it
};

// The body of a verse's \lyricmode block, its lines indented and ended.
std::string verse_text(const score::lyric_line& line, const std::vector<syllable_slot>& slots);

}  // namespace choirly::page
