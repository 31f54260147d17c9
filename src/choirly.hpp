// What programs built on the converter may use: the whole run, and the rules by which it
// takes the header texts and lyric comments from a score's lines. Everything else is internal.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>

#include "limits.hpp"

namespace choirly {

// Resets all state, converts the score read from `in` and returns the exit status (0 or 1).
int run(int argc, char** argv, std::FILE* in, std::FILE* out, std::FILE* err);

enum class line_kind { dropped, song_info, tempo, lyric, stored };

// Which of the first pass's rules a complete line falls under (stored covers every line that
// is neither dropped nor captured, whatever its length).
line_kind classify_line(std::string_view line);

// The four quoted texts of a song-information line (title, author, lyricist, copyright),
// whole and uncut, as views into `line`. Returns how many were taken, 0 to 4.
int split_song_info(std::string_view line, std::array<std::string_view, 4>& texts);

// A header text as it goes between the double quotes of the header: a lone backslash at its
// end would escape the closing quote, so that one backslash is left out.
std::string_view header_string_text(std::string_view text);

// For a lyric line: true when it takes a lyric slot, false for the empty lyric.
bool lyric_takes_slot(std::string_view line);

// Converts a lyric line's text for its comment into `out`, at most `capacity` characters,
// and returns how many were written.
std::size_t convert_lyric(std::string_view line, char* out, std::size_t capacity);

}  // namespace choirly
