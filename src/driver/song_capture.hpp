// Song information, tempo and lyric texts, captured by the first pass for the document frame.
#pragma once

#include <cstdint>
#include <string_view>

#include "choirly.hpp"
#include "song_data.hpp"

namespace choirly {

void reset_song_data();

void capture_song_info(std::string_view line);
// `line` matched "|Tempo|Tempo:%d|" as far as the number, which is `number`.
void capture_tempo(std::int32_t number);
// True when the word that "%s" read opens the empty lyric: a quoted line-break escape.
bool is_empty_lyric(std::string_view word);
// `line` matched "|Lyric%1d|Text:%s"; `word` is what "%s" read.
void capture_lyric(std::string_view line, std::string_view word);

}  // namespace choirly
