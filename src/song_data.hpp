// The song data: header texts, tempo and lyric texts. Captured by the first pass, written
// by the document frame.
#pragma once

#include <array>
#include <cstdint>

#include "limits.hpp"

namespace choirly {

struct song_texts {
  char title[song_text_max + 1];
  char author[song_text_max + 1];
  char lyricist[song_text_max + 1];
  char copyright[song_text_max + 1];
};

extern song_texts song_info;
extern std::int32_t tempo;
extern std::array<std::array<char, lyric_text_max + 1>, lyric_slots> lyric_table;
extern int lyric_count;

}  // namespace choirly
